// Drives a join window through its real controls for the tests: the add-file button and its
// open panel, the list's rows and buttons, the range fields, the volume slider, the format
// browser, the output-folder pop-up and Start. The waiting, clicking and alert helpers are the
// easy cutter tests' own.
#pragma once

#include "../easycut/EasyCutDriver.h"
#include "foundation/controls/LxCustomButton.h"
#include "foundation/controls/MouseMoveButton.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/UserDefaults.h"
#include "tools/join/JoinnerCell.h"
#include "tools/join/JoinnerTableView.h"
#include "tools/join/JoinnerWindowController.h"
#include "tools/shared/FormatBrowser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace jointest {

using easycuttest::answerAlerts;
using easycuttest::click;
using easycuttest::settle;
using easycuttest::text;
using easycuttest::waitUntil;

inline QStringList outputs(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

// The tests' own user defaults, kept for the whole run so that one window's choice reaches
// the next window.
inline void useTestDefaults() {
    static QTemporaryDir dir;
    UserDefaults::setStorePath(dir.filePath("defaults.ini"));
}

class Driver {
public:
    // keepFormat: start from "Keep Original" whatever an earlier window chose.
    explicit Driver(bool keepFormat = true) {
        useTestDefaults();
        window = new JoinnerWindowController();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        chooseOutputFolder(out.path());
        if (keepFormat)
            chooseFormat("Video / Keep Original");
    }
    ~Driver() {
        closeFinishMessage();
        if (window) {
            window->close();
            waitUntil([this] { return window.isNull(); });
        }
        answerAlerts();
    }

    void chooseOutputFolder(const QString& folder) {
        easycuttest::Driver::pickOutputFolder(window->outputFolderBtn, folder);
    }
    void addFile(const QString& path) { easycuttest::Driver::pickFile(window->addfileBtn, path); }

    void selectRow(int i) {
        JoinnerCell* row = window->fileListTableView->row(i);
        ASSERT_NE(row, nullptr);
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(40, 10));
        settle();
        ASSERT_EQ(window->fileListTableView->selectedIndex(), i);
    }

    // Types a time into a range field and ends the edit with Return.
    static void type(QLineEdit* field, const QString& value) { easycuttest::Driver::typeField(field, value); }

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

    // Start, then the end of the join; returns the file written.
    QString join() {
        click(window->startJoinnerBtn);
        EXPECT_TRUE(waitUntil([&] { return window->isJoining(); }, 5000));
        EXPECT_TRUE(waitUntil([&] { return !window->isJoining(); }, 120000));
        settle(100);
        return window->lastOutput();
    }

    QWidget* finishMessage() const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() == "ZylOpenAlert")
                return w;
        return nullptr;
    }
    void closeFinishMessage() {
        if (QWidget* m = finishMessage())
            m->close();
        settle();
    }

    QTemporaryDir out;
    QPointer<JoinnerWindowController> window;
};

} // namespace jointest
