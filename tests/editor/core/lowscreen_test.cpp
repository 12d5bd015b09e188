// The editor on a screen lower than its window (ctest runs this on a 1280 x 720 screen): it
// opens with the format band folded and Start on the screen; the band unfolds over the content
// where the screen has no room for the window to grow, and grows the window where it has.
#include "../../tools/shared/ToolWindowDriver.h"
#include "editor/core/EditVideoWindowController.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "platform/UserDefaults.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FormatBrowser.h"
#include "tools/shared/ScreenRoom.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>

using namespace tooltest;

namespace {

// An editor placed as the home screen places a tool window: centred on the screen's room.
std::unique_ptr<EditVideoWindowController> openCentred() {
    auto w = std::make_unique<EditVideoWindowController>();
    QRect frame = w->frameGeometry();
    frame.moveCenter(ScreenRoom::available(w.get()).center());
    w->move(frame.topLeft());
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    return w;
}

bool onScreen(const QWidget* w) {
    return ScreenRoom::available(w).contains(QRect(w->mapToGlobal(QPoint(0, 0)), w->size()));
}

} // namespace

TEST(EditorLowScreen, OpensFoldedWithStartOnScreenAndUnfoldsWithoutLeavingTheScreen) {
    QTemporaryDir dir;
    UserDefaults::setStorePath(dir.filePath("defaults.ini"));
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_LT(room.height(), 780) << "the screen is to be lower than the open window";
    for (const QSize screen : {QSize(), QSize(1366, 768)}) {
        ScreenRoom::standIn(screen);
        auto w = openCentred();
        FormatBrowser* band = w->outlets().formatBrowser;
        ZylButton* start = w->outlets().exportBar->startButton;
        EXPECT_TRUE(band->isFolded());
        EXPECT_EQ(w->minimumSize(), QSize(908, 622));
        EXPECT_TRUE(onScreen(start));

        // The screen has no room for the window to grow: the band opens over the content,
        // and the window keeps its size and place, Start on the screen.
        const QRect frame = w->geometry();
        click(band->showFunctionBtn);
        settle();
        EXPECT_FALSE(band->isFolded());
        EXPECT_EQ(w->geometry(), frame);
        EXPECT_EQ(w->minimumSize(), QSize(908, 622));
        EXPECT_TRUE(onScreen(start));
        ZylButton* tile = band->functionItemBtn_Childs[0];
        QWidget* top = w->childAt(tile->mapTo(w.get(), tile->rect().center()));
        EXPECT_TRUE(top == tile || tile->isAncestorOf(top)) << "the band lies over the content";
        click(band->showFunctionBtn);
        settle();
        EXPECT_TRUE(band->isFolded());
        EXPECT_EQ(w->geometry(), frame);

        // The title shows the chosen profile whole beside the fold icon.
        ZylButton* title = band->showFunctionBtn;
        ASSERT_NE(band->showFunctionIconView, nullptr);
        ASSERT_FALSE(title->contentTitle().isEmpty());
        EXPECT_EQ(title->shownTitle().toStdString(), title->contentTitle().toStdString());
        // A long title stays clear of the fold icon at the button's end.
        title->setContentTitle("Target Format: a profile with a rather long name indeed");
        const double shown = QFontMetricsF(title->font()).horizontalAdvance(title->shownTitle());
        EXPECT_LE((title->width() - 48 + shown) / 2, band->showFunctionIconView->x());
        EXPECT_LE(shown, band->showFunctionIconView->x());
    }

    // Moved to a screen with room, the folded window unfolds by growing, and moves up as far
    // as its foot needs to stay on the screen.
    auto w = openCentred();
    FormatBrowser* band = w->outlets().formatBrowser;
    ASSERT_TRUE(band->isFolded());
    ScreenRoom::standIn(QSize(1440, 900));
    const int folded = w->height();
    w->move(w->x(), 900 - folded - 10);
    settle();
    click(band->showFunctionBtn);
    settle();
    EXPECT_FALSE(band->isFolded());
    EXPECT_EQ(w->height(), folded + 140);
    EXPECT_EQ(w->minimumSize(), QSize(908, 780));
    EXPECT_TRUE(onScreen(w.get()));
    EXPECT_TRUE(onScreen(w->outlets().exportBar->startButton));
    w.reset();
    ScreenRoom::standIn(QSize());
    UserDefaults::setStorePath(QString());
}
