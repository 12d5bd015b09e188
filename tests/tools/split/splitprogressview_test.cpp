// The splitter's position bar on its own: the sorted plan it reads back, the spacing rule
// between markers, selection, removal, and the begin marker's drag.
#include "SplitDriver.h"

#include "foundation/controls/LxProgressSlider.h"

using namespace splittest;

namespace {
struct Bar {
    Bar() {
        host.resize(400, 60);
        view = new SplitProgressView(&host);
        view->setGeometry(0, 0, 357, 42); // travel 340 points: a fraction f sits at x = 340 f
        host.show();
        view->setDisable(false);
    }
    QWidget host;
    SplitProgressView* view;
};
} // namespace

TEST(SplitProgressView, ReadsBackSortedFractionsEndingInOne) {
    Bar b;
    EXPECT_EQ(b.view->getTimeProgresses(), std::vector<float>{1.0f});
    EXPECT_TRUE(b.view->addSplitItemTime(0.5f));
    EXPECT_TRUE(b.view->addSplitItemTime(0.25f));
    EXPECT_EQ(b.view->getTimeProgresses(), (std::vector<float>{0.25f, 0.5f, 1.0f}));
    for (size_t i = 0; i < b.view->splitMarkers().size(); ++i)
        EXPECT_EQ(b.view->splitMarkers()[i]->index(), int(i));
    // Either end would make an empty part.
    EXPECT_FALSE(b.view->addSplitItemTime(0.0f));
    EXPECT_FALSE(b.view->addSplitItemTime(1.0f));
    EXPECT_FALSE(b.view->addSplitItemTime(std::nanf("")));
    EXPECT_EQ(b.view->splitMarkers().size(), 2u);
}

TEST(SplitProgressView, MarkersCloserThanHalfTheirWidthAreRefused) {
    Bar b;
    ASSERT_TRUE(b.view->addSplitItemTime(0.5f)); // x = 170
    const auto at = [](double x) { return float(x / 340.0); };
    EXPECT_FALSE(b.view->addSplitItemTime(0.5f));
    EXPECT_FALSE(b.view->addSplitItemTime(at(178)));   // 8 points right
    EXPECT_FALSE(b.view->addSplitItemTime(at(161.6))); // 8.4 points left
    EXPECT_TRUE(b.view->addSplitItemTime(at(178.6)));  // just over 8.5 right
    EXPECT_TRUE(b.view->addSplitItemTime(at(161)));    // 9 left
    EXPECT_EQ(b.view->splitMarkers().size(), 3u);
    EXPECT_EQ(b.view->capacity(), long(357 / 8.5));
}

TEST(SplitProgressView, SelectionRemovalAndTheBeginMarker) {
    Bar b;
    b.view->addSplitItemTime(0.5f);
    b.view->addSplitItemTime(0.25f);
    // Clicking the marker at 0.5 selects position 1 and brings the begin marker to it.
    click(b.view->splitMarkers()[1]);
    EXPECT_EQ(b.view->selectedSplitIndex(), 1);
    EXPECT_NEAR(b.view->beginBtn()->x(), 170, 1);
    EXPECT_NEAR(b.view->slider()->progress(), 0.5, 1e-6);

    b.view->setSelectedSplitIndex(5);
    EXPECT_EQ(b.view->selectedSplitIndex(), 1) << "a position past the end changes nothing";
    b.view->removeSplitItemTAtIndex(7);
    EXPECT_EQ(b.view->getTimeProgresses(), (std::vector<float>{0.25f, 1.0f}));
    EXPECT_EQ(b.view->selectedSplitIndex(), 0) << "the selection moves onto the marker left";

    // Dragging the begin marker reports its fraction and moves the slider with it.
    std::vector<float> dragged, released;
    b.view->ProgressForSliderBlock = [&](float p) { dragged.push_back(p); };
    b.view->MouseUpForSliderBlock = [&](float p) { released.push_back(p); };
    dragTo(b.view->beginBtn(), 255);
    ASSERT_FALSE(dragged.empty());
    ASSERT_EQ(released.size(), 1u);
    EXPECT_NEAR(released[0], 0.75, 0.005);
    EXPECT_NEAR(b.view->slider()->progress(), 0.75, 0.005);
    EXPECT_TRUE(b.view->addSplitItemTime());
    EXPECT_NEAR(b.view->getTimeProgresses()[1], 0.75, 0.005);
    // Playback moves only the slider.
    b.view->setProgress(0.1f);
    EXPECT_NEAR(b.view->beginProgress(), 0.75, 0.005);

    b.view->removeAllSplitItem();
    EXPECT_EQ(b.view->getTimeProgresses(), std::vector<float>{1.0f});
    EXPECT_EQ(b.view->beginBtn()->x(), 0);
    b.view->removeSplitItemTAtIndex(0); // nothing to remove

    b.view->setDisable(true);
    EXPECT_TRUE(b.view->beginBtn()->isHidden());
    EXPECT_TRUE(b.view->slider()->disable());
}
