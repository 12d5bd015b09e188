// The image button and the tab button with real mouse events: which picture each look
// chooses, when the click reaches the owner, and what a disabled button does.
#include "foundation/controls/LxCustomButton.h"
#include "foundation/controls/ZylButton.h"

#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

NamedImage picture(const QString& name) {
    QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::red);
    return NamedImage(name, img);
}

void enter(QWidget* w) {
    QEnterEvent e(QPointF(2, 2), w->mapTo(w->window(), QPointF(2, 2)), w->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(w, &e);
}
void leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

class ImageButton : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(200, 100);
        button = new ZylButton(NSRect{10, 10, 60, 30}, &host);
        button->setNormalImage(picture("normal"));
        button->setOnImage(picture("on"));
        button->setDownImage(picture("down"));
        button->setSelectedImage(picture("selected"));
        button->setDisAbleImage(picture("disabled"));
        button->mouseDownAction = [this](ZylButton* b) {
            EXPECT_EQ(b, button);
            ++clicks;
        };
    }
    QWidget host;
    ZylButton* button = nullptr;
    int clicks = 0;
};

TEST_F(ImageButton, EachLookChoosesItsPicture) {
    EXPECT_EQ(button->currentImageName(), "normal");
    enter(button);
    EXPECT_TRUE(button->isUp());
    EXPECT_EQ(button->currentImageName(), "on");
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button->currentImageName(), "down");
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button->currentImageName(), "on");
    EXPECT_EQ(clicks, 1);

    // Hover wins over selected; selected shows once the pointer is gone.
    button->setSelected(true);
    EXPECT_EQ(button->currentImageName(), "on");
    leave(button);
    EXPECT_EQ(button->currentImageName(), "selected");

    button->setEnabled(false);
    EXPECT_EQ(button->currentImageName(), "disabled");
}

TEST_F(ImageButton, MissingHoverPictureFallsBackToNormalOrSelected) {
    button->setOnImage(NamedImage());
    enter(button);
    EXPECT_EQ(button->currentImageName(), "normal");
    button->setSelected(true);
    EXPECT_EQ(button->currentImageName(), "selected");
    // A named picture whose file is missing counts as absent.
    button->setOnImage(NamedImage("Cut/no_such_picture.png"));
    EXPECT_EQ(button->currentImageName(), "selected");
}

TEST_F(ImageButton, BackgroundPicturesFollowTheLookWithoutFallback) {
    button->setNormalBackgroundImage(picture("bg-normal"));
    button->setOnBackgroundImage(picture("bg-on"));
    enter(button);
    EXPECT_EQ(button->currentBackgroundImageName(), "bg-on");
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button->currentBackgroundImageName(), ""); // no pressed background: none
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    leave(button);
    EXPECT_EQ(button->currentBackgroundImageName(), "bg-normal");
}

TEST_F(ImageButton, ReleaseOutsideRunsNothingAndDisabledButtonsRunNoCallbacks) {
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(button, QPoint(100, 5)); // dragged out
    EXPECT_FALSE(button->isUp());
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(100, 5));
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(button->isDown());

    int hovers = 0;
    button->mouseEntered = [&](ZylButton*) { ++hovers; };
    button->mouseExited = [&](ZylButton*) { ++hovers; };
    button->setUnderLine(true);
    button->setEnabled(false);
    enter(button);
    EXPECT_EQ(button->cursor().shape(), Qt::ForbiddenCursor);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    leave(button);
    EXPECT_EQ(hovers, 0);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(button->cursor().shape(), Qt::ArrowCursor);

    button->setEnabled(true);
    enter(button);
    EXPECT_EQ(hovers, 1);
    EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(ImageButton, UnsetCallbacksAndCallbacksThatReplaceThemselvesAreSafe) {
    button->mouseDownAction = nullptr;
    button->mouseEntered = nullptr;
    enter(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    button->mouseDownAction = [this](ZylButton* b) {
        b->mouseDownAction = nullptr; // destroys the stored callback while it runs
        ++clicks;
    };
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
}

struct TabOwner : LxCustomButtonDelegate {
    int clicks = 0;
    void actionMouseUpForCustomButtonBlock(LxCustomButton*) override { ++clicks; }
};

class TabButton : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(300, 100);
        tab = new LxCustomButton(NSRect{0, 1, 120, 24}, &host);
        tab->setDelegate(&owner);
        tab->setNormalBackImage(picture("back-normal"));
        tab->setSelectedBackImage(picture("back-selected"));
        tab->setDisableBackImage(picture("back-disabled"));
        tab->setSelected(false);
    }
    QWidget host;
    LxCustomButton* tab = nullptr;
    TabOwner owner;
};

TEST_F(TabButton, FiresOnPressWithoutPressedPictureAndOnReleaseWithOne) {
    QTest::mousePress(tab, Qt::LeftButton, {}, QPoint(60, 12));
    EXPECT_EQ(owner.clicks, 1);
    QTest::mouseRelease(tab, Qt::LeftButton, {}, QPoint(60, 12));
    EXPECT_EQ(owner.clicks, 1);

    tab->setHightideBackImage(picture("back-pressed"));
    QTest::mousePress(tab, Qt::LeftButton, {}, QPoint(60, 12));
    EXPECT_EQ(owner.clicks, 1);
    EXPECT_EQ(tab->backView()->imageName(), "back-pressed");
    QTest::mouseRelease(tab, Qt::LeftButton, {}, QPoint(60, 12));
    EXPECT_EQ(owner.clicks, 2);
    // The pressed picture stays until the owner shows the state again.
    EXPECT_EQ(tab->backView()->imageName(), "back-pressed");
    tab->setSelected(true);
    EXPECT_EQ(tab->backView()->imageName(), "back-selected");

    // Clicks on the title part count as the button's own.
    QTest::mousePress(tab->titleButton(), Qt::LeftButton, {}, QPoint(30, 12));
    QTest::mouseRelease(tab->titleButton(), Qt::LeftButton, {}, QPoint(30, 12));
    EXPECT_EQ(owner.clicks, 3);
}

TEST_F(TabButton, DisabledTabNeverFiresAndShowsItsDisabledLookEvenWhenSelected) {
    tab->setEnabled(false);
    tab->setSelected(true);
    EXPECT_EQ(tab->backView()->imageName(), "back-disabled");
    QTest::mouseClick(tab->titleButton(), Qt::LeftButton, {}, QPoint(30, 12));
    tab->setHightideBackImage(picture("back-pressed"));
    QTest::mouseClick(tab->titleButton(), Qt::LeftButton, {}, QPoint(30, 12));
    EXPECT_EQ(owner.clicks, 0);
    EXPECT_EQ(tab->backView()->imageName(), "back-disabled");
}

} // namespace

TEST(ZylButtonTitle, TooLongTitleIsCutShortWithTheWholeTitleAsTooltip) {
    ZylButton b;
    b.resize(40, 20);
    b.show();
    b.setContentTitle("Edit");
    EXPECT_EQ(b.shownTitle(), "Edit");
    EXPECT_TRUE(b.toolTip().isEmpty());
    b.setContentTitle("Supercalifragilistic");
    EXPECT_NE(b.shownTitle(), "Supercalifragilistic");
    EXPECT_EQ(b.toolTip(), "Supercalifragilistic");
    // Wide enough again: whole, and the tooltip goes.
    b.resize(400, 20);
    EXPECT_EQ(b.shownTitle(), "Supercalifragilistic");
    EXPECT_TRUE(b.toolTip().isEmpty());
    // A tooltip the owner set is the owner's.
    b.setToolTip("mine");
    b.resize(40, 20);
    b.resize(400, 20);
    EXPECT_EQ(b.toolTip(), "mine");
}
