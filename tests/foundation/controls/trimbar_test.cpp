// The trim bar driven with real mouse events: handle and play-head drags, their clamps,
// the inverse mode, and bars too narrow to divide by.
#include "foundation/controls/LxCutProgressView.h"

#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Report {
    enum Kind { Up, Down, Moved, Seek } kind;
    float a = 0, b = 0;
    int handle = 0;
};

struct Recorder : LxCutProgressViewDelegate {
    std::vector<Report> calls;
    void actionMouseUpForCutProgressViewBlock(LxCutProgressView*, float p) override {
        calls.push_back({Report::Up, p});
    }
    void actionMouseDownForCutProgressViewBlock(LxCutProgressView*, float p) override {
        calls.push_back({Report::Down, p});
    }
    void actionMouseMovedForCutProgressViewBlock(LxCutProgressView*, float s, float e, int h) override {
        calls.push_back({Report::Moved, s, e, h});
    }
    void actionSeekToTimeForCutProgressViewBlock(LxCutProgressView*, float p) override {
        calls.push_back({Report::Seek, p});
    }
    std::vector<Report> of(Report::Kind k) const {
        std::vector<Report> r;
        for (const auto& c : calls)
            if (c.kind == k)
                r.push_back(c);
        return r;
    }
};

// A bar 218 points wide: its background runs from x 9 to 209 (200 points), its middle line
// at y 15; the handles stand below it (y 0 to 12).
class TrimBar : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(400, 100);
        bar = new LxCutProgressView(NSRect{0, 0, 218, 30}, &host);
        bar->setDelegate(&rec);
        bar->setUpperValue(0.75f); // right handle's left edge at 159
        bar->setLowerValue(0.25f); // left handle's right edge at 59
        rec.calls.clear();
    }
    // Points in the bar's bottom-left coordinates, as Qt positions.
    QPoint at(double x, double y) const { return geometry::pointToQt({x, y}, bar->height()).toPoint(); }
    void press(double x, double y) { QTest::mousePress(bar, Qt::LeftButton, {}, at(x, y)); }
    void drag(double x, double y) { QTest::mouseMove(bar, at(x, y)); }
    void release(double x, double y) { QTest::mouseRelease(bar, Qt::LeftButton, {}, at(x, y)); }

    QWidget host;
    LxCutProgressView* bar = nullptr;
    Recorder rec;
};

TEST_F(TrimBar, LeftHandleDragReportsTheRangeAndClampsAtBothEnds) {
    press(54, 6);
    ASSERT_TRUE(bar->handLeft());
    drag(105, 6); // handle centred on 105: right edge 109.5
    auto moved = rec.of(Report::Moved);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_FLOAT_EQ(moved[0].a, (109.5f - 9) / 200);
    EXPECT_FLOAT_EQ(moved[0].b, 0.75f);
    EXPECT_EQ(moved[0].handle, 1);
    EXPECT_EQ(bar->handleType(), 1);
    // The play head follows the handle's right edge; progress itself stays.
    EXPECT_DOUBLE_EQ(bar->tickMarkView()->frame().midX(), 109.5);

    drag(390, 6); // stops on the right handle: the handles meet
    EXPECT_FLOAT_EQ(rec.calls.back().a, 0.75f);
    EXPECT_FLOAT_EQ(rec.calls.back().b, 0.75f);
    EXPECT_DOUBLE_EQ(bar->handLeftView()->frame().maxX(), bar->handRightView()->frame().x);

    drag(-40, 6); // stops on the bar's start
    EXPECT_FLOAT_EQ(rec.calls.back().a, 0.0f);
    release(-40, 6);
    EXPECT_FALSE(bar->handLeft());
    EXPECT_EQ(rec.calls.back().kind, Report::Up);
}

TEST_F(TrimBar, RightHandleDragStopsAtTheEndAndAtTheLeftHandle) {
    press(163, 6);
    ASSERT_TRUE(bar->handRight());
    drag(120, 6); // centred on 120: left edge 115.5
    EXPECT_FLOAT_EQ(rec.calls.back().b, (115.5f - 9) / 200);
    EXPECT_EQ(rec.calls.back().handle, 2);
    drag(1000, 6);
    EXPECT_FLOAT_EQ(rec.calls.back().b, 1.0f);
    EXPECT_DOUBLE_EQ(bar->handRightView()->frame().x, 209);
    drag(2, 6); // cannot pass the left handle's right edge
    EXPECT_FLOAT_EQ(rec.calls.back().a, 0.25f);
    EXPECT_FLOAT_EQ(rec.calls.back().b, 0.25f);
    for (const auto& m : rec.of(Report::Moved))
        EXPECT_LE(m.a, m.b);
}

TEST_F(TrimBar, PressOffTheHandlesSeeksAndPressesBeyondTheEndsStayInRange) {
    bar->setType(1); // 12-point tick: seek = (x - 6 - 9) / (200 - 12)
    rec.calls.clear();
    press(109, 20);
    EXPECT_TRUE(bar->handtick());
    ASSERT_EQ(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls[0].kind, Report::Seek);
    EXPECT_FLOAT_EQ(rec.calls[0].a, 0.5f);
    EXPECT_EQ(rec.calls[1].kind, Report::Down);
    EXPECT_FLOAT_EQ(rec.calls[1].a, 0.5f); // the tick's centre at 109
    release(109, 20);

    for (double x : {209.0, 217.0, 1.0}) {
        rec.calls.clear();
        press(x, 20);
        release(x, 20);
        const float seek = rec.of(Report::Seek).at(0).a;
        EXPECT_GE(seek, 0.0f) << x;
        EXPECT_LE(seek, 1.0f) << x;
        EXPECT_GE(rec.of(Report::Down).at(0).a, 0.0f);
        EXPECT_LE(rec.of(Report::Down).at(0).a, 1.0f);
    }
    EXPECT_FLOAT_EQ(rec.of(Report::Seek).at(0).a, 0.0f); // the last press was at the start
}

TEST_F(TrimBar, PlayHeadDragsOnlyWhenAllowedAndReportsClampedFractions) {
    bar->setType(1);
    press(109, 20); // seeks even while the tick may not be dragged
    rec.calls.clear();
    const NSRect before = bar->tickMarkView()->frame();
    drag(150, 20);
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_EQ(bar->tickMarkView()->frame(), before);
    release(150, 20);

    bar->setTickMark(true);
    press(109, 20);
    rec.calls.clear();
    drag(103, 20); // tick's left edge at 103: (103 - 9) / 188
    EXPECT_FLOAT_EQ(rec.of(Report::Seek).at(0).a, 0.5f);
    EXPECT_FLOAT_EQ(bar->progress(), 0.5f);
    drag(400, 20);
    EXPECT_FLOAT_EQ(rec.calls.back().a, 1.0f);
    EXPECT_LE(bar->progress(), 1.0f);
    drag(-100, 20);
    EXPECT_FLOAT_EQ(rec.calls.back().a, 0.0f);
    release(-100, 20);
}

TEST_F(TrimBar, InverseModeKeepsTheOutsideAndReadsTheLowerValueFromTheRightEdge) {
    bar->setIsFanxuan(true);
    // The setters put the left handle's left edge on the lower value and the right
    // handle's right edge on the upper one; the band covers the part to remove.
    EXPECT_DOUBLE_EQ(bar->handLeftView()->frame().x, 59);
    EXPECT_DOUBLE_EQ(bar->handRightView()->frame().maxX(), 159);
    EXPECT_DOUBLE_EQ(bar->progressTintView()->frame().x, 59);
    EXPECT_DOUBLE_EQ(bar->progressTintView()->frame().maxX(), 159);
    EXPECT_FLOAT_EQ(bar->progress(), 0.25f); // the play head ends on the lower value

    rec.calls.clear();
    press(63, 6);
    ASSERT_TRUE(bar->handLeft());
    drag(105, 6); // left edge 100.5, right edge 109.5
    EXPECT_DOUBLE_EQ(bar->tickMarkView()->frame().midX(), 100.5);
    EXPECT_FLOAT_EQ(rec.calls.back().a, (109.5f - 9) / 200);
    EXPECT_DOUBLE_EQ(bar->progressTintView()->frame().x, 100.5);
    release(105, 6);
}

TEST_F(TrimBar, DisabledBarHidesItsHandlesAndSendsNothing) {
    bar->setDisable(true);
    EXPECT_TRUE(bar->handLeftView()->isHidden());
    EXPECT_TRUE(bar->handRightView()->isHidden());
    press(54, 6);
    drag(100, 6);
    release(100, 6);
    press(109, 20);
    EXPECT_TRUE(rec.calls.empty());
    bar->setDisable(false);
    EXPECT_FALSE(bar->handLeftView()->isHidden());
    EXPECT_TRUE(bar->tickMark());
}

TEST_F(TrimBar, CrossingValuesKeepTheHandlesInOrder) {
    bar->setUpperValue(0.1f); // below the lower value 0.25
    EXPECT_LE(bar->handLeftView()->frame().maxX(), bar->handRightView()->frame().x);
    EXPECT_GE(bar->progressTintView()->frame().width, 0);
    bar->setLowerValue(0.9f);
    EXPECT_LE(bar->handLeftView()->frame().maxX(), bar->handRightView()->frame().x);
    // The pair setter orders the values it stores.
    bar->setLowerValue(0.8f, 0.4f);
    EXPECT_LE(bar->lowerValue(), bar->upperValue());
    bar->setLowerValue(0.2f, 0.0f); // upper 0 means the end
    EXPECT_FLOAT_EQ(bar->upperValue(), 1.0f);
    EXPECT_DOUBLE_EQ(bar->handRightView()->frame().x, 209);
    // The bar ends with the play head on the lower value.
    EXPECT_FLOAT_EQ(bar->progress(), 0.2f);
}

TEST_F(TrimBar, ResizingKeepsTheValuesAndPutsThePlayHeadOnTheLowerValue) {
    bar->setProgress(0.6f);
    bar->resize(418, 40);
    EXPECT_DOUBLE_EQ(bar->progressBackView()->frame().width, 400);
    EXPECT_DOUBLE_EQ(bar->handLeftView()->frame().maxX(), 9 + 0.25 * 400);
    EXPECT_DOUBLE_EQ(bar->handRightView()->frame().x, 9 + 0.75 * 400);
    EXPECT_FLOAT_EQ(bar->progress(), 0.25f);
}

TEST(TrimBarEdges, NarrowBarsAndNaNNeverGiveNonFiniteFractions) {
    for (int w : {0, 5, 18, 20, 30}) {
        QWidget host;
        host.resize(100, 40);
        Recorder rec;
        auto* bar = new LxCutProgressView(NSRect{0, 0, double(w), 30}, &host);
        bar->setDelegate(&rec);
        bar->setTickMark(true);
        bar->setUpperValue(std::nanf(""));
        bar->setLowerValue(std::numeric_limits<float>::infinity());
        bar->setProgress(std::nanf(""));
        for (int x : {1, w / 2 + 1, w + 10}) {
            QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(x, 5));
            QTest::mouseMove(bar, QPoint(x + 3, 5));
            QTest::mouseMove(bar, QPoint(x - 30, 5));
            QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(x, 5));
            QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(x, 27));
            QTest::mouseMove(bar, QPoint(x + 40, 27));
            QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(x, 27));
        }
        ASSERT_FALSE(rec.calls.empty());
        for (const auto& c : rec.calls) {
            EXPECT_TRUE(std::isfinite(c.a) && c.a >= 0 && c.a <= 1) << w;
            EXPECT_TRUE(std::isfinite(c.b) && c.b >= 0 && c.b <= 1) << w;
        }
        EXPECT_TRUE(std::isfinite(bar->progress()));
        EXPECT_TRUE(std::isfinite(bar->lowerValue()) && std::isfinite(bar->upperValue()));
    }
}

TEST(TrimBarEdges, DelegatesThatImplementNothingOrAreGoneAreNoProblem) {
    QWidget host;
    host.resize(300, 40);
    auto* bar = new LxCutProgressView(NSRect{0, 0, 218, 30}, &host);
    struct Nothing : LxCutProgressViewDelegate {
    } nothing;
    bar->setDelegate(&nothing);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(100, 10));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(100, 10));

    // A window controller (a QObject) that is destroyed stops being told anything.
    struct Controller : QObject, LxCutProgressViewDelegate {
        int* count;
        explicit Controller(int* c) : count(c) {}
        void actionMouseUpForCutProgressViewBlock(LxCutProgressView*, float) override { ++*count; }
    };
    int count = 0;
    auto* controller = new Controller(&count);
    bar->setDelegate(controller);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(count, 1);
    delete controller;
    EXPECT_EQ(bar->delegate(), nullptr);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(count, 1);
}

} // namespace
