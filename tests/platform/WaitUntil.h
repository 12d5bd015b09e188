// Runs the GUI event loop until a condition holds or the time is up (queued blocks, timers
// and dialogs need the loop to turn).
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <functional>

inline bool waitUntil(const std::function<bool()>& done, int ms = 60000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return done();
}
