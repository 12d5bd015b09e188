// Drives an easy cutter window through its real controls for the tests: the add-file
// button and its open panel, the time-code fields, the Cut, merge and Start buttons, the
// output-folder pop-up with its folder panel, and the messages that come back. Waiting,
// clicking, panels and alerts are the shared tool-window driver's.
#pragma once

#include "../shared/ToolWindowDriver.h"
#include "foundation/controls/ZylButton.h"
#include "tools/easycut/EasyCutterWindowcontroller.h"

namespace easycuttest {

using tooltest::answerAlerts;
using tooltest::click;
using tooltest::openAlert;
using tooltest::settle;
using tooltest::text;
using tooltest::waitUntil;

class Driver {
public:
    Driver() {
        window = new EasyCutterWindowcontroller();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        chooseOutputFolder(out.path());
    }
    ~Driver() {
        if (window) {
            window->close();
            waitUntil([this] { return window.isNull(); });
        }
        answerAlerts();
    }

    static constexpr auto select = &tooltest::select;
    static constexpr auto panelOfMode = &tooltest::panelOfMode;
    static constexpr auto pickOutputFolder = &tooltest::pickOutputFolder;
    static constexpr auto typeField = &tooltest::typeField;

    void chooseOutputFolder(const QString& folder) { pickOutputFolder(window->outputPopBtn, folder); }

    // The add-file button, then the open panel answered with path.
    void addFile(const QString& path) {
        tooltest::pickFile(window->addfileBtn->isVisible() ? window->addfileBtn : window->updateFileAddBtn,
                           path);
    }

    // Types a time into a row of fields, one field after the other, and ends it with Return:
    // the row checks the whole time once.
    static void type(const EasyCutterWindowcontroller::FieldRow& row, int h, int m, int s, int cs) {
        const int values[4] = {h, m, s, cs};
        for (int i = 0; i < 4; ++i) {
            row[i]->setFocus();
            row[i]->selectAll();
            QTest::keyClicks(row[i], QString::asprintf("%02d", values[i]));
        }
        QTest::keyClick(row[3], Qt::Key_Return);
        settle();
    }
    static double rowSeconds(const EasyCutterWindowcontroller::FieldRow& row) {
        return row[0]->text().toInt() * 3600.0 + row[1]->text().toInt() * 60.0 + row[2]->text().toInt() +
               row[3]->text().toInt() / 100.0;
    }

    // The stored range in seconds.
    std::pair<double, double> range() const {
        const double d = window->duration();
        return {d * window->cutprogressView->lowerValue(), d * window->cutprogressView->upperValue()};
    }

    // Marks start..end (seconds, whole hundredths) with the range fields and presses Cut. An
    // end typed before the start it must follow is refused once; the second round passes.
    void addSegment(double start, double end) {
        auto split = [](double t, int* p) {
            const int c = int(std::lround(t * 100));
            p[0] = c / 360000;
            p[1] = c / 6000 % 60;
            p[2] = c / 100 % 60;
            p[3] = c % 100;
        };
        int s[4], e[4];
        split(start, s);
        split(end, e);
        for (int attempt = 0; attempt < 2; ++attempt) {
            type(window->stopFields, e[0], e[1], e[2], e[3]);
            answerAlerts();
            type(window->startFields, s[0], s[1], s[2], s[3]);
            answerAlerts();
        }
        ASSERT_NEAR(range().first, start, 0.011);
        ASSERT_NEAR(range().second, end, 0.011);
        const size_t before = window->cutItems().size();
        click(window->cutStartBtn);
        EXPECT_TRUE(waitUntil([&] { return window->cutItems().size() == before + 1; }, 60000));
    }

    void pressStart() { click(window->startExportBtn); }

    QWidget* finishMessage() const { return tooltest::finishMessage(); }

    QTemporaryDir out;
    QPointer<EasyCutterWindowcontroller> window;
};

} // namespace easycuttest
