// The smaller controls: the marker view's drag along its parent, the progress bar's
// unlimited tint, and the time-code field that hands its clicks to its owner.
#include "foundation/controls/LxRadioButton.h"
#include "foundation/controls/LxTextField.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylImageView.h"

#include <QRadioButton>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(MarkerView, DragFollowsThePointerAndStopsAtTheParentsEdges) {
    QWidget parent;
    parent.resize(300, 40);
    auto* marker = new ZylImageView(NSRect{50, 0, 20, 20}, &parent);
    int steps = 0;
    marker->MouseDraggedBlock = [&](ZylImageView*) { ++steps; };
    QTest::mousePress(marker, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(marker->isDown());
    QTest::mouseMove(marker, QPoint(45, 5)); // pointer at 95 in the parent
    EXPECT_EQ(marker->x(), 95);
    QTest::mouseMove(marker, QPoint(500, 5));
    EXPECT_EQ(marker->x(), 280); // right edge on the parent's right edge
    QTest::mouseMove(marker, QPoint(-600, 5));
    EXPECT_EQ(marker->x(), 0);
    EXPECT_EQ(steps, 3);
    QTest::mouseRelease(marker, Qt::LeftButton, {}, QPoint(1, 5));
    EXPECT_FALSE(marker->isDown());

    // Without a drag callback the view stays where it is.
    marker->MouseDraggedBlock = nullptr;
    QTest::mousePress(marker, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(marker, QPoint(100, 5));
    EXPECT_EQ(marker->x(), 0);
    QTest::mouseRelease(marker, Qt::LeftButton, {}, QPoint(100, 5));
}

TEST(ProgressBar, TintFollowsTheValueInsideItsRimUnlimitedButNeverNegativeOrNaN) {
    QWidget parent;
    parent.resize(400, 40);
    auto* bar = new NSProgressView(NSRect{0, 0, 200, 10}, &parent);
    const double rim = NSProgressView::kTintRim;
    bar->setProgress(0.5f);
    EXPECT_DOUBLE_EQ(bar->progressTintView()->frame().x, rim);
    EXPECT_DOUBLE_EQ(bar->progressTintView()->frame().height, 10 - 2 * rim);
    EXPECT_DOUBLE_EQ(bar->progressTintView()->frame().width, (200 - 2 * rim) * 0.5);
    bar->setProgress(1.5f);
    EXPECT_DOUBLE_EQ(bar->progressTintView()->frame().width, (200 - 2 * rim) * 1.5);
    bar->setProgress(-1.0f);
    EXPECT_DOUBLE_EQ(bar->progressTintView()->frame().width, 0);
    bar->setProgress(std::nanf(""));
    EXPECT_DOUBLE_EQ(bar->progressTintView()->frame().width, 0);
    bar->setProgress(0.25f);
    bar->resize(400, 10);
    EXPECT_DOUBLE_EQ(bar->progressTintView()->frame().width, (400 - 2 * rim) * 0.25);
}

// The bars sit on the window's blue, the colour of their tint: a full bar must still show
// where it ends, and its filled part must not look like the panel around it.
TEST(ProgressBar, AFullBarOnTheWindowBlueStillShowsItsTrackAroundTheTint) {
    const QColor blue(33, 176, 235);
    QWidget panel;
    panel.resize(240, 40);
    panel.setAutoFillBackground(true);
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, blue);
    panel.setPalette(pal);
    auto* bar = new NSProgressView(NSRect{20, 14, 200, 12}, &panel);
    bar->setProgress(1.0f);
    const QImage shot = panel.grab().toImage();
    const auto distance = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    };
    const QPoint topLeft = bar->geometry().topLeft();
    // The track's rim above the middle of the tint, and the tint itself.
    const QColor rimColour = shot.pixelColor(topLeft + QPoint(100, 1));
    const QColor tintColour = shot.pixelColor(topLeft + QPoint(100, 6));
    EXPECT_GT(distance(rimColour, blue), 120) << "the rim stands out from the panel";
    EXPECT_GT(distance(rimColour, tintColour), 120) << "the tint stands out from the rim";
}

struct FieldOwner : LxTextFieldDelegate {
    std::vector<LxTextField*> clicked;
    void actionMouseDownForTextFieldBlock(LxTextField* f) override { clicked.push_back(f); }
};

TEST(TimeCodeField, StartsDisabledAndOnceEnabledGivesClicksToItsOwnerOnly) {
    QWidget window;
    window.resize(200, 50);
    window.show();
    auto* field = new LxTextField(NSRect{5, 3, 30, 20}, &window);
    FieldOwner owner;
    field->setMouseDelegate(&owner);
    field->setText(QStringLiteral("07"));
    EXPECT_FALSE(field->isEnabled());
    QTest::mouseClick(field, Qt::LeftButton);
    EXPECT_TRUE(owner.clicked.empty());

    field->setEnabled(true);
    field->selectAll();
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(3, 10));
    ASSERT_EQ(owner.clicked.size(), 1u);
    EXPECT_EQ(owner.clicked[0], field);
    // The click neither took the keyboard nor touched the selection.
    EXPECT_FALSE(field->hasFocus());
    EXPECT_EQ(field->selectedText(), "07");
    QTest::mouseDClick(field, Qt::LeftButton, {}, QPoint(3, 10));
    EXPECT_GE(owner.clicked.size(), 2u);
}

} // namespace

namespace {

struct RadioOwner : LxRadioButtonDelegate {
    int clicks = 0;
    void actionMouseUpForLxRadioButtonBlock(LxRadioButton*) override { ++clicks; }
};

TEST(RadioChoice, ClickSelectsAndReportsWhileDisabledItDoesNothing) {
    QWidget window;
    window.resize(200, 60);
    auto* radio = new LxRadioButton(NSRect{0, 0, 120, 30}, &window);
    RadioOwner owner;
    radio->setDelegate(&owner);
    radio->setTitle(QStringLiteral("Text"));
    EXPECT_FALSE(radio->selected());
    EXPECT_FALSE(radio->iconView()->isChecked());
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(80, 15));
    EXPECT_TRUE(radio->selected());
    EXPECT_TRUE(radio->iconView()->isChecked());
    EXPECT_EQ(owner.clicks, 1);
    // A click on the mark itself counts the same.
    radio->setSelected(false);
    QTest::mouseClick(radio->iconView(), Qt::LeftButton);
    EXPECT_TRUE(radio->selected());
    EXPECT_EQ(owner.clicks, 2);

    radio->setEnabled(false);
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(80, 15));
    QTest::mouseClick(radio->iconView(), Qt::LeftButton);
    EXPECT_EQ(owner.clicks, 2);
}

} // namespace
