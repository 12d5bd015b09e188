// The home screen and the About box, driven through their real controls.
#include "ShellTestSupport.h"
#include "app/AboutUsWindowController.h"
#include "app/ViewController.h"
#include "editor/core/EditVideoWindowController.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/NSBundle.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using shelltest::FakeToolWindow;
using shelltest::RegistryOverride;
using shelltest::ScratchDefaults;
using shelltest::UrlCatcher;

namespace {

QString text(const char* key) {
    return NSBundle::localizedStringForKey(QString::fromUtf8(key));
}

constexpr HomeTool kAllTools[] = {HomeTool::Crop,        HomeTool::Effect,         HomeTool::Subtitle,
                                  HomeTool::Watermark,   HomeTool::Joinner,        HomeTool::EasyCutter,
                                  HomeTool::BatchCutter, HomeTool::AdvancedCutter, HomeTool::Rotate,
                                  HomeTool::AddMusic,    HomeTool::Split};

// A click as the user makes it: the pointer arrives, presses and releases.
void click(QWidget* w, QPoint at = {}) {
    if (at.isNull())
        at = w->rect().center();
    QTest::mouseMove(w, at);
    QTest::mousePress(w, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
}

std::unique_ptr<ViewController> shownHome() {
    auto home = std::make_unique<ViewController>();
    home->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(home.get()));
    return home;
}

bool everythingDisabled(const ViewController& home) {
    for (HomeTool tool : kAllTools)
        if (home.tileButton(tool)->isEnabled())
            return false;
    return !home.aboutButton()->isEnabled() && !home.homepageButton()->isEnabled();
}

std::vector<AboutUsWindowController*> aboutBoxes() {
    std::vector<AboutUsWindowController*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<AboutUsWindowController*>(w); box && box->isVisible())
            boxes.push_back(box);
    return boxes;
}

} // namespace

TEST(HomeScreen, ShowsElevenTilesEnabledOnlyForToolsThatExist) {
    ScratchDefaults defaults;
    {
        RegistryOverride registry;
        registry.onlyFakeTool(HomeTool::Split);
        ViewController home;
        for (HomeTool tool : kAllTools) {
            ASSERT_NE(home.tileButton(tool), nullptr);
            EXPECT_EQ(home.tileButton(tool)->isEnabled(), tool == HomeTool::Split) << int(tool);
        }
        // A missing tool shows its disabled picture, and that picture exists.
        EXPECT_EQ(home.tileButton(HomeTool::Crop)->currentImageName(), "Main/btnCrop_Disable.bmp");
        EXPECT_FALSE(home.tileButton(HomeTool::Crop)->currentImage().isNil());
    }
    // With the tools of this build, a tile is usable exactly when its tool exists.
    ViewController home;
    for (HomeTool tool : kAllTools)
        EXPECT_EQ(home.tileButton(tool)->isEnabled(), ToolWindowRegistry::shared().hasFactory(tool))
            << int(tool);
    // The list tools' tiles make their own windows.
    const std::pair<HomeTool, const char*> tools[] = {{HomeTool::Joinner, "JoinnerWindowController"},
                                                      {HomeTool::BatchCutter, "BatchCutterWindowController"},
                                                      {HomeTool::EasyCutter, "EasyCutterWindowcontroller"},
                                                      {HomeTool::Split, "SplitWindowController"}};
    for (const auto& [tool, className] : tools) {
        QPointer<QWidget> w = ToolWindowRegistry::shared().createWindow(tool);
        ASSERT_FALSE(w.isNull()) << className;
        EXPECT_STREQ(w->metaObject()->className(), className);
        w->show();
        w->close();
        ASSERT_SOON(w.isNull());
    }
}

TEST(HomeScreen, TileOpensOneToolWindowAndWillCloseEnablesAgain) {
    ScratchDefaults defaults;
    RegistryOverride registry;
    registry.onlyFakeTool(HomeTool::EasyCutter);
    auto home = shownHome();
    FakeToolWindow::created = 0;

    // A click on a tile whose tool is missing does nothing.
    click(home->tileButton(HomeTool::Crop));
    QTest::qWait(20);
    EXPECT_EQ(FakeToolWindow::created, 0);
    EXPECT_EQ(home->openToolWindow(), nullptr);

    click(home->tileButton(HomeTool::EasyCutter));
    ASSERT_SOON(home->openToolWindow() != nullptr);
    QPointer<QWidget> tool = home->openToolWindow();
    EXPECT_EQ(FakeToolWindow::created, 1);
    EXPECT_TRUE(tool->isVisible());
    EXPECT_EQ(tool->windowTitle(), text("EasyCut_Title"));
    EXPECT_TRUE(everythingDisabled(*home));

    // The disabled tile ignores further clicks.
    click(home->tileButton(HomeTool::EasyCutter));
    QTest::qWait(20);
    EXPECT_EQ(FakeToolWindow::created, 1);

    // Closing the tool window posts "WillCloseNotification": the screen is usable again and
    // the controller is gone with its window.
    tool->close();
    EXPECT_TRUE(home->tileButton(HomeTool::EasyCutter)->isEnabled());
    EXPECT_TRUE(home->aboutButton()->isEnabled());
    EXPECT_TRUE(home->homepageButton()->isEnabled());
    EXPECT_FALSE(home->tileButton(HomeTool::Crop)->isEnabled());
    ASSERT_SOON(tool.isNull());
    EXPECT_EQ(home->openToolWindow(), nullptr);
}

// The seven editing tiles of this build open the editor on their own tool, with no file yet;
// closing it gives the home screen back.
TEST(HomeScreen, EditingTilesOpenTheEditorOnTheirTool) {
    ScratchDefaults defaults;
    auto home = shownHome();
    const std::pair<HomeTool, int> tiles[] = {{HomeTool::AdvancedCutter, 1}, {HomeTool::Rotate, 2},
                                              {HomeTool::Crop, 4},           {HomeTool::Effect, 8},
                                              {HomeTool::Watermark, 16},     {HomeTool::Subtitle, 32},
                                              {HomeTool::AddMusic, 64}};
    for (const auto& [tile, code] : tiles) {
        ASSERT_TRUE(home->tileButton(tile)->isEnabled()) << code;
        click(home->tileButton(tile));
        ASSERT_SOON(home->openToolWindow() != nullptr);
        QPointer<QWidget> window = home->openToolWindow();
        auto* editor = qobject_cast<EditVideoWindowController*>(window.data());
        ASSERT_NE(editor, nullptr) << code;
        EXPECT_TRUE(editor->isVisible());
        EXPECT_EQ(editor->toolItemType(), code);
        EXPECT_TRUE(editor->toolPanel(EditorToolType(code))->isVisible()) << code;
        EXPECT_FALSE(editor->session().file().isOpen());
        EXPECT_TRUE(everythingDisabled(*home));
        window->close();
        ASSERT_SOON(window.isNull());
        EXPECT_TRUE(home->tileButton(tile)->isEnabled());
    }
}

TEST(HomeScreen, ClicksQueuedTogetherOpenOnlyOneWindow) {
    ScratchDefaults defaults;
    RegistryOverride registry;
    registry.onlyFakeTool(HomeTool::Joinner);
    auto home = shownHome();
    FakeToolWindow::created = 0;
    ZylButton* tile = home->tileButton(HomeTool::Joinner);
    // Two clicks that reach the tile before the first one's work has run.
    tile->mouseDownAction(tile);
    tile->mouseDownAction(tile);
    ASSERT_SOON(home->openToolWindow() != nullptr);
    QTest::qWait(20);
    EXPECT_EQ(FakeToolWindow::created, 1);
    EXPECT_EQ(home->openToolWindow()->windowTitle(), text("Joinner_Title"));
    home->openToolWindow()->close();
}

TEST(HomeScreen, WillCloseFromAnySenderEnablesTheScreen) {
    ScratchDefaults defaults;
    RegistryOverride registry;
    registry.onlyFakeTool(HomeTool::Rotate);
    ViewController home;
    home.enable(false);
    ASSERT_TRUE(everythingDisabled(home));
    int someSender = 0;
    NotificationCenter::defaultCenter().postNotificationName(QStringLiteral("WillCloseNotification"),
                                                             &someSender);
    EXPECT_TRUE(home.tileButton(HomeTool::Rotate)->isEnabled());
    EXPECT_TRUE(home.aboutButton()->isEnabled());
}

TEST(HomeScreen, DescriptionFollowsThePointerOverEnabledTiles) {
    ScratchDefaults defaults;
    RegistryOverride registry;
    registry.onlyFakeTool(HomeTool::Watermark);
    registry.addFakeTool(HomeTool::Subtitle);
    auto home = shownHome();
    QLabel* desc = home->descLabel1();
    ZylButton* tile = home->tileButton(HomeTool::Watermark);

    QTest::mouseMove(tile, tile->rect().center());
    ASSERT_SOON(desc->text() == text("Watermark_PlaceholderString"));
    QTest::mouseMove(home.get(), QPoint(3, home->height() - 3));
    ASSERT_SOON(desc->text() == ViewController::idleDescription());

    // While a tool window is open the tiles are disabled and the line stays as it was.
    click(tile);
    ASSERT_SOON(home->openToolWindow() != nullptr);
    const QString before = desc->text();
    ZylButton* other = home->tileButton(HomeTool::Subtitle);
    QTest::mouseMove(other, other->rect().center());
    QTest::qWait(30);
    EXPECT_EQ(desc->text(), before);
    QTest::mouseMove(home.get(), QPoint(3, home->height() - 3));
    QTest::qWait(30);
    EXPECT_EQ(desc->text(), before);
    home->openToolWindow()->close();
}

TEST(AboutBox, OpensCentredOverTheHomeScreenOnlyForARealSender) {
    ScratchDefaults defaults;
    auto home = shownHome();
    home->aboutAction(nullptr);
    QApplication::processEvents();
    EXPECT_TRUE(aboutBoxes().empty());

    click(home->aboutButton());
    ASSERT_SOON(aboutBoxes().size() == size_t(1));
    AboutUsWindowController* box = aboutBoxes()[0];
    EXPECT_NEAR(box->frameGeometry().center().x(), home->frameGeometry().center().x(), 2);
    EXPECT_NEAR(box->frameGeometry().center().y(), home->frameGeometry().center().y(), 2);

    // OK closes the box and releases it.
    QPointer<AboutUsWindowController> guard(box);
    click(box->okBtn());
    ASSERT_SOON(guard.isNull());
}

TEST(AboutBox, HomepageButtonAndBoxLinksOpenTheTableAddressesAndLeaveTheBoxOpen) {
    ScratchDefaults defaults;
    UrlCatcher catcher;
    auto home = shownHome();
    click(home->homepageButton());
    ASSERT_SOON(catcher.urls.size() == size_t(1));
    home->aboutAction(home->aboutButton());
    ASSERT_EQ(aboutBoxes().size(), size_t(1));
    QPointer<AboutUsWindowController> box = aboutBoxes()[0];
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.data()));

    click(box->middleLeftContentLabel());
    ASSERT_SOON(catcher.urls.size() == size_t(2));
    EXPECT_EQ(catcher.urls[0], QUrl(text("homepageUrl")));
    EXPECT_EQ(catcher.urls[1], QUrl(text("homepageUrl")));

    click(box->middleRightContentLabel());
    ASSERT_SOON(catcher.urls.size() == size_t(3));
    QString address = text("email_address");
    address.replace(' ', "%20");
    EXPECT_EQ(catcher.urls[2].toString(QUrl::FullyEncoded),
              QStringLiteral("mailto:%1?Subject=%20&body=%20").arg(address));
    ASSERT_FALSE(box.isNull());
    EXPECT_TRUE(box->isVisible());

    // The close box ends it just as OK does.
    box->close();
    ASSERT_SOON(box.isNull());
}
