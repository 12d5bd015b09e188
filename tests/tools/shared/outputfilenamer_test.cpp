// Free output names: a tool never writes over a file that is already there, and two exports
// never take one name.
#include "tools/shared/OutputFileNamer.h"

#include "TestSupport.h"
#include "tools/shared/EngineConvert.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

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

TEST(OutputFileNamer, TwoExportsStartedTogetherToOneNameBothComplete) {
    QTemporaryDir dir;
    const QString folder = dir.path(), name = "000001.00-000002.00";
    const QString source = testsupport::media("long_10s.mp4");
    const EngineConvert::Range range{1000000, 2000000};
    // Both names are chosen before either job has written anything under its name.
    int error = 0;
    auto first =
        EngineConvert::cut(source, OutputFileNamer::takeFreePath(folder, name, "mp4"), range, &error);
    auto second =
        EngineConvert::cut(source, OutputFileNamer::takeFreePath(folder, name, "mp4"), range, &error);
    ASSERT_TRUE(first && second) << error;
    EXPECT_EQ(first->outputPath(), folder + "/" + name + ".mp4");
    EXPECT_EQ(second->outputPath(), folder + "/" + name + "(2).mp4");
    EXPECT_EQ(OutputFileNamer::freePath(folder, name, "mp4"), folder + "/" + name + "(3).mp4");
    int results[2] = {0, 0};
    std::thread a([&] { results[0] = first->start(); });
    std::thread b([&] { results[1] = second->start(); });
    a.join();
    b.join();
    EXPECT_TRUE(first->succeeded(results[0]) && second->succeeded(results[1]));
    for (const QString& out : {first->outputPath(), second->outputPath()})
        EXPECT_EQ(testsupport::probeFrameCount(out), 25) << out.toStdString();
}

TEST(OutputFileNamer, ANameHeldByAnotherProcessIsTakenUntilThatProcessEnds) {
    QTemporaryDir dir;
    const QString folder = dir.path();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const OutputName held = OutputFileNamer::takeFreePath(folder, "clip", "mp4");
        const char answer = held.isHeld() ? 'y' : 'n';
        if (::write(ready[1], &answer, 1) == 1)
            ::pause();
        ::_exit(0);
    }
    // Whatever fails below, the holder does not outlive the test.
    struct Ender {
        pid_t pid;
        bool running = true;
        void end() {
            if (std::exchange(running, false)) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
        ~Ender() { end(); }
    };
    Ender ender{holder};
    ::close(ready[1]); // a holder that died gives an end of file, not a wait
    char answer = 0;
    const ssize_t got = ::read(ready[0], &answer, 1);
    ::close(ready[0]);
    ASSERT_EQ(got, 1);
    EXPECT_EQ(answer, 'y');
    EXPECT_EQ(OutputFileNamer::freePath(folder, "clip", "mp4"), folder + "/clip(2).mp4");
    EXPECT_TRUE(OutputFileNamer::take(folder + "/clip.mp4").isEmpty());
    // Killed outright, the holder leaves neither a hold nor a file.
    ender.end();
    EXPECT_EQ(OutputFileNamer::take(folder + "/clip.mp4").path(), folder + "/clip.mp4");
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}
