#include "foundation/helpers/NSBundle.h"
#include "foundation/helpers/StringsTable.h"
#include "platform/BundlePaths.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// A resource folder of our own with one table per given language code; each table
// translates "Lang" to its code.
class Localisation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UserDefaults::setStorePath(dir.filePath("defaults.ini"));
        bundle::setResourcePathForTesting(dir.path());
        NSBundle::reloadForTesting();
    }
    void TearDown() override {
        bundle::setResourcePathForTesting(QString());
        NSBundle::reloadForTesting();
        UserDefaults::setStorePath(QString());
    }
    void table(const QString& code, const QByteArray& extra = {}) {
        writeFile(dir.filePath(code + ".lproj/Main.strings"),
                  "\"Lang\" = \"" + code.toUtf8() + "\";\n" + extra);
    }
    void nineLanguages() {
        for (const char* c : {"zh-Hans", "zh-Hant", "fr", "de", "ja", "es", "pt-PT", "ar"})
            table(c);
        table("en", "\"LangeuageItem4\" = \"Deutsch\";\n\"OnlyEnglish\" = \"English text\";\n");
    }
    void fourLanguages() {
        for (const char* c : {"zh-Hant", "fr", "ja"})
            table(c);
        table("en");
    }
    void setLanguage(long long index) {
        UserDefaults::standardUserDefaults().setInteger(index, "AppLanguage");
        NSBundle::setLanguage();
    }
    QTemporaryDir dir;
};

} // namespace

TEST(StringsTableParser, EntriesEscapesSpacesAndChinese) {
    const QByteArray text = "\xEF\xBB\xBF// a comment\n"
                            "\n"
                            "\"plain\" = \"Plain text\";\n"
                            "  \"spaced key \"=\"  value with spaces  \"  ;  // trailing comment\n"
                            "\"quote\" = \"say \\\"hi\\\" \\\\ now\";\r\n"
                            "\"lines\" = \"a\\nb\\tc\";\n"
                            "\"[\" = \"]\";\n"
                            "\"时间\" = \"時間\";\n"
                            "/* a block\n"
                            "   comment */\n"
                            "\"after\" = \"block\";\n"
                            "\"empty\" = \"\";\n";
    const StringsTable t = StringsTable::parse(text, "test");
    EXPECT_EQ(t.skippedLines(), 0);
    EXPECT_EQ(t.value("plain"), "Plain text");
    EXPECT_EQ(t.value("spaced key "), "  value with spaces  ");
    EXPECT_EQ(t.value("quote"), "say \"hi\" \\ now");
    EXPECT_EQ(t.value("lines"), "a\nb\tc");
    EXPECT_EQ(t.value("["), "]");
    EXPECT_EQ(t.value(QString::fromUtf8("时间")), QString::fromUtf8("時間"));
    EXPECT_EQ(t.value("after"), "block");
    EXPECT_EQ(t.value("empty"), "");
    EXPECT_FALSE(t.value("// a comment"));
    EXPECT_EQ(t.size(), 8);
}

TEST(StringsTableParser, BrokenLinesAreSkippedAndTheRestKept) {
    const QByteArray text = "\"good1\" = \"one\";\n"
                            "\"unterminated = \"x\";\n"
                            "\"noequals\" \"x\";\n"
                            "key = \"unquoted\";\n"
                            "\"novalue\" = ;\n"
                            "\"trailing\" = \"x\"; junk\n"
                            "\"backslash at end\\\n"
                            "\"nosemicolon\" = \"kept\"\n"
                            "\"good2\" = \"two\";"; // no final newline
    const StringsTable t = StringsTable::parse(text, "broken");
    EXPECT_EQ(t.value("good1"), "one");
    EXPECT_EQ(t.value("good2"), "two");
    EXPECT_EQ(t.value("nosemicolon"), "kept");
    EXPECT_EQ(t.skippedLines(), 6);
    EXPECT_EQ(t.size(), 3);
    EXPECT_TRUE(StringsTable::parse(QByteArray("\xFF\xFE garbage \x00\x01", 14)).isEmpty());
    EXPECT_TRUE(StringsTable::load("/nonexistent/Main.strings").isEmpty());
}

TEST_F(Localisation, NineLanguagesClampTheStoredIndex) {
    nineLanguages();
    setLanguage(12);
    EXPECT_EQ(NSBundle::languageCount(), 9);
    EXPECT_EQ(NSBundle::localizedStringForKey("Lang"), "ar");
    setLanguage(-3);
    EXPECT_EQ(NSBundle::localizedStringForKey("Lang"), "en");
    const char* codes[] = {"en", "zh-Hans", "zh-Hant", "fr", "de", "ja", "es", "pt-PT", "ar"};
    for (int i = 0; i < 9; ++i) {
        setLanguage(i);
        EXPECT_EQ(NSBundle::localizedStringForKey("Lang"), codes[i]) << i;
        EXPECT_EQ(NSBundle::currentLanguageCode(), codes[i]);
    }
}

TEST_F(Localisation, FourLanguageTablesAreRecognisedAtTheFirstLookup) {
    fourLanguages();
    // No switch has happened in this run: the stored index must already use the four table.
    UserDefaults::standardUserDefaults().setInteger(2, "AppLanguage");
    EXPECT_EQ(NSBundle::localizedStringForKey("Lang"), "fr");
    EXPECT_EQ(NSBundle::languageCount(), 4);
    EXPECT_EQ(NSBundle::localizedStringForKey("LangeuageItem4"), "LangeuageItem4");
    setLanguage(5);
    EXPECT_EQ(NSBundle::localizedStringForKey("Lang"), "en");
    setLanguage(3);
    EXPECT_EQ(NSBundle::localizedStringForKey("Lang"), "ja");
    setLanguage(1);
    EXPECT_EQ(NSBundle::localizedStringForKey("Lang"), "zh-Hant");
}

TEST_F(Localisation, MissingKeysFallBackToEnglishThenTheKeyOrGivenValue) {
    nineLanguages();
    setLanguage(3);
    EXPECT_EQ(NSBundle::localizedStringForKey("OnlyEnglish"), "English text");
    EXPECT_EQ(NSBundle::localizedStringForKey("No such key"), "No such key");
    EXPECT_EQ(NSBundle::localizedStringForKey("No such key", "Fallback"), "Fallback");
    EXPECT_EQ(NSBundle::localizedStringForKey("Lang", "Fallback"), "fr");
    EXPECT_EQ(NSBundle::localizedStringForKey(QString()), QString());
    // The stored language is read at each lookup, without a switch.
    UserDefaults::standardUserDefaults().setInteger(4, "AppLanguage");
    EXPECT_EQ(NSBundle::localizedStringForKey("Lang"), "de");
}

TEST_F(Localisation, AMissingLanguageFolderFallsBackToEnglishAndNoTablesToTheKeys) {
    setLanguage(2);
    EXPECT_EQ(NSBundle::localizedStringForKey("Ixy-de-Rz5.title"), "Ixy-de-Rz5.title");
    table("en", "\"LangeuageItem4\" = \"Deutsch\";\n");
    setLanguage(4);
    EXPECT_EQ(NSBundle::localizedStringForKey("Lang"), "en");
}

TEST_F(Localisation, ArabicIsAStoredIndexAboveSeven) {
    for (auto [index, arabic] : {std::pair{8, true}, {12, true}, {7, false}, {-3, false}, {0, false}}) {
        UserDefaults::standardUserDefaults().setInteger(index, "AppLanguage");
        EXPECT_EQ(NSBundle::isalaboLanguage(), arabic) << index;
    }
}

TEST_F(Localisation, PicturesByRelativePathAndNoCrashWhenMissing) {
    QImage red(3, 2, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QDir().mkpath(dir.filePath("Settings.bundle/Resources"));
    ASSERT_TRUE(red.save(dir.filePath("Settings.bundle/Resources/play_played_bkg.png")));
    writeFile(dir.filePath("Settings.bundle/Resources/broken.png"), "not a picture");

    const QImage got = NSBundle::imageWithfileName("Resources/play_played_bkg.png");
    ASSERT_FALSE(got.isNull());
    EXPECT_EQ(got.size(), QSize(3, 2));
    EXPECT_EQ(got.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_TRUE(NSBundle::imageWithfileName("Resources/play_played_bkg").isNull()); // no extension guessing
    EXPECT_TRUE(NSBundle::imageWithfileName("Resources/missing.png").isNull());
    EXPECT_TRUE(NSBundle::imageWithfileName("Resources/broken.png").isNull());
    EXPECT_TRUE(NSBundle::imageWithfileName("").isNull());
    EXPECT_EQ(NSBundle::resourceBundle(), dir.filePath("Settings.bundle"));
}
