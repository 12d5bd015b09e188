#include "tools/shared/TimeStepper.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

TimeStepper::TimeStepper(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
}

void TimeStepper::setValue(int value) {
    value_ = std::clamp(value, 0, maximum_);
    update();
}

void TimeStepper::setMaximum(int maximum) {
    maximum_ = std::max(0, maximum);
    value_ = std::min(value_, maximum_);
}

void TimeStepper::step(int direction) {
    const int span = maximum_ + 1;
    value_ = ((value_ + direction) % span + span) % span;
    emit stepped(value_);
}

void TimeStepper::mousePressEvent(QMouseEvent* event) {
    if (!isEnabled() || event->button() != Qt::LeftButton)
        return;
    pressed_ = event->position().y() < height() / 2.0 ? 1 : -1;
    update();
    step(pressed_);
}

void TimeStepper::mouseReleaseEvent(QMouseEvent*) {
    pressed_ = 0;
    update();
}

void TimeStepper::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const QColor line = isEnabled() ? QColor(120, 126, 132) : QColor(200, 203, 206);
    p.setPen(QPen(line, 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRoundedRect(box, 3, 3);
    p.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
    const QColor arrow = isEnabled() ? QColor(60, 64, 68) : QColor(190, 193, 196);
    const auto triangle = [&](double cy, bool up, bool down) {
        const double w = std::min(box.width() * 0.5, 8.0), h = w * 0.55;
        const double cx = box.center().x();
        QPainterPath path;
        path.moveTo(cx - w / 2, up ? cy + h / 2 : cy - h / 2);
        path.lineTo(cx + w / 2, up ? cy + h / 2 : cy - h / 2);
        path.lineTo(cx, up ? cy - h / 2 : cy + h / 2);
        path.closeSubpath();
        p.fillPath(path, down ? QColor(33, 176, 235) : arrow);
    };
    const double quarter = box.height() / 4;
    triangle(box.top() + quarter, true, pressed_ == 1);
    triangle(box.bottom() - quarter, false, pressed_ == -1);
}
