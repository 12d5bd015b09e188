// A size-capped part reads only what it can keep: a source damaged after the part's end still
// gives that part, and the part is judged by ffprobe.
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "mediacore/MediaCore.h"
#include "TestSupport.h"

using namespace testsupport;

TEST(SizeCap, APartEndsBeforeDamageFurtherOnInTheSource) {
    QTemporaryDir dir;
    const QString src = dir.filePath("src.mp4");
    // The index first, so that the file still opens once its end is cut off.
    ASSERT_FALSE(makeWithFfmpeg(src, QString("-f lavfi -i testsrc2=size=640x360:rate=30:duration=12 -f lavfi -i "
                                             "sine=frequency=440:sample_rate=48000:duration=12 -c:v libx264 -preset "
                                             "ultrafast -b:v 3M -g 30 -pix_fmt yuv420p -c:a aac -shortest -movflags "
                                             "+faststart")
                                         .split(' '))
                     .isEmpty());
    const qint64 whole = QFileInfo(src).size();
    QFile file(src);
    ASSERT_TRUE(file.resize(whole * 6 / 10));

    for (const int64_t start : {int64_t(0), int64_t(1500000)}) {
        SCOPED_TRACE(start);
        const QString out = dir.filePath(QString("part%1.mp4").arg(start));
        const int64_t cap = whole / 5;
        Job job;
        ASSERT_TRUE(convert(job, src, out, start, 12000000, cap));
        EXPECT_LE(QFileInfo(out).size(), cap);
        // About the cap's share of the 12 s: the part ran until the cap, not to the damage.
        const double seconds = probeDuration(out);
        EXPECT_GT(seconds, 12.0 / 5 * 0.6);
        EXPECT_LT(seconds, 12.0 * 6 / 10);
        EXPECT_EQ(probeFrameCount(out), int(std::lround(seconds * 30)));
    }
}

// The length a finished job reports is what the next part of a split starts from: for a copied
// part it is the file's own length as ffprobe reads it; a re-encoded part reports none (the
// splitter then reads the file).
TEST(SizeCap, ACopiedPartReportsTheLengthItWrote) {
    QTemporaryDir dir;
    const QString src = media("long_10s.mp4");
    const qint64 cap = QFileInfo(src).size() / 3;
    struct Case {
        double start;
        qint64 cap;
        bool copied;
    };
    for (const Case c : {Case{0.0, cap, true}, Case{1.3, cap, true}, Case{1.3, 90000, false}}) {
        SCOPED_TRACE(c.start);
        const QString out = dir.filePath(QString("len%1_%2.mp4").arg(c.start).arg(c.cap));
        Job job;
        ASSERT_TRUE(prepare(job, src, out, int64_t(c.start * 1e6), 9500000, c.cap));
        EXPECT_EQ(apiMediaConvertGetOutputDuration(job.h), 0);
        ASSERT_GE(apiMediaConvertStart(job.h), 1);
        const double reported = double(apiMediaConvertGetOutputDuration(job.h)) / 1e6;
        if (c.copied)
            EXPECT_NEAR(reported, probeDuration(out), 0.0015);
        else
            EXPECT_EQ(reported, 0.0);
    }
}
