#include "profiles/ProfileReader.h"
#include "profiles/ProfileSet.h"
#include "profiles/ProfileWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Result = ProfileWriter::Result;
using Existing = ProfileWriter::Existing;

namespace {
QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(ProfileWriter, WrittenProfileReadsBackUnchanged) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("deep/Custom"); // created with its parents
    const QStringList lines{"[Main]",
                            "ExtName= mkv\t",
                            "[Parameter]",
                            "vcodec=\"h264\", {h264,mpeg4}",
                            "s= , {1920x1080,1280x720}",
                            "acodec=aac",
                            "ab=128, {96,128}",
                            "note=été ✓"};
    ASSERT_EQ(ProfileWriter::save(lines, "My profile (1)", folder), Result::Written);
    const QString path = QDir(folder).filePath("My profile (1).pf");
    EXPECT_EQ(contents(path), lines.join('\n').toUtf8() + '\n');
    const QString raw[][3] = {{"Main", "ExtName", " mkv\t"},
                              {"Parameter", "vcodec", "\"h264\", {h264,mpeg4}"},
                              {"Parameter", "s", " , {1920x1080,1280x720}"},
                              {"Parameter", "acodec", "aac"},
                              {"Parameter", "ab", "128, {96,128}"},
                              {"Parameter", "note", "été ✓"}};
    for (const auto& r : raw)
        EXPECT_EQ(profiles::readProfileValue(r[0], r[1], path), r[2]) << r[1].toStdString();
}

TEST(ProfileWriter, RefusesBadNamesLinesAndExistingProfiles) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("Custom");
    for (const QString& name :
         {QString(), QStringLiteral("../x"), QStringLiteral("a/b"), QStringLiteral(".hidden"),
          QStringLiteral("a..b"), QStringLiteral("tab\tname"), QStringLiteral("nl\n"),
          QString(300, QLatin1Char('n'))}) {
        EXPECT_FALSE(ProfileWriter::isValidProfileName(name)) << name.toStdString();
        EXPECT_EQ(ProfileWriter::save({"[Main]"}, name, folder), Result::InvalidName);
    }
    EXPECT_TRUE(ProfileWriter::isValidProfileName("mp4 (fast) – 720p"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("x.pf")));

    // A line that with its LF exceeds 255 bytes, or that holds a line end, writes nothing.
    EXPECT_EQ(ProfileWriter::save({"[Main]", "k=" + QString(253, 'v')}, "long", folder), Result::InvalidLine);
    EXPECT_EQ(ProfileWriter::save({"k=a\nb=c"}, "crlf", folder), Result::InvalidLine);
    EXPECT_FALSE(QFileInfo::exists(QDir(folder).filePath("long.pf")));
    EXPECT_EQ(ProfileWriter::save({"k=" + QString(252, 'v')}, "fits", folder), Result::Written);

    // An existing profile is kept unless replacing was agreed.
    ASSERT_EQ(ProfileWriter::save({"[Main]", "ExtName=mp4"}, "mine", folder), Result::Written);
    EXPECT_EQ(ProfileWriter::save({"[Main]", "ExtName=avi"}, "mine", folder), Result::Exists);
    EXPECT_EQ(contents(QDir(folder).filePath("mine.pf")), "[Main]\nExtName=mp4\n");
    EXPECT_EQ(ProfileWriter::save({"[Main]", "ExtName=avi"}, "mine", folder, Existing::Replace),
              Result::Written);
    EXPECT_EQ(contents(QDir(folder).filePath("mine.pf")), "[Main]\nExtName=avi\n");
}

TEST(ProfileWriter, FailuresAreReportedNotFatal) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // The folder cannot be made below a plain file.
    EXPECT_EQ(ProfileWriter::save({"[Main]"}, "p", dir.filePath("file/Custom")), Result::FolderFailed);
    // An unwritable folder.
    const QString ro = dir.filePath("ro");
    QDir().mkpath(ro);
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner);
    if (!QFileInfo(ro).isWritable()) { // root ignores the permissions
        EXPECT_EQ(ProfileWriter::save({"[Main]"}, "p", ro), Result::WriteFailed);
    }
    QFile::setPermissions(ro, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(ProfileWriter, CustomFoldersAreListedTogether) {
    QTemporaryDir dir;
    const QString first = dir.filePath("beside"), second = dir.filePath("data");
    ProfileSet::setCustomFolders({first, second});
    EXPECT_FALSE(ProfileSet::customFolderHasEntries());
    EXPECT_TRUE(saveSettingForpf({"[Main]", "ExtName=mp4"}, "b"));
    ASSERT_EQ(ProfileWriter::save({"[Main]", "ExtName=mkv"}, "a", second), Result::Written);
    ASSERT_EQ(ProfileWriter::save({"[Main]", "ExtName=avi"}, "b", second), Result::Written);
    ASSERT_EQ(ProfileWriter::save({"[Main]"}, ProfileSet::kKeepOriginal, second), Result::Written);
    EXPECT_TRUE(ProfileSet::customFolderHasEntries());
    const ProfileSet set = ProfileSet::editor();
    EXPECT_EQ(set.items("Custom"), (QStringList{"Keep Original", "b", "a"}));
    // The first folder (the user's own) wins for a name in both.
    EXPECT_EQ(set.profilePath("Custom", "b"), QDir(first).filePath("b.pf"));
    EXPECT_EQ(set.profilePath("Custom", "a"), QDir(second).filePath("a.pf"));
    EXPECT_EQ(set.profilePath("Custom", "../b"), QString());
    EXPECT_EQ(set.profilePath("Custom", "missing"), QString());
    ProfileSet::setCustomFolders({});
}

TEST(ProfileWriter, UserProfilesGoToTheUsersDataFolderNotTheProgramsFolder) {
    QTemporaryDir data;
    const QByteArray old = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    ProfileSet::setCustomFolders({});
    const QString folder = ProfileSet::customFolderForWriting();
    EXPECT_TRUE(folder.startsWith(data.path() + "/")) << folder.toStdString();
    EXPECT_TRUE(folder.endsWith("/Custom")) << folder.toStdString();
    EXPECT_FALSE(folder.startsWith(QCoreApplication::applicationDirPath())) << folder.toStdString();
    // Read first, and read together with the older folder beside the program.
    ASSERT_GE(ProfileSet::customFolders().size(), 2);
    EXPECT_EQ(ProfileSet::customFolders().first(), folder);
    EXPECT_TRUE(saveSettingForpf({"[Main]", "ExtName=mp4"}, "mine"));
    EXPECT_TRUE(QFileInfo(QDir(folder).filePath("mine.pf")).isFile());
    EXPECT_EQ(ProfileSet::joiner().profilePath("Custom", "mine"), QDir(folder).filePath("mine.pf"));
    if (old.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", old);
}
