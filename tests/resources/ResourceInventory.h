// What the resource tests check against: the inventory tables kept beside the tests
// (every picture path and text key the windows name), the names the program's sources
// pass to the picture and text lookups, and a strict reader of the strings tables.
#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace inventory {

// The first column of a tab-separated table beside the tests, header skipped.
inline QStringList firstColumn(const QString& file) {
    QFile f(QStringLiteral(CUTBENCH_SOURCE_DIR "/tests/resources/") + file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    in.readLine();
    QStringList values;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!line.isEmpty())
            values << line.section(QLatin1Char('\t'), 0, 0);
    }
    return values;
}

inline QString unescapeCpp(QString s) {
    s.replace(QStringLiteral("\\\""), QStringLiteral("\""));
    s.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    return s;
}

// Every string literal of the program's sources (src/**.cpp, .h) that matches `pattern`;
// capture group 1 is the literal's content.
inline QSet<QString> literalsInSources(const QRegularExpression& pattern) {
    QSet<QString> found;
    QDirIterator it(QStringLiteral(CUTBENCH_SOURCE_DIR "/src"),
                    {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        for (auto m = pattern.globalMatch(text); m.hasNext();)
            found.insert(unescapeCpp(m.next().captured(1)));
    }
    return found;
}

// Picture names written in the sources: literals that start with a bundle folder and end
// in .bmp or .png.
inline QSet<QString> picturesInSources() {
    static const QRegularExpression re(QStringLiteral(
        "\"((?:About|Cut|Join|Main|Resources|Split|SubFun|im)/(?:[^\"\\\\\\n]|\\\\.)+\\.(?:bmp|png))\""));
    return literalsInSources(re);
}

// Keys written as literals in calls of localizedStringForKey, whatever string wrapper
// the call uses.
inline QSet<QString> keysInSources() {
    static const QRegularExpression re(
        QStringLiteral("localizedStringForKey\\s*\\(\\s*(?:QStringLiteral\\s*\\(|QString::fromUtf8\\s*\\(|"
                       "QLatin1String\\s*\\(|"
                       "QString\\s*\\(|u8?)?\\s*u?8?\"((?:[^\"\\\\\\n]|\\\\.)*)\""));
    return literalsInSources(re);
}

// A strings table: UTF-8, one `"key" = "value";` a line, blank lines and lines starting
// with // ignored, escapes \" \\ \n \t inside the quotes. Anything else is an error,
// reported with its line number in `error`.
inline QMap<QString, QString> readStrings(const QString& path, QString* error) {
    QMap<QString, QString> table;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open ") + path;
        return {};
    }
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("//")))
            continue;
        QString parts[2];
        int i = 0;
        auto fail = [&](const char* why) {
            *error = QStringLiteral("%1:%2: %3").arg(path).arg(n + 1).arg(QLatin1String(why));
            return QMap<QString, QString>();
        };
        for (int part = 0; part < 2; ++part) {
            while (i < line.size() && line[i].isSpace())
                ++i;
            if (part == 1) {
                if (i >= line.size() || line[i] != QLatin1Char('='))
                    return fail("expected =");
                ++i;
                while (i < line.size() && line[i].isSpace())
                    ++i;
            }
            if (i >= line.size() || line[i] != QLatin1Char('"'))
                return fail("expected a quote");
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const QChar c = line[i++];
                if (c == QLatin1Char('"')) {
                    closed = true;
                    break;
                }
                if (c != QLatin1Char('\\')) {
                    parts[part] += c;
                    continue;
                }
                if (i >= line.size())
                    return fail("escape at end of line");
                const QChar e = line[i++];
                if (e == QLatin1Char('n'))
                    parts[part] += QLatin1Char('\n');
                else if (e == QLatin1Char('t'))
                    parts[part] += QLatin1Char('\t');
                else if (e == QLatin1Char('"') || e == QLatin1Char('\\'))
                    parts[part] += e;
                else
                    return fail("unknown escape");
            }
            if (!closed)
                return fail("unclosed quote");
        }
        while (i < line.size() && line[i].isSpace())
            ++i;
        if (i >= line.size() || line[i] != QLatin1Char(';') || i + 1 != line.size())
            return fail("expected ; at end");
        if (table.contains(parts[0]))
            return fail("key given twice");
        table.insert(parts[0], parts[1]);
    }
    return table;
}

inline const QStringList& languageCodes() {
    static const QStringList codes{"en", "zh-Hans", "zh-Hant", "fr", "de", "ja", "es", "pt-PT", "ar"};
    return codes;
}

} // namespace inventory
