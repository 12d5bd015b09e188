// The editor's music tool driven through its own controls, offscreen, on clips made by the
// ffmpeg command line: loading and refusing files, the track list, the time fields and their
// steppers, muting, and an export whose sound is judged by ffmpeg.
#include "../../tools/shared/ToolWindowDriver.h"
#include "../core/EditorTestClips.h"
#include "editor/core/EditVideoWindowController.h"
#include "editor/core/EditorTransport.h"
#include "editor/music/MusicPanel.h"
#include "editor/music/MusicPlacement.h"
#include "editor/music/MusicRangeSlider.h"
#include "editor/music/MusicTrackList.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/LxTextField.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/MusicInfo.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/TimeStepper.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <cmath>

using namespace tooltest;
using testsupport::audioRms;

namespace {

class MusicTool : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        clips_ = new QTemporaryDir;
        make("-f lavfi -i testsrc2=size=160x120:rate=25:duration=8 -f lavfi -i "
             "aevalsrc=0.1*sin(2*PI*1000*t):s=44100:d=8 "
             "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest",
             "video.mp4");
        make("-f lavfi -i aevalsrc=0.5*sin(2*PI*440*t):s=44100:d=12", "tone12.wav");
        make("-f lavfi -i aevalsrc=0.5*sin(2*PI*660*t):s=44100:d=4 -c:a libmp3lame", "short.mp3");
        QFile empty(clip("empty.mp3"));
        empty.open(QIODevice::WriteOnly);
    }
    static void TearDownTestSuite() {
        delete clips_;
        clips_ = nullptr;
    }
    static void make(const char* args, const QString& name) {
        ASSERT_FALSE(testsupport::makeWithFfmpeg(clip(name), QString(args).split(' ')).isEmpty());
    }
    static QString clip(const QString& name) { return clips_->filePath(name); }

    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        UserDefaults::setStorePath(dir_.filePath("defaults.ini"));
        window_ = std::make_unique<EditVideoWindowController>(EditorToolTypeMusic);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        ASSERT_TRUE(window_->openFile(clip("video.mp4")));
        settle();
        panel_ = window_->tool<MusicPanel>();
        ASSERT_NE(panel_, nullptr);
    }
    void TearDown() override {
        answerAlerts();
        closeFinishMessage();
        window_.reset();
        settle();
        UserDefaults::setStorePath(QString());
    }

    MusicInfo& track(int i) { return *panel_->musicList().at(size_t(i)); }
    // Types seconds into the seconds field of a row (the other fields at 0) and ends the edit.
    void typeTime(TimeCodeRow* row, int seconds) {
        for (int part : {TimeCodeRow::Hours, TimeCodeRow::Minutes, TimeCodeRow::Hundredths})
            row->field(part)->setText("00");
        click(row->field(TimeCodeRow::Seconds));
        typeField(row->field(TimeCodeRow::Seconds), QString::number(seconds));
    }

    static inline QTemporaryDir* clips_ = nullptr;
    QTemporaryDir dir_;
    std::unique_ptr<EditVideoWindowController> window_;
    MusicPanel* panel_ = nullptr;
};

TEST_F(MusicTool, LoadedTracksCoverTheVideoAndWhatIsNotSoundIsRefused) {
    EXPECT_FALSE(panel_->outlets().repeatMusicBtn->isEnabled());
    // The panel offers the sound types first (no video type among them), every file second.
    click(panel_->outlets().loadmusicBtn);
    QFileDialog* offer = panelOfMode(QFileDialog::ExistingFiles);
    ASSERT_NE(offer, nullptr);
    ASSERT_EQ(offer->nameFilters().size(), 2);
    EXPECT_TRUE(offer->nameFilters()[0].contains("*.mp3 ") && offer->nameFilters()[0].contains("*.ac3"));
    EXPECT_FALSE(offer->nameFilters()[0].contains("*.mp4"));
    offer->reject();
    settle();
    pickFile(panel_->outlets().loadmusicBtn, clip("tone12.wav"));
    ASSERT_EQ(panel_->musicList().size(), 1u);
    const double V = panel_->videoLength();
    EXPECT_NEAR(V, 8.0, 0.1);
    // A 12 s file on an 8 s video: its first 8 s, over the whole video, at half volume, ticked.
    EXPECT_NEAR(track(0).duration, V, 0.01);
    EXPECT_NEAR(track(0).pruneDiration, V, 0.01);
    EXPECT_EQ(track(0).positionStart, 0);
    EXPECT_NEAR(track(0).positionEnd, V, 0.01);
    EXPECT_FLOAT_EQ(track(0).volume, 0.5f);
    EXPECT_TRUE(track(0).selected);
    EXPECT_EQ(panel_->musicSelecteds().size(), 1u);
    EXPECT_TRUE(panel_->outlets().repeatMusicBtn->isEnabled());
    EXPECT_NEAR(panel_->outlets().positionEndRow->time(), V, 0.011);

    EXPECT_EQ(panel_->loadMusicFiles({clip("short.mp3")}), 1);
    EXPECT_NEAR(track(1).duration, 4.0, 0.1);
    EXPECT_NEAR(track(1).pruneDiration, 4.0, 0.1);

    // A picture-only clip and an empty file: one message naming both, nothing added.
    EXPECT_EQ(panel_->loadMusicFiles({testsupport::media("no_audio.mp4"), clip("empty.mp3")}), 0);
    const QStringList said = answerAlerts();
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].startsWith(text("nonsupportfilesstringValue")));
    EXPECT_TRUE(said[0].contains("no_audio.mp4") && said[0].contains("empty.mp3"));
    EXPECT_EQ(panel_->musicList().size(), 2u);

    // Another video: the tracks were placed on the old one's timeline and go.
    ASSERT_TRUE(window_->openFile(testsupport::media("h264_aac.mp4")));
    EXPECT_TRUE(panel_->musicList().empty());
    EXPECT_TRUE(panel_->outlets().trackList->rows().empty());
    EXPECT_FALSE(panel_->outlets().repeatMusicBtn->isEnabled());
}

TEST_F(MusicTool, RowsAreHighlightedTickedAndDeleted) {
    ASSERT_EQ(panel_->loadMusicFiles({clip("tone12.wav"), clip("short.mp3"), clip("tone12.wav")}), 3);
    const auto& rows = panel_->outlets().trackList->rows();
    ASSERT_EQ(rows.size(), 3u);
    click(rows[2]);
    EXPECT_EQ(panel_->selectedMusicIndex(), 2);
    EXPECT_TRUE(rows[2]->isHighlighted());
    EXPECT_FALSE(rows[0]->isHighlighted());
    click(panel_->outlets().trackList->rows()[1]->checkButton());
    EXPECT_FALSE(track(1).selected);
    EXPECT_EQ(panel_->musicSelecteds().size(), 2u);

    // Deleting the last row highlights the new last one; the unticked track stays unticked.
    click(panel_->outlets().deletedMusicBtn);
    settle();
    ASSERT_EQ(panel_->musicList().size(), 2u);
    EXPECT_EQ(panel_->selectedMusicIndex(), 1);
    EXPECT_TRUE(panel_->outlets().trackList->rows()[1]->isHighlighted());
    EXPECT_FALSE(panel_->outlets().trackList->rows()[1]->isChecked());
    EXPECT_EQ(panel_->musicSelecteds().size(), 1u);

    click(panel_->outlets().deletedMusicBtn);
    settle();
    click(panel_->outlets().deletedMusicBtn);
    settle();
    EXPECT_TRUE(panel_->musicList().empty());
    EXPECT_FALSE(panel_->outlets().deletedMusicBtn->isEnabled());
    EXPECT_EQ(panel_->outlets().musicRangSlider->positionRightValue(), 0);
    EXPECT_EQ(panel_->musicPlayer(), nullptr);
}

TEST_F(MusicTool, TypedAndSteppedTimesPassTheSameChecks) {
    ASSERT_EQ(panel_->loadMusicFiles({clip("tone12.wav")}), 1);
    const float end = track(0).positionEnd;
    typeTime(panel_->outlets().positionEndRow, 0);
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime3")});
    EXPECT_EQ(track(0).positionEnd, end);
    typeTime(panel_->outlets().positionEndRow, 9);
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime2")});
    EXPECT_EQ(track(0).positionEnd, end);

    // A shorter place cuts the used music to its length.
    typeTime(panel_->outlets().positionStartRow, 5);
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_FLOAT_EQ(track(0).positionStart, 5);
    EXPECT_NEAR(track(0).pruneDiration, end - 5, 0.01);
    EXPECT_NEAR(panel_->outlets().musicRangSlider->positionLeftValue(), 5 / panel_->videoLength(), 0.001);

    // Tab out of the place's start row checks it too: a start not before the end is refused
    // with its message and the stored start shows again.
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    LxTextField* seconds = panel_->outlets().positionStartRow->field(TimeCodeRow::Seconds);
    click(seconds);
    QTest::keyClicks(seconds, "09");
    QTest::keyClick(seconds, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    settle(300);
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime5")});
    EXPECT_FLOAT_EQ(track(0).positionStart, 5);
    EXPECT_NEAR(panel_->outlets().positionStartRow->time(), 5, 0.001);

    typeTime(panel_->outlets().positionStartRow, 0);
    click(panel_->outlets().pruneMusicBtn);
    EXPECT_TRUE(track(0).prune);
    EXPECT_TRUE(panel_->outlets().pruneStartRow->isVisible());
    typeTime(panel_->outlets().pruneStartRow, 2);
    EXPECT_FLOAT_EQ(track(0).pruneStart, 2);
    typeTime(panel_->outlets().pruneEndRow, 7);
    EXPECT_NEAR(track(0).pruneDiration, 5, 0.01);
    // A start after the end is refused; one before it keeps the end.
    typeTime(panel_->outlets().pruneStartRow, 7);
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime5")});
    typeTime(panel_->outlets().pruneStartRow, 4);
    EXPECT_FLOAT_EQ(track(0).pruneStart, 4);
    EXPECT_NEAR(track(0).pruneDiration, 3, 0.01);
    typeTime(panel_->outlets().pruneEndRow, 3);
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime6")});

    // The stepper of the place's end steps only its own row, through the same check: one
    // second past the video's end is refused and the row shows the stored end again.
    typeTime(panel_->outlets().positionEndRow, 8);
    click(panel_->outlets().positionEndRow->field(TimeCodeRow::Seconds));
    TimeStepper* stepper = panel_->outlets().positionEndRow->stepper();
    click(stepper, QPoint(stepper->width() / 2, 2));
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime2")});
    EXPECT_FLOAT_EQ(track(0).positionEnd, 8);
    EXPECT_NEAR(panel_->outlets().positionEndRow->time(), 8, 0.001);
    EXPECT_FLOAT_EQ(track(0).positionStart, 0);
}

TEST_F(MusicTool, UnmutingBringsBackTheLevelFromBeforeMuting) {
    ASSERT_EQ(panel_->loadMusicFiles({clip("tone12.wav")}), 1);
    LxProgressSlider* slider = panel_->outlets().musicItemVolueSlider;
    click(slider, QPoint(int(slider->width() * 0.8), slider->height() / 2));
    const float level = track(0).volume;
    EXPECT_GT(level, 0.6f);
    click(panel_->outlets().musicItemVolueBtn);
    settle();
    EXPECT_EQ(track(0).volume, 0);
    click(panel_->outlets().musicItemVolueBtn);
    settle();
    EXPECT_FLOAT_EQ(track(0).volume, level);
}

TEST_F(MusicTool, TheExportHasEachTickedTrackInItsPlaceAndNotTheRemovedOriginal) {
    ASSERT_EQ(panel_->loadMusicFiles({clip("tone12.wav"), clip("short.mp3"), clip("short.mp3")}), 3);
    // Track 0 from 2 s to 5 s; track 1 from 6 s to the end, fading in; track 2 unticked.
    click(panel_->outlets().trackList->rows()[0]);
    typeTime(panel_->outlets().positionStartRow, 2);
    typeTime(panel_->outlets().positionEndRow, 5);
    click(panel_->outlets().trackList->rows()[1]);
    typeTime(panel_->outlets().positionStartRow, 6);
    click(panel_->outlets().fadeInBtn);
    click(panel_->outlets().trackList->rows()[2]->checkButton());
    click(panel_->outlets().removeOriginalmusicBtn);
    ASSERT_TRUE(answerAlerts().isEmpty());

    pickOutputFolder(window_->outlets().exportBar->folderChooser, dir_.path());
    click(window_->outlets().exportBar->startButton);
    ASSERT_TRUE(waitForJobs(window_.get()));
    closeFinishMessage();
    const QString out = dir_.filePath("video.mp4");
    ASSERT_TRUE(QFile::exists(out));

    const double tone = audioRms(clip("tone12.wav"), 1, 3), shortTone = audioRms(clip("short.mp3"), 1, 3);
    EXPECT_LT(audioRms(out, 0.2, 1.8), 0.002);
    EXPECT_NEAR(audioRms(out, 2.2, 4.8), 0.5 * tone, 0.02);
    EXPECT_LT(audioRms(out, 5.2, 5.8), 0.002);
    // The fade-in: a quarter of the way in well below the level it reaches.
    EXPECT_LT(audioRms(out, 6.2, 6.3), 0.4 * 0.5 * shortTone);
    EXPECT_NEAR(audioRms(out, 7.2, 7.8), 0.5 * shortTone, 0.02);
}

TEST_F(MusicTool, ATrackGoneBeforeTheExportIsNamedAsTheMusicNotAnEngineCode) {
    const QString copy = dir_.filePath("gone.wav");
    ASSERT_TRUE(QFile::copy(clip("tone12.wav"), copy));
    ASSERT_EQ(panel_->loadMusicFiles({copy}), 1);
    ASSERT_TRUE(QFile::remove(copy));
    pickOutputFolder(window_->outlets().exportBar->folderChooser, dir_.path());
    click(window_->outlets().exportBar->startButton);
    ASSERT_TRUE(waitForJobs(window_.get()));
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime7")});
    EXPECT_FALSE(QFile::exists(dir_.filePath("video.mp4")));
}

TEST_F(MusicTool, ThePreviewAndTheVideoNeverPlayTogether) {
    ASSERT_EQ(panel_->loadMusicFiles({clip("short.mp3")}), 1);
    ASSERT_NE(panel_->musicPlayer(), nullptr);
    click(panel_->outlets().musicItemPlayPauseBtn);
    settle();
    EXPECT_TRUE(panel_->isAudioPlaying());
    EXPECT_TRUE(window_->tool<MusicPanel>()->isAudioTimerActive());
    // Starting the video stops the preview, and music editing waits until the video stops.
    click(window_->outlets().transport->playPauseBtn);
    settle();
    EXPECT_TRUE(window_->isPlaying());
    EXPECT_FALSE(panel_->isAudioPlaying());
    EXPECT_FALSE(panel_->outlets().musicItemPlayPauseBtn->selected());
    EXPECT_FALSE(window_->tool<MusicPanel>()->isAudioTimerActive());
    EXPECT_FALSE(panel_->outlets().repeatMusicBtn->isEnabled());
    EXPECT_FALSE(panel_->outlets().loadmusicBtn->isEnabled());
    click(window_->outlets().transport->stopBtn);
    settle();
    EXPECT_TRUE(panel_->outlets().repeatMusicBtn->isEnabled());
    EXPECT_TRUE(panel_->outlets().loadmusicBtn->isEnabled());
    // Highlighting a track again while its preview plays stops it: the new player starts paused.
    click(panel_->outlets().pruneMusicBtn);
    click(panel_->outlets().playPruneMusicBtn);
    settle();
    EXPECT_TRUE(panel_->isAudioPlaying());
    click(panel_->outlets().trackList->rows()[0]);
    EXPECT_FALSE(panel_->isAudioPlaying());
    EXPECT_FALSE(panel_->outlets().musicItemPlayPauseBtn->selected());
}

TEST_F(MusicTool, DraggingThePlaceMovesTheTrackAndItsFields) {
    ASSERT_EQ(panel_->loadMusicFiles({clip("short.mp3")}), 1);
    MusicRangeSlider* slider = panel_->outlets().musicRangSlider;
    ZylDraggedView* end = slider->rightMoveView();
    ASSERT_TRUE(end->isVisible());
    const double B = slider->width() - 10, V = panel_->videoLength();
    // The end handle from the video's end back to its middle.
    const QPointF c(end->width() / 2.0, end->height() / 2.0);
    QTest::mousePress(end, Qt::LeftButton, {}, c.toPoint());
    QMouseEvent move(QEvent::MouseMove, c - QPointF(B / 2, 0), end->mapToGlobal(c - QPointF(B / 2, 0)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(end, &move);
    QTest::mouseRelease(end, Qt::LeftButton, {}, (c - QPointF(B / 2, 0)).toPoint());
    EXPECT_NEAR(track(0).positionEnd, V / 2, 0.05);
    EXPECT_NEAR(panel_->outlets().positionEndRow->time(), track(0).positionEnd, 0.011);
    EXPECT_EQ(track(0).positionStart, 0);
}

} // namespace

// The player and the export take a track's placement from one place: the music runs for as
// long as its slot or the file lasts, and without repeat it plays its range once.
TEST(MusicPlacementRules, MusicEndAndSlotEnd) {
    MusicInfo m;
    m.duration = 30;
    m.pruneDiration = 30;
    m.positionStart = 10;
    m.positionEnd = 20;
    m.volume = 0.5f;
    m.fadeIn = true;
    EXPECT_EQ(musicPlacement(m), (MusicPlacement{0, 10, 10, 20, 1, 0, 0.5}));
    m.duration = 4; // a file shorter than its slot ends with the file
    EXPECT_DOUBLE_EQ(musicPlacement(m).musicEnd, 4);
    m.prune = true;
    m.pruneStart = 2;
    m.pruneDiration = 3; // played once, the slot ends with the range
    EXPECT_EQ(musicPlacement(m), (MusicPlacement{2, 5, 10, 13, 1, 0, 0.5}));
    m.repeat = true;
    EXPECT_DOUBLE_EQ(musicPlacement(m).slotEnd, 20);
}
