// One language's strings table ("Main.strings"): UTF-8, one `"key" = "value";` a line,
// blank lines and `//` lines ignored (also `/* ... */` blocks), escapes \" \\ \n \t (and
// \r) inside quotes. Keys and values are taken exactly as quoted, spaces included. A line
// that does not parse is skipped with a warning; parsing never fails as a whole.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

class StringsTable {
public:
    StringsTable() = default;

    // Parses table text; `origin` names it in warnings.
    static StringsTable parse(const QByteArray& utf8, const QString& origin = QString());
    // Reads and parses a file; an unreadable or missing file gives an empty table.
    static StringsTable load(const QString& path);

    std::optional<QString> value(const QString& key) const;
    bool contains(const QString& key) const { return entries_.contains(key); }
    qsizetype size() const { return entries_.size(); }
    bool isEmpty() const { return entries_.isEmpty(); }
    // Lines skipped as malformed while parsing.
    int skippedLines() const { return skipped_; }

private:
    QHash<QString, QString> entries_;
    int skipped_ = 0;
};
