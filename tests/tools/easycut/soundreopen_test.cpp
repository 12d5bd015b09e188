// The easy cutter with a sound server running, as on every desktop: a clip with sound plays a
// moment, then another file is opened by typing its name into the real open panel.
#include "EasyCutDriver.h"

#include "SoundDevice.h"
#include "mediaplayer/LxMoviePlayer.h"

#include <QLabel>

using namespace easycuttest;

namespace {

class EasyCutterWithSound : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::ensureSoundDevice(&why_); }
    void SetUp() override { ASSERT_TRUE(why_.isEmpty()) << why_.toStdString(); }
    static inline QString why_;
};

} // namespace

TEST_F(EasyCutterWithSound, OpeningASecondFileWhilePlayingSoundReplacesThePlayer) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    click(w.playOrpauseBtn);
    ASSERT_TRUE(waitUntil([&] { return CMTimeGetSeconds(w.player()->currentTime()) > 0.5; }, 60000));

    const QString second = testsupport::media("h264_aac.mp4");
    tooltest::typeFileIntoPanel(w.addfileBtn->isVisible() ? w.addfileBtn : w.updateFileAddBtn, second);
    ASSERT_TRUE(waitUntil([&] { return w.scrLabel->text() == second; }, 60000));
    EXPECT_NEAR(w.duration(), 4.0, 0.1);
    // The new player plays too.
    click(w.playOrpauseBtn);
    EXPECT_TRUE(waitUntil([&] { return CMTimeGetSeconds(w.player()->currentTime()) > 0.3; }, 60000));
}
