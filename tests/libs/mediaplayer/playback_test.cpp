// Playback, seeking, the end of play and snapshots of the preview player on real clips.
#include "PlayerTestUtil.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>

using namespace playertest;
using testsupport::media;

namespace {

QRect frame() {
    return QRect(0, 0, 320, 240);
}

} // namespace

TEST(PlayerPlayback, AdvancesInOrderAndNeverAheadOfTheWallClock) {
    LxMoviePlayer p(media("h264_aac.mp4"), frame());
    ASSERT_TRUE(p.isOpen()) << p.errorString().toStdString();
    EXPECT_NEAR(seconds(p.duration()), 4.0, 0.1);
    EXPECT_EQ(p.playerStatus(), 0);
    // On a picture's start: the position is the same before and after its picture is up.
    p.seekTime(CMTimeMake(1, 25));
    EXPECT_NEAR(seconds(p.currentTime()), 0.04, 1e-6);

    QElapsedTimer wall;
    wall.start();
    const double from = seconds(p.currentTime());
    p.play();
    EXPECT_EQ(p.playerStatus(), 1);
    // However loaded the machine, nothing pushes the clock on: while it plays a second, each
    // position read is at or after the one before and never ahead of the wall time since play
    // (read after it). How far behind a loaded machine leaves it is not judged here.
    double last = from;
    const auto onTime = [&] {
        const double now = seconds(p.currentTime());
        const double since = wall.nsecsElapsed() / 1e9;
        EXPECT_GE(now, last);
        EXPECT_LT(now - from, since + 0.3);
        last = now;
        return now - from > 1.0;
    };
    ASSERT_TRUE(waitFor(onTime, 60000));

    p.pause();
    EXPECT_EQ(p.playerStatus(), 2);
    // Held once the picture due at the pause is up: the position is that picture's time, and
    // a loaded machine shows it a moment later.
    ASSERT_FALSE(snapshot(p, 32, 24).isNull());
    const double held = seconds(p.currentTime());
    spin(300);
    EXPECT_DOUBLE_EQ(seconds(p.currentTime()), held);
    p.stop();
    EXPECT_EQ(p.playerStatus(), 0);
}

TEST(PlayerPlayback, ThePictureKeepsPaceWithTheClock) {
    const QString clip = media("long_10s.mp4");
    LxMoviePlayer p(clip, frame());
    p.seekTime(CMTimeMakeWithSeconds(1.0, 1000000000));
    p.play();
    // Paused once the clock has passed a time, with a frame to spare (a pause rests on the
    // picture in view): a loaded machine may start the clock late.
    ASSERT_TRUE(waitFor([&] { return seconds(p.currentTime()) > 1.9; }, 60000));
    p.pause();
    const double t = seconds(p.currentTime());
    ASSERT_GT(t, 1.8);
    const QImage shot = snapshot(p, 320, 240);
    // The frame up when paused is the one at the clock, or at most the one before it.
    const double frameStart = std::floor(t * 25 + 1e-6) / 25;
    const double diff =
        std::min(testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, frameStart)),
                 testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, frameStart - 0.04)));
    EXPECT_LT(diff, 3.0) << "paused at " << t;
}

TEST(PlayerPlayback, SeekShowsTheRequestedFrame) {
    const QString clip = media("long_10s.mp4");
    LxMoviePlayer p(clip, frame());
    ASSERT_TRUE(p.isOpen());
    // 1.52 s needs decoding on from the key frame at 0; 6.0 s sits right on a key frame;
    // 7.5 s lies inside frame 187 (7.48 s to 7.52 s): frame 188 is shown, the first picture
    // of a cut from 7.5 s.
    for (const auto& [asked, shown] :
         std::vector<std::pair<double, double>>{{1.52, 1.52}, {6.0, 6.0}, {7.5, 7.52}}) {
        p.seekTime(CMTimeMakeWithSeconds(asked, 1000000000));
        const QImage shot = snapshot(p, 320, 240);
        ASSERT_FALSE(shot.isNull());
        // Once the picture is up, the position is its time: where a cut from there starts.
        EXPECT_NEAR(seconds(p.currentTime()), shown, 1e-6) << asked;
        const double right = testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, shown));
        const double next = testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, shown + 0.04));
        const double prev = testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, shown - 0.04));
        EXPECT_LT(right, 3.0) << asked;
        EXPECT_LT(right, next) << asked;
        EXPECT_LT(right, prev) << asked;
    }
}

TEST(PlayerPlayback, PausedAfterPlayingThePositionIsThePictureShown) {
    // A mark taken from the position must start a cut with the picture in view: the position
    // is that picture's time, not the clock's, which stands somewhere inside it.
    const QString clip = media("long_10s.mp4");
    LxMoviePlayer p(clip, frame());
    for (const double from : {1.0, 4.3}) {
        p.seekTime(CMTimeMakeWithSeconds(from, 1000000000));
        p.play();
        spin(700);
        p.pause();
        const QImage shot = snapshot(p, 320, 240);
        ASSERT_FALSE(shot.isNull());
        const double t = seconds(p.currentTime());
        EXPECT_NEAR(t * 25, std::round(t * 25), 0.03) << "a frame's start: " << t;
        // The frame a cut from t starts with (rounded timestamps: from a hair before).
        const double cutFirst = testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, t - 0.002));
        EXPECT_LT(cutFirst, 3.0) << t;
        EXPECT_LT(cutFirst, testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, t + 0.04))) << t;
    }
}

TEST(PlayerPlayback, PausedInAPictureGapOrPastThePicturesTheSnapshotComes) {
    // Pictures 0 to 0.96 s, none until 4 s, the last at 4.48 s; the sound runs to 7 s. The
    // picture at 0.96 s is stored one frame long, but stays in view until the one at 4 s.
    QTemporaryDir dir;
    const QString clip = testsupport::makeWithFfmpeg(
        dir.filePath("gap.mkv"),
        QString("-f lavfi -i testsrc2=size=320x240:rate=25:duration=4.5 -f lavfi -i "
                "sine=frequency=440:sample_rate=44100:duration=7 -vf select=lt(t\\,1)+gte(t\\,4) "
                "-fps_mode vfr -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a pcm_s16le")
            .split(' '));
    ASSERT_FALSE(clip.isEmpty());
    LxMoviePlayer p(clip, frame());
    p.seekTime(CMTimeMakeWithSeconds(0.5, 1000000000));
    p.play();
    ASSERT_TRUE(waitFor([&] { return seconds(p.currentTime()) > 1.3; }, 30000));
    p.pause();
    QImage shot = snapshot(p, 320, 240, 30000);
    ASSERT_FALSE(shot.isNull()) << "paused in the gap";
    const double inGap = seconds(p.currentTime());
    ASSERT_LT(inGap, 4.0);
    EXPECT_NEAR(inGap, 0.96, 0.002) << "a mark there starts with the picture in view";
    EXPECT_LT(testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, 0.96)), 3.0);

    // Past the last picture the sound goes on: the position runs on, not back to that picture.
    p.play();
    ASSERT_TRUE(waitFor([&] { return seconds(p.currentTime()) > 5.0; }, 30000));
    p.pause();
    shot = snapshot(p, 320, 240, 30000);
    ASSERT_FALSE(shot.isNull()) << "paused in the sound after the pictures";
    EXPECT_GT(seconds(p.currentTime()), 5.0);
}

TEST(PlayerPlayback, DidEndFiresOnceAtTheEndOnAPlayerThread) {
    LxMoviePlayer p(media("h264_aac.mp4"), frame());
    std::atomic<int> calls{0};
    std::atomic<bool> onGuiThread{false};
    p.setPlayerDidEndBlock([&] {
        ++calls;
        onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    p.seekTime(CMTimeMakeWithSeconds(3.3, 1000000000));
    p.play();
    ASSERT_TRUE(waitFor([&] { return calls > 0; }, 30000));
    spin(400);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(onGuiThread);
    EXPECT_NEAR(seconds(p.currentTime()), seconds(p.duration()), 1e-6);
    EXPECT_NE(p.playerStatus(), 1);

    // Played again after a seek, it ends again, once more.
    p.seekTime(CMTimeMakeWithSeconds(3.6, 1000000000));
    p.play();
    ASSERT_TRUE(waitFor([&] { return calls > 1; }, 30000));
    spin(300);
    EXPECT_EQ(calls, 2);
}

TEST(PlayerPlayback, SoundOnlyAndPictureOnlyFilesPlay) {
    LxMoviePlayer sound(media("audio_only.mp3"), QRect(0, 0, 20, 20));
    ASSERT_TRUE(sound.isOpen());
    EXPECT_NEAR(seconds(sound.duration()), 4.0, 0.2);
    sound.play();
    EXPECT_TRUE(waitFor([&] { return seconds(sound.currentTime()) > 0.4; }, 30000));
    int w = 16, h = 16;
    std::vector<unsigned char> buf(w * h * 4, 0xAB);
    EXPECT_EQ(sound.Snapshot(&w, &h, buf.data()), 0); // nothing to show
    EXPECT_EQ(buf[0], 0xAB);

    LxMoviePlayer picture(media("no_audio.mp4"), frame());
    ASSERT_TRUE(picture.isOpen());
    picture.play();
    EXPECT_TRUE(waitFor([&] { return seconds(picture.currentTime()) > 0.4; }, 30000));
    EXPECT_FALSE(snapshot(picture, 320, 240).isNull());
}

TEST(PlayerPicture, RotatedFileSnapshotsUpright) {
    const QString clip = media("rotated_90.mp4");
    LxMoviePlayer p(clip, frame());
    p.seekTime(CMTimeMakeWithSeconds(1.0, 1000000000));
    const QImage reference = testsupport::ffmpegFrameAt(clip, 1.0); // the tool turns it upright
    ASSERT_EQ(reference.size(), QSize(240, 320));
    EXPECT_LT(testsupport::meanAbsDiff(snapshot(p, 240, 320), reference), 3.0);
}

TEST(PlayerSnapshot, ScalesIntoTheGivenSizeAndRefusesBadSizes) {
    LxMoviePlayer p(media("h264_aac.mp4"), frame());
    ASSERT_FALSE(snapshot(p, 8, 6).isNull()); // the first picture is up
    // A smaller buffer gets a scaled picture and nothing past its end.
    int w = 80, h = 60;
    std::vector<unsigned char> buf(w * h * 4 + 64, 0xCD);
    EXPECT_EQ(p.Snapshot(&w, &h, buf.data()), 1);
    EXPECT_EQ(w, 80);
    EXPECT_EQ(h, 60);
    for (size_t i = size_t(w) * h * 4; i < buf.size(); ++i)
        ASSERT_EQ(buf[i], 0xCD);
    EXPECT_EQ(buf[3], 0xFF); // opaque alpha in the fourth byte

    for (auto [bw, bh] :
         std::vector<std::pair<int, int>>{{0, 60}, {80, 0}, {-4, 60}, {80, -1}, {1 << 20, 1 << 20}}) {
        std::fill(buf.begin(), buf.end(), 0xCD);
        int ww = bw, hh = bh;
        EXPECT_EQ(p.Snapshot(&ww, &hh, buf.data()), 0) << bw << "x" << bh;
        EXPECT_EQ(buf[0], 0xCD);
    }
    int one = 1;
    EXPECT_EQ(p.Snapshot(nullptr, &one, buf.data()), 0);
    EXPECT_EQ(p.Snapshot(&one, &one, nullptr), 0);
}
