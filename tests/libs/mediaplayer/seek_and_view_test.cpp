// The window's thread never waits for the player: seeks return at once, and what needs the
// picture of a seek under way (a snapshot, a redraw) comes when that picture lands, also when
// the player is closed or destroyed meanwhile. The view shows each picture fitted to its own
// size in pixels, after a resize too. A decoder opened for another sound stream on the way to
// its thread is never lost. A seek shows the picture of its time, also in a transport stream
// and in an AVI, which stores no presentation times.
#include "FrameCounter.h"
#include "PacketQueue.h"
#include "PlayerTestUtil.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

using namespace playertest;
using testsupport::media;

namespace {

// A player in a shown container, paused on its first picture.
struct Shown {
    explicit Shown(const QString& path, QSize size = {320, 240}) : player(path, QRect(QPoint(), size)) {
        host.resize(size);
        player.view()->setParent(&host);
        player.view()->setGeometry(host.rect());
        host.show();
        EXPECT_FALSE(snapshot(player, 8, 6).isNull()) << "the first picture";
    }
    QWidget host;
    LxMoviePlayer player;
};

// The picture inside `view` where a picture of display aspect `aspect` is fitted.
QImage fittedPart(QWidget* view, double aspect) {
    const QImage all = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int w = all.width(), h = int(std::lround(w / aspect));
    if (h > all.height()) {
        h = all.height();
        w = int(std::lround(h * aspect));
    }
    return all.copy((all.width() - w) / 2, (all.height() - h) / 2, w, h);
}

double differenceAt(const QImage& shot, const QString& clip, double seconds) {
    return testsupport::meanAbsDiff(shot.convertToFormat(QImage::Format_RGB32),
                                    testsupport::ffmpegFrameAt(clip, seconds).scaled(shot.size()));
}

// A 320 x 240 clip stored with 4:3 pixels: shown 16:9.
QString anamorphicClip(const QTemporaryDir& dir) {
    return testsupport::makeWithFfmpeg(
        dir.filePath("anamorphic.mkv"),
        QString("-f lavfi -i testsrc2=size=320x240:rate=25:duration=3 -vf setsar=4/3 "
                "-c:v libx264 -preset ultrafast -pix_fmt yuv420p")
            .split(' '));
}

} // namespace

TEST(PlayerSeek, ReturnsAtOnceAndTheSnapshotAndTheViewGetTheLastPlace) {
    // One key frame for the whole minute: a seek far in decodes for a while.
    const QString clip = testsupport::longClip();
    Shown s(clip);
    LxMoviePlayer& p = s.player;
    for (double at : {10.0, 30.0})
        p.seekTime(CMTimeMakeWithSeconds(at, 600));
    p.seekTime(CMTimeMakeWithSeconds(50.0, 600));
    int w = 160, h = 90;
    std::vector<unsigned char> buf(size_t(w) * h * 4);
    EXPECT_EQ(p.Snapshot(&w, &h, buf.data()), 0) << "a snapshot waited for the seek";
    bool answered = false;
    QImage shot;
    p.SnapshotWhenReady(160, 90, [&](QImage img) {
        shot = std::move(img);
        answered = true;
    });
    EXPECT_FALSE(answered) << "the picture was awaited on the window's thread";
    EXPECT_NEAR(seconds(p.currentTime()), 50.0, 0.01); // the target at once
    ASSERT_TRUE(waitFor([&] { return answered; }, 60000));
    ASSERT_EQ(shot.size(), QSize(160, 90));
    const double there = differenceAt(shot, clip, 50.0);
    EXPECT_LT(there, 6.0);
    EXPECT_LT(there * 2, differenceAt(shot, clip, 30.0)) << "the picture of an earlier seek";
    // Once up, the plain snapshot has it too, and the view shows it.
    EXPECT_EQ(p.Snapshot(&w, &h, buf.data()), 1);
    // The view paints on the window's thread, later on a loaded machine.
    const QImage at50 = testsupport::ffmpegFrameAt(clip, 50.0);
    const auto shownDiff = [&] {
        const QImage shown = fittedPart(p.view(), 16.0 / 9.0);
        return testsupport::meanAbsDiff(shown, at50.scaled(shown.size()));
    };
    waitFor([&] { return shownDiff() < 8.0; }, 30000);
    EXPECT_LT(shownDiff(), 8.0);
}

TEST(PlayerSeek, ClosingOrDestroyingDuringASeekAnswersWaitersWithNothingOrNotAtAll) {
    const QString clip = testsupport::longClip();
    {
        Shown s(clip);
        s.player.seekTime(CMTimeMakeWithSeconds(55.0, 600));
        bool answered = false;
        QImage shot(4, 4, QImage::Format_ARGB32);
        s.player.SnapshotWhenReady(64, 36, [&](QImage img) {
            shot = std::move(img);
            answered = true;
        });
        s.player.closePlayer();
        ASSERT_TRUE(waitFor([&] { return answered; }, 60000));
        EXPECT_TRUE(shot.isNull());
        bool late = false;
        s.player.SnapshotWhenReady(64, 36, [&](QImage img) { late = img.isNull(); });
        EXPECT_TRUE(late) << "a closed player answers at once, with nothing";
    }
    bool called = false;
    {
        auto p = std::make_unique<LxMoviePlayer>(clip, QRect(0, 0, 64, 36));
        p->seekTime(CMTimeMakeWithSeconds(55.0, 600));
        p->Refresh();
        p->SnapshotWhenReady(64, 36, [&](QImage) { called = true; });
        p.reset();
    }
    spin(300);
    EXPECT_FALSE(called) << "a destroyed player called back";
}

TEST(PlayerRefresh, RedrawsAtTheEndOfTheFileWhereTheDecoderHasNothingLeft) {
    const QString clip = media("h264_aac.mp4");
    Shown s(clip);
    LxMoviePlayer& p = s.player;
    p.seekTime(p.duration());
    const QImage last = snapshot(p, 320, 240);
    ASSERT_FALSE(last.isNull());
    spin(300); // the video thread has read to the end and waits for packets
    p.SetHFlip(1);
    p.Refresh();
    const QImage mirrored = snapshot(p, 320, 240);
    ASSERT_FALSE(mirrored.isNull()) << "the redraw never came";
    EXPECT_LT(testsupport::meanAbsDiff(mirrored.convertToFormat(QImage::Format_RGB32),
                                       last.mirrored(true, false).convertToFormat(QImage::Format_RGB32)),
              3.0);
}

TEST(PlayerView, ShowsThePictureFittedToItsSizeAlsoAfterAResize) {
    QTemporaryDir dir;
    const QString clip = anamorphicClip(dir);
    Shown s(clip, {400, 400});
    LxMoviePlayer& p = s.player;
    p.seekTime(CMTimeMakeWithSeconds(1.0, 600));
    ASSERT_FALSE(snapshot(p, 32, 18).isNull());
    const double aspect = 16.0 / 9.0; // 320 x 240 with 4:3 pixels
    const QImage at1 = testsupport::ffmpegFrameAt(clip, 1.0);
    const auto shownDiff = [&] {
        const QImage picture = fittedPart(p.view(), aspect);
        return testsupport::meanAbsDiff(picture, at1.scaled(picture.size()));
    };
    const auto check = [&](const char* when) {
        // The view paints on the window's thread, later on a loaded machine.
        waitFor([&] { return shownDiff() < 10.0; }, 30000);
        const QImage all = p.view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_LT(shownDiff(), 10.0) << when;
        const QImage picture = fittedPart(p.view(), aspect);
        // Black bars above and below the picture, none beside it.
        const int bar = (all.height() - picture.height()) / 2;
        ASSERT_GT(bar, 4) << when;
        EXPECT_EQ(qGray(all.pixel(all.width() / 2, bar / 2)), 0) << when;
        EXPECT_EQ(qGray(all.pixel(all.width() / 2, all.height() - bar / 2)), 0) << when;
    };
    check("as opened");
    s.host.resize(300, 500);
    p.view()->setGeometry(s.host.rect());
    check("after a resize");
}

TEST(PacketQueue, ADecoderOnItsWaySurvivesNewerSeeksAndIsFreedWithTheQueue) {
    PacketQueue q;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_AAC);
    ASSERT_NE(codec, nullptr);
    ff::CodecPtr decoder(avcodec_alloc_context3(codec));
    const AVCodecContext* sent = decoder.get();
    q.flush(1, 0, std::move(decoder), 2); // a switch of sound stream
    q.flush(2, 1000);                     // a newer seek before the decode thread took it
    q.wake();                             // a thread with items to pop is not woken twice
    PacketItem item;
    ASSERT_TRUE(q.pop(item));
    EXPECT_EQ(item.kind, PacketItem::Flush);
    EXPECT_EQ(item.serial, 2);
    EXPECT_EQ(item.decoder.get(), sent);
    EXPECT_EQ(item.streamIndex, 2);
    q.wake();
    ASSERT_TRUE(q.pop(item));
    EXPECT_EQ(item.kind, PacketItem::Wake);
    // One still queued when the queue goes is freed with it (the leak checker watches).
    q.flush(3, 0, ff::CodecPtr(avcodec_alloc_context3(codec)), 1);
}

TEST(PlayerSeek, AnMpegTsWithLongPictureGroupsShowsThePictureOfTheTime) {
    // A transport stream has no index: a seek lands near the time, not on the key frame before
    // it. The same pictures in MP4 tell which one each time shows.
    QTemporaryDir dir;
    const auto [mp4, ts] = testsupport::makeLongGroupClips(dir.path());
    ASSERT_FALSE(ts.isEmpty());
    LxMoviePlayer p(ts, QRect(0, 0, 320, 240));
    ASSERT_TRUE(p.isOpen());
    for (const double at : {7.58, 3.3, 11.0, 0.5}) {
        p.seekTime(CMTimeMakeWithSeconds(at, 1000000000));
        const QImage shot = snapshot(p, 320, 240);
        ASSERT_FALSE(shot.isNull()) << at;
        const double shown = std::ceil(at * 25 - 1e-6) / 25; // the first picture at or after
        const double right = differenceAt(shot, mp4, shown);
        EXPECT_LT(right, 3.0) << at;
        EXPECT_LT(right, differenceAt(shot, mp4, shown + 0.04)) << at;
        EXPECT_LT(right, differenceAt(shot, mp4, shown - 0.04)) << at;
    }
}

// Times count from the first picture, as the engine's do: at 0 a player shows it, also in a
// transport stream whose times start late, with its sound stored ahead of the pictures and its
// first pictures decoded before their time (B-frames), with none of its pictures timed, as two
// recordings end to end, or as MPEG-4 Part 2 in a program stream that times no B picture. Held still after a
// seek, the position is the time of the picture it landed on, the first at or after the place asked for.
TEST(PlayerSeek, CountsTimeFromTheFirstPictureAlsoInATransportStreamThatStartsLate) {
    QTemporaryDir dir;
    std::vector<QString> clips = testsupport::makeCounterClipsStartingAtZeroAndLate(dir.path());
    ASSERT_FALSE(clips.empty());
    // The same with no picture timed, and as two recordings end to end (times start again at
    // picture 75): the engine's one line of pictures.
    clips.push_back(
        testsupport::retimed(clips[1], dir.filePath("untimed.ts"), [](int64_t, bool) { return -1; }));
    clips.push_back(testsupport::retimed(clips[1], dir.filePath("restart.ts"),
                                         [](int64_t t, bool) { return t >= 75 * 3600 ? t - 75 * 3600 : t; }));
    clips.push_back(testsupport::untimedBPictures(dir.filePath("mpeg4.vob"), clips[0], "mp2"));
    for (const QString& clip : clips) {
        SCOPED_TRACE(clip.toStdString());
        LxMoviePlayer p(clip, QRect(0, 0, 64, 48));
        EXPECT_EQ(testsupport::counterOf(snapshot(p, 64, 48)), 0) << "as opened";
        for (const double at : {2.0, 2.01, 4.43, 0.0, 3.5}) {
            p.seekTime(CMTimeMakeWithSeconds(at, 1000000000));
            const int shown = testsupport::counterOf(snapshot(p, 64, 48));
            EXPECT_EQ(shown, int(std::ceil(at * 25 - 1e-6))) << at;
            EXPECT_NEAR(seconds(p.currentTime()), shown / 25.0, 1e-6) << at;
        }
    }
}

// AVI stores no presentation times: a decoder times a picture by the decoding time of the packet
// that let it out, late by the pictures it holds back to reorder. A seek shows the picture of the
// time and reports that picture's time, for MPEG-4 with B-frames in open groups (its key frames
// every 25 pictures, the sought ones away from the two B-frames stored after each) and for H.264.
TEST(PlayerSeek, AnAviOfReorderedPicturesShowsThePictureOfTheTimeItReports) {
    QTemporaryDir dir;
    const QString mp4 = testsupport::makeCounterClip(dir.filePath("count.mp4"), 25, 8, 25, 2);
    ASSERT_FALSE(mp4.isEmpty());
    const QString mpeg4 = testsupport::makeWithFfmpeg(
        dir.filePath("mpeg4.avi"),
        QString("-i %1 -c:v mpeg4 -q:v 2 -bf 2 -g 25 -sc_threshold 1000000000 -vtag XVID -an")
            .arg(mp4)
            .split(' '));
    const QString h264 = testsupport::makeWithFfmpeg(dir.filePath("h264.avi"),
                                                     QString("-i %1 -c:v copy -an").arg(mp4).split(' '));
    for (const QString& clip : {mpeg4, h264}) {
        SCOPED_TRACE(clip.toStdString());
        ASSERT_FALSE(clip.isEmpty());
        LxMoviePlayer p(clip, QRect(0, 0, 64, 48));
        EXPECT_EQ(testsupport::counterOf(snapshot(p, 64, 48)), 0) << "as opened";
        for (const double at : {2.1, 5.3, 0.0}) {
            p.seekTime(CMTimeMakeWithSeconds(at, 1000000000));
            const int shown = testsupport::counterOf(snapshot(p, 64, 48));
            EXPECT_EQ(shown, int(std::ceil(at * 25 - 1e-6))) << at;
            EXPECT_NEAR(seconds(p.currentTime()), shown / 25.0, 1e-6) << at;
        }
    }
}

// A large transport stream shown by its stored times moves onto its index's line once the index
// is read behind the opening: the picture in view stays, at its time on that line, and a seek then
// shows the picture the index puts there, where a cut from that time starts.
TEST(PlayerSeek, ALargeStreamShownByItsStoredTimesMovesOntoItsIndexsLine) {
    QTemporaryDir dir;
    LxMoviePlayer p(testsupport::largeTsJumpingAhead(dir.path()), QRect(0, 0, 64, 48));
    std::atomic<int> moved{0};
    p.setPlayerDidMoveOntoIndexLineBlock([&] { ++moved; });
    p.seekTime(CMTimeMakeWithSeconds(25.0, 1000000000));
    EXPECT_EQ(testsupport::counterOf(snapshot(p, 64, 48)), 325);
    ASSERT_TRUE(waitFor([&] { return moved == 1; }, 120000));
    EXPECT_NEAR(seconds(p.duration()), 30.0, 0.05);
    EXPECT_EQ(testsupport::counterOf(snapshot(p, 64, 48)), 325);
    EXPECT_NEAR(seconds(p.currentTime()), 13.0, 1e-3);
    EXPECT_NEAR(seconds(p.timeOnIndexLine(CMTimeMakeWithSeconds(25.0, 1000000000))), 13.0, 1e-3);
    p.seekTime(CMTimeMakeWithSeconds(12.4, 1000000000));
    EXPECT_EQ(testsupport::counterOf(snapshot(p, 64, 48)), 310);
}
