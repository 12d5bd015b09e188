// What every tool window shares around its export: one job chain, the plain alert, the
// finish message, and closing.
//
// Closing a tool window while a job runs stops the job and posts "WillCloseNotification"
// at once; the window object itself stays alive until the stopped job's blocking start has
// returned and its completion has run, and is deleted then. No message is shown after the
// window has closed. A window that closes idle is deleted right away (deleteLater). The
// home screen keeps no pointer to a tool window.
//
// A window whose export leaves finished files behind when it stops (several outputs) asks
// first instead (closeWhileExportingQuestion): the window stays open and the export runs on
// unless the user goes on.
//
// Quitting asks first while an export runs (askBeforeQuit), in place of a close question still
// open; going on closes the windows as above, without a second question, and the program ends only after the
// stopped jobs have returned, so no output is ever left half written under its final name.
//
// Threads: main thread only.
#pragma once

#include "tools/shared/JobChain.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class ExportBar;
class QMessageBox;
class ZylButton;

class ToolWindow : public QWidget {
    Q_OBJECT
public:
    explicit ToolWindow(QWidget* parent = nullptr);
    ~ToolWindow() override;

    static constexpr const char* kWillCloseNotification = "WillCloseNotification";

    // Quitting the program: when an export runs in a tool window, asks over that window
    // whether to stop it and quit. goOn runs when the user goes on, or at once when no
    // export runs; it then closes the windows, which stops the exports, and the program
    // quits once every stopped job has returned (see JobChain::busyChains).
    static void askBeforeQuit(std::function<void()> goOn);
    // The program's last step before it exits, whatever way its loop ended: stops every
    // job still running and waits until each has returned and removed its unfinished file.
    static void stopJobsAndWait();

    JobChain& jobChain() { return jobChain_; }
    const JobChain& jobChain() const { return jobChain_; }
    // The window's export bar, which then shows the chain's progress and handles its end
    // before the window's own hooks below run. The bar is owned by the window.
    void setExportBar(ExportBar* bar) { exportBar_ = bar; }
    ExportBar* exportBar() const { return exportBar_; }
    // True from the moment the window starts to close.
    bool isClosing() const { return closing_; }

    // A button callback that runs work after the click has finished (queued on the main
    // queue), and not once the window is closing or gone.
    std::function<void(ZylButton*)> afterClick(std::function<void()> work);
    // The same for one of the window's own actions.
    template <class W> std::function<void(ZylButton*)> afterClick(void (W::*work)()) {
        return afterClick([window = static_cast<W*>(this), work] { (window->*work)(); });
    }

    // A plain warning alert, window-modal: heading the text for the window's title, the
    // message, one button titled with the text for "OKBtnTitle".
    void showSimpleAlert(const QString& message);
    // The alert of a failed engine step: what went wrong in words, and the engine's result;
    // a window that knows better says why in its own words.
    virtual void showEngineError(int result);
    // The finished message (ZylOpenAlert) with the information key; OK with its box on
    // reveals folder in the file manager.
    void showFinishMessage(const QString& infoKey, const QString& folder);
    // What failed in a chain that went on past failed jobs (JobChain::jobFailed), said at its
    // end in place of the finished message; empty when nothing failed.
    virtual QString failedJobsReport() const { return {}; }

protected:
    // Asked before the window closes while its export runs, for a window whose stopped
    // export keeps the files it finished; empty (the default): the window closes at once.
    virtual QString closeWhileExportingQuestion() const { return {}; }
    // The window is closing: stop the preview. The running export (if any) has been
    // cancelled already; "WillCloseNotification" follows.
    virtual void windowWillClose() {}
    // The chain started job index.
    virtual void exportJobStarted(int /*index*/) {}
    // Overall export progress 0..1.
    virtual void exportProgress(double /*overall*/) {}
    // The chain ended while the window is open.
    virtual void exportEnded(JobChain::Outcome /*outcome*/, int /*error*/) {}

    void closeEvent(QCloseEvent* event) override;

private:
    // Asks question before closing; going on closes the window.
    void askToClose(const QString& question);

    JobChain jobChain_;
    ExportBar* exportBar_ = nullptr;
    bool closing_ = false;
    // The user chose to stop the export and close.
    bool closeConfirmed_ = false;
    QPointer<QMessageBox> closeQuestion_;
};
