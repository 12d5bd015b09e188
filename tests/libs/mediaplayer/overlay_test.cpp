// Watermarks and subtitles of the preview on a black clip: a video mark plays the part of its
// own file it is given, at its transparency; a picture mark's transparency; and the subtitle's
// colour and font change while the preview plays.
#include "MarkClips.h"
#include "PlayerTestUtil.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace playertest;

namespace {

int count(const QImage& img, const QRect& area, const std::function<bool(QRgb)>& want) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += want(img.pixel(x, y)) ? 1 : 0;
    return n;
}

class BlackClip : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        clip_ = testsupport::makeWithFfmpeg(dir_.filePath("black.mp4"),
                                            {"-f", "lavfi", "-i", "color=c=black:s=320x240:r=25:d=4", "-c:v",
                                             "libx264", "-pix_fmt", "yuv420p", "-g", "25"});
        ASSERT_FALSE(clip_.isEmpty());
    }
    QTemporaryDir dir_;
    QString clip_;
};

TEST_F(BlackClip, VideoMarkShowsThePartOfItsFileAtItsTransparency) {
    // Its own file: one second of red, then one of blue; a name with filter-graph characters.
    const QString mark = testsupport::makeRedThenBlueClip(dir_.filePath("it's: a, [b]; c.mp4"));
    ASSERT_FALSE(mark.isEmpty());
    LxMoviePlayer player(clip_, QRect(0, 0, 320, 240));
    const VIDEO_WATERMARK_PARAM v = testsupport::blueSecondMark(mark);
    ASSERT_EQ(player.AddVideoWatermask(v), 1);
    player.seekTime(CMTimeMakeWithSeconds(1.5, 1000000000));
    player.Refresh();
    spin(300);
    QImage shot = snapshot(player, 320, 240);
    ASSERT_FALSE(shot.isNull());
    const QRgb c = shot.pixel(140, 110);
    EXPECT_NEAR(qBlue(c), 128, 30) << qRed(c) << "," << qGreen(c) << "," << qBlue(c);
    EXPECT_LT(qRed(c), 30); // the red first second of its file is not used
    EXPECT_LT(qGray(shot.pixel(60, 110)), 20);

    player.seekTime(CMTimeMakeWithSeconds(0.5, 1000000000));
    player.Refresh();
    spin(300);
    shot = snapshot(player, 320, 240);
    EXPECT_EQ(count(shot, QRect(100, 80, 80, 60), [](QRgb p) { return qGray(p) > 30; }), 0);
}

TEST_F(BlackClip, PictureMarkTransparencyScalesItsCover) {
    const QString red = testsupport::makeWithFfmpeg(
        dir_.filePath("red.png"), {"-f", "lavfi", "-i", "color=c=red:s=40x30", "-frames:v", "1"});
    ASSERT_FALSE(red.isEmpty());
    LxMoviePlayer player(clip_, QRect(0, 0, 320, 240));
    player.seekTime(CMTimeMakeWithSeconds(1.0, 1000000000));
    for (const int transparence : {0, 75, 100}) {
        player.ClearWatermask();
        IMAGE_WATERMARK_PARAM m{};
        mediarecords::writeText(m.path, red.toStdString());
        m.rect = RECT{20, 20, 60, 50};
        m.end_time = 4000000;
        m.transparence = transparence;
        ASSERT_EQ(player.AddImageWatermask(m), 1);
        player.Refresh();
        spin(250);
        const QImage shot = snapshot(player, 320, 240);
        ASSERT_FALSE(shot.isNull());
        EXPECT_NEAR(qRed(shot.pixel(40, 35)), 255 * (100 - transparence) / 100, 25) << transparence;
    }
}

TEST_F(BlackClip, SubtitleColourAndFontChangeWhilePlaying) {
    const QString regular = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    const QString bold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    ASSERT_TRUE(QFile::exists(regular) && QFile::exists(bold)) << "scripts/deps installs the DejaVu fonts";
    const QString srt = dir_.filePath("line.srt");
    {
        QFile f(srt);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1\n00:00:00,000 --> 00:00:04,000\nIIIII MMMMM\n");
    }
    LxMoviePlayer player(clip_, QRect(0, 0, 320, 240));
    SUBTITLE_PARAM s{};
    mediarecords::writeText(s.path, srt.toStdString());
    mediarecords::writeText(s.fontFile, regular.toStdString());
    s.position = -1;
    s.fontSize = 30;
    s.shadow = 0;
    s.fontColor = s.shadowColor = 0xFFFFFF00; // white
    player.SetSubtitle(s);
    player.play();
    ASSERT_TRUE(waitFor([&] { return seconds(player.currentTime()) > 0.3; }, 60000));
    const auto red = [](QRgb p) { return qRed(p) > 150 && qGreen(p) < 80 && qBlue(p) < 80; };
    const auto white = [](QRgb p) { return qGray(p) > 150 && qRed(p) > 150 && qGreen(p) > 150; };
    const QRect all(0, 0, 320, 240);
    EXPECT_GT(count(snapshot(player, 320, 240), all, white), 50);

    player.UpdateSubtitleFontClr(0xFF000000, 1, 0xFF000000); // red
    QImage shot;
    EXPECT_TRUE(waitFor(
        [&] {
            shot = snapshot(player, 320, 240);
            return count(shot, all, red) > 50;
        },
        60000));
    EXPECT_EQ(player.playerStatus(), 1);
    const int regularInk = count(shot, all, red);

    player.UpdateSubtitleFontFile(bold.toUtf8().constData());
    EXPECT_TRUE(waitFor(
        [&] {
            shot = snapshot(player, 320, 240);
            return count(shot, all, red) > regularInk * 5 / 4;
        },
        60000))
        << regularInk << " vs " << count(shot, all, red);
    EXPECT_EQ(player.playerStatus(), 1);
    player.stop();
}

} // namespace
