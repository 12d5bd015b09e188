// Convert jobs with the editor's picture and sound settings, judged by ffmpeg.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <array>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "MarkClips.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

namespace {

// A name with every character that filter-graph strings treat specially.
const QString kAwkward = "it's: a, [b]; c";

// Fills the text rectangle with the colour of the record, reading red from bits 8-15, green
// 16-23 and blue 24-31 as the program's drawing function does. Origin bottom-left.
void fillRect(int width, int height, unsigned char* buffer, TEXT_WATERMARK_PARAM p) {
    const int r = (p.fontclr >> 8) & 255, g = (p.fontclr >> 16) & 255, b = (p.fontclr >> 24) & 255;
    for (int y = p.rect.top; y < p.rect.top + 30 && y < height; ++y)
        for (int x = p.rect.left; x < p.rect.left + 60 && x < width; ++x) {
            unsigned char* px = buffer + (size_t(height - 1 - y) * width + x) * 4;
            px[0] = (unsigned char)r;
            px[1] = (unsigned char)g;
            px[2] = (unsigned char)b;
            px[3] = 255;
        }
}

bool reddish(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}

} // namespace

TEST(EditPicture, CropRotateFlipAndEffectMatchFfmpeg) {
    QTemporaryDir dir;
    const QString src = media("h264_aac.mp4"), out = dir.filePath("turned.mp4");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(src)), 1);
    apiMediaConvertSetVcodec(job.h, "libx264");
    apiMediaConvertSetAcodec(job.h, "aac");
    apiMediaConvertHFlipStatus(job.h, 1);
    apiMediaConvertSetRotateAngle(job.h, 90);
    apiMediaConvertSetCropSize(job.h, RECT{10, 20, 30, 40});
    apiMediaConvertAddImageEffect(job.h, 3); // negative
    apiMediaConvertSetCutTime(job.h, 0, 1000000);
    ASSERT_TRUE(finish(job, out));
    const QJsonObject v = probeStream(out, "video");
    EXPECT_EQ(v.value("width").toInt(), 200);
    EXPECT_EQ(v.value("height").toInt(), 260);
    const QString ref = makeWithFfmpeg(
        dir.filePath("ref.png"),
        {"-i", src, "-vf", "hflip,transpose=clock,negate,crop=200:260:10:20", "-frames:v", "1"});
    ASSERT_FALSE(ref.isEmpty());
    EXPECT_LT(meanAbsDiff(ffmpegFrameAt(out, 0), QImage(ref)), 8.0);
}

TEST(EditOverlays, PictureAndTextWatermarksWhereAndWhenTheirRecordsSay) {
    QTemporaryDir dir;
    const QString picture = makeWithFfmpeg(dir.filePath(kAwkward + ".png"),
                                           {"-f", "lavfi", "-i", "color=c=red:s=40x30", "-frames:v", "1"});
    ASSERT_FALSE(picture.isEmpty());
    const QString out = dir.filePath(kAwkward + " out.mp4");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(media("h264_aac.mp4"))), 1);
    ASSERT_GE(apiMediaConvertAddImageWatermask(job.h, pictureMark(picture, RECT{20, 10, 60, 40}, 0, 4000000)),
              1);
    TEXT_WATERMARK_PARAM text{};
    mediarecords::writeText(text.text, "mark");
    text.rect = RECT{200, 20, 260, 50}; // bottom-left origin: 20 px above the bottom edge
    text.fontclr = 0xFF000000;          // red, packed red-high as the program does
    text.start_time = 1000000;
    text.end_time = 2000000;
    apiMediaConvertSetDrawTextCallback(fillRect);
    ASSERT_GE(apiMediaConvertAddTextWatermask(job.h, text), 1);
    apiMediaConvertSetRotateAngle(job.h, 0);
    ASSERT_TRUE(finish(job, out));
    const QImage early = ffmpegFrameAt(out, 0.5), during = ffmpegFrameAt(out, 1.5);
    ASSERT_EQ(early.size(), QSize(320, 240));
    EXPECT_TRUE(reddish(early.pixel(40, 25)));
    EXPECT_FALSE(reddish(early.pixel(100, 100)));
    // Text: 20..50 px above the bottom edge of a 240 px picture is rows 190..219.
    EXPECT_FALSE(reddish(early.pixel(230, 205)));
    EXPECT_TRUE(reddish(during.pixel(230, 205)));
    EXPECT_TRUE(reddish(during.pixel(40, 25)));
}

TEST(EditSound, MusicIsHeardOnlyWhereItIsPlaced) {
    QTemporaryDir dir;
    const QString music = dir.filePath(kAwkward + ".mp3");
    ASSERT_TRUE(QFile::copy(media("audio_only.mp3"), music));
    const QString out = dir.filePath("music.mp4");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(media("no_audio.mp4"))), 1);
    // 0.5 s of music repeated over the slot from 1 s to 2.5 s of the video.
    ASSERT_GE(apiMediaConvertAddDubbingMusic(job.h, utf8(music), 0, 500000, 1000000, 2500000, 1.0, 0, 0), 1);
    EXPECT_LT(apiMediaConvertAddDubbingMusic(job.h, utf8(dir.filePath("none.mp3")), 0, 1, 0, 1, 1.0, 0, 0),
              0);
    ASSERT_TRUE(finish(job, out));
    EXPECT_EQ(probeStreamCount(out, "audio"), 1);
    EXPECT_LT(audioRms(out, 0.1, 0.9), 0.001);
    EXPECT_GT(audioRms(out, 1.1, 2.4), 0.05); // the test tone's level is about 0.088
    EXPECT_LT(audioRms(out, 2.6, 3.9), 0.001);
    EXPECT_NEAR(probeDuration(out), 4.0, 0.1);
}

TEST(EditSound, MainSoundOffWithMusicOverACut) {
    QTemporaryDir dir;
    const QString out = dir.filePath("cutmusic.mkv");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(media("long_10s.mp4"))), 1);
    ASSERT_GE(apiMediaConvertSetCutTime(job.h, 4000000, 8000000), 1);
    // Placed from 6 s to 7 s of the source: 2 s to 3 s of the output.
    ASSERT_GE(apiMediaConvertAddDubbingMusic(job.h, utf8(media("audio_only.m4a")), 0, 1000000, 6000000,
                                             7000000, 1.0, 0, 0),
              1);
    apiMediaConvertDisableMainAudio(job.h);
    ASSERT_TRUE(finish(job, out));
    EXPECT_NEAR(probeDuration(out), 4.0, 0.1);
    EXPECT_LT(audioRms(out, 0.2, 1.8), 0.001);
    EXPECT_GT(audioRms(out, 2.1, 2.9), 0.05);
    EXPECT_LT(audioRms(out, 3.2, 3.9), 0.001);
}

TEST(EditOverlays, SubtitleFileWithAnAwkwardNameIsBurntIn) {
    QTemporaryDir dir;
    const QString srt = dir.filePath(kAwkward + ".srt");
    QFile f(srt);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("1\n00:00:01,000 --> 00:00:02,000\nHELLO WORLD\n\n");
    f.close();
    const QString src = media("h264_aac.mp4"), out = dir.filePath("subtitled.mp4");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(src)), 1);
    SUBTITLE_PARAM sub{};
    mediarecords::writeText(sub.path, srt.toStdString());
    sub.position = 100;
    sub.fontSize = 40;
    sub.fontColor = sub.shadowColor = 0xFFFF0000; // yellow
    ASSERT_GE(apiMediaConvertSetSubtitle(job.h, sub), 1);
    ASSERT_TRUE(finish(job, out));
    // Outside its time the picture is the source's; during it, the band above 100 px from the
    // bottom changes.
    EXPECT_LT(meanAbsDiff(ffmpegFrameAt(out, 0.5), ffmpegFrameAt(src, 0.5)), 6.0);
    const QImage during = ffmpegFrameAt(out, 1.5), plain = ffmpegFrameAt(src, 1.5);
    const QRect band(0, 240 - 100 - 45, 320, 45), elsewhere(0, 0, 320, 60);
    EXPECT_GT(meanAbsDiff(during.copy(band), plain.copy(band)), 10.0);
    EXPECT_LT(meanAbsDiff(during.copy(elsewhere), plain.copy(elsewhere)), 6.0);
}

TEST(EditOverlays, SubtitleLinesKeepTheirSourceTimesInACut) {
    QTemporaryDir dir;
    const QString srt = dir.filePath("lines.srt");
    QFile f(srt);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("1\n00:00:01,400 --> 00:00:02,000\nHELLO WORLD\n\n");
    f.close();
    const QString src = media("h264_aac.mp4"), out = dir.filePath("cut_subtitled.mkv");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(src)), 1);
    SUBTITLE_PARAM sub{};
    mediarecords::writeText(sub.path, srt.toStdString());
    sub.position = 100;
    sub.fontSize = 40;
    sub.fontColor = sub.shadowColor = 0xFFFF0000;
    ASSERT_GE(apiMediaConvertSetSubtitle(job.h, sub), 1);
    ASSERT_GE(apiMediaConvertSetCutTime(job.h, 1000000, 3000000), 1);
    ASSERT_TRUE(finish(job, out));
    // Output time t shows source time 1 + t: the line is on screen at 0.6 (1.6 s) and gone
    // again at 1.4 (2.4 s); before its time, at 0.2 (1.2 s), nothing is drawn either.
    const QRect band(0, 240 - 100 - 45, 320, 45);
    const auto bandDiff = [&](double outTime) {
        return meanAbsDiff(ffmpegFrameAt(out, outTime).copy(band),
                           ffmpegFrameAt(src, 1.0 + outTime).copy(band));
    };
    EXPECT_LT(bandDiff(0.2), 6.0);
    EXPECT_GT(bandDiff(0.6), 10.0);
    EXPECT_LT(bandDiff(1.4), 6.0);
}

TEST(EditPicture, EveryEffectIdChangesThePictureAndUnknownIdsAreRefused) {
    QTemporaryDir dir;
    const QString src = media("h264_aac.mp4");
    const QImage plain = ffmpegFrameAt(src, 0);
    for (int id = 1; id <= 13; ++id) {
        SCOPED_TRACE(id);
        const QString out = dir.filePath(QString("effect_%1.mkv").arg(id));
        Job job;
        ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(src)), 1);
        apiMediaConvertAddImageEffect(job.h, id);
        apiMediaConvertSetCutTime(job.h, 0, 200000);
        ASSERT_TRUE(finish(job, out));
        EXPECT_GT(meanAbsDiff(ffmpegFrameAt(out, 0), plain), 2.0);
    }
    const QString out = dir.filePath("unknown.mkv");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(src)), 1);
    // Refused when asked for, so that no export finishes without an effect the user chose.
    EXPECT_LT(apiMediaConvertAddImageEffect(job.h, 999), 1);
    EXPECT_LT(apiMediaConvertAddImageEffect(job.h, 0), 1);
    apiMediaConvertAdjustBCS(job.h, 0, 0, 0);
    apiMediaConvertSetCutTime(job.h, 0, 200000);
    ASSERT_TRUE(finish(job, out));
    EXPECT_LT(meanAbsDiff(ffmpegFrameAt(out, 0), plain), 4.0);
}

TEST(EditPicture, EmbossIsAGreyReliefAndSketchDarkLinesOnWhite) {
    QTemporaryDir dir;
    const QString src = media("h264_aac.mp4");
    // Mean colour spread (max - min channel), mean brightness, share of dark pixels.
    const auto look = [](const QImage& img) {
        double spread = 0, grey = 0, dark = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                spread += std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)});
                grey += qGray(c);
                dark += qGray(c) < 100;
            }
        const double n = double(img.width()) * img.height();
        return std::array<double, 3>{spread / n, grey / n, dark / n};
    };
    ASSERT_GT(look(ffmpegFrameAt(src, 0))[0], 30); // a colourful picture to start from
    std::array<double, 3> seen[2];
    for (int i = 0; i < 2; ++i) {
        Job job;
        ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(src)), 1);
        apiMediaConvertAddImageEffect(job.h, 6 + i);
        apiMediaConvertSetCutTime(job.h, 0, 200000);
        ASSERT_TRUE(finish(job, dir.filePath(QString("e%1.mkv").arg(i))));
        seen[i] = look(ffmpegFrameAt(dir.filePath(QString("e%1.mkv").arg(i)), 0));
        EXPECT_LT(seen[i][0], 8) << i; // grey
    }
    EXPECT_NEAR(seen[0][1], 128, 25); // Emboss: a relief around mid-grey
    EXPECT_GT(seen[1][1], 180);       // Sketch: white paper with dark lines
    EXPECT_GT(seen[1][2], 0.005);
}
