// Drives a batch cut window through its real controls for the tests: the add-file button
// and its open panel, the list's rows, the range fields, the keep and remove radios, Reset,
// Apply to All, the output-folder pop-up and Start. Waiting, clicking, panels and alerts are
// the shared tool-window driver's.
#pragma once

#include "../shared/ToolWindowDriver.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "tools/batchcut/BatchCutterWindowController.h"
#include "tools/shared/JoinnerCell.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/RowProgress.h"
#include "tools/shared/TimeCodeRow.h"

#include <QFile>
#include <QPushButton>
#include <QRadioButton>

namespace batchtest {

using tooltest::answerAlerts;
using tooltest::click;
using tooltest::outputs;
using tooltest::settle;
using tooltest::text;
using tooltest::waitUntil;

class Driver : public tooltest::WindowHolder<BatchCutterWindowController> {
public:
    Driver() { tooltest::pickOutputFolder(window->outputFolderBtn, out.path()); }

    void addFile(const QString& path) { tooltest::pickFile(window->addfileBtn, path); }

    // A copy of a fixture clip under another name, in a folder of its own.
    QString copyOf(const QString& fixture, const QString& name) {
        const QString path = sources.filePath(name);
        EXPECT_TRUE(QFile::copy(testsupport::media(fixture), path));
        return path;
    }

    void selectRow(int i) {
        JoinnerCell* row = window->fileListTableView->row(i);
        ASSERT_NE(row, nullptr);
        if (window->fileListTableView->selectedIndex() != i)
            QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(40, 10));
        settle();
        ASSERT_EQ(window->fileListTableView->selectedIndex(), i);
    }

    // Types seconds into a range row as a user does: the seconds and hundredths fields, the
    // edit ended with Return.
    static void type(TimeCodeRow* row, double seconds) {
        const auto parts = TimeCodeRow::parts(seconds);
        row->field(TimeCodeRow::Hours)->setText(QString::asprintf("%02ld", parts[0]));
        row->field(TimeCodeRow::Minutes)->setText(QString::asprintf("%02ld", parts[1]));
        row->field(TimeCodeRow::Seconds)->setText(QString::asprintf("%02ld", parts[2]));
        tooltest::typeField(row->field(TimeCodeRow::Hundredths), QString::asprintf("%02ld", parts[3]));
    }

    // The selected file's range from start to stop seconds, kept or removed.
    void setRange(double start, double stop, bool remove = false) {
        type(window->startTimeRow, start);
        type(window->stopTimeRow, stop);
        click(remove ? window->unSelectTimeBtn : window->selectTimeBtn);
    }

    std::pair<double, double> range(int i) const {
        const auto [start, stop] = RangeRules::rangeOf(*window->fileList()[size_t(i)]);
        return {double(start) / 1e6, double(stop) / 1e6};
    }

    void pressStart() { click(window->startJoinnerBtn); }

    // Start, then the end of the run with its finish message answered.
    void runAll() {
        pressStart();
        ASSERT_TRUE(tooltest::waitForJobs(window));
        ASSERT_TRUE(waitUntil([] { return tooltest::finishMessage() != nullptr; }, 5000))
            << answerAlerts().join(";").toStdString();
        tooltest::acceptFinishMessage();
    }

    // Every entry of the output folder, hidden ones included.
    QStringList everything() const {
        return QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir sources;
};

} // namespace batchtest
