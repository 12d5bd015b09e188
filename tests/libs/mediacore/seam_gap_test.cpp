// Sound where copied clips meet and where parts capped by size meet: none left out, no silence.
// Judged by the frames ffprobe reads and the samples ffmpeg decodes.
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

namespace {

// A 440 Hz bed of 0.1 under the picture, `seconds` long, made with `args`.
QString bedClip(const QTemporaryDir& dir, const QString& name, const QString& args, int rate, int seconds) {
    return makeWithFfmpeg(dir.filePath(name),
                          QString("-f lavfi -i testsrc2=size=320x240:rate=30 -f lavfi -i "
                                  "sine=f=440:sample_rate=%1 -af volume=0.8 -t %2 -threads 1 %3")
                              .arg(rate)
                              .arg(seconds)
                              .arg(args)
                              .split(' '));
}

// AAC in Matroska stores its encoder's priming before the first picture. The file joined with
// itself keeping the format: the second copy's pictures follow the first's without a hole, and
// its sound follows on without a silence.
TEST(SeamGap, MatroskaSelfJoinKeepsPictureAndSoundWhole) {
    QTemporaryDir dir;
    const QString src =
        bedClip(dir, "src.mkv", "-c:v libx264 -x264-params threads=1 -g 30 -c:a aac", 44100, 4);
    ASSERT_FALSE(src.isEmpty());
    ASSERT_GT(probeStream(src, "video").value("start_time").toString().toDouble(), 0.01);
    const QString out = dir.filePath("joined.mkv");
    Join job;
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
    for (int i = 0; i < 2; ++i)
        ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src), 0, 0), 0u);
    apiMediaJoinSetVideoCodec(job.h, "copy");
    apiMediaJoinSetAudioCodec(job.h, "copy");
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);
    const DecodedFrames pictures = decodedFrames(out, "v");
    ASSERT_EQ(pictures.times.size(), 240u);
    EXPECT_NEAR(pictures.times[120] - pictures.times[119], 1 / 30.0, 0.002) << "a hole in the picture";
    EXPECT_EQ(silences(decodedSound(out), 0.1f / 3, 3.8, 4.2), std::vector<double>{});
}

// Parts of a MOV capped by size, re-encoded (its one group of pictures is longer than a part):
// each part's sound ends with its last picture, to the sample, so that the next part's, which
// starts with its first picture, goes on from there.
TEST(SeamGap, CappedMovPartsEndTheirSoundWithTheirPicture) {
    QTemporaryDir dir;
    const QString src =
        bedClip(dir, "src.mov", "-c:v libx264 -x264-params threads=1 -g 300 -c:a aac -ac 1", 22050, 9);
    ASSERT_FALSE(src.isEmpty());
    const qint64 cap = QFileInfo(src).size() / 3;
    double start = 0;
    for (int i = 0; i < 2; ++i) {
        const QString part = dir.filePath(QString("part%1.mov").arg(i));
        Job job;
        ASSERT_TRUE(apiMediaConvertSetInputMedia(job.h, utf8(src)) >= 1 &&
                    apiMediaConvertSetLimitFileSize(job.h, cap) >= 1 &&
                    apiMediaConvertSetCutTime(job.h, int64_t(start * 1e6), 9000000) >= 1 &&
                    finish(job, part));
        const double picture = probeStream(part, "video").value("duration").toString().toDouble();
        ASSERT_LT(picture, 5.0) << "the part was not capped";
        // The first part copies its keyframe's group: its sound ends on whole packets.
        if (i > 0) {
            EXPECT_NEAR(probeStream(part, "audio").value("duration").toString().toDouble(), picture, 0.001);
        }
        start += picture;
    }
}

} // namespace
