// The editor on a screen lower than its window (ctest runs this on a 1280 x 720 screen): it
// opens with the format band folded and Start on the screen, and folding and unfolding the
// band change the window's height by the band's fold.
#include "../../tools/shared/ToolWindowDriver.h"
#include "editor/core/EditVideoWindowController.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "platform/UserDefaults.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FormatBrowser.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>

using namespace tooltest;

TEST(EditorLowScreen, OpensFoldedWithStartOnScreenAndFoldsByTheBand) {
    QTemporaryDir dir;
    UserDefaults::setStorePath(dir.filePath("defaults.ini"));
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_LT(room.height(), 780) << "the screen is to be lower than the open window";
    auto w = std::make_unique<EditVideoWindowController>();
    // Placed as the home screen places a tool window: centred on the screen.
    QRect frame = w->frameGeometry();
    frame.moveCenter(room.center());
    w->move(frame.topLeft());
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    FormatBrowser* band = w->outlets().formatBrowser;
    EXPECT_TRUE(band->isFolded());
    EXPECT_EQ(w->minimumSize(), QSize(908, 622));
    ZylButton* start = w->outlets().exportBar->startButton;
    EXPECT_TRUE(room.contains(QRect(start->mapToGlobal(QPoint(0, 0)), start->size())));

    const int folded = w->height();
    click(band->showFunctionBtn);
    settle();
    EXPECT_FALSE(band->isFolded());
    EXPECT_EQ(w->height(), folded + 140);
    EXPECT_EQ(w->minimumSize(), QSize(908, 780));
    click(band->showFunctionBtn);
    settle();
    EXPECT_TRUE(band->isFolded());
    EXPECT_EQ(w->height(), folded);
    EXPECT_EQ(w->minimumSize(), QSize(908, 622));

    // A long title stays clear of the fold icon at the button's end.
    ZylButton* title = band->showFunctionBtn;
    title->setContentTitle("Target Format: a profile with a rather long name indeed");
    ASSERT_NE(band->showFunctionIconView, nullptr);
    const double shown = QFontMetricsF(title->font()).horizontalAdvance(title->shownTitle());
    EXPECT_LE((title->width() - 48 + shown) / 2, band->showFunctionIconView->x());
    EXPECT_LE(shown, band->showFunctionIconView->x());
    w.reset();
    UserDefaults::setStorePath(QString());
}
