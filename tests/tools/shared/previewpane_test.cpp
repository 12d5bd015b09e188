// The preview pane through its own player: snapshots are readable pictures of the frame
// shown and never replace a file; the play head ticks while playing; the end of the file
// reaches the window once, and never from a player that was replaced or after closing.
#include "ToolWindowDriver.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "tools/shared/PreviewPane.h"

#include <QDateTime>
#include <QImageReader>
#include <QWidget>

namespace {

using tooltest::settle;
using tooltest::waitUntil;

// The pane's snapshot, once it is written (or refused).
QString shoot(const PreviewPane& pane, const QString& folder, const QString& format) {
    bool answered = false;
    QString written;
    pane.snapshot(folder, format, [&](const QString& path) {
        written = path;
        answered = true;
    });
    EXPECT_TRUE(waitUntil([&] { return answered; }, 60000));
    return written;
}

struct Pane {
    Pane() {
        host.resize(320, 240);
        host.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&host));
    }
    QWidget host;
    PreviewPane pane{&host};
};

TEST(PreviewPane, SnapshotsAreTheFrameShownInEachFormatUnderFreeNames) {
    Pane p;
    const QString clip = testsupport::media("h264_aac.mp4");
    ASSERT_TRUE(p.pane.open(clip, 1.0, QSize(320, 240)));
    p.pane.seek(2.0);
    settle(200);
    QTemporaryDir out;
    // Files under the names of the coming seconds are there already and must stay as they are.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList existing;
    for (int s = 0; s < 3; ++s) {
        const QString path = out.filePath(now.addSecs(s).toString("yyyy-MM-dd_HH-mm-ss") + ".png");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the user's file");
        existing << path;
    }
    const QImage expected = testsupport::ffmpegFrameAt(clip, 2.0);
    QStringList written;
    for (const char* format : {"png", "jpg", "bmp", "png"}) {
        const QString path = shoot(p.pane, out.path(), format);
        ASSERT_FALSE(path.isEmpty()) << format;
        EXPECT_FALSE(written.contains(path));
        EXPECT_FALSE(existing.contains(path));
        written << path;
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), QByteArray(format) == "jpg" ? QByteArray("jpeg") : QByteArray(format));
        EXPECT_TRUE(path.endsWith(QString(".") + format));
        const QImage image = reader.read();
        ASSERT_EQ(image.size(), QSize(320, 240));
        EXPECT_LT(testsupport::meanAbsDiff(image.convertToFormat(QImage::Format_RGB32), expected), 12.0)
            << format << ": the picture is the frame shown";
    }
    // Nothing else, hidden or not: the temporary file each was written under has its name now.
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(),
              existing.size() + written.size());
    for (const QString& path : existing) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("the user's file"));
    }
    // A missing folder is made.
    EXPECT_FALSE(shoot(p.pane, out.filePath("new/deeper"), "jpg").isEmpty());
}

TEST(PreviewPane, ASnapshotAskedDuringASeekIsTakenAtTheNewPlace) {
    Pane p;
    const QString clip = testsupport::media("long_10s.mp4");
    ASSERT_TRUE(p.pane.open(clip, 1.0, QSize(320, 240)));
    settle(300);
    QTemporaryDir out;
    p.pane.seek(7.0);
    QString written;
    bool answered = false;
    p.pane.snapshot(out.path(), "png", [&](const QString& path) {
        written = path;
        answered = true;
    });
    EXPECT_FALSE(answered) << "the window waited for the seek";
    ASSERT_TRUE(waitUntil([&] { return answered; }, 60000));
    const QImage shot = QImage(written).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(320, 240));
    const double here = testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, 7.0));
    const double start = testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, 0.0));
    EXPECT_LT(here, start / 2) << here << " vs " << start;
}

TEST(PreviewPane, NoPictureNoSnapshot) {
    Pane p;
    ASSERT_TRUE(p.pane.open(testsupport::media("h264_aac.mp4"), 1.0, QSize()));
    QTemporaryDir out;
    EXPECT_TRUE(shoot(p.pane, out.path(), "png").isEmpty());
    EXPECT_TRUE(tooltest::outputs(out.path()).isEmpty());
}

TEST(PreviewPane, TicksWhilePlayingAndReportsTheEndOnce) {
    Pane p;
    ASSERT_TRUE(p.pane.open(testsupport::media("h264_aac.mp4"), 1.0, QSize(320, 240)));
    const double d = p.pane.duration();
    ASSERT_GT(d, 3.5);
    int ends = 0;
    std::vector<double> ticks;
    p.pane.didEnd = [&] { ++ends; };
    p.pane.tick = [&](double current, double duration) {
        ticks.push_back(current);
        EXPECT_DOUBLE_EQ(duration, d);
    };
    p.pane.seek(d - 0.6);
    p.pane.play();
    EXPECT_TRUE(p.pane.isPlaying());
    ASSERT_TRUE(waitUntil([&] { return ends > 0; }, 60000));
    settle(300);
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(p.pane.isPlaying());
    EXPECT_FALSE(p.pane.isTicking());
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_GE(ticks.back(), ticks.front()) << "the play head moves forward";
}

// The end report comes from a player thread through the main queue. When the window has
// closed the pane, or a new file replaced the player, before it is handled, it does nothing.
TEST(PreviewPane, AnEndReportOfAClosedOrReplacedPlayerIsDropped) {
    for (const bool replace : {false, true}) {
        Pane p;
        const QString clip = testsupport::media("h264_aac.mp4");
        ASSERT_TRUE(p.pane.open(clip, 1.0, QSize(320, 240)));
        int ends = 0;
        p.pane.didEnd = [&] { ++ends; };
        p.pane.seek(p.pane.duration() - 0.3);
        p.pane.play();
        // Let the player reach the end without handling the queued report yet.
        QThread::msleep(2500);
        if (replace)
            p.pane.open(clip, 1.0, QSize(320, 240));
        else
            p.pane.close();
        settle(500);
        EXPECT_EQ(ends, 0) << (replace ? "replaced" : "closed");
    }
}

} // namespace
