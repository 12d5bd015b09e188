// Quitting while an export runs, through the program's own main loop: the Quit item asks
// first; going on stops the export, and the loop ends only after the stopped job has
// returned and removed its unfinished file. Closing the home window and then the tool
// window ends the same way, and so does a loop ended by any other means or by the signal of
// a log-out.
#include "../tools/batchcut/BatchDriver.h"
#include "../tools/easycut/EasyCutDriver.h"
#include "ShellTestSupport.h"
#include "app/AppDelegate.h"
#include "platform/TerminationSignals.h"
#include "tools/shared/JobChain.h"

#include <QAction>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <csignal>

using namespace easycuttest;

namespace {

QAction* quitItem(AppDelegate& delegate) {
    for (QAction* top : delegate.mainMenu()->actions())
        if (top->menu())
            for (QAction* item : top->menu()->actions())
                if (item->property("titleKey").toString() == "Quit")
                    return item;
    return nullptr;
}

QStringList outputs(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
}

// Runs the application's main loop as the program does, with `script` run from inside it.
// Returns false when the loop had to be ended by the watchdog.
bool runMainLoop(const std::function<void()>& script) {
    bool timedOut = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(99);
    });
    watchdog.start(90000);
    QTimer::singleShot(0, script);
    QApplication::exec();
    return !timedOut;
}

// The open question's button titled `title`, or null.
QAbstractButton* questionButton(const QString& title) {
    QMessageBox* box = openAlert();
    if (!box)
        return nullptr;
    for (QAbstractButton* b : box->buttons())
        if (b->text() == title)
            return b;
    return nullptr;
}

// A home window and an easy cutter exporting one long segment of a long clip.
// A minute of 720p with one key picture: its cut is re-encoded whole and lasts long enough,
// even on a fast machine, for the tests to act while it runs.
QString slowClip() {
    static QTemporaryDir dir;
    static const QString path = testsupport::makeWithFfmpeg(
        dir.filePath("slow_60s.mp4"),
        QString("-f lavfi -i testsrc2=size=1280x720:rate=25:duration=60 -f lavfi -i sine=duration=60 "
                "-c:v libx264 -preset ultrafast -g 1500 -pix_fmt yuv420p -c:a aac -shortest")
            .split(' '));
    return path;
}

struct Exporting {
    Exporting() {
        delegate = std::make_unique<AppDelegate>();
        delegate->applicationDidFinishLaunching();
        driver = std::make_unique<Driver>();
        driver->addFile(slowClip());
        driver->addSegment(1.0, 58.0);
        driver->pressStart();
        EXPECT_TRUE(waitUntil([&] { return driver->window->jobChain().isBusy(); }, 60000));
        // Well into the job, so that a part of the file is written.
        settle(300);
    }
    shelltest::ScratchDefaults defaults;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<Driver> driver;
};

// The home screen launched, and the batch cutter over it with the slow clip chosen.
struct BatchOverHome {
    BatchOverHome() {
        delegate.applicationDidFinishLaunching();
        d = std::make_unique<batchtest::Driver>();
        d->addFile(slowClip());
        d->selectRow(0);
    }
    shelltest::ScratchDefaults defaults;
    AppDelegate delegate;
    std::unique_ptr<batchtest::Driver> d;
};

} // namespace

TEST(Quit, TheQuitItemAsksWhileAnExportRunsAndGoingOnEndsOnlyAfterTheJobReturned) {
    Exporting e;
    QPointer<EasyCutterWindowcontroller> window = e.driver->window;
    ASSERT_TRUE(window && window->jobChain().isBusy());
    QAction* quit = quitItem(*e.delegate);
    ASSERT_NE(quit, nullptr);

    bool askedFirst = false, keptAfterCancel = false, askedAgain = false;
    const bool ended = runMainLoop([&] {
        quit->trigger();
        QMessageBox* box = openAlert();
        askedFirst = box && box->windowModality() == Qt::WindowModal && box->parentWidget() == window &&
                     box->informativeText() == text("quitExportRunningString");
        if (QAbstractButton* cancel = questionButton(text("alertCancelBtn")))
            cancel->click();
        settle(100);
        keptAfterCancel = window && window->isVisible() && window->jobChain().isBusy() &&
                          !window->jobChain().isCancelling() && e.delegate->mainWindow()->isVisible();
        quit->trigger();
        QAbstractButton* goOn = questionButton(text("Quit"));
        askedAgain = goOn != nullptr;
        if (goOn)
            goOn->click();
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(askedFirst) << "a window-modal question over the exporting window";
    EXPECT_TRUE(keptAfterCancel) << "Cancel keeps the export and the windows";
    EXPECT_TRUE(askedAgain);
    EXPECT_EQ(JobChain::busyChains(), 0) << "the loop ended before the stopped job returned";
    EXPECT_TRUE(outputs(e.driver->out.path()).isEmpty()) << "the unfinished file is removed";
    EXPECT_FALSE(e.delegate->mainWindow()->isVisible());
}

TEST(Quit, QuittingWhileAWindowAsksAboutClosingStopsTheExportAndEnds) {
    BatchOverHome home;
    batchtest::Driver& d = *home.d;
    d.setRange(1, 58);
    d.pressStart();
    ASSERT_TRUE(waitUntil([&] { return d.window->jobChain().isBusy(); }, 60000));
    QAction* quit = quitItem(home.delegate);
    ASSERT_NE(quit, nullptr);
    QString asked;
    const bool ended = runMainLoop([&] {
        d.window->close();
        settle(50);
        asked = openAlert() ? openAlert()->informativeText() : QString();
        quit->trigger();
        asked += "|" + (openAlert() ? openAlert()->informativeText() : QString());
        // Return as typed: the quit question, on top, has the keyboard.
        tooltest::typeKey(Qt::Key_Return);
    });
    EXPECT_EQ(asked, text("closeExportRunningString") + "|" + text("quitExportRunningString"));
    EXPECT_TRUE(ended) << "the quit ended the program's loop";
    EXPECT_EQ(JobChain::busyChains(), 0) << "the export is stopped before the end";
    EXPECT_TRUE(d.everything().isEmpty()) << "the unfinished file is removed";
}

TEST(Quit, ClosingTheHomeWindowThenTheExportingToolWindowEndsOnlyAfterTheJobReturned) {
    Exporting e;
    QPointer<EasyCutterWindowcontroller> window = e.driver->window;
    ASSERT_TRUE(window && window->jobChain().isBusy());
    bool homeClosedKeptJob = false;
    const bool ended = runMainLoop([&] {
        e.delegate->mainWindow()->close();
        settle(100);
        homeClosedKeptJob = window && window->jobChain().isBusy() && !window->jobChain().isCancelling();
        window->close();
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(homeClosedKeptJob) << "closing the home window alone stops nothing";
    EXPECT_EQ(JobChain::busyChains(), 0) << "the loop ended before the stopped job returned";
    EXPECT_TRUE(outputs(e.driver->out.path()).isEmpty()) << "the unfinished file is removed";
}

TEST(Quit, ALoopEndedOtherwiseStillStopsAndWaitsForTheJobBeforeExit) {
    Exporting e;
    ASSERT_TRUE(e.driver->window->jobChain().isBusy());
    // A loop ended from outside the windows (a session ending) while the export runs. exit(),
    // not quit(): quit() first asks every window to close, and a closing window cancels its
    // export itself, which may then return before the loop ends.
    runMainLoop([] { QCoreApplication::exit(0); });
    ASSERT_EQ(JobChain::busyChains(), 1);
    // What the program does after its loop, before it exits.
    ToolWindow::stopJobsAndWait();
    EXPECT_EQ(JobChain::busyChains(), 0);
    EXPECT_TRUE(outputs(e.driver->out.path()).isEmpty());
}

TEST(Quit, TheSignalOfALogOutEndsTheLoopAndTheStoppedExportLeavesNoFileAtAll) {
    Exporting e;
    ASSERT_TRUE(e.driver->window->jobChain().isBusy());
    termination::quitOnSignals();
    EXPECT_TRUE(runMainLoop([] { std::raise(SIGTERM); })) << "the signal ends the loop";
    ToolWindow::stopJobsAndWait();
    EXPECT_EQ(JobChain::busyChains(), 0);
    // Neither the output nor the temporary file it was written under.
    EXPECT_TRUE(QDir(e.driver->out.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

// A removal's part folder goes with a loop ended from outside (what a signal does), also when
// the end is asked for again while the program waits for the stopped job (a second signal).
TEST(Quit, ALoopEndedTwiceWhileARemovalWritesItsSecondPartLeavesNoPartFolder) {
    BatchOverHome home;
    batchtest::Driver& d = *home.d;
    // The part after the section starts between key pictures: it is encoded anew, at length.
    d.setRange(1, 2, true);
    d.pressStart();
    const auto secondPartRunning = [&] {
        for (const QString& f :
             QDir(d.out.path()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
            const QDir parts(d.out.path() + "/" + f);
            if (parts.exists("part1.mp4") && parts.entryList(QDir::Files | QDir::Hidden).size() == 2)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(waitUntil(secondPartRunning, 60000));
    runMainLoop([] { QCoreApplication::exit(0); });
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    ToolWindow::stopJobsAndWait();
    EXPECT_EQ(JobChain::busyChains(), 0);
    EXPECT_TRUE(d.everything().isEmpty()) << d.everything().join(",").toStdString();
}
