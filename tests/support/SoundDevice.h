// Tests that must play sound through a real sound server: the one scripts/test starts for the
// whole run (named in PULSE_SERVER), or, when a test program runs alone, a private one started
// here and stopped with the application.
#pragma once

#include "PrivateSoundServer.h"

#include <QCoreApplication>

namespace testsupport {

// Call before the first player opens. True when the server has a default output; `why` says
// what is missing otherwise.
inline bool ensureSoundDevice(QString* why = nullptr) {
    static playertest::PrivateSoundServer* server = nullptr;
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER") && !server) {
        server = new playertest::PrivateSoundServer;
        // Stopped with the application, so that no daemon outlives the test program.
        qAddPostRoutine([] {
            delete server;
            server = nullptr;
        });
        if (!server->start() && why)
            *why = server->error();
    }
    if (playertest::PrivateSoundServer::defaultSink().isEmpty()) {
        if (why && why->isEmpty())
            *why = "no sound output on " + qEnvironmentVariable("PULSE_SERVER");
        return false;
    }
    return true;
}

} // namespace testsupport
