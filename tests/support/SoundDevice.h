// Tests that must play sound through a real sound server: the one scripts/test starts for the
// whole run (named in PULSE_SERVER), or, when a test program runs alone, a private one started
// here and stopped with the application.
#pragma once

#include "PrivateSoundServer.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>

namespace testsupport {

// Call before anything in the process asks Qt Multimedia about devices. True when Qt sees a
// sound output; `why` says what is missing otherwise.
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
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        if (why && why->isEmpty())
            *why = "Qt Multimedia sees no sound output on " + qEnvironmentVariable("PULSE_SERVER");
        return false;
    }
    return true;
}

} // namespace testsupport
