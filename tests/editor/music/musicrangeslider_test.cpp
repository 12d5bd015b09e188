// The music range slider driven by real mouse drags, offscreen: the values each drag reports,
// the limits at both ends, handles that never cross, a position bar that reads back where it
// is drawn, and the tick's full range.
#include "editor/music/MusicRangeSlider.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Recorder : MusicRangeSliderDelegate {
    std::vector<std::string> calls;
    void changeProgress(MusicRangeSlider*) override { calls.push_back("progress"); }
    void changeRangeValue(MusicRangeSlider*) override { calls.push_back("range"); }
};

void send(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Presses a part at its centre and moves the pointer dx points sideways (0: one move event
// without movement), then releases.
void drag(QWidget* part, double dx) {
    const QPointF c(part->width() / 2.0, part->height() / 2.0);
    send(part, QEvent::MouseButtonPress, c, Qt::LeftButton);
    send(part, QEvent::MouseMove, c + QPointF(dx, 0), Qt::LeftButton);
    send(part, QEvent::MouseButtonRelease, c + QPointF(dx, 0), Qt::NoButton);
}

class RangeSlider : public ::testing::Test {
protected:
    void SetUp() override {
        host_.resize(300, 60);
        slider_ = new MusicRangeSlider(&host_);
        slider_->setGeometry(10, 10, 222, 22); // timeline bar B = 212
        slider_->delegate = &recorder_;
        slider_->setEnable(true);
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
    }
    static constexpr double B = 212;
    QWidget host_;
    MusicRangeSlider* slider_ = nullptr;
    Recorder recorder_;
};

TEST_F(RangeSlider, ValuesAreClampedAndTheMusicBarIsOnePlayNeverLongerThanThePlace) {
    slider_->setVideoRangeLowerValue(-0.2f, 1.5f);
    EXPECT_FLOAT_EQ(slider_->positionLeftValue(), 0);
    EXPECT_FLOAT_EQ(slider_->positionRightValue(), 1);
    slider_->setVideoRangeLowerValue(0.2f, 0.5f);
    slider_->setMusicRangeLowerValue(0, 0.8f);
    EXPECT_NEAR(slider_->musicRangeView()->frame().width, 0.3 * B, 0.01);
    slider_->setMusicRangeLowerValue(0, 0.1f);
    slider_->setIsRepeat(true);
    EXPECT_NEAR(slider_->videoPositionView()->repeatWidth(), 0.1 * B, 0.01);
    slider_->setIsRepeat(false);
    EXPECT_EQ(slider_->videoPositionView()->repeatWidth(), 0);
}

TEST_F(RangeSlider, HandleDragsReportTheirTimesAndNeverCross) {
    slider_->setVideoRangeLowerValue(0.25f, 0.75f);
    drag(slider_->rightMoveView(), -0.25 * B);
    EXPECT_NEAR(slider_->positionRightValue(), 0.5, 0.01);
    EXPECT_NEAR(slider_->positionLeftValue(), 0.25, 0.001);
    EXPECT_EQ(recorder_.calls, std::vector<std::string>{"range"});
    // The start handle dragged far past the end stops at it.
    drag(slider_->leftMoveView(), 0.6 * B);
    EXPECT_NEAR(slider_->positionLeftValue(), slider_->positionRightValue(), 0.001);
    EXPECT_GE(slider_->videoPositionView()->frame().width, 0);
    // And the end handle dragged far before the start stops there too.
    slider_->setVideoRangeLowerValue(0.25f, 0.75f);
    drag(slider_->rightMoveView(), -0.9 * B);
    EXPECT_NEAR(slider_->positionRightValue(), 0.25, 0.001);
    drag(slider_->rightMoveView(), 2 * B);
    EXPECT_FLOAT_EQ(slider_->positionRightValue(), 1);
}

TEST_F(RangeSlider, ThePositionBarKeepsItsSpanAndReadsBackWhereItIsDrawn) {
    slider_->setVideoRangeLowerValue(0.25f, 0.5f);
    drag(slider_->videoPositionView(), 0);
    EXPECT_NEAR(slider_->positionLeftValue(), 0.25, 1e-4);
    EXPECT_NEAR(slider_->positionRightValue(), 0.5, 1e-4);
    drag(slider_->videoPositionView(), 3 * B);
    EXPECT_NEAR(slider_->positionRightValue(), 1, 1e-4);
    EXPECT_NEAR(slider_->positionLeftValue(), 0.75, 1e-4);
    drag(slider_->videoPositionView(), -3 * B);
    EXPECT_NEAR(slider_->positionLeftValue(), 0, 1e-4);
    EXPECT_NEAR(slider_->positionRightValue(), 0.25, 1e-4);
}

TEST_F(RangeSlider, OutsideEditingOnlyTheTickMovesAndReachesBothEnds) {
    slider_->setVideoRangeLowerValue(0.25f, 0.5f);
    slider_->setEnable(false);
    EXPECT_FALSE(slider_->leftMoveView()->isVisible());
    EXPECT_FALSE(slider_->rightMoveView()->isVisible());
    EXPECT_TRUE(slider_->tickMarkView()->isVisible());
    drag(slider_->videoPositionView(), 0.2 * B);
    EXPECT_FLOAT_EQ(slider_->positionLeftValue(), 0.25f);
    drag(slider_->tickMarkView(), 3 * B);
    EXPECT_FLOAT_EQ(slider_->progress(), 1.0f);
    EXPECT_EQ(recorder_.calls, (std::vector<std::string>{"progress", "range"}));
    drag(slider_->tickMarkView(), -3 * B);
    EXPECT_FLOAT_EQ(slider_->progress(), 0.0f);
    slider_->setProgress(0.5f);
    EXPECT_NEAR(slider_->tickMarkView()->frame().x, 0.5 * (222 - 21), 0.01);
}

TEST_F(RangeSlider, AResizeKeepsTheValues) {
    slider_->setVideoRangeLowerValue(0.2f, 0.6f);
    slider_->setMusicRangeLowerValue(0, 0.1f);
    slider_->resize(422, 22);
    QApplication::processEvents();
    EXPECT_FLOAT_EQ(slider_->positionLeftValue(), 0.2f);
    EXPECT_FLOAT_EQ(slider_->positionRightValue(), 0.6f);
    EXPECT_NEAR(slider_->videoPositionView()->frame().x, 0.2 * 412 + 5, 0.01);
    EXPECT_NEAR(slider_->musicRangeView()->frame().width, 0.1 * 412, 0.01);
}

} // namespace
