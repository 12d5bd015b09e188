// What the resource tests check against: the inventory tables kept beside the tests
// (every picture path and text key the windows name) and the names the program's sources
// pass to the picture and text lookups.
#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
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

inline const QStringList& languageCodes() {
    static const QStringList codes{"en", "zh-Hans", "zh-Hant", "fr", "de", "ja", "es", "pt-PT", "ar"};
    return codes;
}

} // namespace inventory
