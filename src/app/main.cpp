// Process entry: the application object, the delegate that builds the main window, and the
// main loop. The program quits when its last window closes, and never while a job is still
// writing a file: whatever ended the loop, running jobs are stopped and waited for, and no
// hidden folder of part files is left. The signals of a log-out or a terminal end the loop in
// the same way.
#include "app/AppDelegate.h"
#include "mediacore/MediaCore.h"
#include "platform/FfmpegLog.h"
#include "platform/TerminationSignals.h"
#include "tools/shared/SectionRemoval.h"
#include "tools/shared/ToolWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    routeFfmpegLog();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cutbench"));
    QApplication::setOrganizationName(QStringLiteral("Cutbench"));
    QApplication::setApplicationVersion(QStringLiteral(CUTBENCH_VERSION));
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    // A file's index may be read on the main thread (the player's) or behind a window: the
    // signal ends that reading itself, so that the loop ends at once.
    termination::quitOnSignals([] { MediaStopReading(1); });
    const int result = QApplication::exec();
    ToolWindow::stopJobsAndWait();
    SectionRemoval::removeFoldersLeft();
    return result;
}
