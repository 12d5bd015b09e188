// Encoders that refuse their settings, damaged files, sources whose codec cannot be written
// back, sound that an encoder cannot take as it is, and still pictures: each job fails cleanly
// (a negative result, no file) or makes what the encoder and container can hold.
#include <QFile>
#include <QTemporaryDir>
#include <vector>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "OddMedia.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

TEST(RefusedEncoders, ACodecTheContainerOrSizeRefusesFailsWithoutAFile) {
    QTemporaryDir dir;
    // H.263 takes only five picture sizes; Motion JPEG refuses the limited range of the source.
    const QString h263 = dir.filePath("h263.3gp"), mjpeg = dir.filePath("mjpeg.mp4");
    EXPECT_LT(convert(media("h264_aac.mp4"), h263, {"h263"}), 0);
    EXPECT_FALSE(QFile::exists(h263));
    EXPECT_LT(convert(media("h264_aac.mp4"), mjpeg, {"mjpeg"}), 0);
    EXPECT_FALSE(QFile::exists(mjpeg));
}

TEST(RefusedEncoders, DamagedFilesDeclaringAbsurdSizesFailWithoutAFile) {
    QTemporaryDir dir;
    // Raw pictures far too large to hold, and pictures too large for the bytes that carry them.
    const std::vector<QString> sources{oddmedia::absurdAvi("rawvideo", 16000, 16000),
                                       oddmedia::absurdAvi("rawvideo", 16000, 2),
                                       oddmedia::absurdAvi("rawvideo", 2, 16000)};
    int n = 0;
    for (const QString& src : sources) {
        SCOPED_TRACE(src.toStdString());
        ASSERT_FALSE(src.isEmpty());
        for (const char* ext : {"mp4", "avi", "mkv"}) {
            const QString out = dir.filePath(QString("out%1.%2").arg(n++).arg(ext));
            // Setting up may refuse the file already; a job that starts must fail in the end.
            Job job;
            if (apiMediaConvertSetInputMedia(job.h, utf8(src)) >= 1 &&
                apiMediaConvertSetOutputPath(job.h, utf8(out)) >= 1) {
                apiMediaConvertSetCutTime(job.h, 0, 40000);
                EXPECT_LT(apiMediaConvertStart(job.h), 0) << ext;
            }
            EXPECT_FALSE(QFile::exists(out)) << ext;
            const QString joined = dir.filePath(QString("joined%1.%2").arg(n++).arg(ext));
            EXPECT_LT(join({src, media("h264_aac.mp4")}, joined), 0) << ext;
            EXPECT_FALSE(QFile::exists(joined)) << ext;
        }
    }
}

TEST(KeepFormatJoin, AFirstClipWhoseCodecCannotBeWrittenGivesWayToTheContainers) {
    QTemporaryDir dir;
    // A camera's Motion JPEG and a still picture first: their codec cannot encode the joined
    // picture into mp4, so the container's own encoder does.
    const QString camera = dir.filePath("camera.mp4"), still = dir.filePath("still.mp4");
    ASSERT_EQ(join({oddmedia::mjpegAvi(), media("h264_aac.mp4")}, camera), 0);
    EXPECT_EQ(probeStream(camera, "video").value("codec_name").toString(), "h264");
    EXPECT_NEAR(probeDuration(camera), 8.0, 0.1);
    ASSERT_EQ(join({oddmedia::stillJpg(), media("h264_aac.mp4")}, still), 0);
    EXPECT_EQ(probeStream(still, "video").value("codec_name").toString(), "h264");
    // The picture itself opens the join, not a black frame.
    const QImage first = ffmpegFrameAt(still, 0.0), picture = ffmpegFrameAt(oddmedia::stillJpg(), 0.0);
    EXPECT_LT(meanAbsDiff(first, picture), 8.0);
}

TEST(SoundFitsTheEncoder, SurroundAt96kHzIsDownMixedAndResampledForMp3OggAndWma) {
    QTemporaryDir dir;
    struct Case {
        const char* ext;
        const char* acodec; // null keeps the source's, which these containers cannot hold
        const char* codec;
        int maxChannels;
    };
    for (const Case& c : {Case{"mp3", nullptr, "mp3", 2}, Case{"ogg", nullptr, "vorbis", 6},
                          Case{"wma", "wmav2", "wmav2", 2}}) {
        SCOPED_TRACE(c.ext);
        const QString out = dir.filePath(QString("surround.") + c.ext);
        EXPECT_GE(convert(oddmedia::surround96k(), out, {nullptr, c.acodec}), 1);
        const QJsonObject a = probeStream(out, "audio");
        EXPECT_EQ(a.value("codec_name").toString(), c.codec);
        EXPECT_LE(a.value("sample_rate").toString().toInt(), 48000);
        EXPECT_GE(a.value("channels").toInt(), 1);
        EXPECT_LE(a.value("channels").toInt(), c.maxChannels);
        EXPECT_NEAR(probeDuration(out), 4.0, 0.15);
        EXPECT_GT(audioRms(out, 1.0, 3.0), 0.05);
    }
    // A join into mp3 and ogg alike, and sound only: an mp3 holds no film.
    const QString mp3 = dir.filePath("joined.mp3"), ogg = dir.filePath("joined.ogg");
    ASSERT_EQ(join({oddmedia::surround96k(), oddmedia::surround96k()}, mp3), 0);
    ASSERT_EQ(join({oddmedia::surround96k(), oddmedia::surround96k()}, ogg), 0);
    EXPECT_EQ(probeStreamCount(mp3, "video"), 0);
    EXPECT_LE(probeStream(mp3, "audio").value("channels").toInt(), 2);
    for (const QString& out : {mp3, ogg}) {
        EXPECT_LE(probeStream(out, "audio").value("sample_rate").toString().toInt(), 48000);
        EXPECT_NEAR(probeDuration(out), 8.0, 0.15) << out.toStdString();
    }
}

TEST(StillPicture, SnapshotAtTheStartGivesThePicture) {
    void* m = MediaOpen(utf8(oddmedia::stillJpg()));
    ASSERT_NE(m, nullptr);
    const int w = 160, h = 120;
    QImage shot(w, h, QImage::Format_ARGB32_Premultiplied);
    ASSERT_GE(MediaSnapshot(m, 0, w, h, shot.bits(), 0), 1);
    // A second snapshot of the same handle reads the picture again.
    QImage again(w, h, QImage::Format_ARGB32_Premultiplied);
    EXPECT_GE(MediaSnapshot(m, 0, w, h, again.bits(), 0), 1);
    MediaClose(m);
    const QImage expected = ffmpegFrameAt(oddmedia::stillJpg(), 0.0).scaled(w, h);
    EXPECT_LT(meanAbsDiff(shot, expected), 12.0);
    EXPECT_LT(meanAbsDiff(again, expected), 12.0);
}
