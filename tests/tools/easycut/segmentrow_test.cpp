// The segment list's rows under a real pointer: hovering a row and using its Copy, Modify
// and Deleted buttons with the pointer moved and pressed through the window, as a user does.
#include "EasyCutDriver.h"

#include "foundation/records/CutItem.h"
#include "tools/easycut/CutItemView.h"

#include <QLabel>

using namespace easycuttest;

namespace {

// Moves the pointer through the window to the centre of w, so that the window delivers
// enter and leave events as it does for a real pointer.
void pointTo(QWidget* w) {
    QWidget* top = w->window();
    const QPoint p = w->mapTo(top, w->rect().center());
    QCursor::setPos(top->mapToGlobal(p));
    QTest::mouseMove(top->windowHandle(), p);
    settle();
}

// A press and release through the window at the centre of w.
void pressThroughWindow(QWidget* w) {
    QWidget* top = w->window();
    const QPoint p = w->mapTo(top, w->rect().center());
    QCursor::setPos(top->mapToGlobal(p));
    QTest::mouseMove(top->windowHandle(), p);
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, p);
    settle(60);
}

} // namespace

TEST(SegmentRow, CopyAndDeleteUnderAHoveringPointerKeepTheList) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    d.addSegment(1.0, 2.0);
    ASSERT_EQ(w.cutItemViews().size(), 1);

    pointTo(w.cutItemViews()[0]);
    ASSERT_TRUE(w.itemCopyBtn->isVisible());
    pressThroughWindow(w.itemCopyBtn);
    ASSERT_EQ(w.cutItems().size(), 2u);
    pressThroughWindow(w.itemCopyBtn);
    ASSERT_EQ(w.cutItems().size(), 3u);

    pointTo(w.cutItemViews()[0]);
    pressThroughWindow(w.itemDeletedBtn);
    pressThroughWindow(w.itemDeletedBtn);
    ASSERT_EQ(w.cutItems().size(), 1u);
    pressThroughWindow(w.itemDeletedBtn);
    EXPECT_TRUE(w.cutItems().empty());
}
