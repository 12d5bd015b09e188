// Drives a splitter window through its real controls for the tests: the add-file button and
// its open panel, the mode buttons, the preset pop-ups and their custom prompt, the part
// count, the Split and manual point buttons, the begin marker, Start, and the output-folder
// pop-up. Waiting, clicking, panels and alerts are the shared tool-window driver's.
#pragma once

#include "../shared/ToolWindowDriver.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "tools/split/SplitProgressView.h"
#include "tools/split/SplitWindowController.h"

#include <QComboBox>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace splittest {

using tooltest::answerAlerts;
using tooltest::click;
using tooltest::outputs;
using tooltest::settle;
using tooltest::text;
using tooltest::waitUntil;

// Drags a marker view so that its left edge lands at x (in its parent), as a pointer would.
inline void dragTo(QWidget* marker, double x) {
    const QPointF start(marker->width() / 2.0, marker->height() / 2.0);
    QTest::mousePress(marker, Qt::LeftButton, {}, start.toPoint());
    const QPointF to(x - marker->x(), start.y());
    QMouseEvent move(QEvent::MouseMove, to, marker->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(marker, &move);
    QTest::mouseRelease(marker, Qt::LeftButton, {}, QPoint(marker->width() / 2, marker->height() / 2));
    settle();
}

class Driver : public tooltest::WindowHolder<SplitWindowController> {
public:
    Driver() { chooseOutputFolder(out.path()); }

    void chooseOutputFolder(const QString& folder) {
        tooltest::pickOutputFolder(window->outputPopBtn, folder);
    }
    // The splitter takes one file: its open panel picks a single file.
    void addFile(const QString& path) {
        tooltest::pickFile(window->addfileBtn, path, QFileDialog::ExistingFile);
    }

    // Picks item i of a pop-up as the user does.
    static void pick(QComboBox* popUp, int i) {
        popUp->setCurrentIndex(i);
        emit popUp->activated(i);
        settle();
    }

    // Picks the custom item and answers its prompt with answer.
    void customValue(QComboBox* popUp, const QString& answer) {
        pick(popUp, popUp->count() - 1);
        ASSERT_TRUE(waitUntil([&] { return window->customPrompt() != nullptr; }, 60000));
        auto* prompt = qobject_cast<QInputDialog*>(window->customPrompt());
        ASSERT_NE(prompt, nullptr);
        prompt->setTextValue(answer);
        prompt->accept();
        settle();
    }

    std::vector<float> points() const { return window->playerSlider->getTimeProgresses(); }

    void pressStart() { click(window->startExportBtn); }

    QWidget* finishMessage() const { return tooltest::finishMessage(); }

    // Runs the export to its end (waiting up to `ms`) and closes the finish message.
    void exportAll(int ms = 60000) {
        pressStart();
        ASSERT_TRUE(waitUntil([&] { return finishMessage() != nullptr; }, ms));
        tooltest::acceptFinishMessage();
    }

    QString part(int n) const { return QString("%1/long_10s-split%2.mp4").arg(out.path()).arg(n); }
};

} // namespace splittest
