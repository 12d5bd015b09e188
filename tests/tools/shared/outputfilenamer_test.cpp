// Free output names: a tool never writes over a file that is already there.
#include "tools/shared/OutputFileNamer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}
} // namespace

TEST(OutputFileNamer, TakesTheNameThenTheFirstFreeNumberedName) {
    QTemporaryDir dir;
    const QString folder = dir.path();
    EXPECT_EQ(OutputFileNamer::freePath(folder, "000123.50-000130.25", "mov"),
              folder + "/000123.50-000130.25.mov");
    touch(folder + "/000123.50-000130.25.mov");
    EXPECT_EQ(OutputFileNamer::freePath(folder, "000123.50-000130.25", "mov"),
              folder + "/000123.50-000130.25(2).mov");
    touch(folder + "/000123.50-000130.25(2).mov");
    touch(folder + "/000123.50-000130.25(4).mov");
    // The first gap is taken, not the number after the highest.
    EXPECT_EQ(OutputFileNamer::freePath(folder, "000123.50-000130.25", "mov"),
              folder + "/000123.50-000130.25(3).mov");
}

TEST(OutputFileNamer, FoldersAndDanglingLinksCountAsTaken) {
    QTemporaryDir dir;
    const QString folder = dir.path();
    ASSERT_TRUE(QDir(folder).mkdir("clip.mp4"));
    EXPECT_EQ(OutputFileNamer::freePath(folder, "clip", "mp4"), folder + "/clip(2).mp4");
    ASSERT_TRUE(QFile::link(folder + "/nowhere/x", folder + "/clip(2).mp4"));
    EXPECT_EQ(OutputFileNamer::freePath(folder, "clip", "mp4"), folder + "/clip(3).mp4");
}

TEST(OutputFileNamer, ExtensionOfTheLastComponentOnly) {
    EXPECT_EQ(OutputFileNamer::extensionOf("/a.b/clip.MOV"), "MOV");
    EXPECT_EQ(OutputFileNamer::extensionOf("/a.b/clip"), "");
    EXPECT_EQ(OutputFileNamer::extensionOf("/a/.hidden"), "");
    EXPECT_EQ(OutputFileNamer::extensionOf("/a/x.tar.gz"), "gz");
}

TEST(OutputFileNamer, TimestampNamesAreMadeFreeToo) {
    QTemporaryDir dir;
    const QString first = OutputFileNamer::freeTimestampPath(dir.path(), "mp4");
    EXPECT_TRUE(
        QRegularExpression("/\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.mp4$").match(first).hasMatch())
        << first.toStdString();
    touch(first);
    const QString second = OutputFileNamer::freeTimestampPath(dir.path(), "mp4");
    EXPECT_NE(first, second);
    EXPECT_FALSE(QFileInfo::exists(second));
}
