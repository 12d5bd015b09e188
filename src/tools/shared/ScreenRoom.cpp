#include "tools/shared/ScreenRoom.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

QSize& standInSize() {
    static QSize size;
    return size;
}

const QScreen* screenOf(const QWidget* window) {
    const QScreen* s = window ? window->screen() : nullptr;
    return s ? s : QGuiApplication::primaryScreen();
}

} // namespace

QRect ScreenRoom::screenGeometry(const QWidget* window) {
    if (!standInSize().isEmpty())
        return {QPoint(0, 0), standInSize()};
    const QScreen* s = screenOf(window);
    return s ? s->geometry() : QRect();
}

QRect ScreenRoom::available(const QWidget* window) {
    if (!standInSize().isEmpty())
        return {QPoint(0, 0), standInSize()};
    const QScreen* s = screenOf(window);
    return s ? s->availableGeometry() : QRect();
}

int ScreenRoom::windowRoom(const QWidget* window) {
    return available(window).height() - kFrameAllowance;
}

void ScreenRoom::keepOnScreen(QWidget* window) {
    const QRect room = available(window);
    const QRect frame = window->frameGeometry();
    if (room.isEmpty() || frame.bottom() <= room.bottom())
        return;
    // A window moves by its frame's corner.
    window->move(window->x(), std::max(room.top(), room.bottom() + 1 - frame.height()));
}

void ScreenRoom::standIn(const QSize& screen) {
    standInSize() = screen;
}
