// A process killed in the middle of an export (a crash, or SIGKILL) leaves nothing under the
// output's name: only the hidden temporary file the export was writing, which a later export
// to the same name neither takes for its output nor trips over.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {
constexpr const char* kChildSource = "CUTBENCH_KILLED_EXPORT_SOURCE";
constexpr const char* kChildOutput = "CUTBENCH_KILLED_EXPORT_OUTPUT";
} // namespace

// The child's part of the test below: re-encodes the source and kills its own process once a
// part of the output is written. Does nothing when run on its own.
TEST(KilledExport, ChildExportsUntilKilled) {
    const QString source = qEnvironmentVariable(kChildSource), output = qEnvironmentVariable(kChildOutput);
    if (source.isEmpty())
        return;
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(source)), 1);
    apiMediaConvertSetVcodec(job.h, "libx264");
    ASSERT_GE(apiMediaConvertSetOutputPath(job.h, utf8(output)), 1);
    std::atomic<bool> done{false};
    std::thread killer([&] {
        while (!done) {
            if (apiMediaConvertGetProgress(job.h) >= 10)
                ::kill(::getpid(), SIGKILL);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    apiMediaConvertStart(job.h);
    done = true;
    killer.join();
    FAIL() << "the export ended before it was killed";
}

TEST(KilledExport, LeavesOnlyItsTemporaryFileWhichTheNextExportIgnores) {
    QTemporaryDir dir;
    const QString output = dir.filePath("cut.mp4");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildSource, longClip());
    env.insert(kChildOutput, output);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=KilledExport.ChildExportsUntilKilled"});
    ASSERT_TRUE(child.waitForFinished(300000));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << child.readAllStandardOutput().toStdString();

    const auto entries = [&] {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    const QStringList left = entries();
    ASSERT_EQ(left.size(), 1) << left.join(", ").toStdString();
    const QString leftover = left.first();
    EXPECT_TRUE(leftover.startsWith(".cut.mp4.") && leftover.endsWith(".cbpart")) << leftover.toStdString();
    EXPECT_GT(QFileInfo(dir.filePath(leftover)).size(), 0);

    // The next export to the same name writes its own file and leaves the leftover alone.
    Job job;
    ASSERT_TRUE(convert(job, media("h264_aac.mp4"), output, 0, 1000000));
    EXPECT_EQ(entries(), QStringList({leftover, "cut.mp4"}));
    EXPECT_EQ(probeFrameCount(output), 25);
}
