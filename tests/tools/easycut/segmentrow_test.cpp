// The segment list's rows under a real pointer: hovering a row and using its Copy, Modify
// and Deleted buttons with the pointer moved and pressed through the window, as a user does;
// and, in every interface language, a row whose time, thumbnail and buttons keep apart.
#include "EasyCutDriver.h"

#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"
#include "foundation/records/CutItem.h"
#include "platform/UserDefaults.h"
#include "tools/easycut/CutItemView.h"

#include <QFontMetrics>
#include <QLabel>

using namespace easycuttest;

namespace {

// Moves the pointer through the window to the centre of w, so that the window delivers
// enter and leave events as it does for a real pointer.
void pointTo(QWidget* w) {
    QWidget* top = w->window();
    const QPoint p = w->mapTo(top, w->rect().center());
    // From outside first: a pointer that already stands there does not enter again.
    QCursor::setPos(top->mapToGlobal(QPoint(1, 1)));
    QTest::mouseMove(top->windowHandle(), QPoint(1, 1));
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

TEST(SegmentRow, InEveryLanguageTheTimeTheThumbnailAndTheButtonsKeepToTheirRow) {
    QTemporaryDir defaults;
    UserDefaults::setStorePath(defaults.filePath("defaults.ini"));
    for (int language = 0; language < 9; ++language) {
        UserDefaults::standardUserDefaults().setInteger(language, "AppLanguage");
        NSBundle::setLanguage();
        const std::string code = NSBundle::currentLanguageCode().toStdString();
        Driver d;
        d.addFile(testsupport::media("long_10s.mp4"));
        auto& w = *d.window;
        // A segment whose title is as wide as titles get: two times with hours.
        d.addSegment(1.0, 2.5);
        d.addSegment(3.0, 4.0);
        ASSERT_EQ(w.cutItemViews().size(), 2) << code;
        CutItemView* row = w.cutItemViews()[0];
        pointTo(row);
        ASSERT_TRUE(w.itemCopyBtn->isVisible()) << code;
        ASSERT_TRUE(row->isAncestorOf(w.itemCopyBtn)) << code << ": the buttons stand in the hovered row";

        const QRect inRow = row->rect();
        const QLabel* title = row->titleField();
        EXPECT_TRUE(inRow.contains(title->geometry())) << code;
        EXPECT_LE(QFontMetrics(title->font()).horizontalAdvance(title->text()), title->width())
            << code << ": " << title->text().toStdString();
        QRect previous;
        for (ZylButton* b : {w.itemCopyBtn, w.itemModifyBtn, w.itemDeletedBtn}) {
            const QRect g(b->mapTo(row, QPoint(0, 0)), b->size());
            const std::string what = code + " " + b->contentTitle().toStdString();
            EXPECT_TRUE(inRow.contains(g)) << what << ": the button stays in its row";
            EXPECT_FALSE(g.intersects(row->iconView()->geometry())) << what << ": clear of the thumbnail";
            EXPECT_FALSE(g.intersects(title->geometry())) << what << ": clear of the time";
            EXPECT_FALSE(g.intersects(previous)) << what;
            previous = g;
            EXPECT_EQ(b->shownTitle(), b->contentTitle()) << what << ": the whole title";
            EXPECT_LE(QFontMetrics(b->font()).horizontalAdvance(b->contentTitle()), b->width()) << what;
        }
    }
    UserDefaults::standardUserDefaults().setInteger(0, "AppLanguage");
    NSBundle::setLanguage();
    UserDefaults::setStorePath(QString());
}

TEST(SegmentRow, TheSegmentEditorOpensUnderItsRowWithoutCoveringTheNext) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    d.addSegment(1.0, 2.0);
    d.addSegment(3.0, 4.0);
    d.addSegment(5.0, 6.0);
    const int nextTop = w.cutItemViews()[1]->y();
    pointTo(w.cutItemViews()[0]);
    pressThroughWindow(w.itemModifyBtn);
    ASSERT_TRUE(w.itemModifyBtn->selected());
    ASSERT_TRUE(w.selectedItemTimeChangeView->isVisible());
    const QRect editor = w.selectedItemTimeChangeView->geometry();
    EXPECT_EQ(editor.top(), w.cutItemViews()[0]->geometry().bottom() + 1) << "directly under its row";
    for (int i : {1, 2})
        EXPECT_FALSE(editor.intersects(w.cutItemViews()[i]->geometry())) << "row " << i;
    EXPECT_LE(w.cutItemViews()[2]->geometry().bottom(), w.filesContentView->height());

    // Edit again: the editor goes and the rows close up.
    pointTo(w.cutItemViews()[0]);
    pressThroughWindow(w.itemModifyBtn);
    EXPECT_FALSE(w.selectedItemTimeChangeView->isVisible());
    EXPECT_EQ(w.cutItemViews()[1]->y(), nextTop);
}
