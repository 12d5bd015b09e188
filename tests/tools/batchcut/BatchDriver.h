// Drives a batch cut window through its real controls for the tests: a file's range with its
// keep or remove radio, and Start. The list and range fields are the list windows' driver's;
// waiting, clicking, panels and alerts the tool-window driver's.
#pragma once

#include "../shared/ClipListDriver.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "tools/batchcut/BatchCutterWindowController.h"
#include "tools/shared/RowProgress.h"

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

class Driver : public tooltest::ClipListDriver<BatchCutterWindowController> {
public:
    Driver() { tooltest::pickOutputFolder(window->outputFolderBtn, out.path()); }

    // A copy of a fixture clip under another name, in a folder of its own.
    QString copyOf(const QString& fixture, const QString& name) {
        const QString path = sources.filePath(name);
        EXPECT_TRUE(QFile::copy(testsupport::media(fixture), path));
        return path;
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
        ASSERT_TRUE(waitUntil([] { return tooltest::finishMessage() != nullptr; }, 60000))
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
