// The nine interface languages: every table parses, holds every key the program asks for,
// and keeps the texts whose exact form the code relies on.
#include "ResourceInventory.h"

#include "platform/BundlePaths.h"

#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

QString tablePath(const QString& code) {
    return QDir(bundle::resourcePath()).filePath(code + QStringLiteral(".lproj/Main.strings"));
}

QMap<QString, QMap<QString, QString>> allTables() {
    QMap<QString, QMap<QString, QString>> tables;
    for (const QString& code : inventory::languageCodes()) {
        QString error;
        tables.insert(code, inventory::readStrings(tablePath(code), &error));
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
    return tables;
}

} // namespace

TEST(StringsReader, RejectsMalformedLinesAndDecodesEscapes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.strings");
    auto write = [&](const QByteArray& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    QString error;
    write("// comment\n\n\"a\\\"b\" = \"x\\\\y\\n\\tz\";\n\"k\" = \" lead\";\n");
    auto t = inventory::readStrings(path, &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(t.value("a\"b"), QStringLiteral("x\\y\n\tz"));
    EXPECT_EQ(t.value("k"), QStringLiteral(" lead"));
    for (const QByteArray& bad :
         {QByteArray("\"a\" = \"b\"\n"), QByteArray("\"a\" \"b\";\n"), QByteArray("\"a\" = \"b;\n"),
          QByteArray("\"a\" = \"b\\q\";\n"), QByteArray("\"a\" = \"1\";\n\"a\" = \"2\";\n")}) {
        write(bad);
        error.clear();
        inventory::readStrings(path, &error);
        EXPECT_FALSE(error.isEmpty()) << bad.toStdString();
    }
}

TEST(Strings, EveryTableHasEveryKeyOfTheInventoryAndOfTheCode) {
    const QStringList inventoryKeys = inventory::firstColumn(QStringLiteral("keys.tsv"));
    ASSERT_GT(inventoryKeys.size(), 200);
    const QSet<QString> codeKeys = inventory::keysInSources();
    const auto tables = allTables();
    for (const QString& code : inventory::languageCodes()) {
        const auto& table = tables.value(code);
        ASSERT_FALSE(table.isEmpty()) << code.toStdString();
        for (const QString& key : inventoryKeys)
            EXPECT_TRUE(table.contains(key)) << code.toStdString() << " lacks " << key.toStdString();
        for (const QString& key : codeKeys)
            EXPECT_TRUE(table.contains(key))
                << code.toStdString() << " lacks " << key.toStdString() << " (used in the sources)";
        for (auto it = table.begin(); it != table.end(); ++it)
            EXPECT_FALSE(it.value().trimmed().isEmpty())
                << code.toStdString() << " " << it.key().toStdString();
    }
}

TEST(Strings, NineLanguagesAreOfferedUnderTheirOwnNames) {
    const auto tables = allTables();
    const auto& en = tables.value("en");
    for (const QString& code : inventory::languageCodes()) {
        const auto& table = tables.value(code);
        // An untranslated fifth item would switch the program to its four-language mode.
        EXPECT_NE(table.value("LangeuageItem4", "LangeuageItem4"), QStringLiteral("LangeuageItem4"))
            << code.toStdString();
        for (int i = 0; i <= 8; ++i) {
            const QString key = QStringLiteral("LangeuageItem%1").arg(i);
            EXPECT_EQ(table.value(key), en.value(key)) << code.toStdString() << " " << key.toStdString();
        }
    }
    EXPECT_EQ(en.value("LangeuageItem1"), QStringLiteral("简体中文"));
    EXPECT_EQ(en.value("LangeuageItem8"), QStringLiteral("العربية"));
}

TEST(Strings, TextsTheCodeComparesOrJoinsKeepTheirShape) {
    const auto tables = allTables();
    for (const QString& code : inventory::languageCodes()) {
        const auto& t = tables.value(code);
        const std::string c = code.toStdString();
        for (const char* word : {"png", "jpg", "bmp"})
            EXPECT_EQ(t.value(word), QLatin1String(word)) << c;
        for (const char* key : {"Title", "Ixy-de-Rz5.title"})
            EXPECT_EQ(t.value(key), QStringLiteral("Cutbench")) << c;
        // Shown right after "1.", "2.", ...: the blank separates the number.
        for (const char* key : {"batch_desc1", "batch_desc2", "batch_desc3", "joinner_desc1", "joinner_desc2",
                                "joinner_desc3", "joinner_desc4"})
            EXPECT_TRUE(t.value(key).startsWith(QLatin1Char(' '))) << c << " " << key;
        // The unsupported file names follow this text directly.
        EXPECT_TRUE(t.value("nonsupportfilesstringValue").endsWith(QLatin1Char(' '))) << c;
        // The mail link builds mailto: itself and shows the address as a label.
        const QString mail = t.value("email_address");
        EXPECT_FALSE(mail.contains(QLatin1Char(':'))) << c;
        EXPECT_TRUE(mail.contains(QLatin1Char('@')) && mail.endsWith(QLatin1String("example.org"))) << c;
        for (const char* key : {"homepageUrl", "supprotUrl"}) {
            const QUrl url(t.value(key));
            EXPECT_EQ(url.scheme(), QStringLiteral("https")) << c << " " << key;
            EXPECT_TRUE(url.host().endsWith(QLatin1String("example.org"))) << c << " " << key;
        }
        for (const char* key : {"[", "]", "【", "】"})
            EXPECT_EQ(t.value(key), tables.value("en").value(key)) << c << " " << key;
    }
}
