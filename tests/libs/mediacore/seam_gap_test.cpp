// Parts of a MOV capped by size, re-encoded (its one group of pictures is longer than a part):
// the second part's sound ends with its last picture, to the sample, so that the next part's
// sound, which starts with its first picture, goes on from there. Judged by ffprobe.
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

TEST(SeamGap, CappedMovPartEndsItsSoundWithItsPicture) {
    QTemporaryDir dir;
    const QString src = makeWithFfmpeg(
        dir.filePath("src.mov"), QString("-f lavfi -i testsrc2=size=320x240:rate=30 -f lavfi -i "
                                         "sine=sample_rate=22050 -t 9 -threads 1 -c:v libx264 -x264-params "
                                         "threads=1 -g 300 -c:a aac")
                                     .split(' '));
    ASSERT_FALSE(src.isEmpty());
    const QString part = dir.filePath("part.mov");
    Job job;
    ASSERT_TRUE(apiMediaConvertSetInputMedia(job.h, utf8(src)) >= 1 &&
                apiMediaConvertSetLimitFileSize(job.h, QFileInfo(src).size() / 3) >= 1 &&
                apiMediaConvertSetCutTime(job.h, 2900000, 9000000) >= 1 && finish(job, part));
    const double picture = probeStream(part, "video").value("duration").toString().toDouble();
    ASSERT_LT(picture, 5.0) << "the part was not capped";
    EXPECT_NEAR(probeStream(part, "audio").value("duration").toString().toDouble(), picture, 0.001);
}
