// Drives a join window through its real controls for the tests: the add-file button and its
// open panel, the list's rows and buttons, the range fields, the volume slider, the format
// pop-up, the output-folder pop-up and Start. The waiting, clicking and alert helpers are the
// easy cutter tests' own.
#pragma once

#include "../easycut/EasyCutDriver.h"
#include "foundation/records/SimpleData.h"
#include "platform/UserDefaults.h"
#include "tools/join/JoinnerCell.h"
#include "tools/join/JoinnerTableView.h"
#include "tools/join/JoinnerWindowController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>

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

    void chooseFormat(const QString& title) {
        const int i = window->formatPopBtn->findText(title);
        ASSERT_GE(i, 0) << title.toStdString();
        window->formatPopBtn->setCurrentIndex(i);
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
