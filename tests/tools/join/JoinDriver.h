// Drives a join window through its real controls for the tests: the format browser, the
// output-folder pop-up and Start. The list, range fields and volume slider are the list
// windows' driver's; waiting, clicking, panels and alerts the tool-window driver's.
#pragma once

#include "../shared/ClipListDriver.h"
#include "foundation/controls/LxCustomButton.h"
#include "foundation/controls/MouseMoveButton.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/UserDefaults.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/ProfileParameters.h"
#include "profiles/SettingWindowController.h"
#include "tools/join/JoinnerWindowController.h"
#include "tools/shared/FormatBrowser.h"
#include "tools/shared/ScreenRoom.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace jointest {

using tooltest::answerAlerts;
using tooltest::click;
using tooltest::outputs;
using tooltest::settle;
using tooltest::text;
using tooltest::waitUntil;

// The tests' own user defaults, kept for the whole run so that one window's choice reaches
// the next window.
inline void useTestDefaults() {
    static QTemporaryDir dir;
    UserDefaults::setStorePath(dir.filePath("defaults.ini"));
}

// The tests' own user defaults must be in place before the window reads them, and so must
// the screen the window opens on.
struct TestDefaults {
    explicit TestDefaults(const QSize& screen) {
        useTestDefaults();
        ScreenRoom::standIn(screen);
    }
};

class Driver : private TestDefaults, public tooltest::ClipListDriver<JoinnerWindowController> {
public:
    // keepFormat: start from "Keep Original" whatever an earlier window chose. The screen has
    // room for the whole window unless told.
    explicit Driver(bool keepFormat = true, const QSize& screen = QSize(1920, 1080)) : TestDefaults(screen) {
        chooseOutputFolder(out.path());
        if (keepFormat)
            chooseFormat("Video / Keep Original");
    }

    void chooseOutputFolder(const QString& folder) {
        tooltest::pickOutputFolder(window->outputFolderBtn, folder);
    }

    // Chooses "<category> / <profile>" in the format browser: its tab, its page, its tile.
    void chooseFormat(const QString& title) {
        FormatBrowser* b = window->formatBrowser;
        const QString category = title.section(" / ", 0, 0);
        const QString item = title.section(" / ", 1);
        const int k = int(b->functionList().indexOf(category));
        ASSERT_GE(k, 0) << title.toStdString();
        if (b->functionItemTitle() != category)
            click(b->function_Items[size_t(k)]);
        const int i = int(b->functionItemChilds().indexOf(item));
        ASSERT_GE(i, 0) << title.toStdString();
        while (b->selectFunctionOfsetIndex() < i / FormatBrowser::kTilesPerPage)
            click(b->right_move_item_Btn);
        while (b->selectFunctionOfsetIndex() > i / FormatBrowser::kTilesPerPage)
            click(b->left_move_item_Btn);
        click(b->functionItemBtn_Childs[size_t(i)]);
        ASSERT_EQ(chosenFormat(), title);
    }
    // "<category> / <profile>" of the chosen tile.
    QString chosenFormat() const {
        return window->formatBrowser->chosenCategory() + " / " + window->formatBrowser->chosenItem();
    }
    // Whether a profile can be chosen now.
    bool formatChoiceEnabled() const {
        FormatBrowser* b = window->formatBrowser;
        return b->function_Items.front()->isEnabled() && b->functionItemBtn_Childs.front()->isEnabled();
    }
    // The gear of the chosen tile.
    ZylButton* settingsGear() const {
        FormatBrowser* b = window->formatBrowser;
        return b->gearBtns[size_t(b->selectItemIndex() - 1)];
    }

    // The chosen tile's gear, then its settings window once it shows, with the video codec
    // set to codec.
    SettingWindowController* openSettingsWithCodec(const QString& codec) {
        click(settingsGear());
        SettingWindowController* settings = nullptr;
        waitUntil(
            [&] {
                settings = window->findChild<SettingWindowController*>();
                return settings && settings->isVisible();
            },
            5000);
        EXPECT_NE(settings, nullptr);
        if (!settings)
            return nullptr;
        QComboBox* box = settings->popUp(profiles::kVideoCodec);
        const int i = box->findText(codec);
        EXPECT_GE(i, 0) << codec.toStdString();
        box->setCurrentIndex(i);
        emit box->activated(i);
        return settings;
    }

    // Start, then the end of the join; returns the file written.
    QString join() {
        click(window->startJoinnerBtn);
        // A copy of small clips may be over before the click returns.
        EXPECT_TRUE(waitUntil([&] { return window->isJoining() || finishMessage(); }, 60000));
        EXPECT_TRUE(waitUntil([&] { return !window->isJoining(); }, 120000));
        settle(100);
        return window->lastOutput();
    }

    QWidget* finishMessage() const { return tooltest::finishMessage(); }
    void closeFinishMessage() { tooltest::closeFinishMessage(); }
};

} // namespace jointest
