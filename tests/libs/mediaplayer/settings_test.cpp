// Live picture settings of the preview: watermarks, effects, picture adjustment and subtitles
// go through the shared filter graph and show after a redraw while paused and during playback.
#include "PlayerTestUtil.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>

using namespace playertest;
using testsupport::media;

namespace {

std::atomic<int> gDrawCalls{0};
std::atomic<uint32_t> gDrawColour{0};

// Fills a 60 x 40 block whose lower-left corner is the text origin, in the colour the word
// names (red in bits 8-15, green 16-23, blue 24-31), as a text-drawing callback would.
void drawBlock(int width, int height, unsigned char* buffer, TEXT_WATERMARK_PARAM param) {
    ++gDrawCalls;
    gDrawColour = param.fontclr;
    const int bottomRow = height - param.rect.top; // origin counted from the bottom edge
    for (int y = std::max(0, bottomRow - 40); y < std::min(height, bottomRow); ++y)
        for (int x = std::max(0, param.rect.left); x < std::min(width, param.rect.left + 60); ++x) {
            unsigned char* p = buffer + (size_t(y) * width + x) * 4;
            p[0] = (param.fontclr >> 8) & 255;
            p[1] = (param.fontclr >> 16) & 255;
            p[2] = (param.fontclr >> 24) & 255;
            p[3] = 255;
        }
}

// A 20 x 10 picture of pure green for any path ending in ".green"; nothing otherwise.
int loadGreen(const char* path, int* width, int* height, int bufferSize, unsigned char* buffer) {
    if (!path || !QByteArray(path).endsWith(".green"))
        return 0;
    if (!buffer) {
        if (width)
            *width = 20;
        if (height)
            *height = 10;
        return 1;
    }
    if (bufferSize < 20 * 10 * 4)
        return 0;
    for (int i = 0; i < 200; ++i) {
        buffer[i * 4 + 0] = 0;
        buffer[i * 4 + 1] = 255;
        buffer[i * 4 + 2] = 0;
        buffer[i * 4 + 3] = 255;
    }
    return 1;
}

TEXT_WATERMARK_PARAM textMark(int left, int top, double from, double to) {
    TEXT_WATERMARK_PARAM m{};
    mediarecords::writeText(m.text, "mark");
    mediarecords::writeText(m.szFontName, "DejaVu Sans");
    m.rect = {left, top, left + 100, top + 40};
    m.fontsize = 30;
    m.fontclr = 0xFF000000; // red, as the program packs it
    m.start_time = int64_t(from * 1e6);
    m.end_time = int64_t(to * 1e6);
    return m;
}

bool isRed(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}
bool isGreen(QRgb c) {
    return qGreen(c) > 200 && qRed(c) < 60 && qBlue(c) < 60;
}

double meanLevel(const QImage& img) {
    double sum = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            sum += qGray(img.pixel(x, y));
    return sum / (img.width() * img.height());
}

struct Paused {
    LxMoviePlayer player{media("h264_aac.mp4"), QRect(0, 0, 320, 240)};
    explicit Paused(double at) { player.seekTime(CMTimeMakeWithSeconds(at, 1000000000)); }
};

} // namespace

TEST(PlayerSettings, TextWatermarkIsDrawnThroughTheCallbackInItsColourUntilCleared) {
    Paused p(1.0);
    EXPECT_EQ(p.player.AddTextWatermask(textMark(40, 100, 0, 4)), 0); // no callback yet: refused
    p.player.SetDrawTextCallback(drawBlock);
    ASSERT_EQ(p.player.AddTextWatermask(textMark(40, 100, 0.5, 3)), 1);
    gDrawCalls = 0;
    p.player.Refresh();
    QImage shot = snapshot(p.player, 320, 240); // once the redraw is up
    EXPECT_GT(gDrawCalls, 0);
    EXPECT_EQ(gDrawColour, 0x0000FF00u); // re-packed for the callback: red in bits 8-15
    // The block spans rows 100..139 and columns 40..99 of the picture.
    EXPECT_TRUE(isRed(shot.pixel(70, 120)));
    EXPECT_FALSE(isRed(shot.pixel(200, 120)));

    // Its time window, also while playing, is compared with the export in
    // preview_matches_export_test.
    p.player.ClearWatermask();
    p.player.Refresh();
    EXPECT_FALSE(isRed(snapshot(p.player, 320, 240).pixel(70, 120)));
}

TEST(PlayerSettings, PictureWatermarkComesFromTheLoaderAndBadOnesAreRefused) {
    Paused p(1.0);
    p.player.SetLoadImageCallback(loadGreen);
    IMAGE_WATERMARK_PARAM m{};
    mediarecords::writeText(m.path, "/nowhere/logo.green");
    m.rect = {200, 20, 280, 60};
    m.end_time = 4000000;
    ASSERT_EQ(p.player.AddImageWatermask(m), 1);
    p.player.Refresh();
    const QImage shot = snapshot(p.player, 320, 240);
    EXPECT_TRUE(isGreen(shot.pixel(240, 40)));
    EXPECT_FALSE(isGreen(shot.pixel(150, 40)));

    IMAGE_WATERMARK_PARAM missing = m;
    mediarecords::writeText(missing.path, "/nowhere/logo.png");
    EXPECT_EQ(p.player.AddImageWatermask(missing), 0);
    IMAGE_WATERMARK_PARAM empty = m;
    empty.rect = {200, 20, 200, 60};
    EXPECT_EQ(p.player.AddImageWatermask(empty), 0);
    VIDEO_WATERMARK_PARAM video{};
    mediarecords::writeText(video.path, testsupport::media("not_media.mp4").toStdString());
    video.rect = {0, 0, 80, 60};
    video.end_time = 2000000;
    EXPECT_EQ(p.player.AddVideoWatermask(video), 0);
    mediarecords::writeText(video.path, testsupport::media("no_audio.mp4").toStdString());
    EXPECT_EQ(p.player.AddVideoWatermask(video), 1);
}

TEST(PlayerSettings, EffectsAndAdjustmentsChangeThePicture) {
    const QString clip = media("h264_aac.mp4");
    Paused p(1.0);
    const QImage plain = testsupport::ffmpegFrameAt(clip, 1.0);
    p.player.AddImageEffect(3); // negative
    p.player.Refresh();
    QImage negative = plain;
    negative.invertPixels();
    EXPECT_LT(testsupport::meanAbsDiff(snapshot(p.player, 320, 240), negative), 4.0);

    p.player.ClearImageEffect();
    p.player.SetBCS(200, 0, 0);
    p.player.Refresh();
    EXPECT_GT(meanLevel(snapshot(p.player, 320, 240)), meanLevel(plain) + 80);
    p.player.SetBCS(0, 0, 0);
    p.player.Refresh();
    EXPECT_LT(testsupport::meanAbsDiff(snapshot(p.player, 320, 240), plain), 3.0);
}

TEST(PlayerSettings, SubtitleShowsAndMovesWithItsPosition) {
    QTemporaryDir dir;
    const QString srt = dir.filePath("lines.srt");
    {
        QFile f(srt);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QTextStream(&f) << "1\n00:00:00,000 --> 00:00:04,000\nWWWWWWWW\n\n";
    }
    const QString clip = media("h264_aac.mp4");
    Paused p(1.0);
    const QImage plain = testsupport::ffmpegFrameAt(clip, 1.0);
    SUBTITLE_PARAM s{};
    mediarecords::writeText(s.path, srt.toStdString());
    s.position = -1;
    s.fontSize = 30;
    s.shadow = 0;
    s.fontColor = s.shadowColor = 0xFFFFFF00;
    p.player.SetSubtitle(s);
    p.player.Refresh();
    const auto changedIn = [&](const QImage& shot, int top, int bottom) {
        return testsupport::meanAbsDiff(shot.copy(0, top, 320, bottom - top),
                                        plain.copy(0, top, 320, bottom - top));
    };
    QImage shot = snapshot(p.player, 320, 240);
    EXPECT_GT(changedIn(shot, 160, 240), 5.0); // near the bottom
    EXPECT_LT(changedIn(shot, 0, 120), 1.5);

    p.player.UpdateSubtitlePos(150); // 150 pixels up from the bottom
    p.player.Refresh();
    shot = snapshot(p.player, 320, 240);
    EXPECT_GT(changedIn(shot, 40, 120), 5.0);
    EXPECT_LT(changedIn(shot, 200, 240), 1.5);

    SUBTITLE_PARAM none = s;
    none.path[0] = '\0';
    p.player.SetSubtitle(none);
    p.player.Refresh();
    EXPECT_LT(testsupport::meanAbsDiff(snapshot(p.player, 320, 240), plain), 3.0);
}
