#include "tools/shared/ToolWindow.h"

#include "foundation/helpers/NSBundle.h"
#include "platform/Alerts.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "tools/shared/EngineErrorText.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FinishMessage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

ToolWindow::ToolWindow(QWidget* parent) : QWidget(parent) {
    // A window is built in the direction of the language it was opened in, and keeps it: a
    // later switch of the language changes neither its texts nor its layout.
    setLayoutDirection(QGuiApplication::layoutDirection());
    jobChain_.jobStarted = [this](int index) {
        if (!closing_)
            exportJobStarted(index);
    };
    jobChain_.progressChanged = [this](double overall) {
        if (closing_)
            return;
        if (exportBar_)
            exportBar_->chainProgress(overall);
        exportProgress(overall);
    };
    jobChain_.finished = [this](JobChain::Outcome outcome, int error) {
        if (closing_) {
            // The stopped job has returned: nothing refers to this window any more.
            deleteLater();
            return;
        }
        if (exportBar_)
            exportBar_->chainEnded(outcome, error);
        exportEnded(outcome, error);
    };
}

ToolWindow::~ToolWindow() = default;

namespace {
// Set while the windows close for a quit the user has agreed to.
bool quitting = false;

// Open tool windows whose export runs and has not been stopped.
QList<ToolWindow*> windowsExporting() {
    QList<ToolWindow*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* tool = qobject_cast<ToolWindow*>(w);
            tool && !tool->isClosing() && tool->jobChain().isBusy() && !tool->jobChain().isCancelling())
            found << tool;
    return found;
}
} // namespace

void ToolWindow::askBeforeQuit(std::function<void()> goOn) {
    // The quit's own question (or none, with no export) stands for the windows' questions.
    auto quit = [goOn = std::move(goOn)] {
        quitting = true;
        if (goOn)
            goOn();
        quitting = false;
    };
    const QList<ToolWindow*> exporting = windowsExporting();
    if (exporting.isEmpty()) {
        quit();
        return;
    }
    // The quit's question stands for a close question still open: that one gives way (its
    // answer is no), so that one question at a time stands over a window and has the keyboard.
    for (ToolWindow* tool : exporting)
        if (QPointer<QMessageBox> asked = tool->closeQuestion_)
            asked->reject();
    ToolWindow* window = exporting.first();
    window->showNormal();
    window->raise();
    window->activateWindow();
    Alerts::askQuestion(
        window, window->windowTitle(), NSBundle::localizedStringForKey("quitExportRunningString"),
        NSBundle::localizedStringForKey("Quit"), NSBundle::localizedStringForKey("alertCancelBtn"),
        [quit = std::move(quit)](bool yes) {
            // The export may have ended while the question was open; going on is still the
            // user's wish to quit. The windows close once the question has finished closing,
            // not from inside its own answer.
            if (yes)
                QTimer::singleShot(0, qApp, quit);
        });
}

void ToolWindow::stopJobsAndWait() {
    for (QObject* o : QApplication::topLevelWidgets())
        if (auto* tool = qobject_cast<ToolWindow*>(o); tool && tool->jobChain().isBusy())
            tool->jobChain().cancel();
    if (JobChain::busyChains() == 0)
        return;
    qCInfo(lcTools) << "waiting for" << JobChain::busyChains() << "stopped job(s) before exit";
    // Not a nested event loop: an end of the program asked for again meanwhile (a second
    // signal, a quit posted before the loop ended) would end that at once, and the program
    // with a job still writing its files (a removal's part folder left behind).
    while (JobChain::busyChains() > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::function<void(ZylButton*)> ToolWindow::afterClick(std::function<void()> work) {
    QPointer<ToolWindow> self(this);
    return [self, work = std::move(work)](ZylButton*) {
        dispatchMain([self, work] {
            if (self && !self->isClosing())
                work();
        });
    };
}

void ToolWindow::showSimpleAlert(const QString& message) {
    if (closing_)
        return;
    Alerts::showWarning(this, NSBundle::localizedStringForKey(windowTitle()), message);
}

void ToolWindow::showEngineError(int result) {
    showSimpleAlert(engineerror::text(result));
}

void ToolWindow::showFinishMessage(const QString& infoKey, const QString& folder) {
    if (closing_)
        return;
    FinishMessage::show(this, infoKey, folder);
}

void ToolWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    if (jobChain_.isBusy() && !jobChain_.isCancelling() && !closeConfirmed_ && !quitting) {
        if (const QString question = closeWhileExportingQuestion(); !question.isEmpty()) {
            event->ignore();
            askToClose(question);
            return;
        }
    }
    closing_ = true;
    if (closeQuestion_)
        closeQuestion_->close();
    // The window decides when it goes: with a job still returning, only after its
    // completion has run. Deleting at close (as a shell may ask) would cut that short.
    setAttribute(Qt::WA_DeleteOnClose, false);
    const bool busy = jobChain_.isBusy();
    if (busy)
        jobChain_.cancel();
    windowWillClose();
    NotificationCenter::defaultCenter().postNotificationName(kWillCloseNotification);
    event->accept();
    if (!busy)
        deleteLater();
}

void ToolWindow::askToClose(const QString& question) {
    if (closeQuestion_) {
        closeQuestion_->raise();
        return;
    }
    QPointer<ToolWindow> self(this);
    closeQuestion_ = Alerts::askQuestion(this, windowTitle(), question,
                                         NSBundle::localizedStringForKey("closeExportRunningBtn"),
                                         NSBundle::localizedStringForKey("alertCancelBtn"), [self](bool yes) {
                                             // The export may have ended meanwhile; closing is still what the
                                             // user chose.
                                             if (!self)
                                                 return;
                                             self->closeQuestion_.clear();
                                             if (!yes || self->closing_)
                                                 return;
                                             self->closeConfirmed_ = true;
                                             self->close();
                                         });
}
