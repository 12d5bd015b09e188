// The editor with a sound server running, as on every desktop: a clip (or a music track) with
// sound plays a moment, then another file is opened by typing its name into the real open
// panel, which replaces the player that was playing.
#include "../../tools/shared/ToolWindowDriver.h"
#include "SoundDevice.h"
#include "editor/core/EditVideoWindowController.h"
#include "editor/core/EditorTransport.h"
#include "editor/music/MusicPanel.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/MusicInfo.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/UserDefaults.h"
#include "tools/shared/PreviewPane.h"

#include <QPushButton>
#include <memory>

using namespace tooltest;

namespace {

class EditorWithSound : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::ensureSoundDevice(&why_); }
    void SetUp() override {
        ASSERT_TRUE(why_.isEmpty()) << why_.toStdString();
        UserDefaults::setStorePath(dir_.filePath("defaults.ini"));
    }
    void TearDown() override {
        answerAlerts();
        window_.reset();
        settle();
        UserDefaults::setStorePath(QString());
    }
    EditVideoWindowController& open(int tool) {
        window_ = std::make_unique<EditVideoWindowController>(tool);
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        settle();
        return *window_;
    }
    static inline QString why_;
    QTemporaryDir dir_;
    std::unique_ptr<EditVideoWindowController> window_;
};

} // namespace

TEST_F(EditorWithSound, OpeningASecondFileWhilePlayingSoundReplacesThePlayer) {
    EditVideoWindowController& e = open(EditorToolTypeTrim);
    pickFile(e.outlets().addfileButton, testsupport::media("long_10s.mp4"), QFileDialog::ExistingFile);
    click(e.outlets().transport->playPauseBtn);
    ASSERT_TRUE(waitUntil([&] { return e.preview()->currentTime() > 0.5; }, 60000));

    typeFileIntoPanel(e.outlets().addfileButton, testsupport::media("h264_aac.mp4"),
                      QFileDialog::ExistingFile);
    ASSERT_TRUE(waitUntil([&] { return std::abs(e.preview()->duration() - 4.0) < 0.1; }, 60000));
    click(e.outlets().transport->playPauseBtn);
    EXPECT_TRUE(waitUntil([&] { return e.preview()->currentTime() > 0.3; }, 60000));
}

TEST_F(EditorWithSound, AddingASecondMusicTrackWhileTheFirstPlaysKeepsBoth) {
    EditVideoWindowController& e = open(EditorToolTypeMusic);
    ASSERT_TRUE(e.openFile(testsupport::media("long_10s.mp4")));
    settle();
    MusicPanel* panel = e.tool<MusicPanel>();
    pickFile(panel->outlets().loadmusicBtn, testsupport::media("audio_only.m4a"));
    ASSERT_EQ(panel->musicList().size(), 1u);
    ASSERT_NE(panel->musicPlayer(), nullptr);
    click(panel->outlets().musicItemPlayPauseBtn);
    ASSERT_TRUE(
        waitUntil([&] { return CMTimeGetSeconds(panel->musicPlayer()->currentTime()) > 0.5; }, 60000));

    typeFileIntoPanel(panel->outlets().loadmusicBtn, testsupport::media("audio_only.mp3"));
    ASSERT_TRUE(waitUntil([&] { return panel->musicList().size() == 2u; }, 60000));
    EXPECT_EQ(panel->musicList().at(1)->path, testsupport::media("audio_only.mp3"));
}
