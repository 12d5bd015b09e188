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

// The player's snapshot at w x h as an image (null when the player gives none).
inline QImage snapshot(LxMoviePlayer& p, int w, int h) {
    std::vector<unsigned char> buf(size_t(w) * h * 4);
    if (p.Snapshot(&w, &h, buf.data()) != 1)
        return {};
    QImage img(buf.data(), w, h, w * 4, QImage::Format_ARGB32_Premultiplied);
    return img.copy();
}

} // namespace playertest
