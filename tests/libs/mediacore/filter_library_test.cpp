// The engine loads FFmpeg's filter library when a job first filters, not at its own start: a
// keep-format cut runs without it, and a job that scales its pictures still loads and uses it.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

bool filterLibraryLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libavfilter.so");
}

} // namespace

TEST(EngineFilterLibrary, LoadedOnlyOnceAJobFilters) {
    QTemporaryDir dir;
    const QString clip =
        makeWithFfmpeg(dir.filePath("clip.mp4"), {"-f", "lavfi", "-i", "testsrc2=s=320x240:r=25:d=4", "-c:v",
                                                  "libx264", "-g", "25", "-pix_fmt", "yuv420p"});
    ASSERT_FALSE(clip.isEmpty());
    // Linked without --as-needed (the sanitizer build), the test program loads the player's
    // library, which needs the filter library, at its start: there only the rest is judged.
    const bool loadedAtStart = filterLibraryLoaded();

    const QString cut = dir.filePath("cut.mp4");
    ASSERT_EQ(convert(clip, cut, Cut{nullptr, nullptr, 1'120'000, 3'000'000}), 1);
    EXPECT_EQ(probeFrameCount(cut), 47); // 1.12 s to 2.96 s at 25 fps
    if (!loadedAtStart) {
        EXPECT_FALSE(filterLibraryLoaded()) << "a keep-format cut loaded the filter library";
    }

    const QString scaled = dir.filePath("scaled.mp4");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(clip)), 1);
    ASSERT_GE(apiMediaConvertSetVideoFrameSize(job.h, 160, 120), 1);
    ASSERT_TRUE(finish(job, scaled));
    EXPECT_TRUE(filterLibraryLoaded());
    const QJsonObject v = probeStream(scaled, "video");
    EXPECT_EQ(v.value("width").toInt(), 160);
    EXPECT_EQ(v.value("height").toInt(), 120);
    EXPECT_EQ(probeFrameCount(scaled), 100);
}
