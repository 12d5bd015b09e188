// The image slider driven with real mouse events: clicks only with a delegate that takes
// them, drags always, clamps at both ends, and sliders without any travel.
#include "foundation/controls/LxProgressSlider.h"

#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Report {
    char kind; // 'd' down, 'p' progress, 'u' up
    float value;
};

struct Full : LxProgressSliderDelegate {
    std::vector<Report> calls;
    void actionMouseDownForProgressSliderBlock(LxProgressSlider*, float p) override {
        calls.push_back({'d', p});
    }
    void actionProgressForProgressSliderBlock(LxProgressSlider*, float p) override {
        calls.push_back({'p', p});
    }
    void actionMouseUpForProgressSliderBlock(LxProgressSlider*, float p) override {
        calls.push_back({'u', p});
    }
};

// Only follows drags: no mouse-down operation.
struct DragsOnly : LxProgressSliderDelegate {
    std::vector<float> progress;
    void actionProgressForProgressSliderBlock(LxProgressSlider*, float p) override { progress.push_back(p); }
};

// A slider 220 x 20: the thumb is 20 wide, so its left edge travels 0..200.
class Slider : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(300, 50);
        slider = new LxProgressSlider(NSRect{0, 0, 220, 20}, &host);
    }
    void press(int x) { QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(x, 10)); }
    void drag(int x) { QTest::mouseMove(slider, QPoint(x, 10)); }
    void release(int x) { QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(x, 10)); }

    QWidget host;
    LxProgressSlider* slider = nullptr;
};

TEST_F(Slider, ClicksJumpToThePointerAndDragsStayWithinTheEnds) {
    Full d;
    slider->setDelegate(&d);
    slider->setProgress(0.3f);
    press(110);
    ASSERT_GE(d.calls.size(), 2u);
    EXPECT_EQ(d.calls[0].kind, 'd');
    EXPECT_FLOAT_EQ(d.calls[0].value, 0.3f); // as it was before the press
    EXPECT_EQ(d.calls[1].kind, 'p');
    EXPECT_FLOAT_EQ(d.calls[1].value, 0.5f);
    EXPECT_DOUBLE_EQ(slider->tickMarkView()->frame().x, 100);
    EXPECT_DOUBLE_EQ(slider->progressTintView()->frame().width, 110);
    drag(500);
    EXPECT_FLOAT_EQ(d.calls.back().value, 1.0f);
    EXPECT_DOUBLE_EQ(slider->tickMarkView()->frame().x, 200);
    drag(-50);
    EXPECT_FLOAT_EQ(d.calls.back().value, 0.0f);
    release(-50);
    EXPECT_EQ(d.calls.back().kind, 'u');
    EXPECT_FLOAT_EQ(d.calls.back().value, 0.0f);

    d.calls.clear();
    press(1); // the bar's start
    EXPECT_FLOAT_EQ(slider->progress(), 0.0f);
    release(1);
    press(219); // the bar's end
    EXPECT_FLOAT_EQ(slider->progress(), 1.0f);
    release(219);
}

TEST_F(Slider, WithoutAMouseDownOperationClicksAreIgnoredButDragsFollow) {
    DragsOnly d;
    slider->setDelegate(&d);
    press(150);
    EXPECT_TRUE(d.progress.empty());
    EXPECT_FLOAT_EQ(slider->progress(), 0.0f);
    drag(110);
    ASSERT_EQ(d.progress.size(), 1u);
    EXPECT_FLOAT_EQ(d.progress[0], 0.5f);
    release(110);

    // No delegate at all: the same, and nothing to tell.
    slider->setDelegate(nullptr);
    press(200);
    EXPECT_FLOAT_EQ(slider->progress(), 0.5f);
    drag(60);
    EXPECT_FLOAT_EQ(slider->progress(), 0.25f);
    release(60);
}

TEST_F(Slider, DisabledSliderIgnoresTheMouseButStillShowsValues) {
    Full d;
    slider->setDelegate(&d);
    slider->setDisable(true);
    press(150);
    drag(170);
    release(170);
    EXPECT_TRUE(d.calls.empty());
    EXPECT_FLOAT_EQ(slider->progress(), 0.0f);
    slider->setProgress(1.5f); // kept as given, shown at the end
    EXPECT_FLOAT_EQ(slider->progress(), 1.5f);
    EXPECT_DOUBLE_EQ(slider->tickMarkView()->frame().x, 200);
    slider->setProgress(-2.0f);
    EXPECT_DOUBLE_EQ(slider->tickMarkView()->frame().x, 0);
    EXPECT_TRUE(d.calls.empty());
}

TEST(SliderEdges, SlidersWithoutTravelAndNaNGiveFiniteValues) {
    for (double w : {20.0, 10.0, 0.0}) { // as wide as high, narrower, nothing
        QWidget host;
        host.resize(100, 50);
        auto* slider = new LxProgressSlider(NSRect{0, 0, w, 20}, &host);
        Full d;
        slider->setDelegate(&d);
        slider->setProgress(std::nanf(""));
        EXPECT_FLOAT_EQ(slider->progress(), 0.0f);
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(5, 10));
        QTest::mouseMove(slider, QPoint(40, 10));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(40, 10));
        ASSERT_FALSE(d.calls.empty());
        for (const auto& c : d.calls)
            EXPECT_TRUE(std::isfinite(c.value) && c.value >= 0 && c.value <= 1) << w;
    }
}

TEST_F(Slider, ResizingPlacesTheThumbForTheStoredValue) {
    slider->setProgress(0.5f);
    slider->resize(420, 20);
    EXPECT_DOUBLE_EQ(slider->tickMarkView()->frame().x, 200);
    EXPECT_DOUBLE_EQ(slider->progressBackView()->frame().width, 420);
}

} // namespace
