// Sources that end before what they claim: files whose end is missing (or goes missing while a
// job reads them) fail every job that needed that end, while a clip whose header overstates its
// length is as long as its streams, and recordings joined end to end fail the jobs that reach
// the second one. And Stop ends every job, in every stage, at once.
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "OddMedia.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;
using namespace std::chrono_literals;

TEST(TruncatedSource, EveryPathThatNeedsTheMissingEndFails) {
    QTemporaryDir dir;
    const QString mp4 = oddmedia::truncated(oddmedia::indexedClip("mp4"), 0.6);
    const QString mkv = oddmedia::truncated(oddmedia::indexedClip("mkv"), 0.6);
    int n = 0;
    const auto expectFailure = [&](int result, const QString& out) {
        EXPECT_LT(result, 0) << out.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << out.toStdString();
    };
    for (const QString& src : {mp4, mkv}) {
        SCOPED_TRACE(src.toStdString());
        const QString ext = QFileInfo(src).suffix();
        const auto out = [&] { return dir.filePath(QString("out%1.%2").arg(n++).arg(ext)); };
        QString o;
        // Copying, keeping the format (copy in the middle, encode at the edges) and re-encoding.
        expectFailure(convert(src, o = out(), {"copy", "copy", 1000000, 3900000}), o);
        expectFailure(convert(src, o = out(), {nullptr, nullptr, 500000, 3900000}), o);
        expectFailure(convert(src, o = out(), {"libx264", "aac", 500000, 3900000}), o);
        expectFailure(convert(src, o = out(), {}), o);
        expectFailure(join({src, media("h264_aac.mp4")}, o = out()), o);
        expectFailure(join({media("h264_aac.mp4"), src}, o = out(), "libx264"), o);
        // What is still there can be cut.
        EXPECT_GE(convert(src, o = out(), {nullptr, nullptr, 0, 1500000}), 1);
        EXPECT_NEAR(probeDuration(o), 1.5, 0.1);
    }
}

TEST(TruncatedSource, AFileCutShortWhileAJobReadsItFailsTheJob) {
    QTemporaryDir dir;
    // Matroska ends cleanly where its data stops: only the streams' own length tells.
    const QString src = dir.filePath("shrinking.mkv"), out = dir.filePath("out.mp4");
    ASSERT_EQ(run(FFMPEG_EXECUTABLE, {"-v", "error", "-nostdin", "-i", longClip(), "-c", "copy", src}), 0);
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(src)), 1);
    ASSERT_GE(apiMediaConvertSetOutputPath(job.h, utf8(out)), 1);
    ASSERT_GE(apiMediaConvertSetVcodec(job.h, "libx264"), 1);
    std::atomic<int> result{-999};
    std::thread worker([&] { result = apiMediaConvertStart(job.h); });
    while (apiMediaConvertGetProgress(job.h) < 1 && result == -999)
        std::this_thread::sleep_for(2ms);
    QFile f(src);
    f.resize(f.size() / 2);
    worker.join();
    EXPECT_LT(result.load(), 0);
    EXPECT_FALSE(QFile::exists(out));
}

// Two 4 s recordings copied one after the other (the second's times start again) read as one
// line of 8 s, as the ffmpeg command line reads them: nothing of either is left out or written
// twice.
TEST(RestartedTimestamps, RecordingsEndToEndAreOneLine) {
    QTemporaryDir dir;
    const QString src = oddmedia::recordingsEndToEnd();
    int n = 0;
    const auto out = [&] { return dir.filePath(QString("out%1.mp4").arg(n++)); };
    QString o;
    for (const char* vcodec : {"libx264", "copy"}) {
        SCOPED_TRACE(vcodec);
        EXPECT_EQ(join({src, src}, o = out(), vcodec), 0);
        EXPECT_NEAR(probeDuration(o), 16.0, 0.15);
        EXPECT_NEAR(probeFrameCount(o), 400, 2);
    }
    EXPECT_GE(convert(src, o = out(), {"libx264", "aac"}), 1);
    EXPECT_NEAR(probeDuration(o), 8.0, 0.1);
    // A range across the seam of the two recordings.
    EXPECT_GE(convert(src, o = out(), {nullptr, nullptr, 3000000, 5000000}), 1);
    EXPECT_NEAR(probeDuration(o), 2.0, 0.1);
}

TEST(OverstatedHeader, AClipIsAsLongAsWhatItHolds) {
    QTemporaryDir dir;
    const QString hour = oddmedia::overstatedMp4(3600), endless = oddmedia::overstatedMkv();
    ASSERT_FALSE(hour.isEmpty());
    ASSERT_FALSE(endless.isEmpty());
    const QString encoded = dir.filePath("encoded.mp4"), copied = dir.filePath("copied.mkv");
    // Re-encoded and copied: 4 s each, no frozen picture after them, nothing past the end.
    std::future<int> job = std::async(std::launch::async, [&] {
        return join({hour, endless}, encoded, "libx264");
    });
    ASSERT_EQ(job.wait_for(120s), std::future_status::ready) << "the join pads to the header's length";
    EXPECT_EQ(job.get(), 0);
    EXPECT_NEAR(probeDuration(encoded), 8.0, 0.15);
    EXPECT_NEAR(probeFrameCount(encoded), 200, 3);
    ASSERT_EQ(join({endless, hour}, copied), 0);
    EXPECT_NEAR(probeDuration(copied), 8.0, 0.15);
    // A cut of the whole claimed length gives what is there.
    const QString cut = dir.filePath("cut.mp4");
    EXPECT_GE(convert(hour, cut, {nullptr, nullptr, 0, 3600000000}), 1);
    EXPECT_NEAR(probeDuration(cut), 4.0, 0.1);
}

namespace {

// Starts a job, stops it after `delay` and waits for Start to return: true when it returned
// within a limit far above what a stop needs.
bool stopsPromptly(const std::function<int()>& start, const std::function<void()>& stop,
                   std::chrono::milliseconds delay, int* result) {
    std::future<int> job = std::async(std::launch::async, start);
    if (job.wait_for(delay) == std::future_status::ready) {
        *result = job.get();
        return true;
    }
    stop();
    const bool prompt = job.wait_for(15s) == std::future_status::ready;
    *result = job.get();
    return prompt;
}

} // namespace

TEST(Stop, EndsEveryStageOfEveryJobAndLeavesNoFile) {
    QTemporaryDir dir;
    const QString longSrc = longClip(), hour = oddmedia::overstatedMp4(3600),
                  endless = oddmedia::overstatedMkv();
    int n = 0;
    for (const auto delay : {0ms, 20ms, 120ms, 400ms, 1200ms}) {
        SCOPED_TRACE(delay.count());
        // Convert: a re-encode that first decodes up to its start, a frame-exact cut, a copy.
        for (const Cut& cut : {Cut{"libx264", "aac", 40000000, 59000000},
                               Cut{nullptr, nullptr, 1000000, 59000000}, Cut{"copy", "copy", 0, 0}}) {
            const QString out = dir.filePath(QString("c%1.mp4").arg(n++));
            Job job;
            ASSERT_EQ(setUp(job, longSrc, out, cut), 1);
            int r = 0;
            EXPECT_TRUE(stopsPromptly([&] { return apiMediaConvertStart(job.h); },
                                      [&] { apiMediaConvertStop(job.h); }, delay, &r))
                << out.toStdString();
            EXPECT_GE(r, 1);
            if (QFile::exists(out)) { // it finished before the stop
                EXPECT_GT(probeDuration(out), 1.0);
            }
        }
        // Join: copied, re-encoded, and re-encoded over clips whose headers claim hours.
        for (const QStringList& clips :
             {QStringList{longSrc, longSrc}, QStringList{longSrc, hour}, QStringList{hour, endless, hour}}) {
            for (const char* vcodec : {static_cast<const char*>(nullptr), "libx264"}) {
                const QString out = dir.filePath(QString("j%1.mkv").arg(n++));
                Join job;
                ASSERT_EQ(setUp(job, clips, out, vcodec), 1);
                int r = 0;
                EXPECT_TRUE(stopsPromptly([&] { return apiMediaJoinStart(job.h); },
                                          [&] { apiMediaJoinStop(job.h); }, delay, &r))
                    << out.toStdString();
                EXPECT_EQ(r, 0);
                if (QFile::exists(out)) {
                    EXPECT_GT(probeDuration(out), 1.0);
                }
            }
        }
    }
}
