// The finish message: window-modal over its caller, OK always closes it and reports the
// check box, and it goes away by itself.
#include "foundation/controls/ZylOpenAlert.h"
#include "foundation/helpers/NSBundle.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

namespace {

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class FinishMessage : public ::testing::Test {
protected:
    void SetUp() override {
        caller.setWindowTitle(QStringLiteral("Easy Cut"));
        caller.resize(800, 600);
        caller.show();
    }
    QWidget caller;
};

TEST_F(FinishMessage, OpensWindowModalAndReportsTheBoxOnOk) {
    auto* alert = new ZylOpenAlert(&caller);
    QPointer<ZylOpenAlert> alive(alert);
    std::optional<bool> reported;
    bool windowOpenDuringCallback = false;
    alert->setWindowTitle(caller.windowTitle());
    alert->setInfomation(QStringLiteral("Cutterfinishedstring"));
    alert->setSelectedOkBlock([&](bool open) {
        reported = open;
        windowOpenDuringCallback = alive && alive->window()->isVisible();
    });
    alert->placeOverCaller();
    alert->open();
    QPointer<QDialog> window = alert->window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowModality(), Qt::WindowModal);
    EXPECT_EQ(window->parentWidget(), &caller);
    EXPECT_EQ(window->windowTitle(), NSBundle::localizedStringForKey("Easy Cut")); // looked up again as a key

    alert->openBtn()->setChecked(true);
    QTest::mouseClick(alert->okBtn(), Qt::LeftButton);
    ASSERT_TRUE(reported.has_value());
    EXPECT_TRUE(*reported);
    EXPECT_TRUE(windowOpenDuringCallback);
    flushDeletes();
    EXPECT_FALSE(window);
    EXPECT_FALSE(alive);
}

TEST_F(FinishMessage, OkClosesWithTheBoxOffAndWithoutACallback) {
    auto* alert = new ZylOpenAlert(&caller);
    std::optional<bool> reported;
    alert->setSelectedOkBlock([&](bool open) { reported = open; });
    alert->open();
    QPointer<QDialog> window = alert->window();
    QTest::mouseClick(alert->okBtn(), Qt::LeftButton);
    ASSERT_TRUE(reported.has_value());
    EXPECT_FALSE(*reported);
    flushDeletes();
    EXPECT_FALSE(window);

    auto* bare = new ZylOpenAlert(&caller);
    bare->open();
    QPointer<QDialog> bareWindow = bare->window();
    QTest::mouseClick(bare->okBtn(), Qt::LeftButton);
    flushDeletes();
    EXPECT_FALSE(bareWindow);
}

TEST_F(FinishMessage, ClosingTheCallerTakesAnOpenMessageWithIt) {
    auto* owner = new QWidget;
    owner->show();
    auto* alert = new ZylOpenAlert(owner);
    alert->open();
    QPointer<QDialog> window = alert->window();
    QPointer<ZylOpenAlert> alive(alert);
    delete owner;
    flushDeletes();
    EXPECT_FALSE(window);
    EXPECT_FALSE(alive);
}

TEST(FinishMessagePlacement, CentredOverTheCallerAndWrappedFromLeftOfTheScreen) {
    EXPECT_EQ(ZylOpenAlert::frameOverWindow({100, 200, 800, 600}, {0, 0, 1440, 900}),
              (NSRect{331, 443, 338, 114}));
    const NSRect r = ZylOpenAlert::frameOverWindow({-50, 0, 800, 600}, {0, 0, 1440, 900});
    EXPECT_DOUBLE_EQ(r.x, 1390 + (800 - 338) / 2.0);
}

} // namespace
