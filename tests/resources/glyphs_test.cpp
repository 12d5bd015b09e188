// Every text of every interface language is drawn with real glyphs: the fonts the machine
// offers (through the set-up's packages) cover Chinese, Japanese and Arabic, so no text
// shows empty boxes.
#include "ResourceInventory.h"

#include "foundation/helpers/NSBundle.h"
#include "foundation/helpers/StringsTable.h"
#include "platform/BundlePaths.h"
#include "platform/UserDefaults.h"

#include <QFile>
#include <QFont>
#include <QGlyphRun>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace {

// The values of a strings table, read with the program's own reader by key.
QStringList texts(const QString& code) {
    const QString path = QDir(bundle::resourcePath()).filePath(code + QStringLiteral(".lproj/Main.strings"));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const StringsTable table = StringsTable::parse(f.readAll(), path);
    f.seek(0);
    static const QRegularExpression keyAtStart(QStringLiteral("^\\s*\"((?:[^\"\\\\]|\\\\.)*)\"\\s*="));
    QStringList values;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = keyAtStart.match(line);
        if (!m.hasMatch())
            continue;
        const QString key = inventory::unescapeCpp(m.captured(1));
        if (const std::optional<QString> value = table.value(key))
            values << *value;
    }
    return values;
}

// The number of glyphs of `text` that the font (with the fonts Qt falls back to) draws as
// the missing-glyph box. Spaces, tabs and line breaks are laid out, not drawn.
int missingGlyphs(const QFont& font, QString text) {
    static const QRegularExpression blanks(QStringLiteral("\\s|\\p{Cf}"));
    text.remove(blanks);
    QTextLayout layout(text, font);
    layout.beginLayout();
    while (layout.createLine().isValid()) {
    }
    layout.endLayout();
    int missing = 0;
    for (const QGlyphRun& run : layout.glyphRuns())
        for (const quint32 glyph : run.glyphIndexes())
            missing += glyph == 0 ? 1 : 0;
    return missing;
}

} // namespace

TEST(Glyphs, EveryLanguageIsDrawnWithRealGlyphs) {
    QTemporaryDir dir;
    UserDefaults::setStorePath(dir.filePath("defaults.ini"));
    for (int language = 0; language < NSBundle::languageCount(); ++language) {
        UserDefaults::standardUserDefaults().setInteger(language, "AppLanguage");
        NSBundle::setLanguage();
        const QString code = NSBundle::currentLanguageCode();
        const QStringList values = texts(code);
        ASSERT_GT(values.size(), 100) << code.toStdString();
        // The windows' own font, and the Arabic one the settings window asks for by name.
        QFont font;
        if (NSBundle::isalaboLanguage())
            font.setFamily(QStringLiteral("Muna"));
        int bad = 0;
        for (const QString& value : values) {
            if (missingGlyphs(font, value) > 0 && ++bad <= 5)
                ADD_FAILURE() << code.toStdString() << ": empty boxes in \"" << value.toStdString() << "\"";
        }
        EXPECT_EQ(bad, 0) << code.toStdString();
    }
    UserDefaults::standardUserDefaults().setInteger(0, "AppLanguage");
    NSBundle::setLanguage();
    UserDefaults::setStorePath(QString());
}

TEST(Glyphs, TheCheckSeesAMissingGlyph) {
    // A private-use character no shipped font draws.
    EXPECT_GT(missingGlyphs(QFont(), QString(QChar(0xE000))), 0);
    EXPECT_EQ(missingGlyphs(QFont(), QStringLiteral("Cut bench\n")), 0);
}
