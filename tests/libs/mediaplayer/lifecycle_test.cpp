// Bad inputs fail cleanly and players free everything they start.
#include "PlayerTestUtil.h"
#include "TestSupport.h"

#include <QFile>
#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace playertest;
using testsupport::media;

namespace {

int threadCount() {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    return -1;
}

} // namespace

TEST(PlayerLifecycle, BadFilesGiveAnInertPlayer) {
    for (const QString& path : {media("missing.mp4"), media("zero_bytes.mp4"), media("not_media.mp4"),
                                media("truncated.mp4"), QString()}) {
        LxMoviePlayer p(path, QRect(0, 0, 320, 240));
        EXPECT_FALSE(p.isOpen()) << path.toStdString();
        EXPECT_FALSE(p.errorString().isEmpty());
        EXPECT_EQ(seconds(p.duration()), 0.0);
        ASSERT_NE(p.view(), nullptr);
        p.play();
        p.seekTime(CMTimeMakeWithSeconds(1.0, 600));
        p.SetRotateAngle(90);
        p.Refresh();
        EXPECT_EQ(seconds(p.currentTime()), 0.0);
        EXPECT_EQ(p.playerStatus(), 0);
        int w = 8, h = 8;
        std::vector<unsigned char> buf(w * h * 4);
        EXPECT_EQ(p.Snapshot(&w, &h, buf.data()), 0);
        p.stop();
        p.closePlayer();
    }
}

TEST(PlayerLifecycle, OperationsAfterCloseDoNothing) {
    LxMoviePlayer p(media("h264_aac.mp4"), QRect(0, 0, 20, 20));
    const double d = seconds(p.duration());
    p.closePlayer();
    EXPECT_EQ(seconds(p.duration()), d); // the length stays readable
    p.play();
    p.seekTime(CMTimeMakeWithSeconds(1.0, 600));
    p.Refresh();
    EXPECT_EQ(p.playerStatus(), 0);
}

TEST(PlayerLifecycle, AHundredPlayersLeaveNoThreadsBehind) {
    {
        // Sound played once starts the sound server connection's own threads, which stay.
        LxMoviePlayer warm(media("h264_aac.mp4"), QRect(0, 0, 20, 20));
        warm.play();
        spin(20);
    }
    spin(100);
    const int before = threadCount();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 100; ++i) {
        LxMoviePlayer p(media(i % 2 ? "h264_aac.mp4" : "audio_only.m4a"), QRect(0, 0, 20, 20));
        if (i % 10 == 0) {
            p.play();
            spin(20);
        }
        if (i % 3 == 0)
            p.closePlayer();
    }
    // Threads end a moment after their player goes, later on a loaded machine.
    waitFor([&] { return threadCount() <= before; }, 60000);
    EXPECT_LE(threadCount(), before);
}

TEST(PlayerLifecycle, TheViewBelongsToThePlayerUnlessItsContainerGoesFirst) {
    QWidget container;
    QPointer<QWidget> view;
    {
        LxMoviePlayer p(media("h264_aac.mp4"), QRect(0, 0, 320, 240));
        view = p.view();
        view->setParent(&container);
    }
    EXPECT_TRUE(view.isNull()); // destroying the player took its view out

    auto container2 = std::make_unique<QWidget>();
    LxMoviePlayer p(media("h264_aac.mp4"), QRect(0, 0, 320, 240));
    p.view()->setParent(container2.get());
    container2.reset(); // the view goes with its container
    EXPECT_EQ(p.view(), nullptr);
    p.play(); // painting into nothing is harmless
    spin(200);
    p.seekTime(CMTimeMakeWithSeconds(2.0, 600));
    EXPECT_FALSE(snapshot(p, 32, 24).isNull());
}
