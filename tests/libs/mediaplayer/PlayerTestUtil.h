// Small helpers shared by the player tests.
#pragma once

#include "mediaplayer/LxMoviePlayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>
#include <vector>

namespace playertest {

// Runs the event loop until `pred` holds or `ms` have passed.
template <class Pred> bool waitFor(Pred pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return true;
}

inline void spin(int ms) {
    waitFor([] { return false; }, ms);
}

inline double seconds(CMTime t) {
    return CMTimeGetSeconds(t);
}

// The position gained over `ms` of wall time while playing, and that wall time. The wall
// interval encloses the position's, so a position never seems to run faster than it does.
struct Rate {
    double played = 0, wall = 0;
};
inline Rate measureRate(LxMoviePlayer& p, int ms) {
    QElapsedTimer t;
    t.start();
    const double from = seconds(p.currentTime());
    spin(ms);
    const double played = seconds(p.currentTime()) - from;
    return {played, t.nsecsElapsed() / 1e9};
}

// The player's picture at w x h once the latest seek and redraw have landed (null when the
// player gives none or none comes within `ms`).
inline QImage snapshot(LxMoviePlayer& p, int w, int h, int ms = 30000) {
    bool answered = false;
    QImage shot;
    p.SnapshotWhenReady(w, h, [&](QImage img) {
        shot = std::move(img);
        answered = true;
    });
    waitFor([&] { return answered; }, ms);
    return shot;
}

} // namespace playertest
