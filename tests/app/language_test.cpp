// The application delegate: menus, the interface-language pull-down and the language switch,
// which must show the home screen in the new language at once and survive a restart.
#include "ShellTestSupport.h"
#include "app/AppDelegate.h"
#include "app/ViewController.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/Alerts.h"
#include "platform/BundlePaths.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using shelltest::ScratchDefaults;
using shelltest::UrlCatcher;

namespace {

QString text(const char* key) {
    return NSBundle::localizedStringForKey(QString::fromUtf8(key));
}

std::unique_ptr<AppDelegate> launch() {
    auto delegate = std::make_unique<AppDelegate>();
    delegate->applicationDidFinishLaunching();
    return delegate;
}

QAction* languageItem(AppDelegate& delegate, int tag) {
    for (QAction* top : delegate.mainMenu()->actions())
        if (top->menu())
            for (QAction* item : top->menu()->actions())
                if (top->property("tag").toInt() == 20 && item->property("tag").toInt() == tag)
                    return item;
    return nullptr;
}

int storedLanguage() {
    return int(UserDefaults::standardUserDefaults().integerForKey("AppLanguage"));
}

} // namespace

TEST(Language, LaunchSelectsTheStoredLanguage) {
    ScratchDefaults defaults;
    UserDefaults::standardUserDefaults().setInteger(12, "AppLanguage");
    auto delegate = launch();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(delegate->mainWindow()));

    QComboBox* pull = delegate->langeuagePopBtn();
    const bool four = AppDelegate::tableOffersFourLanguages();
    ASSERT_EQ(pull->count(), four ? 5 : 10);
    // 12 counts as the last language; in the short table that index is past the end.
    EXPECT_EQ(pull->currentIndex(), four ? 1 : 9);
    delegate.reset();

    UserDefaults::standardUserDefaults().setInteger(-3, "AppLanguage");
    delegate = launch();
    EXPECT_EQ(delegate->langeuagePopBtn()->currentIndex(), 1);
}

TEST(Language, SwitchShowsTheNewLanguageAtOnceAndSurvivesARestart) {
    ScratchDefaults defaults;
    auto delegate = launch();
    ViewController* home = delegate->viewController();
    const QString englishIdle = ViewController::idleDescription();
    const QString englishCrop = home->tileLabel(HomeTool::Crop)->text();
    ASSERT_EQ(home->descLabel1()->text(), englishIdle);

    // French is item 3 in both tables (index 3 of nine, index 2 of four).
    const int french = delegate->fourLanguages() ? 2 : 3;
    emit delegate->langeuagePopBtn()->activated(french + 1);

    EXPECT_EQ(storedLanguage(), french);
    EXPECT_EQ(UserDefaults::standardUserDefaults().objectForKey("AppleLanguages").toStringList(),
              QStringList{"fr"});
    const QString frenchIdle = ViewController::idleDescription();
    EXPECT_NE(frenchIdle, englishIdle) << "the French table should translate the idle description";
    EXPECT_EQ(home->descLabel1()->text(), frenchIdle);
    EXPECT_EQ(home->tileLabel(HomeTool::Crop)->text(), text("tool_cropItemTitle"));
    EXPECT_NE(home->tileLabel(HomeTool::Crop)->text(), englishCrop);
    EXPECT_EQ(delegate->langeuagePopBtn()->currentIndex(), french + 1);

    // A new run reads the stored choice.
    delegate.reset();
    defaults.reopen();
    delegate = launch();
    EXPECT_EQ(delegate->langeuagePopBtn()->currentIndex(), french + 1);
    EXPECT_EQ(delegate->viewController()->descLabel1()->text(), frenchIdle);
    EXPECT_EQ(delegate->viewController()->tileLabel(HomeTool::Crop)->text(), text("tool_cropItemTitle"));

    // Back to English through the language menu.
    QAction* english = languageItem(*delegate, 100);
    ASSERT_NE(english, nullptr);
    english->trigger();
    EXPECT_EQ(storedLanguage(), 0);
    EXPECT_EQ(delegate->viewController()->descLabel1()->text(), englishIdle);
    EXPECT_TRUE(english->isChecked());
}

TEST(Language, HelpItemOpensTheShippedHelpPageOfTheLanguage) {
    ScratchDefaults defaults;
    UrlCatcher catcher;
    auto delegate = launch();
    const QString help = bundle::resourcePath() + "/help/";
    ASSERT_TRUE(QFileInfo::exists(help + "index.html"));
    delegate->helpItemBtn()->trigger();
    ASSERT_EQ(catcher.urls.size(), size_t(1));
    EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile(help + "index.html"));

    // French has its own page; a language without one gets the English page.
    const int french = delegate->fourLanguages() ? 2 : 3;
    delegate->setLange(french);
    delegate->helpItemBtn()->trigger();
    ASSERT_EQ(catcher.urls.size(), size_t(2));
    EXPECT_EQ(catcher.urls[1], QUrl::fromLocalFile(help + "fr.html"));
    if (!delegate->fourLanguages() && !QFileInfo::exists(help + "zh-Hant.html")) {
        delegate->setLange(2);
        delegate->helpItemBtn()->trigger();
        ASSERT_EQ(catcher.urls.size(), size_t(3));
        EXPECT_EQ(catcher.urls[2], QUrl::fromLocalFile(help + "index.html"));
    }
}

// Our alerts' button and Qt's own dialogs follow the interface language, also after a switch.
TEST(Language, AlertButtonsAndQtDialogsSpeakTheChosenLanguage) {
    ScratchDefaults defaults;
    auto delegate = launch();
    for (int language = delegate->fourLanguages() ? 3 : 8; language >= 0; --language) {
        emit delegate->langeuagePopBtn()->activated(language + 1);
        const std::string code = NSBundle::currentLanguageCode().toStdString();
        QMessageBox* box = Alerts::showWarning(nullptr, "message");
        const QString ok = box->button(QMessageBox::Ok)->text();
        box->close();
        EXPECT_EQ(ok, text("OKBtnTitle")) << code;
        EXPECT_TRUE(code != "zh-Hans" || ok != "OK");
        const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
        EXPECT_EQ(cancel == "Cancel", language == 0)
            << code << ": Qt's dialogs speak " << cancel.toStdString();
    }
}

TEST(Language, ArabicLaysTheHomeScreenOutFromTheRight) {
    ScratchDefaults defaults;
    auto delegate = launch();
    if (delegate->fourLanguages())
        GTEST_SKIP() << "the four-language table has no Arabic";
    ViewController* home = delegate->viewController();
    const auto easyLeftOfSplit = [home] {
        return home->tileButton(HomeTool::EasyCutter)->x() < home->tileButton(HomeTool::Split)->x();
    };
    ASSERT_TRUE(easyLeftOfSplit());

    delegate->setLange(8);
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::RightToLeft);
    EXPECT_TRUE(delegate->mainMenu()->isRightToLeft());
    // The first column stands at the right, the homepage link at the left edge.
    EXPECT_FALSE(easyLeftOfSplit());
    EXPECT_LT(home->homepageButton()->x(), home->aboutButton()->x());
    EXPECT_LT(home->homepageButton()->x(), home->width() / 2);

    delegate->setLange(0);
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    EXPECT_TRUE(easyLeftOfSplit());
}

TEST(Language, HelpAndHomepageWithoutABrowserSayWhy) {
    ScratchDefaults defaults;
    Workspace::setOpenHandlerForTesting([](const QUrl&) { return false; });
    auto delegate = launch();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(delegate->mainWindow()));
    const QString failed = text("openLinkFailedString");
    const QString before = failed.left(failed.indexOf("%@"));
    const QString after = failed.mid(failed.indexOf("%@") + 2);
    auto expectAlert = [&] {
        QMessageBox* box = nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&] { return (box = Alerts::currentAlert()) != nullptr; }, 60000));
        if (!box)
            return;
        EXPECT_TRUE(box->informativeText().startsWith(before)) << box->informativeText().toStdString();
        EXPECT_TRUE(box->informativeText().endsWith(after));
        box->close();
        QTest::qWait(50);
    };
    delegate->helpItemBtn()->trigger();
    expectAlert();
    delegate->viewController()->homepageButton()->mouseDownAction(
        delegate->viewController()->homepageButton());
    expectAlert();
    Workspace::setOpenHandlerForTesting({});
}
