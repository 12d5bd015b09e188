#include "profiles/ProfileReader.h"
#include "profiles/ProfileSet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using profiles::readProfileValue;

namespace {

class ProfileReaderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return QFile::encodeName(path).toStdString();
    }
};

const QByteArray kProfile = "[Main]\n"
                            "ExtName= mp4\t\n"
                            "[Parameter]\n"
                            "# vcodec=commented\n"
                            "// vcodec=also commented\n"
                            "vcodec=h264, {h264,mpeg4}\n"
                            "  ab \t= 128, {96,128}\n"
                            "ar=44100\n"
                            "r=25\n"
                            "[Main]\n"
                            "late=found\n";

} // namespace

TEST_F(ProfileReaderTest, CrLfAndLfFilesReadAlike) {
    const std::string lf = write("lf.pf", kProfile);
    QByteArray crlf = kProfile;
    crlf.replace("\n", "\r\n");
    const std::string cr = write("crlf.pf", crlf);
    for (const char* key : {"ExtName", "vcodec", "ab", "ar", "r", "late"}) {
        const char* section = std::string_view(key) == "ExtName" ? "Main" : "Parameter";
        EXPECT_EQ(readProfileValue(section, key, lf), readProfileValue(section, key, cr)) << key;
        EXPECT_FALSE(readProfileValue(section, key, lf).empty()) << key;
    }
    EXPECT_EQ(readProfileValue("Main", "ExtName", cr), " mp4\t");
}

TEST_F(ProfileReaderTest, KeysCommentsAndSections) {
    const std::string p = write("p.pf", kProfile);
    // Comments are skipped, the later key line is returned raw.
    EXPECT_EQ(readProfileValue("Parameter", "vcodec", p), "h264, {h264,mpeg4}");
    // Blanks and tabs around the key do not matter; the blank after "=" stays.
    EXPECT_EQ(readProfileValue("Parameter", "ab", p), " 128, {96,128}");
    // "r" is a whole key: it does not match the "ar" line that comes first.
    EXPECT_EQ(readProfileValue("Parameter", "r", p), "25");
    // A section never ends: a key of a later section is found through an earlier one.
    EXPECT_EQ(readProfileValue("Parameter", "late", p), "found");
    EXPECT_EQ(readProfileValue("Main", "vcodec", p), "h264, {h264,mpeg4}");
    // Keys before their section are not found; unknown sections and keys read empty.
    EXPECT_EQ(readProfileValue("Parameter", "ExtName", p), "");
    EXPECT_EQ(readProfileValue("Nothing", "vcodec", p), "");
    EXPECT_EQ(readProfileValue("Parameter", "acodec", p), "");
    EXPECT_EQ(readProfileValue("Parameter", "vcodec", dir.filePath("missing.pf").toStdString()), "");
}

TEST_F(ProfileReaderTest, UnendedFinalLineIsNotRead) {
    EXPECT_EQ(readProfileValue("Parameter", "vcodec", write("a.pf", "[Parameter]\nvcodec=h264")), "");
    EXPECT_EQ(readProfileValue("Parameter", "vcodec", write("b.pf", "[Parameter]\nvcodec=h264\r\n")), "h264");
    // A header that is the unended last line does not open its section either.
    EXPECT_EQ(readProfileValue("Parameter", "x", write("c.pf", "x=1\n[Parameter]")), "");
}

TEST_F(ProfileReaderTest, OverlongLinesKeysAndValuesAreSkipped) {
    // A line over the line limit is skipped whole and does not swallow the next line.
    const std::string p1 = write("l1.pf", "[S]\nk=" + QByteArray(100000, 'x') + "\nk=ok\n");
    EXPECT_EQ(readProfileValue("S", "k", p1), "ok");
    // Values of 1024 bytes or more are refused; 1023 bytes are returned whole.
    const QByteArray v1023(1023, 'c');
    const std::string p2 = write("l2.pf", "[S]\nk=" + QByteArray(1024, 'd') + "\nk=" + v1023 + "\n");
    EXPECT_EQ(readProfileValue("S", "k", p2), v1023.toStdString());
    // Key parts of 512 bytes or more are refused even when they clean to the key.
    const std::string p3 =
        write("l3.pf", "[S]\n" + QByteArray(511, ' ') + "k=long\n" + QByteArray(500, ' ') + "k=short\n");
    EXPECT_EQ(readProfileValue("S", "k", p3), "short");
    // A header line over the limit is skipped too, so its section never opens.
    const std::string p4 = write("l4.pf", "[S]" + QByteArray(5000, ' ') + "\nk=1\n");
    EXPECT_EQ(readProfileValue("S", "k", p4), "");
    // Nothing past the first 4 MiB of a file is read.
    const std::string p5 = write("l5.pf", "[S]\n" + QByteArray(5 << 20, '\n') + "k=far\n");
    EXPECT_EQ(readProfileValue("S", "k", p5), "");
}

TEST_F(ProfileReaderTest, LineLimitBoundary) {
    // With its line end a line must stay below 4096 bytes; the CR of CR LF counts.
    const QByteArray overLimit = "k=" + QByteArray(4093, 'z'); // 4095 + LF: skipped
    EXPECT_EQ(readProfileValue("S", "k", write("b.pf", "[S]\n" + overLimit + "\nk=end\n")), "end");
    const QByteArray crOver = "[S]" + QByteArray(4091, ' '); // 4094 + CR + LF = 4096: skipped
    EXPECT_EQ(readProfileValue("S", "k", write("c.pf", crOver + "\r\nk=1\n")), "");
    // A section header padded to exactly the limit is still a header.
    const QByteArray header = "[S]" + QByteArray(4091, ' '); // 4094 + LF
    EXPECT_EQ(readProfileValue("S", "k", write("h.pf", header + "\nk=1\n")), "1");
    const QByteArray header2 = "[S]" + QByteArray(4092, ' '); // 4095 + LF
    EXPECT_EQ(readProfileValue("S", "k", write("h2.pf", header2 + "\nk=1\n")), "");
}

TEST_F(ProfileReaderTest, ManyKeysInOnePassReadAsOneByOne) {
    const std::string p =
        write("m.pf", kProfile + "[Parameter]\nab=second\n" + QByteArray(1100, 'v') + "=x\n");
    const std::vector<std::string> keys{"vcodec",  "ab",     " ab",    "r", "late",
                                        "ExtName", "acodec", "vcodec", ""};
    const std::vector<std::string> values = profiles::readProfileValues("Parameter", keys, p);
    ASSERT_EQ(values.size(), keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k)
        EXPECT_EQ(values[k], readProfileValue("Parameter", keys[k], p)) << keys[k];
    EXPECT_EQ(values[1], " 128, {96,128}");
    EXPECT_EQ(values[7], "h264, {h264,mpeg4}");
    EXPECT_TRUE(profiles::readProfileValues("Parameter", {}, p).empty());
    EXPECT_EQ(profiles::readProfileValues("Parameter", {"ab"}, p + ".missing"), std::vector<std::string>{""});
}

TEST_F(ProfileReaderTest, QtOverloadDecodesUtf8) {
    const std::string p = write("u.pf", "[Main]\nExtName=vidéo\n");
    EXPECT_EQ(profiles::readProfileValue(QStringLiteral("Main"), QStringLiteral("ExtName"),
                                         QString::fromStdString(p)),
              QStringLiteral("vidéo"));
}

TEST_F(ProfileReaderTest, IndexCategoriesAreTrimmedAndSafe) {
    QDir(dir.path()).mkpath("set");
    write("set/pf.dat",
          "[frmFormat]\nCount=5\nType1=  Video  \nType2= \nType3=Audio\nType4=../up\nType5=.hidden\n");
    const ProfileSet set(dir.filePath("set"));
    EXPECT_EQ(set.categories(), (QStringList{"Video", "Audio"}));
    EXPECT_TRUE(ProfileSet(dir.filePath("none")).categories().isEmpty());
}

TEST_F(ProfileReaderTest, IndexCountIsCapped) {
    // A huge Count lists what the index holds and returns at once.
    QDir(dir.path()).mkpath("huge");
    write("huge/pf.dat", "[frmFormat]\nCount=2147483647\nType1=Video\nType3=Audio\n");
    EXPECT_EQ(ProfileSet(dir.filePath("huge")).categories(), (QStringList{"Video", "Audio"}));
    // No more than kMaxCategories names, in index order.
    QByteArray many = "[frmFormat]\nCount=500\n";
    QStringList expected;
    for (int i = 1; i <= 500; ++i) {
        many += "Type" + QByteArray::number(i) + "=C" + QByteArray::number(i) + "\n";
        if (i <= ProfileSet::kMaxCategories)
            expected << QStringLiteral("C%1").arg(i);
    }
    QDir(dir.path()).mkpath("many");
    write("many/pf.dat", many);
    EXPECT_EQ(ProfileSet(dir.filePath("many")).categories(), expected);
    // Count itself limits the list; a negative or unreadable Count lists nothing.
    QDir(dir.path()).mkpath("few");
    write("few/pf.dat", "[frmFormat]\nCount= 2 \nType1=A\nType2=B\nType3=C\n");
    EXPECT_EQ(ProfileSet(dir.filePath("few")).categories(), (QStringList{"A", "B"}));
    write("few/pf.dat", "[frmFormat]\nCount=-5\nType1=A\n");
    EXPECT_TRUE(ProfileSet(dir.filePath("few")).categories().isEmpty());
}
