// What every tool window's tests do with a window: wait for its queued work and its jobs,
// click its controls as a pointer would, answer its alerts, open panels, folder panels and
// finish message, and list what it wrote. Each window's own driver adds only its controls.
#pragma once

#include "TestSupport.h"
#include "foundation/helpers/NSBundle.h"
#include "platform/Alerts.h"
#include "platform/Panels.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/ToolWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace tooltest {

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

// A press and release inside the widget (at its centre unless told), with the pointer
// entering it first as a real pointer would.
inline void click(QWidget* w, QPoint at = QPoint(-1, -1)) {
    const QPointF p = at.x() < 0 ? QPointF(w->width() / 2.0, w->height() / 2.0) : QPointF(at);
    QEnterEvent enter(p, w->mapTo(w->window(), p), w->mapToGlobal(p));
    QCoreApplication::sendEvent(w, &enter);
    QTest::mouseClick(w, Qt::LeftButton, {}, p.toPoint());
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

// The files in a folder, by name.
inline QStringList outputs(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

// Qt's own dialog does not take a selected name into a file-name field that has the
// keyboard focus, as it has once shown; the tests answer it like a user who clicked a file.
inline void select(QFileDialog* panel, const QString& name) {
    if (QWidget* f = panel->focusWidget())
        f->clearFocus();
    panel->selectFile(name);
}

// The open panel of the given mode, once it shows.
inline QFileDialog* panelOfMode(QFileDialog::FileMode mode) {
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
inline void pickOutputFolder(OutputFolderChooser* chooser, const QString& folder) {
    chooser->choose(OutputFolderChooser::Other);
    QFileDialog* panel = panelOfMode(QFileDialog::Directory);
    ASSERT_NE(panel, nullptr);
    panel->setDirectory(QFileInfo(folder).absolutePath());
    select(panel, folder);
    static_cast<QDialog*>(panel)->accept();
    ASSERT_TRUE(waitUntil([&] { return chooser->outputPath() == folder; }, 60000));
}

// Clicks an add-file button and answers its open panel (of the given mode) with path.
inline void pickFile(QWidget* addButton, const QString& path,
                     QFileDialog::FileMode mode = QFileDialog::ExistingFiles) {
    click(addButton);
    QFileDialog* panel = panelOfMode(mode);
    ASSERT_NE(panel, nullptr);
    panel->setDirectory(QFileInfo(path).absolutePath());
    select(panel, QFileInfo(path).fileName());
    static_cast<QDialog*>(panel)->accept();
    settle(100);
}

// Clicks an add-file button and answers its open panel as a user at the keyboard does: the
// file's name typed into the panel's name field (its completer may pop up) and Return.
inline void typeFileIntoPanel(QWidget* addButton, const QString& path,
                              QFileDialog::FileMode mode = QFileDialog::ExistingFiles) {
    click(addButton);
    QFileDialog* panel = panelOfMode(mode);
    ASSERT_NE(panel, nullptr);
    panel->setDirectory(QFileInfo(path).absolutePath());
    auto* name = panel->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setFocus();
    settle(200); // the panel lists the folder, so that its completer knows the names
    QTest::keyClicks(name, QFileInfo(path).fileName());
    settle(200);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : name, Qt::Key_Return);
    settle(100);
}

// A key typed as on a keyboard: to the focus widget, else the active window; false when
// nothing has the keyboard.
inline bool typeKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    settle(50);
    QWidget* target =
        QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    if (target)
        QTest::keyClick(target, key, modifiers);
    settle(50);
    return target != nullptr;
}

// Types into a field and ends the edit with Return.
inline void typeField(QLineEdit* field, const QString& value) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, value);
    QTest::keyClick(field, Qt::Key_Return);
    settle();
}

// The finish message window, once it shows.
inline QWidget* finishMessage() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == "ZylOpenAlert")
            return w;
    return nullptr;
}

// Closes the finish message with its OK button. The message deletes itself once answered:
// it is watched through a guarded pointer.
inline void acceptFinishMessage() {
    const QPointer<QWidget> message(finishMessage());
    if (!message)
        return;
    for (QPushButton* b : message->findChildren<QPushButton*>())
        if (!b->isCheckable() && b->isVisible()) {
            click(b);
            break;
        }
    waitUntil([&] { return !message || !message->isVisible(); }, 60000);
}

inline void closeFinishMessage() {
    if (QWidget* m = finishMessage())
        m->close();
    settle();
}

// Waits until a window's job chain has started (within 5 s) and then ended.
inline bool waitForJobs(ToolWindow* window, int ms = 120000) {
    waitUntil([&] { return window->jobChain().isBusy(); }, 5000);
    return waitUntil([&] { return !window->jobChain().isBusy(); }, ms);
}

// Closes a tool window as its title bar's close does. A window that asks first while its
// export runs is answered with goOn (its default button: stop and close) or its cancel
// button; returns the question's text ("" when none was asked).
inline QString closeAnswering(QWidget* window, bool goOn = true) {
    // A window that closes deletes itself meanwhile.
    const QPointer<ToolWindow> tool(qobject_cast<ToolWindow*>(window));
    window->close();
    settle();
    QMessageBox* question = tool && !tool->isClosing() ? openAlert() : nullptr;
    if (!question)
        return {};
    const QString asked = question->informativeText();
    for (QAbstractButton* b : question->buttons())
        if ((question->buttonRole(b) == QMessageBox::AcceptRole) == goOn) {
            b->click();
            break;
        }
    settle();
    return asked;
}

// Answers what a test left open, closes the window and waits for it to go (it deletes itself
// once closed).
template <typename W> void closeWindow(QPointer<W>& window) {
    answerAlerts();
    closeFinishMessage();
    if (window) {
        closeAnswering(window);
        waitUntil([&] { return window.isNull(); }, 60000);
    }
    settle();
}

// Shows a new window of type W, and closes it (waiting for it to go) when the holder goes.
template <typename W> class WindowHolder {
public:
    WindowHolder() {
        window = new W();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    ~WindowHolder() {
        closeFinishMessage();
        if (window) {
            closeAnswering(window);
            waitUntil([this] { return window.isNull(); });
        }
        answerAlerts();
    }
    WindowHolder(const WindowHolder&) = delete;
    WindowHolder& operator=(const WindowHolder&) = delete;

    QTemporaryDir out;
    QPointer<W> window;
};

} // namespace tooltest
