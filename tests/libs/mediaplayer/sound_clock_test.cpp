// The player with a sound device: its stream plays into a private null sink and the
// sound being heard is the clock. Every user has a sound device, so this is the path that real
// playback takes.
#include "PlayerTestUtil.h"
#include "PrivateSoundServer.h"
#include "TestSupport.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>

using namespace playertest;
using testsupport::media;

namespace {

// How far from the wall clock's rate a window may be: the clock moves smoothly to within a few
// hundredths of a second, well inside the 9 % of a sound rate mixed up.
constexpr double kRateTolerance = 0.045;

double now(LxMoviePlayer& p) {
    return seconds(p.currentTime());
}

// The state of this process's sound stream on the server: -1 none, 0 corked (paused), 1 playing.
int streamState() {
    QString list;
    if (!PrivateSoundServer::pactl({"list", "sink-inputs"}, &list))
        return -2;
    const QString ours = QString("application.process.id = \"%1\"").arg(QCoreApplication::applicationPid());
    int state = -1;
    for (const QString& input : list.split("Sink Input #"))
        if (input.contains(ours))
            state = std::max(state, input.contains("Corked: no") ? 1 : 0);
    return state;
}

// The position gained over `ms` of wall time while playing, measured after a warm-up so that
// filling the device's buffer at the start does not count.
Rate measure(LxMoviePlayer& p, int ms) {
    return measureRate(p, ms);
}

// The rate of the position against the wall clock, as near to 1 as one of a few windows of a
// second gets. A machine under load can only hold the position back (the device runs dry for a
// moment), never push it on: a position that runs fast does so in every window, and one that
// runs slow (a sound rate mixed up plays 9 % off) in every window too, while a stall spoils
// only some of them.
double bestRate(LxMoviePlayer& p, int windows = 8) {
    double best = 0;
    for (int i = 0; i < windows; ++i) {
        const Rate r = measure(p, 1000);
        const double rate = r.played / r.wall;
        if (std::abs(rate - 1.0) < std::abs(best - 1.0))
            best = rate;
        if (std::abs(best - 1.0) < kRateTolerance)
            break;
    }
    return best;
}

// The position moves on and never runs ahead of the wall clock. A loaded machine can hold the
// sound back (its server runs late), so how far a window falls behind says nothing about the
// player; but no load pushes the sound on, so a position that runs fast is a fault on any
// machine. A sound rate mixed up plays 9 % off: fast on one of the two device rates each format
// is played on.
void expectKeepsPace(LxMoviePlayer& p, int windows = 8) {
    const double rate = bestRate(p, windows);
    EXPECT_GT(rate, 0.0) << "the position stands still";
    EXPECT_LT(rate, 1.0 + kRateTolerance) << "the position runs ahead of the wall clock";
}

class SoundClock : public SoundServerSuite {};

} // namespace

TEST_F(SoundClock, TheNullSinkIsTheDefaultOutput) {
    EXPECT_EQ(PrivateSoundServer::defaultSink(), PrivateSoundServer::kSink);
}

TEST_F(SoundClock, EachFormatPlaysAtTheWallClockRateOnDevicesOfBothRates) {
    // The device's own rate decides the sound format: a rate mixed up anywhere on the way
    // plays 9 % fast or slow.
    for (const char* sink : {PrivateSoundServer::kSink44, PrivateSoundServer::kSink}) {
        SCOPED_TRACE(sink);
        ASSERT_TRUE(PrivateSoundServer::useSink(sink));
        for (const char* clip : {"h264_aac.mp4", "audio_only.mp3", "vp9_opus.webm", "mpeg4_mp3.avi"}) {
            SCOPED_TRACE(clip);
            LxMoviePlayer p(media(clip), QRect(0, 0, 320, 240));
            ASSERT_TRUE(p.isOpen()) << p.errorString().toStdString();
            p.play();
            waitFor([] { return streamState() == 1; }, 30000);
            EXPECT_EQ(streamState(), 1) << "no sound stream plays";
            expectKeepsPace(p);
            p.closePlayer();
        }
    }
    // The other tests run on the 48 kHz sink.
    EXPECT_TRUE(PrivateSoundServer::useSink(PrivateSoundServer::kSink));
}

TEST_F(SoundClock, TheClockMovesSmoothlyNotInStepsOfWhatTheDevicePulls) {
    // A clock that moves only when the device pulls a block stands still, then leaps: pictures
    // come in bursts and some are skipped.
    LxMoviePlayer p(media("long_10s.mp4"), QRect(0, 0, 320, 240));
    p.play();
    spin(500);
    QElapsedTimer wall;
    wall.start();
    double last = now(p);
    qint64 lastWall = wall.nsecsElapsed();
    double worst = 0;
    while (wall.elapsed() < 1500) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
        const double at = now(p);
        const qint64 w = wall.nsecsElapsed();
        worst = std::max(worst, (at - last) - (w - lastWall) / 1e9);
        last = at;
        lastWall = w;
    }
    EXPECT_LT(worst, 0.03) << "the clock leapt ahead of the wall clock";
}

TEST_F(SoundClock, TheClockFollowsTheSoundDevice) {
    // When the device stops taking sound, the position stops too: the picture follows what is
    // heard, not the wall clock.
    LxMoviePlayer p(media("long_10s.mp4"), QRect(0, 0, 320, 240));
    p.play();
    spin(500);
    ASSERT_TRUE(PrivateSoundServer::pactl({"suspend-sink", PrivateSoundServer::kSink, "1"}));
    spin(400); // what the device had queued is gone
    const Rate stalled = measure(p, 800);
    PrivateSoundServer::pactl({"suspend-sink", PrivateSoundServer::kSink, "0"});
    EXPECT_LT(stalled.played, 0.1);
    spin(400);
    expectKeepsPace(p);
}

TEST_F(SoundClock, PauseHoldsAndPlayGoesOnFromThere) {
    LxMoviePlayer p(media("long_10s.mp4"), QRect(0, 0, 320, 240));
    p.play();
    // Past 0.4 s with a frame to spare (a pause rests on the picture in view); a loaded machine
    // may start the sound late.
    ASSERT_TRUE(waitFor([&] { return now(p) > 0.5; }, 60000));
    p.pause();
    // Held once the picture due at the pause is up: the position is that picture's time, and
    // a loaded machine shows it a moment later.
    ASSERT_FALSE(snapshot(p, 32, 24).isNull());
    const double held = now(p);
    EXPECT_GT(held, 0.4);
    waitFor([] { return streamState() == 0; }, 30000);
    EXPECT_EQ(streamState(), 0) << "the sound stream still plays while paused";
    spin(400);
    EXPECT_DOUBLE_EQ(now(p), held);

    QElapsedTimer sincePlay;
    sincePlay.start();
    p.play();
    spin(300);
    const double after = now(p);
    EXPECT_GE(after, held);
    EXPECT_LT(after, held + sincePlay.nsecsElapsed() / 1e9 + 0.1) << "play went on from further on";
    waitFor([] { return streamState() == 1; }, 30000);
    EXPECT_EQ(streamState(), 1);
    expectKeepsPace(p);
}

TEST_F(SoundClock, SeekGoesOnFromTheTargetWithoutGoingBack) {
    LxMoviePlayer p(media("long_10s.mp4"), QRect(0, 0, 320, 240));
    p.play();
    spin(600);
    // While playing: the position never goes back past the target nor jumps ahead.
    for (double target : {6.0, 2.0}) {
        p.seekTime(CMTimeMakeWithSeconds(target, 1000000000));
        EXPECT_NEAR(now(p), target, 0.02); // at once (the picture may already be up and moving)
        double last = target, lowest = target;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 800) {
            spin(10);
            const double at = now(p);
            lowest = std::min(lowest, at - last);
            last = at;
        }
        EXPECT_GT(lowest, -0.01) << "the position went back after seeking to " << target;
        EXPECT_LT(last, target + t.nsecsElapsed() / 1e9 + 0.1) << target;
        EXPECT_TRUE(waitFor([&] { return now(p) > target + 0.4; }, 60000)) << "no play on from " << target;
    }
    // Sound only: no picture holds the clock, so the sound still queued from before the seek
    // must not count.
    LxMoviePlayer sound(media("audio_only.mp3"), QRect(0, 0, 20, 20));
    sound.seekTime(CMTimeMakeWithSeconds(2.5, 1000000000));
    sound.play();
    spin(500);
    // How far the position runs ahead of play from 0.5 s since the seek: measured against the
    // wall time of each reading, so that a loaded machine, which only holds the position back,
    // cannot raise it.
    QElapsedTimer t;
    t.start();
    sound.seekTime(CMTimeMakeWithSeconds(0.5, 1000000000));
    double ahead = -1;
    const auto read = [&] { ahead = std::max(ahead, now(sound) - 0.5 - t.nsecsElapsed() / 1e9); };
    while (t.elapsed() < 30) // right after the seek, before the player thread has flushed
        read();
    EXPECT_LT(ahead, 0.1);
    while (t.elapsed() < 600) {
        spin(10);
        read();
    }
    EXPECT_LT(ahead, 0.1) << "the position ran on from the place left";
    EXPECT_TRUE(waitFor([&] { return now(sound) > 0.8; }, 60000)) << "no play on from 0.5 s";

    // While paused, then played.
    p.pause();
    p.seekTime(CMTimeMakeWithSeconds(8.0, 1000000000));
    spin(300);
    EXPECT_NEAR(now(p), 8.0, 1e-6);
    p.play();
    spin(300);
    EXPECT_TRUE(waitFor([&] { return now(p) > 8.1; }, 60000)) << "no play on from 8 s";
}

TEST_F(SoundClock, VolumeAndLeavingOutTheSoundDoNotStallTheClock) {
    LxMoviePlayer p(testsupport::longClip(), QRect(0, 0, 320, 240));
    p.play();
    spin(500);
    p.SetVolume(0.2);
    expectKeepsPace(p, 3);
    p.SetVolume(0);
    expectKeepsPace(p, 3);
    p.DisableMainAudio(true);
    expectKeepsPace(p, 3);
    p.DisableMainAudio(false);
    p.SetVolume(1);
    expectKeepsPace(p, 3);
}

TEST_F(SoundClock, DidEndFiresOnceAndTheStreamStops) {
    for (const char* clip : {"h264_aac.mp4", "audio_only.mp3"}) {
        SCOPED_TRACE(clip);
        LxMoviePlayer p(media(clip), QRect(0, 0, 320, 240));
        std::atomic<int> calls{0};
        p.setPlayerDidEndBlock([&] { ++calls; });
        p.seekTime(CMTimeMakeWithSeconds(2.8, 1000000000));
        p.play();
        ASSERT_TRUE(waitFor([&] { return calls > 0; }, 60000)) << "stuck at " << now(p);
        spin(500);
        EXPECT_EQ(calls, 1);
        EXPECT_NE(p.playerStatus(), 1);
        EXPECT_NEAR(now(p), seconds(p.duration()), 1e-6);
        waitFor([] { return streamState() == 0; }, 30000);
        EXPECT_EQ(streamState(), 0) << "the sound stream goes on after the end";

        // Played again it starts over and ends once more.
        QElapsedTimer sincePlay;
        sincePlay.start();
        p.play();
        spin(300);
        EXPECT_LT(now(p), sincePlay.nsecsElapsed() / 1e9 + 0.7) << "not from the start";
        p.seekTime(CMTimeMakeWithSeconds(3.4, 1000000000));
        ASSERT_TRUE(waitFor([&] { return calls > 1; }, 60000)) << "stuck at " << now(p);
        spin(300);
        EXPECT_EQ(calls, 2);
    }
}

TEST_F(SoundClock, ClosingWhilePlayingReturnsPromptly) {
    for (const char* clip : {"long_10s.mp4", "audio_only.mp3", "vp9_opus.webm"}) {
        SCOPED_TRACE(clip);
        auto p = std::make_unique<LxMoviePlayer>(media(clip), QRect(0, 0, 320, 240));
        p->play();
        spin(500);
        QElapsedTimer t;
        t.start();
        p->closePlayer();
        // Generous: a close that waits on the device or a blocked thread takes seconds or hangs.
        EXPECT_LT(t.elapsed(), 1000);
        EXPECT_EQ(p->playerStatus(), 0);
        t.restart();
        p.reset();
        EXPECT_LT(t.elapsed(), 1000);
        // The server drops the stream once it has handled the player's going.
        waitFor([] { return streamState() == -1; }, 30000);
        EXPECT_EQ(streamState(), -1) << "a closed player leaves its sound stream open";
    }
    // Destroyed while playing, without closing first.
    auto p = std::make_unique<LxMoviePlayer>(media("h264_aac.mp4"), QRect(0, 0, 320, 240));
    p->play();
    spin(300);
    p.reset();
    waitFor([] { return streamState() == -1; }, 30000);
    EXPECT_EQ(streamState(), -1);
}

TEST_F(SoundClock, ASoundSettingMadeWhilePausedIsHeardFromTheFirstSound) {
    // Windows set the mix just before they play: the sound already queued while paused must
    // not be heard at the old level. The original sound removed, nothing at all is heard.
    QProcess recorder;
    recorder.start("parec", {"--raw", "--format=s16le", "--rate=48000", "--channels=2", "--latency-msec=20",
                             QString("--device=%1.monitor").arg(PrivateSoundServer::kSink)});
    ASSERT_TRUE(recorder.waitForStarted(5000));
    LxMoviePlayer p(media("h264_aac.mp4"), QRect(0, 0, 320, 240));
    p.seekTime(CMTimeMakeWithSeconds(1.0, 1000000000));
    spin(600); // the sound of the paused place is queued
    p.DisableMainAudio(true);
    p.play();
    // A second of play heard, and recorded; a loaded machine starts both late.
    EXPECT_TRUE(waitFor([&] { return now(p) > 2.0; }, 60000));
    p.pause();
    spin(200);
    waitFor([&] { return recorder.bytesAvailable() > 48000 * 4 * 3 / 2; }, 60000);
    recorder.terminate();
    ASSERT_TRUE(recorder.waitForFinished(5000));
    const QByteArray pcm = recorder.readAllStandardOutput();
    ASSERT_GT(pcm.size(), 48000 * 4) << "the recording is under a second";
    // The loudest tenth of a second of the recording (full scale 1.0).
    const auto* s = reinterpret_cast<const int16_t*>(pcm.constData());
    const qsizetype n = pcm.size() / 2, window = 9600;
    double loudest = 0;
    for (qsizetype from = 0; from + window <= n; from += window) {
        double sum = 0;
        for (qsizetype i = from; i < from + window; ++i)
            sum += double(s[i]) * s[i];
        loudest = std::max(loudest, std::sqrt(sum / window) / 32768.0);
    }
    EXPECT_LT(loudest, 0.005);
}

TEST_F(SoundClock, ASoundServerThatGoesAwayLeavesThePicturePlayingToTheEnd) {
    // The server can go away under a playing player (restarted, or ended with the session): the
    // clock can no longer follow the sound, and the picture plays on by the wall clock to the end
    // instead of freezing. A second server of this test's own, stopped while the player plays.
    const QByteArray suiteServer = qgetenv("PULSE_SERVER");
    const QByteArray suiteConf = qgetenv("PULSE_CLIENTCONFIG");
    PrivateSoundServer going;
    ASSERT_TRUE(going.start()) << going.error().toStdString();
    LxMoviePlayer p(media("h264_aac.mp4"), QRect(0, 0, 320, 240));
    qputenv("PULSE_SERVER", suiteServer);
    qputenv("PULSE_CLIENTCONFIG", suiteConf);
    std::atomic<int> calls{0};
    p.setPlayerDidEndBlock([&] { ++calls; });
    p.seekTime(CMTimeMakeWithSeconds(1.5, 1000000000));
    p.play();
    ASSERT_TRUE(waitFor([&] { return now(p) > 1.6; }, 60000));
    going.stop();
    EXPECT_TRUE(waitFor([&] { return calls > 0; }, 20000)) << "stuck at " << now(p);
    EXPECT_NEAR(now(p), seconds(p.duration()), 1e-6);
}
