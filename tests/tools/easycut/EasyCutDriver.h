// Drives an easy cutter window through its real controls for the tests: the add-file
// button and its open panel, the time-code fields, the Cut, merge and Start buttons, the
// output-folder pop-up with its folder panel, and the messages that come back.
#pragma once

#include "TestSupport.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/Alerts.h"
#include "platform/Panels.h"
#include "tools/easycut/EasyCutterWindowcontroller.h"
#include "tools/shared/OutputFolderChooser.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEnterEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

namespace easycuttest {

inline bool waitUntil(const std::function<bool()>& done, int ms = 60000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // Windows delete themselves with deleteLater once closed.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return done();
}

inline void settle(int ms = 30) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A press and release inside the widget, with the pointer entering it first as a real
// pointer would.
inline void click(QWidget* w) {
    const QPointF centre(w->width() / 2.0, w->height() / 2.0);
    QEnterEvent enter(centre, w->mapTo(w->window(), centre), w->mapToGlobal(centre));
    QCoreApplication::sendEvent(w, &enter);
    QTest::mouseClick(w, Qt::LeftButton, {}, centre.toPoint());
    settle();
}

// The alert opened last, if one is open.
inline QMessageBox* openAlert() {
    return Alerts::currentAlert();
}

// Answers every open alert and returns their informative texts, oldest first.
inline QStringList answerAlerts() {
    QStringList texts;
    settle();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible())
            continue;
        texts << box->informativeText();
        box->accept();
    }
    settle();
    return texts;
}

inline QString text(const char* key) {
    return NSBundle::localizedStringForKey(key);
}

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

    // Qt's own dialog does not take a selected name into a file-name field that has the
    // keyboard focus, as it has once shown; the tests answer it like a user who clicked a file.
    static void select(QFileDialog* panel, const QString& name) {
        if (QWidget* f = panel->focusWidget())
            f->clearFocus();
        panel->selectFile(name);
    }

    // The open panel of the given mode, once it shows.
    static QFileDialog* panelOfMode(QFileDialog::FileMode mode) {
        QFileDialog* found = nullptr;
        waitUntil(
            [&] {
                QFileDialog* p = Panels::currentPanel();
                found = p && p->isVisible() && p->fileMode() == mode ? p : nullptr;
                return found != nullptr;
            },
            5000);
        return found;
    }

    // Answers the folder panel that "Other..." of an output-folder pop-up opens with folder.
    static void pickOutputFolder(OutputFolderChooser* chooser, const QString& folder) {
        chooser->choose(OutputFolderChooser::Other);
        QFileDialog* panel = panelOfMode(QFileDialog::Directory);
        ASSERT_NE(panel, nullptr);
        panel->setDirectory(QFileInfo(folder).absolutePath());
        select(panel, folder);
        static_cast<QDialog*>(panel)->accept();
        ASSERT_TRUE(waitUntil([&] { return chooser->outputPath() == folder; }, 5000));
    }

    // Clicks an add-file button and answers its open panel with path.
    static void pickFile(QWidget* addButton, const QString& path) {
        click(addButton);
        QFileDialog* panel = panelOfMode(QFileDialog::ExistingFiles);
        ASSERT_NE(panel, nullptr);
        panel->setDirectory(QFileInfo(path).absolutePath());
        select(panel, QFileInfo(path).fileName());
        static_cast<QDialog*>(panel)->accept();
        settle(100);
    }

    void chooseOutputFolder(const QString& folder) { pickOutputFolder(window->outputPopBtn, folder); }

    // The add-file button, then the open panel answered with path.
    void addFile(const QString& path) {
        pickFile(window->addfileBtn->isVisible() ? window->addfileBtn : window->updateFileAddBtn, path);
    }

    // Types a time into a row of fields, one field at a time, ending each edit with Return.
    static void type(const EasyCutterWindowcontroller::FieldRow& row, int h, int m, int s, int cs) {
        const int values[4] = {h, m, s, cs};
        for (int i = 0; i < 4; ++i)
            typeField(row[i], QString::asprintf("%02d", values[i]));
    }
    static void typeField(QLineEdit* field, const QString& value) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, value);
        QTest::keyClick(field, Qt::Key_Return);
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

    // Marks start..end (seconds, whole hundredths) with the range fields and presses Cut.
    // Typing field by field may pass through an out-of-order row; its messages are answered.
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
        EXPECT_TRUE(waitUntil([&] { return window->cutItems().size() == before + 1; }, 5000));
    }

    void pressStart() { click(window->startExportBtn); }

    // The finish message window, once it shows.
    QWidget* finishMessage() const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() == "ZylOpenAlert")
                return w;
        return nullptr;
    }

    QTemporaryDir out;
    QPointer<EasyCutterWindowcontroller> window;
};

} // namespace easycuttest
