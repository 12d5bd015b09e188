// The easy cutter's play head and transport keys through the real controls: the time label
// follows the bar while paused and after the end of playback, the play-head knob drags
// while paused, Space and the arrows of the keyboard panel reach the window after a typed
// time, the big play button follows Space, each forward step moves the mark 0.1 s, in a
// right-to-left window the arrow keys keep the trim bar's order, and the play button pauses
// where play is on a machine whose CPUs are all busy.
#include "EasyCutDriver.h"
#include "FrameCounter.h"

#include "foundation/controls/NSImageView.h"
#include "foundation/helpers/HelpClass.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Geometry.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

using namespace easycuttest;

namespace {

double playHead(const EasyCutterWindowcontroller& w) {
    return CMTimeGetSeconds(w.player()->currentTime());
}

// A point of the trim bar at `fraction` of its background, above the handles (Qt position).
QPoint barPoint(LxCutProgressView* bar, double fraction) {
    const NSRect b = bar->progressBackView()->frame();
    const NSPoint p{b.x + fraction * b.width, b.y + b.height / 2 + 3};
    return geometry::pointToQt(p, bar->height()).toPoint();
}

double labelSeconds(const QLabel* label) {
    return HelpClass::parseTimeStr(label->text()).value_or(-1);
}

// The picture in view, once it is up.
QImage shownPicture(const EasyCutterWindowcontroller& w) {
    QImage shown;
    w.player()->SnapshotWhenReady(64, 48, [&](QImage image) { shown = std::move(image); });
    waitUntil([&] { return !shown.isNull(); }, 60000);
    return shown;
}

int shownFrame(const EasyCutterWindowcontroller& w) {
    return testsupport::counterOf(shownPicture(w));
}

} // namespace

TEST(Transport, TheTimeLabelFollowsTheBarWhilePausedAndReadsZeroAfterTheEnd) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    const double D = w.duration();
    ASSERT_GT(D, 9.0);

    QTest::mouseClick(w.cutprogressView, Qt::LeftButton, {}, barPoint(w.cutprogressView, 0.6));
    settle();
    // The label takes the time of the picture the seek lands on once that picture is up.
    waitUntil([&] { return std::abs(labelSeconds(w.currentTimeLabel) - playHead(w)) < 0.011; });
    EXPECT_NEAR(playHead(w), 0.6 * D, 0.2);
    EXPECT_NEAR(labelSeconds(w.currentTimeLabel), playHead(w), 0.011)
        << w.currentTimeLabel->text().toStdString();

    // Play the last half second: at the end the picture goes back to 0, and so does the label.
    QTest::mouseClick(w.cutprogressView, Qt::LeftButton, {}, barPoint(w.cutprogressView, 0.96));
    click(w.playOrpauseBtn);
    ASSERT_TRUE(waitUntil([&] { return w.playOrpauseBtn->selected(); }, 60000));
    ASSERT_TRUE(waitUntil([&] { return !w.playOrpauseBtn->selected(); }, 60000))
        << "playback reaches the end";
    waitUntil([&] { return std::abs(playHead(w)) < 0.05; });
    EXPECT_NEAR(playHead(w), 0.0, 0.05);
    EXPECT_EQ(w.currentTimeLabel->text(), HelpClass::returnTimeToStr(0));
}

TEST(Transport, ThePlayHeadKnobDragsWhilePaused) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    const double D = w.duration();
    LxCutProgressView* bar = w.cutprogressView;
    QTest::mouseClick(bar, Qt::LeftButton, {}, barPoint(bar, 0.3));
    settle();
    const double before = playHead(w);
    EXPECT_NEAR(before, 0.3 * D, 0.2);

    // Grab the knob where it stands and drag it to 70 %.
    QTest::mousePress(bar, Qt::LeftButton, {}, barPoint(bar, 0.3));
    for (double f = 0.35; f <= 0.701; f += 0.05)
        QTest::mouseMove(bar, barPoint(bar, f));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, barPoint(bar, 0.7));
    settle();
    EXPECT_NEAR(playHead(w), 0.7 * D, 0.2);
    EXPECT_NEAR(bar->progress(), playHead(w) / D, 0.02);
    EXPECT_NEAR(labelSeconds(w.currentTimeLabel), playHead(w), 0.011);
    EXPECT_FALSE(w.playOrpauseBtn->selected()) << "the drag does not start playback";
}

TEST(Transport, SpaceAndTheArrowsWorkAfterATypedTimeAndThePlayButtonFollows) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    const double D = w.duration();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    Driver::type(w.startFields, 0, 0, 2, 0);
    ASSERT_NEAR(d.range().first, 2.0, 0.011);

    // A key of a button is a click that ends 100 ms later, as the button is seen to go up.
    QWindow* win = w.windowHandle();
    const auto press = [&](Qt::Key key) {
        QTest::keyClick(win, key);
        settle(250);
    };
    press(Qt::Key_Space);
    EXPECT_TRUE(w.playOrpauseBtn->selected()) << "the big play button shows the pause picture";
    EXPECT_EQ(w.player()->playerStatus(), 1);
    EXPECT_FALSE(w.playOrpauseSelectBtn->isEnabled());
    press(Qt::Key_Space);
    EXPECT_FALSE(w.playOrpauseBtn->selected());
    EXPECT_NE(w.player()->playerStatus(), 1);
    EXPECT_TRUE(w.playOrpauseSelectBtn->isEnabled());

    // The arrows step the start handle from the play head: paused, that is the time of the
    // picture in view once it is up, later on a loaded machine.
    bool up = false;
    w.player()->SnapshotWhenReady(8, 6, [&](const QImage&) { up = true; });
    ASSERT_TRUE(waitUntil([&] { return up; }));
    const double c = playHead(w);
    press(Qt::Key_Right);
    EXPECT_NEAR(d.range().first, std::min(c + 0.1, D), 0.011);
    press(Qt::Key_Left);
    EXPECT_NEAR(d.range().first, c, 0.011);

    // The keyboard panel's own button does what Space does, look included.
    click(w.playpauseBtn);
    EXPECT_TRUE(w.playOrpauseBtn->selected());
    click(w.playpauseBtn);
    EXPECT_FALSE(w.playOrpauseBtn->selected());
}

TEST(Transport, EachForwardStepMovesTheMarkAndThePlayHeadOneTenth) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    QTest::mouseClick(w.cutprogressView, Qt::LeftButton, {}, barPoint(w.cutprogressView, 0.2));
    // Paused, the play head is the time of the picture in view once it is up.
    shownPicture(w);
    const double c = playHead(w);
    click(w.kuaijinBtn);
    EXPECT_NEAR(d.range().first, c + 0.1, 0.011);
    click(w.kuaijinBtn);
    EXPECT_NEAR(d.range().first, c + 0.2, 0.011);
    EXPECT_NEAR(playHead(w), c + 0.2, 0.011) << "the play head stands on the mark";
    click(w.kuaituiBtn);
    EXPECT_NEAR(d.range().first, c + 0.1, 0.011);
}

TEST(Transport, SetStartAfterPausingCutsFromThePictureShown) {
    Driver d;
    const QString clip = testsupport::media("long_10s.mp4");
    d.addFile(clip);
    auto& w = *d.window;
    QTest::mouseClick(w.cutprogressView, Qt::LeftButton, {}, barPoint(w.cutprogressView, 0.33));
    click(w.playOrpauseBtn);
    // Paused well inside a picture's time (4.00 s to 4.04 s).
    ASSERT_TRUE(waitUntil([&] { return playHead(w) > 4.015; }, 60000));
    click(w.playOrpauseBtn);
    QImage shown;
    w.player()->SnapshotWhenReady(320, 240, [&](QImage image) { shown = image; });
    ASSERT_TRUE(waitUntil([&] { return !shown.isNull(); }, 60000));

    click(w.selectedLeftBtn);
    ASSERT_TRUE(waitUntil([&] { return d.range().first > 3.0; }, 60000));
    click(w.cutStartBtn);
    ASSERT_TRUE(waitUntil([&] { return w.cutItems().size() == 1u; }, 60000));
    d.pressStart();
    ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }));
    const QStringList files = tooltest::outputs(d.out.path());
    ASSERT_EQ(files.size(), 1);
    // The first picture written is the one that was on screen, not the next.
    const QImage first = testsupport::ffmpegFrameAt(d.out.path() + "/" + files.first(), 0);
    const double start = d.range().first;
    const double same = testsupport::meanAbsDiff(shown, first.scaled(shown.size()));
    EXPECT_LT(same, 3.0) << start;
    const QImage next = testsupport::ffmpegFrameAt(clip, start + 0.02).scaled(shown.size());
    EXPECT_LT(same, testsupport::meanAbsDiff(shown, next)) << start;
    tooltest::closeFinishMessage();
}

TEST(Transport, RightToLeftTheArrowKeysStandInTheTrimBarsOrder) {
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    Driver d;
    QGuiApplication::setLayoutDirection(Qt::LeftToRight); // the window keeps its direction
    auto& w = *d.window;
    ASSERT_TRUE(w.isRightToLeft());
    ASSERT_FALSE(w.cutprogressView->isRightToLeft());
    // The trim bar reads left to right: the back key (pointing left) stands left of the
    // forward key, and each moves the mark the way it points.
    EXPECT_EQ(w.kuaituiBtn->text(), QStringLiteral("\u25C0"));
    EXPECT_EQ(w.kuaijinBtn->text(), QStringLiteral("\u25B6"));
    EXPECT_LT(w.kuaituiBtn->mapTo(&w, QPoint()).x(), w.kuaijinBtn->mapTo(&w, QPoint()).x());
    d.addFile(testsupport::media("long_10s.mp4"));
    QTest::mouseClick(w.cutprogressView, Qt::LeftButton, {}, barPoint(w.cutprogressView, 0.2));
    settle();
    const double c = playHead(w);
    click(w.kuaijinBtn);
    EXPECT_NEAR(d.range().first, c + 0.1, 0.011);
    click(w.kuaituiBtn);
    EXPECT_NEAR(d.range().first, c, 0.011);
}

// At 0 the cutter shows the clip's first picture, also in a transport stream whose times start
// late, and a cut from 0 starts with it. Paused, after playing or after a seek to inside a
// picture's time, the time label reads the time of the picture in view, which a mark takes.
TEST(Transport, AtZeroTheFirstPictureShowsAndPausedTheLabelReadsThePictureInView) {
    QTemporaryDir dir;
    const std::vector<QString> clips = testsupport::makeCounterClipsStartingAtZeroAndLate(dir.path());
    ASSERT_FALSE(clips.empty());
    for (const QString& clip : clips) {
        SCOPED_TRACE(clip.toStdString());
        Driver d;
        d.addFile(clip);
        auto& w = *d.window;
        EXPECT_EQ(shownFrame(w), 0);
        EXPECT_EQ(w.currentTimeLabel->text(), HelpClass::returnTimeToStr(0));

        const auto expectLabelOfThePicture = [&](const char* when) {
            const double picture = shownFrame(w) / 25.0;
            waitUntil([&] { return w.currentTimeLabel->text() == HelpClass::returnTimeToStr(picture); });
            EXPECT_EQ(w.currentTimeLabel->text(), HelpClass::returnTimeToStr(picture)) << when;
            EXPECT_NEAR(playHead(w), picture, 0.001) << when;
        };
        click(w.playOrpauseBtn);
        ASSERT_TRUE(waitUntil([&] { return playHead(w) > 1.01; }, 60000));
        click(w.playOrpauseBtn);
        expectLabelOfThePicture("paused after playing");
        QTest::mouseClick(w.cutprogressView, Qt::LeftButton, {}, barPoint(w.cutprogressView, 0.55));
        expectLabelOfThePicture("after a seek");

        d.addSegment(0.0, 2.0);
        d.pressStart();
        ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }));
        const QStringList files = tooltest::outputs(d.out.path());
        ASSERT_EQ(files.size(), 1);
        const std::vector<int> written = testsupport::decodedCounters(d.out.path() + "/" + files.first());
        ASSERT_FALSE(written.empty());
        EXPECT_EQ(written.front(), 0);
        tooltest::closeFinishMessage();
    }
}

// Paused with the play button (a press held as a hand holds it) while other processes keep
// every CPU busy: the picture in view and the play head, which a mark takes, stay where play
// was when the button was pressed, never further on than the time that passed.
TEST(Transport, ThePlayButtonPausesWherePlayIsWhileEveryCpuIsBusy) {
    QTemporaryDir dir;
    const QString clip = testsupport::makeCounterClip(dir.filePath("count20.mp4"), 25, 20, 25, 2);
    ASSERT_FALSE(clip.isEmpty());
    Driver d;
    d.addFile(clip);
    auto& w = *d.window;
    // Busy loops ended by SIGTERM, which timeout hands on to its loop (a SIGKILL of timeout would
    // leave the loop running), also when an assertion leaves the test early; timeout ends them
    // should the test itself die.
    struct BusyLoops {
        std::vector<std::unique_ptr<QProcess>> loops;
        ~BusyLoops() {
            for (auto& p : loops)
                p->terminate();
            for (auto& p : loops)
                p->waitForFinished();
        }
    } busy;
    for (int i = 0; i < std::max(2, QThread::idealThreadCount()); ++i) {
        busy.loops.push_back(std::make_unique<QProcess>());
        busy.loops.back()->start("timeout", {"120", "sh", "-c", "while :; do :; done"});
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        click(w.playOrpauseBtn);
        const double from = playHead(w);
        ASSERT_TRUE(waitUntil([&] { return playHead(w) > from + 1.0; }, 60000));
        QElapsedTimer wall;
        wall.start();
        const double before = playHead(w);
        QTest::mousePress(w.playOrpauseBtn, Qt::LeftButton);
        QTest::qWait(120);
        QTest::mouseRelease(w.playOrpauseBtn, Qt::LeftButton);
        // The button turns at once; the window stops the player (status 1: playing) on its next
        // turn of the event loop. Until then the picture in view is a playing one, which a loaded
        // machine draws late.
        ASSERT_TRUE(waitUntil([&] { return w.player()->playerStatus() != 1; }, 60000));
        EXPECT_FALSE(w.playOrpauseBtn->selected());
        const double picture = shownFrame(w) / 25.0;
        const double since = wall.nsecsElapsed() / 1e9;
        SCOPED_TRACE(QString("try %1: play head %2 before the press, %3 s later picture %4, play head %5")
                         .arg(attempt)
                         .arg(before)
                         .arg(since)
                         .arg(picture)
                         .arg(playHead(w))
                         .toStdString());
        for (const double at : {picture, playHead(w)}) {
            EXPECT_GE(at, before - 0.05);
            EXPECT_LE(at, before + since + 0.05);
        }
    }
}
