// The editor window driven through its own controls, offscreen, on real clips: opening on
// each tool, loading and playing, the trim range from bar, buttons and fields, refused times
// and files, the layout on resize, the tool switch into the music panel and the snapshot.
#include "../../tools/shared/ToolWindowDriver.h"
#include "EditorTestClips.h"
#include "editor/core/EditVideoWindowController.h"
#include "editor/core/EditorToolTable.h"
#include "editor/core/EditorTransport.h"
#include "editor/music/MusicPanel.h"
#include "editor/trim/TrimTool.h"
#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/LxTextField.h"
#include "foundation/controls/NSImageView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"
#include "foundation/helpers/HelpClass.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/TimeStepper.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

using namespace tooltest;

namespace {

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        UserDefaults::setStorePath(dir_.filePath("defaults.ini"));
    }
    void TearDown() override {
        answerAlerts();
        window_.reset();
        settle();
        UserDefaults::setStorePath(QString());
    }

    EditVideoWindowController& open(int tool = EditorToolTypeTrim) {
        window_ = std::make_unique<EditVideoWindowController>(tool);
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        settle();
        return *window_;
    }

    // Loads a clip through the add-file button and its open panel, which takes one file.
    void load(const QString& path) {
        click(window_->outlets().addfileButton);
        QFileDialog* panel = panelOfMode(QFileDialog::ExistingFile);
        ASSERT_NE(panel, nullptr);
        panel->setDirectory(QFileInfo(path).absolutePath());
        select(panel, QFileInfo(path).fileName());
        static_cast<QDialog*>(panel)->accept();
        settle(200);
    }

    EditVideoWindowController& w() { return *window_; }
    // The window closes and deletes itself from here on.
    EditVideoWindowController* release() { return window_.release(); }
    QString scratch() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    std::unique_ptr<EditVideoWindowController> window_;
};

QString rowText(const TimeCodeRow* row) {
    QStringList parts;
    for (LxTextField* f : row->fields())
        parts << f->text();
    return parts.join(':');
}

// Types into one field of a row and ends the edit with Return.
void typeInto(TimeCodeRow* row, int part, const QString& value) {
    click(row->field(part));
    typeField(row->field(part), value);
}

// Every tool's code, in bar order.
std::vector<int> allTools() {
    std::vector<int> codes;
    for (const EditorToolRow& row : editorToolRows())
        codes.push_back(row.code);
    return codes;
}

} // namespace

TEST_F(EditorWindow, OpensOnEachToolWithoutAFile) {
    const std::pair<int, int> codes[] = {{1, 1},   {2, 2},   {4, 4}, {8, 8}, {16, 16},
                                         {32, 32}, {64, 64}, {0, 1}, {3, 1}, {128, 1}};
    for (const auto& [code, tool] : codes) {
        EditVideoWindowController& e = open(code);
        EXPECT_EQ(e.toolItemType(), tool) << code;
        for (int t : allTools()) {
            EXPECT_EQ(e.toolPanel(t)->isVisible(), t == tool) << code << " " << t;
            EXPECT_EQ(e.toolButton(t)->selected(), t == tool);
            // Nothing can be edited before a file is open, not even on the music tool.
            EXPECT_FALSE(e.toolButton(t)->isEnabled());
        }
        EXPECT_EQ(e.outlets().sideStage->isVisible(), tool == EditorToolTypeMusic);
        EXPECT_EQ(e.outlets().playerBackView->isVisible(), tool != EditorToolTypeMusic);
        for (ZylButton* b : {e.outlets().transport->playPauseBtn, e.outlets().transport->cameraBtn,
                             e.tool<TrimTool>()->outlets().setStart, e.tool<TrimTool>()->outlets().reset})
            EXPECT_FALSE(b->isEnabled());
        EXPECT_FALSE(e.outlets().exportBar->startButton->isEnabled());
        // The transport of a window without a file does nothing.
        e.play();
        e.tool<TrimTool>()->setStartTrimBtnTouchUp();
        e.tool<TrimTool>()->resetTrimBtnTouchUp();
        EXPECT_FALSE(e.isPlaying());
        EXPECT_EQ(e.session().state().cutTimeRange_stop(), 0);
        if (tool == EditorToolTypeMusic) {
            EXPECT_TRUE(e.tool<MusicPanel>()->outlets().nofileView->isVisible());
            EXPECT_EQ(e.outlets().playerBottomChildView->parentWidget(),
                      e.tool<MusicPanel>()->outlets().stripView);
        }
    }
}

TEST_F(EditorWindow, LoadsAFileAndPlaysIt) {
    EditVideoWindowController& e = open();
    const QString clip = testsupport::media("h264_aac.mp4");
    load(clip);
    ASSERT_TRUE(e.session().file().isOpen());
    for (int t : allTools())
        EXPECT_TRUE(e.toolButton(t)->isEnabled());
    const double d = e.preview()->duration();
    ASSERT_NEAR(d, testsupport::probeDuration(clip), 0.1);
    // A new file's range is the whole file.
    EXPECT_EQ(e.tool<TrimTool>()->trimStartSeconds(), 0);
    EXPECT_NEAR(e.tool<TrimTool>()->trimStopSeconds(), d, 1e-6);
    EXPECT_EQ(rowText(e.tool<TrimTool>()->outlets().startRow), "00:00:00:00");
    EXPECT_FLOAT_EQ(e.tool<TrimTool>()->outlets().bar->upperValue(), 1.f);

    click(e.outlets().transport->playPauseBtn);
    EXPECT_TRUE(e.isPlaying());
    EXPECT_TRUE(e.outlets().transport->playPauseBtn->selected());
    // Under the pointer it is a pause button while it plays.
    EXPECT_EQ(e.outlets().transport->playPauseBtn->currentImageName(), "Join/btnPause_On.png");
    // The tick moves the trim bar's play head and the time label while it plays.
    ASSERT_TRUE(waitUntil([&] { return e.tool<TrimTool>()->outlets().bar->progress() > 0.1f; }, 60000));
    EXPECT_NE(e.outlets().transport->currentTimeLabel->text(), HelpClass::returnTimeToStr(0));
    click(e.outlets().transport->playPauseBtn);
    EXPECT_FALSE(e.isPlaying());
    EXPECT_FALSE(e.preview()->isTicking());
    EXPECT_EQ(e.outlets().transport->playPauseBtn->currentImageName(), "Join/btnPlay_On.png");

    // Played to the end it stops at the start of the range, ready to play again.
    e.preview()->seek(d - 0.3);
    click(e.outlets().transport->playPauseBtn);
    ASSERT_TRUE(waitUntil([&] { return !e.isPlaying(); }, 60000));
    EXPECT_NEAR(e.preview()->currentTime(), e.tool<TrimTool>()->trimStartSeconds(), 0.1);
}

TEST_F(EditorWindow, BarButtonsAndFieldsSetTheSameRange) {
    EditVideoWindowController& e = open();
    load(testsupport::media("long_10s.mp4"));
    ASSERT_TRUE(e.session().file().isOpen());
    const double d = e.preview()->duration();

    // Set-start at the play head.
    e.preview()->seek(2.5);
    click(e.tool<TrimTool>()->outlets().setStart);
    EXPECT_NEAR(e.tool<TrimTool>()->trimStartSeconds(), 2.5, 0.05);
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().startRow->time(), e.tool<TrimTool>()->trimStartSeconds(),
                0.006);
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().bar->lowerValue() * d, e.tool<TrimTool>()->trimStartSeconds(),
                0.01);

    // Set-end at the play head.
    e.preview()->seek(7.25);
    click(e.tool<TrimTool>()->outlets().setStop);
    EXPECT_NEAR(e.tool<TrimTool>()->trimStopSeconds(), 7.25, 0.05);
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().stopRow->time(), e.tool<TrimTool>()->trimStopSeconds(), 0.006);
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().bar->upperValue() * d, e.tool<TrimTool>()->trimStopSeconds(),
                0.01);

    // Set-end before the start takes the start back to the beginning.
    e.preview()->seek(1.0);
    click(e.tool<TrimTool>()->outlets().setStop);
    EXPECT_EQ(e.tool<TrimTool>()->trimStartSeconds(), 0);
    EXPECT_EQ(rowText(e.tool<TrimTool>()->outlets().startRow), "00:00:00:00");
    EXPECT_NEAR(e.tool<TrimTool>()->trimStopSeconds(), 1.0, 0.05);

    // Typed times.
    typeInto(e.tool<TrimTool>()->outlets().stopRow, TimeCodeRow::Seconds, "08");
    typeInto(e.tool<TrimTool>()->outlets().stopRow, TimeCodeRow::Hundredths, "50");
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_NEAR(e.tool<TrimTool>()->trimStopSeconds(), 8.5, 1e-6);
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().bar->upperValue(), 8.5 / d, 1e-4);
    typeInto(e.tool<TrimTool>()->outlets().startRow, TimeCodeRow::Seconds, "03");
    EXPECT_NEAR(e.tool<TrimTool>()->trimStartSeconds(), 3.0, 1e-6);
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().bar->lowerValue(), 3.0 / d, 1e-4);

    // The stepper of the start row steps the field clicked last, through the same check.
    click(e.tool<TrimTool>()->outlets().startRow->field(TimeCodeRow::Seconds));
    TimeStepper* stepper = e.tool<TrimTool>()->outlets().startRow->stepper();
    click(stepper, QPoint(stepper->width() / 2, 2));
    EXPECT_NEAR(e.tool<TrimTool>()->trimStartSeconds(), 4.0, 1e-6);
    EXPECT_EQ(e.tool<TrimTool>()->outlets().startRow->field(TimeCodeRow::Seconds)->text(), "04");
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().bar->lowerValue(), 4.0 / d, 1e-4);

    // Dragging the bar's right handle moves the end, its row and the player alike.
    NSImageView* handle = e.tool<TrimTool>()->outlets().bar->handRightView();
    const QPoint from = handle->geometry().center();
    const QPoint to(e.tool<TrimTool>()->outlets().bar->width() * 3 / 4, from.y());
    QTest::mousePress(e.tool<TrimTool>()->outlets().bar, Qt::LeftButton, {}, from);
    QTest::mouseMove(e.tool<TrimTool>()->outlets().bar, to);
    QTest::mouseRelease(e.tool<TrimTool>()->outlets().bar, Qt::LeftButton, {}, to);
    settle();
    EXPECT_LT(e.tool<TrimTool>()->trimStopSeconds(), 8.5 - 0.5);
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().stopRow->time(), e.tool<TrimTool>()->trimStopSeconds(), 0.006);
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().bar->upperValue() * d, e.tool<TrimTool>()->trimStopSeconds(),
                0.02);

    // A press on the bar away from the handles moves the play head and the player there.
    QTest::mouseClick(e.tool<TrimTool>()->outlets().bar, Qt::LeftButton, {},
                      QPoint(e.tool<TrimTool>()->outlets().bar->width() / 2,
                             e.tool<TrimTool>()->outlets().bar->height() / 2));
    settle();
    EXPECT_NEAR(e.preview()->currentTime(), d * e.tool<TrimTool>()->outlets().bar->progress(), 0.1);
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().bar->progress(), 0.5, 0.1);
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().stopRow->time(), e.tool<TrimTool>()->trimStopSeconds(),
                0.006); // the range stays

    // Reset: the whole file.
    click(e.tool<TrimTool>()->outlets().reset);
    EXPECT_EQ(e.tool<TrimTool>()->trimStartSeconds(), 0);
    EXPECT_NEAR(e.tool<TrimTool>()->trimStopSeconds(), d, 1e-6);
    EXPECT_FLOAT_EQ(e.tool<TrimTool>()->outlets().bar->lowerValue(), 0.f);
    EXPECT_FLOAT_EQ(e.tool<TrimTool>()->outlets().bar->upperValue(), 1.f);

    // The delete mode marks the bar and is part of the edit state.
    e.tool<TrimTool>()->outlets().preference->setCurrentIndex(1);
    emit e.tool<TrimTool>()->outlets().preference->activated(1);
    settle();
    EXPECT_TRUE(e.tool<TrimTool>()->outlets().bar->isFanxuan());
    EXPECT_TRUE(e.session().state().isTrimFanxuan());
    e.pause();
}

TEST_F(EditorWindow, RefusedTimesSayWhyAndStoreNothing) {
    EditVideoWindowController& e = open();
    load(testsupport::media("long_10s.mp4"));
    ASSERT_TRUE(e.session().file().isOpen());
    typeInto(e.tool<TrimTool>()->outlets().stopRow, TimeCodeRow::Seconds, "05");
    typeInto(e.tool<TrimTool>()->outlets().startRow, TimeCodeRow::Seconds, "02");
    ASSERT_TRUE(answerAlerts().isEmpty());
    const auto stored = [&] {
        return std::pair(e.tool<TrimTool>()->trimStartSeconds(), e.tool<TrimTool>()->trimStopSeconds());
    };
    const auto before = stored();
    ASSERT_EQ(before, std::pair(2.0, 5.0));

    // A start not before the end.
    typeInto(e.tool<TrimTool>()->outlets().startRow, TimeCodeRow::Seconds, "06");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime5")});
    EXPECT_EQ(stored(), before);
    // Still in editing: the field keeps the window's focus.
    EXPECT_EQ(e.focusWidget(), e.tool<TrimTool>()->outlets().startRow->field(TimeCodeRow::Seconds));
    typeField(e.tool<TrimTool>()->outlets().startRow->field(TimeCodeRow::Seconds), "02");
    answerAlerts();

    // An end past the end of the file, even far past it.
    typeInto(e.tool<TrimTool>()->outlets().stopRow, TimeCodeRow::Hours, "99");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime2")});
    EXPECT_EQ(stored(), before);
    typeField(e.tool<TrimTool>()->outlets().stopRow->field(TimeCodeRow::Hours), "00");
    answerAlerts();

    // An end not after the start.
    typeInto(e.tool<TrimTool>()->outlets().stopRow, TimeCodeRow::Seconds, "01");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime3")});
    EXPECT_EQ(stored(), before);
    typeField(e.tool<TrimTool>()->outlets().stopRow->field(TimeCodeRow::Seconds), "05");
    answerAlerts();

    // Buttons that would leave an empty range: an end at the very start, a start at the very end.
    e.preview()->seek(0);
    click(e.tool<TrimTool>()->outlets().setStop);
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime3")});
    EXPECT_EQ(stored(), before);
    e.preview()->seek(e.preview()->duration());
    click(e.tool<TrimTool>()->outlets().setStart);
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime5")});
    EXPECT_EQ(stored(), before);

    // A step that would put the start on the end is refused and taken back.
    typeInto(e.tool<TrimTool>()->outlets().startRow, TimeCodeRow::Seconds, "04");
    answerAlerts();
    const auto beforeStep = stored();
    click(e.tool<TrimTool>()->outlets().startRow->field(TimeCodeRow::Seconds));
    click(e.tool<TrimTool>()->outlets().startRow->stepper(),
          QPoint(e.tool<TrimTool>()->outlets().startRow->stepper()->width() / 2, 2));
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime5")});
    EXPECT_EQ(stored(), beforeStep);
    EXPECT_EQ(e.tool<TrimTool>()->outlets().startRow->field(TimeCodeRow::Seconds)->text(), "04");
}

TEST_F(EditorWindow, ARefusedTimeAlertsOnceTheRowsShowWhatIsStoredAndTheBarsTheTime) {
    EditVideoWindowController& e = open();
    load(testsupport::media("long_10s.mp4"));
    ASSERT_TRUE(e.session().file().isOpen());
    const double d = e.preview()->duration();
    typeInto(e.tool<TrimTool>()->outlets().stopRow, TimeCodeRow::Seconds, "05");
    typeInto(e.tool<TrimTool>()->outlets().startRow, TimeCodeRow::Seconds, "02");
    ASSERT_TRUE(answerAlerts().isEmpty());

    // A start after the end, then Tab out of the row: one alert, however the focus moves.
    e.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
    LxTextField* start = e.tool<TrimTool>()->outlets().startRow->field(TimeCodeRow::Seconds);
    click(start);
    start->selectAll();
    QTest::keyClicks(start, "09");
    QTest::keyClick(start, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    settle(300);
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime5")});
    // The row shows the stored start again, and its field is being edited once more.
    EXPECT_EQ(rowText(e.tool<TrimTool>()->outlets().startRow), "00:00:02:00");
    EXPECT_EQ(e.focusWidget(), start);
    EXPECT_EQ(std::pair(e.tool<TrimTool>()->trimStartSeconds(), e.tool<TrimTool>()->trimStopSeconds()),
              std::pair(2.0, 5.0));

    // The end row too: an end before the start, then Tab out of it past the untouched
    // hundredths, is checked once and the stored end shows again.
    LxTextField* stop = e.tool<TrimTool>()->outlets().stopRow->field(TimeCodeRow::Seconds);
    click(stop);
    QTest::keyClicks(stop, "01");
    QTest::keyClick(stop, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    settle(300);
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime3")});
    EXPECT_EQ(rowText(e.tool<TrimTool>()->outlets().stopRow), "00:00:05:00");
    EXPECT_DOUBLE_EQ(e.tool<TrimTool>()->trimStopSeconds(), 5.0);

    // The stepper starts from the end just typed.
    click(stop);
    stop->selectAll();
    QTest::keyClicks(stop, "08");
    click(e.tool<TrimTool>()->outlets().stopRow->stepper(),
          QPoint(e.tool<TrimTool>()->outlets().stopRow->stepper()->width() / 2,
                 e.tool<TrimTool>()->outlets().stopRow->stepper()->height() - 3));
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_NEAR(e.tool<TrimTool>()->trimStopSeconds(), 7.0, 1e-6);

    // A typed start moves the bar's handle, not its play head; another tool's slider shows
    // the time the label shows.
    e.preview()->seek(6.0);
    settle(200);
    const double now = e.preview()->currentTime();
    typeInto(e.tool<TrimTool>()->outlets().startRow, TimeCodeRow::Seconds, "03");
    EXPECT_NEAR(e.tool<TrimTool>()->outlets().bar->progress(), now / d, 0.01);
    click(e.toolButton(EditorToolTypeSubtitle));
    EXPECT_NEAR(e.outlets().transport->slider->progress(), now / d, 0.01);
    EXPECT_EQ(e.outlets().transport->currentTimeLabel->text(), HelpClass::returnTimeToStr(now));
}

TEST_F(EditorWindow, ARefusedFileKeepsTheOpenOne) {
    EditVideoWindowController& e = open(EditorToolTypeCrop);
    const QString clip = testsupport::media("h264_aac.mp4");
    load(clip);
    ASSERT_TRUE(e.session().file().isOpen());
    e.preview()->seek(1.0);
    click(e.toolButton(EditorToolTypeTrim));
    click(e.tool<TrimTool>()->outlets().setStart);
    const double start = e.tool<TrimTool>()->trimStartSeconds();
    LxMoviePlayer* player = e.preview()->player();

    for (const char* bad : {"not_media.mp4", "audio_only.mp3", "zero_bytes.mp4"}) {
        load(testsupport::media(bad));
        const QStringList said = answerAlerts();
        EXPECT_EQ(said.size(), 1) << bad;
        EXPECT_EQ(e.session().file().filePath, clip) << bad;
        EXPECT_EQ(e.preview()->player(), player);
        EXPECT_EQ(e.tool<TrimTool>()->trimStartSeconds(), start);
        EXPECT_TRUE(e.toolButton(EditorToolTypeCrop)->isEnabled());
    }
}

TEST_F(EditorWindow, ResizeKeepsTheCropOnTheSamePixels) {
    EditVideoWindowController& e = open(EditorToolTypeCrop);
    load(testsupport::media("h264_aac.mp4"));
    ASSERT_TRUE(e.session().file().isOpen());
    ASSERT_EQ(e.videoSize(), QSizeF(320, 240));
    e.session().state().setCrop(NSMakeRect(40, 30, 160, 120), e.videoSize());
    const NSRect clip = e.session().state().editVideoClipRect();

    for (QSize size : {QSize(1400, 950), QSize(908, 622), QSize(1200, 700)}) {
        e.resize(size);
        settle();
        const NSRect r = e.pictureRect();
        // The picture keeps its proportions, centred in the player's view.
        EXPECT_NEAR(r.width / r.height, 320.0 / 240.0, 0.01);
        EXPECT_NEAR(r.midX(), e.outlets().playerView->width() / 2.0, 1);
        EXPECT_EQ(e.session().state().editVideoClipRect(), clip);
        // The crop shown covers the same pixels of the picture.
        const NSRect shown = e.cropRectInView();
        EXPECT_NEAR((shown.x - r.x) / r.width * 320, clip.x, 0.01);
        EXPECT_NEAR((shown.y - r.y) / r.height * 240, clip.y, 0.01);
        EXPECT_NEAR(shown.width / r.width * 320, clip.width, 0.01);
        // The player's view fills its place.
        EXPECT_EQ(e.preview()->player()->view()->size(), e.outlets().playerView->size());
    }
    // Full screen and back: the same pixels still.
    e.showFullScreen();
    settle(100);
    EXPECT_EQ(e.session().state().editVideoClipRect(), clip);
    EXPECT_NEAR(e.pictureRect().width / e.pictureRect().height, 320.0 / 240.0, 0.01);
    EXPECT_EQ(e.preview()->player()->view()->size(), e.outlets().playerView->size());
    e.showNormal();
    settle(100);
    EXPECT_EQ(e.session().state().editVideoClipRect(), clip);
}

TEST_F(EditorWindow, TheMusicToolTakesThePlayerAndGivesItBack) {
    EditVideoWindowController& e = open();
    load(testsupport::media("h264_aac.mp4"));
    ASSERT_TRUE(e.session().file().isOpen());
    QWidget* view = e.preview()->player()->view();
    click(e.toolButton(EditorToolTypeMusic));
    EXPECT_EQ(e.toolItemType(), EditorToolTypeMusic);
    EXPECT_EQ(view->parentWidget(), e.tool<MusicPanel>()->outlets().pictureView);
    EXPECT_EQ(view->size(), e.tool<MusicPanel>()->outlets().pictureView->size());
    EXPECT_EQ(e.outlets().playerBottomChildView->parentWidget(), e.tool<MusicPanel>()->outlets().stripView);
    EXPECT_FALSE(e.tool<MusicPanel>()->outlets().nofileView->isVisible());
    EXPECT_FALSE(e.outlets().playerBackView->isVisible());
    // Playing in the music panel moves the same play head.
    click(e.outlets().transport->playPauseBtn);
    EXPECT_TRUE(e.isPlaying());
    click(e.outlets().transport->playPauseBtn);

    click(e.toolButton(EditorToolTypeTrim));
    EXPECT_EQ(view->parentWidget(), e.outlets().playerView);
    EXPECT_EQ(view->size(), e.outlets().playerView->size());
    EXPECT_EQ(e.outlets().playerBottomChildView->parentWidget(), e.outlets().playerBottomView);
    EXPECT_TRUE(e.tool<TrimTool>()->outlets().bar->isVisible());
    EXPECT_FALSE(e.outlets().transport->slider->isVisible());
    click(e.toolButton(EditorToolTypeEffect));
    EXPECT_FALSE(e.tool<TrimTool>()->outlets().bar->isVisible());
    EXPECT_TRUE(e.outlets().transport->slider->isVisible());

    // Other tools seek with the slider; a drag while playing pauses the picture and goes on after.
    const double d = e.preview()->duration();
    QTest::mouseClick(
        e.outlets().transport->slider, Qt::LeftButton, {},
        QPoint(e.outlets().transport->slider->width() / 4, e.outlets().transport->slider->height() / 2));
    settle();
    EXPECT_NEAR(e.preview()->currentTime(), d / 4, 0.3);
    click(e.outlets().transport->playPauseBtn);
    QTest::mousePress(
        e.outlets().transport->slider, Qt::LeftButton, {},
        QPoint(e.outlets().transport->slider->width() / 2, e.outlets().transport->slider->height() / 2));
    EXPECT_FALSE(e.preview()->isTicking());
    EXPECT_TRUE(e.isPlaying());
    QTest::mouseRelease(
        e.outlets().transport->slider, Qt::LeftButton, {},
        QPoint(e.outlets().transport->slider->width() / 2, e.outlets().transport->slider->height() / 2));
    EXPECT_TRUE(e.preview()->isTicking());
    click(e.outlets().transport->playPauseBtn);
    EXPECT_FALSE(e.isPlaying());
}

TEST_F(EditorWindow, EverySoundStreamTheEditorCanPlayIsListed) {
    EditVideoWindowController& e = open(EditorToolTypeMusic);
    load(editortest::multiSoundClip());
    ASSERT_TRUE(e.session().file().isOpen());
    // The two AC-3 streams are left out, and the user is told so, one message after the other.
    QStringList said = answerAlerts();
    said += answerAlerts();
    EXPECT_EQ(said.size(), 2);
    const auto& streams = e.session().file().fileData->audioStreamInfos;
    ASSERT_EQ(streams.size(), 2u);
    ASSERT_EQ(e.tool<MusicPanel>()->outlets().audiochanelPopBtn->count(), 2);
    // A file opened on the music tool previews in the music panel.
    EXPECT_EQ(e.preview()->player()->view()->parentWidget(), e.tool<MusicPanel>()->outlets().pictureView);
    EXPECT_TRUE(e.tool<MusicPanel>()->outlets().audiochanelPopBtn->isEnabled());
    e.tool<MusicPanel>()->outlets().audiochanelPopBtn->setCurrentIndex(1);
    click(e.outlets().transport->playPauseBtn);
    EXPECT_TRUE(e.isPlaying());
    ASSERT_TRUE(waitUntil([&] { return e.preview()->currentTime() > 0.3; }, 60000));
    click(e.outlets().transport->playPauseBtn);

    // A file without sound lists nothing.
    load(testsupport::media("no_audio.mp4"));
    EXPECT_EQ(e.tool<MusicPanel>()->outlets().audiochanelPopBtn->count(), 0);
    EXPECT_FALSE(e.tool<MusicPanel>()->outlets().audiochanelPopBtn->isEnabled());
}

TEST_F(EditorWindow, ClosingWhilePlayingStopsThePreview) {
    EditVideoWindowController& e = open(EditorToolTypeMusic);
    load(testsupport::media("h264_aac.mp4"));
    ASSERT_TRUE(e.session().file().isOpen());
    click(e.outlets().transport->playPauseBtn);
    ASSERT_TRUE(e.isPlaying());
    QPointer<EditVideoWindowController> closing(release());
    closing->close();
    ASSERT_TRUE(waitUntil([&] { return closing.isNull(); }, 60000));
    settle(200); // a late end-of-play report finds no window
}

TEST_F(EditorWindow, ASnapshotIsTheFrameShown) {
    EditVideoWindowController& e = open(EditorToolTypeRotate);
    const QString clip = testsupport::media("long_10s.mp4");
    load(clip);
    ASSERT_TRUE(e.session().file().isOpen());
    pickOutputFolder(e.outlets().exportBar->folderChooser, scratch());
    e.resize(e.width(), e.height()); // nothing else changes
    e.preview()->seek(4.0);
    settle(300);
    const double at = e.preview()->currentTime();

    // The snapshot is written once the picture at the play head is in the view, which on a
    // loaded machine can be after the click returns.
    const auto snapshots = [&] {
        QStringList f = outputs(scratch());
        f.removeAll("defaults.ini");
        return f;
    };
    click(e.outlets().transport->cameraBtn);
    ASSERT_TRUE(waitUntil([&] { return !snapshots().isEmpty(); }, 60000));
    QStringList files = snapshots();
    ASSERT_EQ(files.size(), 1);
    QImage shot(scratch() + "/" + files.first());
    ASSERT_EQ(shot.size(), QSize(320, 240));
    EXPECT_TRUE(files.first().endsWith(".png"));
    const QImage frame = testsupport::ffmpegFrameAt(clip, at);
    EXPECT_LT(testsupport::meanAbsDiff(shot.convertToFormat(QImage::Format_RGB32), frame), 12.0);

    // The format menu gives jpg; a second snapshot in the same second takes a free name.
    click(e.outlets().transport->picStyleBtn);
    e.outlets().transport->coverStylePopBtn->setCurrentIndex(1);
    emit e.outlets().transport->coverStylePopBtn->activated(1);
    click(e.outlets().transport->cameraBtn);
    click(e.outlets().transport->cameraBtn);
    ASSERT_TRUE(waitUntil([&] { return snapshots().filter(".jpg").size() >= 2; }, 60000));
    files = outputs(scratch());
    EXPECT_EQ(files.filter(".jpg").size(), 2);
    EXPECT_EQ(files.filter(".png").size(), 1);
}
