// Media files: probe records, duration and snapshots, against ffprobe and ffmpeg.
#include <QImage>
#include <QJsonArray>
#include <QTemporaryDir>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

namespace {

struct Media {
    explicit Media(const QString& path) : h(MediaOpen(path.toUtf8())) {}
    ~Media() {
        if (h)
            MediaClose(h);
    }
    void* h;
};

// Wraps a snapshot buffer exactly as the program does: B, G, R, A premultiplied.
QImage snapshot(void* media, int w, int h, int64_t atUs = 0) {
    std::vector<unsigned char> buffer(size_t(w) * h * 4, 0);
    if (MediaSnapshot(media, atUs, w, h, buffer.data(), 0) < 1)
        return {};
    return QImage(buffer.data(), w, h, w * 4, QImage::Format_ARGB32_Premultiplied).copy();
}

} // namespace

TEST(MediaFile, InfoOfFirstStreamsAndDuration) {
    Media m(media("mpeg4_mp3.avi"));
    ASSERT_NE(m.h, nullptr);
    MEDIA_AUDIO_STREAM_INFO a{};
    MEDIA_VIDEO_STREAM_INFO v{};
    ASSERT_GE(MediaGetInfo(m.h, &a, &v), 1);
    EXPECT_EQ(a.exist, 1);
    EXPECT_EQ(mediarecords::readText(a.codec), "mp3");
    EXPECT_EQ(a.samplerate, 44100);
    EXPECT_EQ(v.exist, 1);
    EXPECT_EQ(mediarecords::readText(v.codec), "mpeg4");
    EXPECT_EQ(v.width, 320);
    EXPECT_EQ(v.height, 240);
    EXPECT_NEAR(v.aspect, 320.0 / 240.0, 1e-6);
    EXPECT_NEAR(MediaGetDuration(m.h) / 1e6, probeDuration(media("mpeg4_mp3.avi")), 0.01);

    Media audio(media("audio_only.m4a"));
    ASSERT_NE(audio.h, nullptr);
    ASSERT_GE(MediaGetInfo(audio.h, &a, &v), 1);
    EXPECT_EQ(v.exist, 0);
    EXPECT_EQ(a.exist, 1);

    Media ntsc(media("ntsc_29_97.mp4"));
    ASSERT_GE(MediaGetInfo(ntsc.h, &a, &v), 1);
    EXPECT_NEAR(v.fps, 30000.0 / 1001.0, 1e-3);

    // The angle is the clockwise turn that shows the picture upright; ffprobe reports the
    // display matrix's counter-clockwise angle.
    Media rotated(media("rotated_90.mp4"));
    ASSERT_GE(MediaGetInfo(rotated.h, &a, &v), 1);
    const QJsonArray side = probeStream(media("rotated_90.mp4"), "video").value("side_data_list").toArray();
    ASSERT_FALSE(side.isEmpty());
    const int ccw = side[0].toObject().value("rotation").toInt();
    EXPECT_EQ(v.angle, ((360 - ccw) % 360 + 360) % 360);
    EXPECT_NE(v.angle, 0);
}

TEST(MediaFile, SnapshotFillsExactlyTheAskedSizeWithTheFirstFrame) {
    Media m(media("h264_aac.mp4"));
    ASSERT_NE(m.h, nullptr);
    // A guard after the buffer must stay untouched.
    std::vector<unsigned char> buffer(285 * 180 * 4 + 16, 0xAB);
    ASSERT_GE(MediaSnapshot(m.h, 0, 285, 180, buffer.data(), 0), 1);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(buffer[285 * 180 * 4 + i], 0xAB);
    const QImage shot = QImage(buffer.data(), 285, 180, 285 * 4, QImage::Format_ARGB32_Premultiplied).copy();
    const QImage expected = ffmpegFrameAt(media("h264_aac.mp4"), 0).scaled(285, 180);
    EXPECT_LT(meanAbsDiff(shot, expected), 8.0);
    EXPECT_EQ(qAlpha(shot.pixel(10, 10)), 255);
}

TEST(MediaFile, SnapshotAppliesTheDisplayRotation) {
    Media m(media("rotated_90.mp4"));
    ASSERT_NE(m.h, nullptr);
    const QImage shot = snapshot(m.h, 120, 160);
    ASSERT_FALSE(shot.isNull());
    // ffmpeg turns the picture by its display matrix too.
    const QImage expected = ffmpegFrameAt(media("rotated_90.mp4"), 0);
    ASSERT_EQ(expected.width(), 240);
    EXPECT_LT(meanAbsDiff(shot, expected.scaled(120, 160)), 10.0);
}

TEST(MediaFile, AStillPictureGivesItsPictureAtAnyTime) {
    QTemporaryDir dir;
    const QString photo = makeWithFfmpeg(dir.filePath("photo.jpg"),
                                         {"-f", "lavfi", "-i", "testsrc2=size=320x240", "-frames:v", "1"});
    ASSERT_FALSE(photo.isEmpty());
    const QImage expected = QImage(photo).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (const int64_t at : {int64_t(0), int64_t(40000), int64_t(3000000)}) {
        Media m(photo);
        ASSERT_NE(m.h, nullptr);
        const QImage shot = snapshot(m.h, 320, 240, at);
        ASSERT_FALSE(shot.isNull()) << at;
        EXPECT_LT(meanAbsDiff(shot, expected), 8.0) << at;
    }
}

TEST(MediaFile, BadFilesAndHandles) {
    for (const char* name : {"zero_bytes.mp4", "not_media.mp4", "truncated.mp4", "missing.mp4"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(MediaOpen(media(name).toUtf8()), nullptr);
    }
    EXPECT_EQ(MediaOpen(nullptr), nullptr);
    MEDIA_AUDIO_STREAM_INFO a{};
    MEDIA_VIDEO_STREAM_INFO v{};
    EXPECT_LT(MediaGetInfo(nullptr, &a, &v), 0);
    EXPECT_EQ(MediaGetDuration(nullptr), 0);
    unsigned char pixel[4];
    EXPECT_LT(MediaSnapshot(nullptr, 0, 1, 1, pixel, 0), 1);
    EXPECT_LT(MediaClose(nullptr), 1);
    Media audio(media("audio_only.mp3"));
    ASSERT_NE(audio.h, nullptr);
    EXPECT_LT(MediaSnapshot(audio.h, 0, 1, 1, pixel, 0), 1);
    Media video(media("h264_aac.mp4"));
    EXPECT_LT(MediaSnapshot(video.h, 0, 0, 10, pixel, 0), 1);
}
