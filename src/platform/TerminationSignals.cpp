#include "platform/TerminationSignals.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace termination {

namespace {

int gPipe[2] = {-1, -1};
volatile sig_atomic_t gLastSignal = 0;
volatile sig_atomic_t gPending = 0; // a signal came and events have not run since
void (*volatile gAtOnce)() = nullptr;

std::function<void()>& reaction() {
    static std::function<void()> onSignal;
    return onSignal;
}

extern "C" void onTerminationSignal(int number) {
    const int saved = errno;
    gLastSignal = number;
    gPending = 1;
    if (void (*atOnce)() = gAtOnce)
        atOnce();
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing else may be done in a signal handler.
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
    errno = saved;
}

void drainAndReact() {
    char buffer[64];
    while (::read(gPipe[0], buffer, sizeof buffer) > 0) {
    }
    // Still pending for what holds the main thread until events run again: the reaction below
    // may end every loop, nested ones included, and a loading under way then stops on its own.
    QTimer::singleShot(0, QCoreApplication::instance(), [] { gPending = 0; });
    static bool reacted = false;
    if (reacted)
        return;
    reacted = true;
    qCInfo(lcApp) << "signal" << int(gLastSignal) << "received: stopping exports and quitting";
    if (reaction())
        reaction()();
}

} // namespace

void install(std::function<void()> onSignal, void (*atOnce)()) {
    reaction() = std::move(onSignal);
    gAtOnce = atOnce;
    if (gPipe[0] >= 0)
        return;
    if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcApp) << "no pipe for the termination signals";
        return;
    }
    auto* notifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] { drainAndReact(); });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

void quitOnSignals(void (*atOnce)()) {
    // exit() rather than quit(): windows get no say, as the session is ending.
    install([] { QCoreApplication::exit(0); }, atOnce);
}

bool received() {
    return gLastSignal != 0;
}

bool pending() {
    return gPending != 0;
}

} // namespace termination
