// The signals that ask a desktop program to end (SIGTERM at log-out or shutdown, SIGINT from
// a terminal, SIGHUP when the terminal goes) end the main loop the ordinary way instead of
// killing the process, so that the program's last steps (stopping running exports, which
// remove their unfinished files) still run.
//
// The handler itself only writes a byte into a pipe; the main loop reads it and acts there.
// Main thread only.
#pragma once

#include <functional>

namespace termination {

// Installs the handlers once; a later call only replaces onSignal. onSignal runs on the main
// thread for the first such signal; later ones are ignored while the program winds down.
// `atOnce`, where given, runs inside the handler itself (async-signal-safe only): for work that
// holds the main thread (a file's reading) and must end before the main loop can react.
void install(std::function<void()> onSignal, void (*atOnce)() = nullptr);

// install() with the program's own reaction: ends the application's main loop, and `atOnce`.
void quitOnSignals(void (*atOnce)() = nullptr);

// Whether such a signal came: what it stopped is no failure to tell the user about.
bool received();

// Whether such a signal came and the main thread has not run its events since: work that holds
// it (a file's loading) ends early, so that the main loop can end.
bool pending();

} // namespace termination
