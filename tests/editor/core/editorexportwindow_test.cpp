// The editor window's export driven through its controls, offscreen, on real clips: a
// delete-section export from the trim panel (also into a folder that cannot be written),
// cancelling in a pass, a set-up failure, closing
// during an export, and the format its tiles give.
#include "../../tools/shared/MpegShapes.h"
#include "../../tools/shared/ToolWindowDriver.h"
#include "EditorTestClips.h"
#include "FrameCounter.h"
#include "ReadOnlyFolder.h"
#include "editor/core/EditVideoWindowController.h"
#include "editor/trim/TrimTool.h"
#include "foundation/controls/LxCustomButton.h"
#include "foundation/controls/LxTextField.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylView.h"
#include "foundation/records/SimpleData.h"
#include "foundation/records/SubtitleParam.h"
#include "mediacore/MediaCore.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/ProfileParameters.h"
#include "profiles/SettingWindowController.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FormatBrowser.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"

#include <QComboBox>
#include <QPointer>
#include <QTemporaryDir>

using namespace tooltest;

namespace {

class EditorExportWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir().mkpath(folder()));
        UserDefaults::setStorePath(dir_.filePath("defaults.ini"));
        window_ = new EditVideoWindowController(EditorToolTypeTrim);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.data()));
        settle();
    }
    void TearDown() override {
        closeWindow(window_);
        UserDefaults::setStorePath(QString());
    }

    EditVideoWindowController& w() { return *window_; }
    QString folder() const { return dir_.path() + "/out"; }
    // Every entry of the output folder, hidden ones (part folders, temporary files) included.
    QStringList files() const {
        return QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    // Opens path and sets the trim range in the trim panel's fields (whole seconds).
    void openWithRange(const QString& path, const QString& start, const QString& stop, bool remove) {
        pickFile(w().outlets().addfileButton, path, QFileDialog::ExistingFile);
        settle(100);
        ASSERT_TRUE(w().session().file().isOpen());
        pickOutputFolder(w().outlets().exportBar->folderChooser, folder());
        if (start == stop)
            return;
        typeInto(w().tool<TrimTool>()->outlets().stopRow, stop);
        typeInto(w().tool<TrimTool>()->outlets().startRow, start);
        ASSERT_TRUE(answerAlerts().isEmpty());
        w().tool<TrimTool>()->outlets().preference->setCurrentIndex(remove ? 1 : 0);
        emit w().tool<TrimTool>()->outlets().preference->activated(remove ? 1 : 0);
    }
    // Opens path and sets the range with the trim panel's buttons at the play head.
    void openWithButtons(const QString& path, double start, double stop, bool remove) {
        openWithRange(path, "00", "00", remove);
        w().tool<TrimTool>()->outlets().preference->setCurrentIndex(remove ? 1 : 0);
        emit w().tool<TrimTool>()->outlets().preference->activated(remove ? 1 : 0);
        w().preview()->seek(stop);
        settle(300);
        click(w().tool<TrimTool>()->outlets().setStop);
        w().preview()->seek(start);
        settle(300);
        click(w().tool<TrimTool>()->outlets().setStart);
        ASSERT_TRUE(answerAlerts().isEmpty());
        ASSERT_GT(w().tool<TrimTool>()->trimStopSeconds() - w().tool<TrimTool>()->trimStartSeconds(), 5.0);
    }
    static void typeInto(TimeCodeRow* row, const QString& seconds) {
        click(row->field(TimeCodeRow::Seconds));
        typeField(row->field(TimeCodeRow::Seconds), seconds);
    }

    QTemporaryDir dir_;
    QPointer<EditVideoWindowController> window_;
};

TEST_F(EditorExportWindow, DeletingASectionFromTheTrimPanelWritesTheOuterPartsAndShowsTheFinishMessage) {
    const QString src = testsupport::media("long_10s.mp4");
    openWithRange(src, "03", "06", true);
    ZylButton* start = w().outlets().exportBar->startButton;
    ASSERT_TRUE(start->isEnabled());
    click(start);
    EXPECT_TRUE(w().jobChain().isBusy());
    // While it runs, nothing may change what the passes read.
    EXPECT_FALSE(w().outlets().addfileButton->isEnabled());
    EXPECT_FALSE(w().toolButton(EditorToolTypeCrop)->isEnabled());
    ASSERT_TRUE(waitForJobs(&w()));
    ASSERT_TRUE(waitUntil([] { return finishMessage() != nullptr; }, 60000));
    closeFinishMessage();
    EXPECT_EQ(files(), QStringList{"long_10s.mp4"});
    EXPECT_FLOAT_EQ(w().outlets().exportBar->progressView->progress(), 1.0f);
    const QString out = folder() + "/long_10s.mp4";
    EXPECT_EQ(testsupport::probeFrameCount(out), 175);
    EXPECT_LT(testsupport::meanAbsDiff(testsupport::ffmpegFrameAt(out, 75.5 / 25),
                                       testsupport::ffmpegFrameAt(src, 150.5 / 25)),
              4.0);
    EXPECT_TRUE(w().outlets().addfileButton->isEnabled());
    EXPECT_TRUE(start->isEnabled());
}

TEST_F(EditorExportWindow, DeletingASectionIntoAFolderThatCannotBeWrittenSaysSo) {
    openWithRange(testsupport::media("long_10s.mp4"), "03", "06", true);
    testsupport::ReadOnlyFolder readOnly(folder());
    if (!readOnly.isReadOnly())
        GTEST_SKIP() << "no way to make a folder read-only here";
    click(w().outlets().exportBar->startButton);
    waitUntil([] { return openAlert() != nullptr; });
    const QStringList shown = answerAlerts();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.first().startsWith(text("engineErrorReadOnlyString") + " (error:-"))
        << shown.first().toStdString();
    EXPECT_FALSE(w().jobChain().isBusy());
    EXPECT_TRUE(files().isEmpty());
    EXPECT_TRUE(w().outlets().exportBar->startButton->isEnabled());
}

TEST_F(EditorExportWindow, ATimeStillBeingTypedIsCheckedBeforeTheExportStarts) {
    openWithRange(testsupport::media("long_10s.mp4"), "00", "00", false);
    // The start button takes no focus: the typing has not ended when it is pressed.
    LxTextField* stop = w().tool<TrimTool>()->outlets().stopRow->field(TimeCodeRow::Seconds);
    click(stop);
    stop->selectAll();
    QTest::keyClicks(stop, "12");
    click(w().outlets().exportBar->startButton);
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime2")});
    EXPECT_FALSE(w().jobChain().isBusy());
    EXPECT_NEAR(w().tool<TrimTool>()->outlets().stopRow->time(), w().tool<TrimTool>()->trimStopSeconds(),
                0.006);
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(EditorExportWindow, CancelInTheSecondPassRemovesTheFirstPart) {
    openWithButtons(testsupport::longClip(), 20, 30, true);
    click(w().outlets().exportBar->startButton);
    ASSERT_TRUE(waitUntil([&] {
        return w().jobChain().currentIndex() == 1 && w().outlets().exportBar->progressView->progress() > 0.4;
    }));
    click(w().outlets().exportBar->startButton); // Cancel
    ASSERT_TRUE(waitUntil([&] { return !w().jobChain().isBusy(); }));
    settle(100);
    EXPECT_EQ(finishMessage(), nullptr);
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_TRUE(files().isEmpty()) << files().join(", ").toStdString();
    EXPECT_TRUE(w().outlets().exportBar->startButton->isEnabled());
}

TEST_F(EditorExportWindow, ASetUpFailureShowsItsMessageAndLeavesTheWindowUsable) {
    openWithRange(testsupport::media("h264_aac.mp4"), "01", "03", false);
    const QString gone = dir_.path() + "/gone.srt";
    w().session().state().editSubtitle([&](SubtitleParam& style) { style.subtitlePath = gone; });
    click(w().outlets().exportBar->startButton);
    // The failure comes back from the job's thread, later on a loaded machine.
    waitUntil([] { return openAlert() != nullptr; });
    const QStringList shown = answerAlerts();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.first().contains("error:")) << shown.first().toStdString();
    EXPECT_FALSE(w().jobChain().isBusy());
    EXPECT_TRUE(files().isEmpty());
    EXPECT_TRUE(w().outlets().exportBar->startButton->isEnabled());
    EXPECT_TRUE(w().outlets().addfileButton->isEnabled());
    EXPECT_TRUE(w().toolButton(EditorToolTypeCrop)->isEnabled());

    // Without the missing subtitle the next press exports.
    w().session().state().editSubtitle([](SubtitleParam& style) { style.subtitlePath.clear(); });
    click(w().outlets().exportBar->startButton);
    ASSERT_TRUE(waitForJobs(&w()));
    closeFinishMessage();
    EXPECT_EQ(files(), QStringList{"h264_aac.mp4"});
    EXPECT_NEAR(testsupport::probeDuration(folder() + "/h264_aac.mp4"), 2.0, 0.1);
}

TEST_F(EditorExportWindow, ClosingDuringAnExportStopsItAndLeavesNothing) {
    openWithButtons(testsupport::longClip(), 5, 50, false);
    click(w().outlets().exportBar->startButton);
    ASSERT_TRUE(waitUntil([&] { return w().outlets().exportBar->progressView->progress() > 0.02; }));
    window_->close();
    ASSERT_TRUE(waitUntil([&] { return window_.isNull(); }, 60000));
    settle(100);
    EXPECT_EQ(finishMessage(), nullptr);
    EXPECT_TRUE(files().isEmpty()) << files().join(", ").toStdString();
}

TEST_F(EditorExportWindow, ATileAndItsSettingsWindowGiveTheExportItsFormat) {
    openWithRange(testsupport::media("h264_aac.mp4"), "00", "00", false);
    FormatBrowser* b = w().outlets().formatBrowser;
    ASSERT_NE(b, nullptr);
    const int video = int(b->functionList().indexOf("Video"));
    ASSERT_GE(video, 0);
    click(b->function_Items[size_t(video)]);
    const int avi = int(b->functionItemChilds().indexOf("avi"));
    ASSERT_GE(avi, 0);
    click(b->functionItemBtn_Childs[size_t(avi)]);
    EXPECT_EQ(w().session().file().fileData->targetData->extension, "avi");

    // The gear's settings window: a mono choice reaches the record and the stored format.
    click(b->gearBtns[size_t(avi)]);
    SettingWindowController* settings = b->settingWindow();
    ASSERT_NE(settings, nullptr);
    QComboBox* channels = settings->popUp(profiles::kChannels);
    const int mono = channels->findText("1");
    ASSERT_GE(mono, 0);
    channels->setCurrentIndex(mono);
    emit channels->activated(mono);
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey("achannel_SelectTitle"), "1");
    EXPECT_EQ(w().session().file().fileData->targetData->a_channel, 1);
    settings->close();
    settle();

    click(w().outlets().exportBar->startButton);
    ASSERT_TRUE(waitForJobs(&w()));
    closeFinishMessage();
    ASSERT_EQ(files(), QStringList{"h264_aac.avi"});
    const QString out = folder() + "/h264_aac.avi";
    EXPECT_EQ(testsupport::probeStream(out, "video").value("codec_name").toString(), "mpeg4");
    EXPECT_EQ(testsupport::probeStream(out, "audio").value("codec_name").toString(), "mp3");
    EXPECT_EQ(testsupport::probeStream(out, "audio").value("channels").toInt(), 1);
}

TEST_F(EditorExportWindow, TheSoundTabsKeepOriginalTileWritesTheSoundAlone) {
    openWithRange(testsupport::media("h264_aac.mp4"), "00", "00", false);
    FormatBrowser* b = w().outlets().formatBrowser;
    ASSERT_NE(b, nullptr);
    const int audio = int(b->functionList().indexOf("Audio"));
    ASSERT_GE(audio, 0);
    click(b->function_Items[size_t(audio)]);
    ASSERT_EQ(b->functionItemChilds().indexOf("Keep Original"), 0);
    click(b->functionItemBtn_Childs[0]);
    click(w().outlets().exportBar->startButton);
    ASSERT_TRUE(waitForJobs(&w()));
    closeFinishMessage();
    ASSERT_EQ(files(), QStringList{"h264_aac.m4a"});
    const QString out = folder() + "/h264_aac.m4a";
    EXPECT_EQ(testsupport::probeStreamCount(out, "video"), 0);
    EXPECT_EQ(testsupport::probeStream(out, "audio").value("codec_name").toString(), "aac");
    EXPECT_NEAR(testsupport::probeDuration(out), 4.0, 0.1);
}

} // namespace

// A range set on the stored times of a large stream keeps its pictures once the index is read
// behind: the window says so, and the export holds those pictures.
TEST_F(EditorExportWindow, ARangeSetOnTheStoredTimesKeepsItsPicturesOnTheIndexsLine) {
    const QString ts = testsupport::largeTsJumpingAhead(dir_.path());
    MediaStopReading(1); // no index is read until the range is set
    openWithRange(ts, "25", "27", false);
    MediaStopReading(0);
    MediaClose(MediaOpen(ts.toUtf8().constData()));
    ASSERT_TRUE(waitUntil([&] { return std::abs(w().duration() - 30.0) < 0.05; }, 120000));
    EXPECT_TRUE(answerAlerts().contains(text("indexLineMovedString")));
    EXPECT_NEAR(w().tool<TrimTool>()->trimStartSeconds(), 13.0, 0.011);
    EXPECT_NEAR(w().tool<TrimTool>()->outlets().stopRow->time(), 15.0, 0.011);
    click(w().outlets().exportBar->startButton);
    ASSERT_TRUE(waitUntil([] { return finishMessage() != nullptr; }, 300000));
    closeFinishMessage();
    ASSERT_EQ(files().size(), 1);
    EXPECT_EQ(testsupport::decodedCounters(folder() + "/" + files()[0]), tooltest::numbers(325, 375));
}

// Started once the index is held but before the window has heard of it: the export waits for the
// window's move and holds the pictures the window showed in its range.
TEST_F(EditorExportWindow, AStartBetweenTheIndexBeingReadAndTheWindowsMoveKeepsThePicturesShown) {
    const QString ts = testsupport::largeTsJumpingAhead(dir_.path());
    MediaStopReading(1);
    openWithRange(ts, "25", "27", false);
    MediaStopReading(0);
    ASSERT_TRUE(testsupport::indexHeldUnheard(ts, *w().preview()->player()));
    click(w().outlets().exportBar->startButton);
    ASSERT_TRUE(waitUntil([] { return finishMessage() != nullptr; }, 300000));
    closeFinishMessage();
    EXPECT_TRUE(answerAlerts().contains(text("indexLineMovedString")));
    ASSERT_EQ(files().size(), 1);
    EXPECT_EQ(testsupport::decodedCounters(folder() + "/" + files()[0]), tooltest::numbers(325, 375));
}
