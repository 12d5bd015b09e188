// Tells the view, on the GUI thread, that a new picture is in the slot. It lives on the GUI
// thread and outlives the player's threads, so they may emit from anywhere; a queued
// connection to a view that is gone is dropped by Qt.
#pragma once

#include <QObject>

class FrameNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
signals:
    void frameReady();
};
