// The export bar through its own widgets on a bare tool window whose chain runs real convert
// jobs: a finished run fills the bar and shows the finish message; a cancel empties the bar
// at once, keeps it empty and Start disabled until the stopped job has returned, and leaves
// no file; a failed set-up reports the engine's error.
#include "Contrast.h"
#include "FrameCounter.h"
#include "ToolWindowDriver.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "mediacore/MediaCore.h"
#include "platform/NotificationCenter.h"
#include "tools/shared/EngineConvert.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/ToolStyle.h"

namespace {

using tooltest::answerAlerts;
using tooltest::click;
using tooltest::outputs;
using tooltest::text;
using tooltest::waitUntil;

// A tool window with nothing but the bar; Start converts the given ranges of one source.
class BarWindow : public ToolWindow {
public:
    BarWindow() {
        setWindowTitle("Split_Title");
        resize(880, 60);
        bar = new ExportBar(this, this,
                            {NSMakeRect(16, 16, 68, 24), NSMakeRect(85, 8, 223, 32),
                             NSMakeRect(312, 10, 30, 28), NSMakeRect(356, 16, 80, 24),
                             NSMakeRect(436, 22, 270, 12), NSMakeRect(722, 6, 146, 44)},
                            "Splitfinishedstring");
        bar->editingEnabled = [this](bool on) { editingLog.push_back(on); };
        bar->startRequested = [this] {
            const QString folder = bar->preparedOutputPath();
            return jobChain().start(int(ranges.size()), [this, folder](int i, int* error) {
                return EngineConvert::cut(source, QString("%1/part%2.mp4").arg(folder).arg(i + 1),
                                          ranges[size_t(i)], error);
            });
        };
    }
    ExportBar* bar;
    QString source;
    std::vector<EngineConvert::Range> ranges;
    std::vector<bool> editingLog;
};

struct Bar : tooltest::WindowHolder<BarWindow> {
    Bar() { tooltest::pickOutputFolder(window->bar->folderChooser, out.path()); }
    ExportBar* bar() const { return window->bar; }
};

TEST(ExportBar, AFinishedRunFillsTheBarAndShowsTheFinishMessage) {
    Bar b;
    b.window->source = testsupport::media("h264_aac.mp4");
    b.window->ranges = {{0, 1000000}, {1000000, 2000000}};
    click(b.bar()->startButton);
    EXPECT_EQ(b.bar()->startButton->contentTitle(), text("CancelexportTitle"));
    EXPECT_EQ(b.window->editingLog, std::vector<bool>{false});
    ASSERT_TRUE(waitUntil([] { return tooltest::finishMessage() != nullptr; }));
    EXPECT_FLOAT_EQ(b.bar()->progressView->progress(), 1.0f) << "a finished bar is full";
    // The bars lie on the window's blue: a full one must not look like a hole in its track.
    const QImage shot = b.bar()->progressView->grab().toImage();
    const QColor fill = shot.pixelColor(shot.width() / 2, shot.height() / 2);
    EXPECT_GE(
        testsupport::contrastRatio(testsupport::over(fill, toolstyle::kBrandBlue), toolstyle::kBrandBlue),
        2.0);
    EXPECT_EQ(b.bar()->startButton->contentTitle(), text("StartExportTitle"));
    EXPECT_TRUE(b.bar()->startButton->isEnabled());
    EXPECT_EQ(b.window->editingLog, (std::vector<bool>{false, true}));
    EXPECT_EQ(outputs(b.out.path()), (QStringList{"part1.mp4", "part2.mp4"}));
    EXPECT_NEAR(testsupport::probeDuration(b.out.filePath("part2.mp4")), 1.0, 0.1);
}

TEST(ExportBar, ACancelKeepsTheBarEmptyAndStartOffUntilTheStoppedJobHasReturned) {
    Bar b;
    // From 1 s, where there is no keyframe: the range is encoded, which takes a while.
    b.window->source = testsupport::longClip();
    b.window->ranges = {{1000000, 60000000}};
    click(b.bar()->startButton);
    ASSERT_TRUE(waitUntil([&] { return b.bar()->progressView->progress() > 0.01f; }, 30000));
    ASSERT_TRUE(b.window->jobChain().isBusy());
    // The press as the button gives it (queued), handled without waiting further.
    QTest::mouseClick(b.bar()->startButton, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return b.window->jobChain().isCancelling(); }, 60000));
    EXPECT_EQ(b.bar()->startButton->contentTitle(), text("StartExportTitle"));
    // Until the chain has ended: an empty bar, Start off, and a press changes nothing.
    bool sawRunning = false;
    while (b.window->jobChain().isBusy()) {
        sawRunning = true;
        EXPECT_FLOAT_EQ(b.bar()->progressView->progress(), 0.0f);
        EXPECT_FALSE(b.bar()->startButton->isEnabled());
        b.bar()->press();
        tooltest::settle(5);
    }
    EXPECT_TRUE(sawRunning) << "the stopped job returns after the cancel";
    EXPECT_FLOAT_EQ(b.bar()->progressView->progress(), 0.0f);
    EXPECT_TRUE(b.bar()->startButton->isEnabled());
    EXPECT_EQ(b.window->editingLog, (std::vector<bool>{false, true}));
    EXPECT_EQ(tooltest::finishMessage(), nullptr);
    EXPECT_TRUE(answerAlerts().isEmpty()) << "a cancel is not an error";
    EXPECT_TRUE(outputs(b.out.path()).isEmpty()) << "the stopped job leaves no file";
}

TEST(ExportBar, AFailedSetUpSaysTheEnginesErrorInWordsAndReturnsToIdle) {
    Bar b;
    b.window->source = testsupport::media("not_media.mp4");
    b.window->ranges = {{0, 1000000}};
    click(b.bar()->startButton);
    ASSERT_TRUE(waitUntil([] { return tooltest::openAlert() != nullptr; }, 60000));
    const QStringList alerts = answerAlerts();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts.first(), text("engineErrorDamagedString") + " (error:-1094995529)");
    EXPECT_FALSE(b.window->jobChain().isBusy());
    EXPECT_FLOAT_EQ(b.bar()->progressView->progress(), 0.0f);
    EXPECT_EQ(b.bar()->startButton->contentTitle(), text("StartExportTitle"));
    EXPECT_TRUE(b.bar()->startButton->isEnabled());
    EXPECT_TRUE(outputs(b.out.path()).isEmpty());

    // A range of an AVI of reordered MPEG-4 pictures is refused, and the alert says why.
    QTemporaryDir sources;
    b.window->source = testsupport::makeWithFfmpeg(
        sources.filePath("mpeg4_bframes.avi"),
        QString("-f lavfi -i testsrc2=size=320x240:rate=25:duration=4 -c:v mpeg4 -bf 2 -g 50 -q:v 4")
            .split(' '));
    ASSERT_FALSE(b.window->source.isEmpty());
    b.window->ranges = {{1000000, 3000000}};
    click(b.bar()->startButton);
    ASSERT_TRUE(waitUntil([] { return tooltest::openAlert() != nullptr; }, 60000));
    EXPECT_EQ(answerAlerts(), QStringList{text("engineErrorInexactCutString") +
                                          QString(" (error:%1)").arg(MEDIACORE_ERROR_INEXACT_CUT)});
    EXPECT_TRUE(outputs(b.out.path()).isEmpty());

    // A range inside a pause of a recording without sound holds no picture: said in words alone.
    const QString silent = testsupport::makeWithFfmpeg(
        sources.filePath("silent.ts"),
        {"-i", testsupport::makeCounterClip(sources.filePath("count.mp4"), 25, 8), "-an", "-c", "copy"});
    b.window->source = testsupport::retimed(silent, sources.filePath("pause.ts"), [](int64_t t, bool) {
        return t >= 100 * 3600 ? t + 3 * 90000 : t;
    });
    b.window->ranges = {{4500000, 6500000}};
    click(b.bar()->startButton);
    ASSERT_TRUE(waitUntil([] { return tooltest::openAlert() != nullptr; }, 60000));
    EXPECT_EQ(answerAlerts(), QStringList{text("engineErrorNoPictureString")});
}

// Closing a window while its export runs: the home screen is told at once, the job is
// stopped, and the window stays until the stopped job has returned, then goes, with no
// message and no file left.
TEST(ExportBar, ClosingDuringARunStopsItAndTheWindowGoesWhenTheJobHasReturned) {
    auto* b = new Bar;
    b->window->setAttribute(Qt::WA_DeleteOnClose); // as the home screen opens it
    b->window->source = testsupport::longClip();
    b->window->ranges = {{1000000, 60000000}};
    int closed = 0;
    const auto token = NotificationCenter::defaultCenter().addObserver(
        ToolWindow::kWillCloseNotification, nullptr, [&](const Notification&) { ++closed; });
    click(b->bar()->startButton);
    ASSERT_TRUE(waitUntil([&] { return b->bar()->progressView->progress() > 0.01f; }, 30000));
    QPointer<BarWindow> window = b->window;
    window->close();
    EXPECT_EQ(closed, 1);
    // Pending deletions run, but not yet the stopped job's completion: the window stays.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window.isNull()) << "alive until the stopped job has returned";
    ASSERT_TRUE(waitUntil([&] { return window.isNull(); }));
    tooltest::settle(200);
    EXPECT_EQ(tooltest::finishMessage(), nullptr);
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_TRUE(outputs(b->out.path()).isEmpty()) << "the stopped job leaves no file";
    EXPECT_EQ(closed, 1);
    NotificationCenter::defaultCenter().removeObserver(token);
    delete b;
}

} // namespace
