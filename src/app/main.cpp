// Process entry: the application object, the delegate that builds the main window, and the
// main loop. The program quits when its last window closes.
#include "app/AppDelegate.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cutbench"));
    QApplication::setOrganizationName(QStringLiteral("Cutbench"));
    QApplication::setApplicationVersion(QStringLiteral(CUTBENCH_VERSION));
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
