#include "editor/music/ZylDraggedView.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

ZylDraggedView::ZylDraggedView(QWidget* parent) : NSImageView(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void ZylDraggedView::setIsDraw(bool draw) {
    isDraw_ = draw;
    update();
}

void ZylDraggedView::setRepeatWidth(float width) {
    repeatWidth_ = std::max(0.f, width);
    update();
}

void ZylDraggedView::dragTo(double x) {
    if (!isEnabled() || !parentWidget())
        return;
    const NSRect f = frame();
    const double maxX = parentWidget()->width() - f.width - marginRight_;
    x = std::max(marginLeft_, std::min(x, maxX));
    setFrame(NSMakeRect(x, f.y, f.width, f.height));
    if (delegate)
        delegate->mouseDraggedWithSender(this);
}

void ZylDraggedView::mousePressEvent(QMouseEvent* event) {
    grabOffset_ = event->position().x();
    event->accept();
}

void ZylDraggedView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    dragTo(mapToParent(event->position()).x() - grabOffset_);
    event->accept();
}

void ZylDraggedView::paintEvent(QPaintEvent* event) {
    if (repeatWidth_ <= 0)
        NSImageView::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = width(), h = height();
    if (isDraw_) {
        // Qt's y runs down: the knob sits 10 points below the top, the line runs from there to
        // the bottom edge.
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(QPointF(w / 2, 10), QPointF(w / 2, h));
        p.setBrush(Qt::red);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(w / 2, 10), 4.5, 4.5);
    }
    if (repeatWidth_ > 0) {
        p.fillRect(rect(), QColor(90, 150, 220));
        p.setPen(QPen(Qt::white, 2));
        const double step = repeatWidth_;
        for (int k = 1; k * step <= w; ++k)
            p.drawLine(QPointF(k * step + 2, 0), QPointF(k * step + 2, h));
    }
}
