#include "foundation/helpers/StringsTable.h"

#include "platform/Log.h"

#include <QFile>

namespace {

// Reads a quoted string starting at line[pos] == '"'; on success leaves pos after the closing
// quote.
std::optional<QString> readQuoted(const QString& line, qsizetype& pos) {
    if (pos >= line.size() || line[pos] != QLatin1Char('"'))
        return std::nullopt;
    QString out;
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return out;
        }
        if (c == QLatin1Char('\\')) {
            if (++pos >= line.size())
                return std::nullopt;
            const QChar e = line[pos];
            if (e == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else if (e == QLatin1Char('t'))
                out += QLatin1Char('\t');
            else if (e == QLatin1Char('r'))
                out += QLatin1Char('\r');
            else
                out += e; // \" and \\ and anything else: the character itself
            continue;
        }
        out += c;
    }
    return std::nullopt; // no closing quote on this line
}

void skipSpaces(const QString& line, qsizetype& pos) {
    while (pos < line.size() && line[pos].isSpace())
        ++pos;
}

} // namespace

StringsTable StringsTable::parse(const QByteArray& utf8, const QString& origin) {
    StringsTable table;
    QString text = QString::fromUtf8(utf8);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool inBlockComment = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        qsizetype pos = 0;
        if (inBlockComment) {
            const qsizetype end = line.indexOf(QLatin1String("*/"));
            if (end < 0)
                continue;
            inBlockComment = false;
            pos = end + 2;
        }
        skipSpaces(line, pos);
        if (pos >= line.size() || line.mid(pos, 2) == QLatin1String("//"))
            continue;
        if (line.mid(pos, 2) == QLatin1String("/*")) {
            const qsizetype end = line.indexOf(QLatin1String("*/"), pos + 2);
            if (end < 0)
                inBlockComment = true;
            // Text after a one-line block comment is not expected; such a line is ignored whole.
            continue;
        }
        auto bad = [&](const char* why) {
            ++table.skipped_;
            qCWarning(lcApp).noquote() << "strings table" << origin << "line" << (n + 1) << "skipped:" << why;
        };
        const std::optional<QString> key = readQuoted(line, pos);
        if (!key) {
            bad("no quoted key");
            continue;
        }
        skipSpaces(line, pos);
        if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
            bad("no '=' after the key");
            continue;
        }
        ++pos;
        skipSpaces(line, pos);
        const std::optional<QString> value = readQuoted(line, pos);
        if (!value) {
            bad("no quoted value");
            continue;
        }
        skipSpaces(line, pos);
        bool ok = true;
        if (pos < line.size() && line[pos] == QLatin1Char(';')) {
            ++pos;
            skipSpaces(line, pos);
        } else {
            qCWarning(lcApp).noquote() << "strings table" << origin << "line" << (n + 1) << "has no ';'";
        }
        if (pos < line.size() && line.mid(pos, 2) != QLatin1String("//"))
            ok = false;
        if (!ok) {
            bad("unexpected text after the entry");
            continue;
        }
        table.entries_.insert(*key, *value);
    }
    if (inBlockComment)
        qCWarning(lcApp).noquote() << "strings table" << origin << "ends inside a comment";
    return table;
}

StringsTable StringsTable::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcApp).noquote() << "no strings table at" << path;
        return {};
    }
    return parse(file.readAll(), path);
}

std::optional<QString> StringsTable::value(const QString& key) const {
    auto it = entries_.constFind(key);
    if (it == entries_.constEnd())
        return std::nullopt;
    return *it;
}
