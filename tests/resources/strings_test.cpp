// The nine interface languages: every table parses with the program's own reader, holds every key the program
// asks for, and keeps the texts whose exact form the code relies on.
#include "ResourceInventory.h"

#include "foundation/helpers/NSBundle.h"
#include "foundation/helpers/StringsTable.h"
#include "platform/BundlePaths.h"
#include "platform/UserDefaults.h"

#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

QString tablePath(const QString& code) {
    return QDir(bundle::resourcePath()).filePath(code + QStringLiteral(".lproj/Main.strings"));
}

// Lines of a table that carry an entry (neither blank nor a comment).
int entryLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    int n = 0;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (!t.isEmpty() && !t.startsWith(QLatin1String("//")))
            ++n;
    }
    return n;
}

QMap<QString, StringsTable> allTables() {
    QMap<QString, StringsTable> tables;
    for (const QString& code : inventory::languageCodes()) {
        const StringsTable t = StringsTable::load(tablePath(code));
        // Every line parses, and no key is given twice (a repeat would hide one text).
        EXPECT_EQ(t.skippedLines(), 0) << code.toStdString();
        EXPECT_EQ(t.size(), entryLines(tablePath(code))) << code.toStdString();
        tables.insert(code, t);
    }
    return tables;
}

QString text(const StringsTable& t, const char* key) {
    return t.value(QString::fromUtf8(key)).value_or(QString());
}

} // namespace

TEST(Strings, EveryTableHasEveryKeyOfTheInventoryAndOfTheCode) {
    const QStringList inventoryKeys = inventory::firstColumn(QStringLiteral("keys.tsv"));
    ASSERT_GT(inventoryKeys.size(), 200);
    const QSet<QString> codeKeys = inventory::keysInSources();
    const auto tables = allTables();
    for (const QString& code : inventory::languageCodes()) {
        const StringsTable& table = tables[code];
        ASSERT_FALSE(table.isEmpty()) << code.toStdString();
        for (const QString& key : inventoryKeys) {
            EXPECT_TRUE(table.contains(key)) << code.toStdString() << " lacks " << key.toStdString();
            EXPECT_FALSE(table.value(key).value_or(QString()).trimmed().isEmpty())
                << code.toStdString() << " " << key.toStdString();
        }
        for (const QString& key : codeKeys)
            EXPECT_TRUE(table.contains(key))
                << code.toStdString() << " lacks " << key.toStdString() << " (used in the sources)";
    }
}

TEST(Strings, NineLanguagesAreOfferedUnderTheirOwnNames) {
    const auto tables = allTables();
    const StringsTable& en = tables["en"];
    for (const QString& code : inventory::languageCodes()) {
        const StringsTable& table = tables[code];
        // An untranslated fifth item would switch the program to its four-language mode.
        EXPECT_TRUE(table.contains("LangeuageItem4")) << code.toStdString();
        EXPECT_NE(text(table, "LangeuageItem4"), QStringLiteral("LangeuageItem4")) << code.toStdString();
        for (int i = 0; i <= 8; ++i) {
            const QString key = QStringLiteral("LangeuageItem%1").arg(i);
            EXPECT_EQ(table.value(key), en.value(key)) << code.toStdString() << " " << key.toStdString();
        }
    }
}

TEST(Strings, EachLanguageIndexShowsItsOwnTable) {
    // The program picks a folder by the stored index; a folder named other than the
    // lookup expects would silently show English.
    QTemporaryDir dir;
    UserDefaults::setStorePath(dir.filePath("defaults.ini"));
    QSet<QString> seen;
    for (int i = 0; i <= 8; ++i) {
        UserDefaults::standardUserDefaults().setInteger(i, QStringLiteral("AppLanguage"));
        NSBundle::setLanguage();
        const QString addFile = NSBundle::localizedStringForKey(QStringLiteral("AddFileBtnTitle"));
        EXPECT_NE(addFile, QStringLiteral("AddFileBtnTitle")) << i;
        seen.insert(addFile);
        EXPECT_NE(NSBundle::localizedStringForKey(QStringLiteral("LangeuageItem4")),
                  QStringLiteral("LangeuageItem4"));
    }
    EXPECT_EQ(seen.size(), 9);
    UserDefaults::standardUserDefaults().setInteger(0, QStringLiteral("AppLanguage"));
    UserDefaults::setStorePath(QString());
}

TEST(Strings, TextsTheCodeComparesOrJoinsKeepTheirShape) {
    const auto tables = allTables();
    for (const QString& code : inventory::languageCodes()) {
        const StringsTable& t = tables[code];
        const std::string c = code.toStdString();
        for (const char* word : {"png", "jpg", "bmp"})
            EXPECT_EQ(text(t, word), QLatin1String(word)) << c;
        for (const char* key : {"Title", "Ixy-de-Rz5.title"})
            EXPECT_EQ(text(t, key), QStringLiteral("Cutbench")) << c;
        // Shown right after "1.", "2.", ...: the blank separates the number.
        for (const char* key : {"batch_desc1", "batch_desc2", "batch_desc3", "joinner_desc1", "joinner_desc2",
                                "joinner_desc3", "joinner_desc4"})
            EXPECT_TRUE(text(t, key).startsWith(QLatin1Char(' '))) << c << " " << key;
        // The unsupported file names follow this text directly.
        EXPECT_TRUE(text(t, "nonsupportfilesstringValue").endsWith(QLatin1Char(' '))) << c;
        // The mail link builds mailto: itself and shows the address as a label.
        const QString mail = text(t, "email_address");
        EXPECT_FALSE(mail.contains(QLatin1Char(':'))) << c;
        EXPECT_TRUE(mail.contains(QLatin1Char('@')) && mail.endsWith(QLatin1String("example.org"))) << c;
        for (const char* key : {"homepageUrl", "supprotUrl"}) {
            const QUrl url(text(t, key));
            EXPECT_EQ(url.scheme(), QStringLiteral("https")) << c << " " << key;
            EXPECT_TRUE(url.host().endsWith(QLatin1String("example.org"))) << c << " " << key;
        }
        for (const char* key : {"[", "]", "【", "】"})
            EXPECT_EQ(text(t, key), text(tables["en"], key)) << c << " " << key;
    }
}

TEST(Help, EveryLanguageHasAPageNamingEveryTool) {
    // The help link opens help/<code>.html of the chosen language (index.html in English).
    const auto tables = allTables();
    const QDir help(QDir(bundle::resourcePath()).filePath(QStringLiteral("help")));
    ASSERT_TRUE(help.exists(QStringLiteral("index.html")));
    const char* titles[] = {"EasyCut_Title",   "BatchCut_Title", "AdvancedCut_Title", "Joinner_Title",
                            "Split_Title",     "Crop_Title",     "Rotate_Title",      "Effect_Title",
                            "Watermark_Title", "Subtitle_Title", "AddMusic_Title"};
    for (const QString& code : inventory::languageCodes()) {
        QFile f(help.filePath((code == QLatin1String("en") ? QStringLiteral("index") : code) +
                              QStringLiteral(".html")));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << code.toStdString();
        const QString page = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(page.contains(QStringLiteral("lang=\"%1\"").arg(code))) << code.toStdString();
        for (const char* key : titles)
            EXPECT_TRUE(page.contains(text(tables[code], key).toHtmlEscaped()))
                << code.toStdString() << " " << key;
    }
}
