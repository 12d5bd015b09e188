// Drives a join window through its real controls for the tests: the add-file button and its
// open panel, the list's rows and buttons, the range fields, the volume slider, the format
// pop-up, the output-folder pop-up and Start. Waiting, clicking, panels and alerts are the
// shared tool-window driver's.
#pragma once

#include "../shared/ToolWindowDriver.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/UserDefaults.h"
#include "tools/join/JoinnerCell.h"
#include "tools/join/JoinnerTableView.h"
#include "tools/join/JoinnerWindowController.h"
#include "tools/shared/TimeCodeRow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>

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

// The tests' own user defaults must be in place before the window reads them.
struct TestDefaults {
    TestDefaults() { useTestDefaults(); }
};

class Driver : private TestDefaults, public tooltest::WindowHolder<JoinnerWindowController> {
public:
    // keepFormat: start from "Keep Original" whatever an earlier window chose.
    explicit Driver(bool keepFormat = true) {
        chooseOutputFolder(out.path());
        if (keepFormat)
            chooseFormat("Video / Keep Original");
    }

    void chooseOutputFolder(const QString& folder) { tooltest::pickOutputFolder(window->outputFolderBtn, folder); }
    void addFile(const QString& path) { tooltest::pickFile(window->addfileBtn, path); }

    void selectRow(int i) {
        JoinnerCell* row = window->fileListTableView->row(i);
        ASSERT_NE(row, nullptr);
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(40, 10));
        settle();
        ASSERT_EQ(window->fileListTableView->selectedIndex(), i);
    }

    // Enters a time "hh:mm:ss.cc" into a range row as one edit: the first three parts are
    // put in place and the hundredths typed, ending with Return. A bare number goes into the
    // hours field alone.
    static void type(TimeCodeRow* row, const QString& value) {
        const QStringList parts = value.split(QRegularExpression("[:.]"));
        if (parts.size() != 4) {
            tooltest::typeField(row->field(TimeCodeRow::Hours), value);
            return;
        }
        for (int i = 0; i < 3; ++i)
            row->field(i)->setText(parts[i]);
        tooltest::typeField(row->field(TimeCodeRow::Hundredths), parts[3]);
    }
    // What a range row shows, as "hh:mm:ss.cc".
    static QString shown(const TimeCodeRow* row) {
        return QString("%1:%2:%3.%4")
            .arg(row->field(0)->text(), row->field(1)->text(), row->field(2)->text(), row->field(3)->text());
    }

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

    QWidget* finishMessage() const { return tooltest::finishMessage(); }
    void closeFinishMessage() { tooltest::closeFinishMessage(); }
};

} // namespace jointest
