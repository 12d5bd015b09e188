// The room a tool window has on its screen, read in this one place so that every window
// decides alike whether it is too low: the screen's height (the output-format band folds only
// on low screens) and the part of it the desktop leaves to windows (without its panels), less
// what a window frame adds above the window's area.
//
// A test may stand in a screen of another size for every window.
//
// Main thread only.
#pragma once

#include <QRect>

class QWidget;

class ScreenRoom {
public:
    // What a window frame adds above the window's area (its title bar), allowed for when a
    // window is fitted to a screen before its frame is known.
    static constexpr int kFrameAllowance = 40;

    // The screen the window is on (the primary one before it is shown): all of it, and the
    // part left to windows.
    static QRect screenGeometry(const QWidget* window);
    static QRect available(const QWidget* window);
    // The height the window's own area may have there.
    static int windowRoom(const QWidget* window);
    // Moves the window up, never above the room's top, until its frame ends on the room.
    static void keepOnScreen(QWidget* window);

    // Every window's screen reads as one of this size, all of it left to windows; an empty
    // size gives the real screens back. For tests.
    static void standIn(const QSize& screen);
};
