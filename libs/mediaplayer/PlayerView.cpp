#include "PlayerView.h"

#include "FrameSlot.h"

#include <QPainter>

PlayerView::PlayerView(std::shared_ptr<const FrameSlot> slot, QWidget* parent)
    : QWidget(parent), slot_(std::move(slot)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlayerView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    double aspect = 0;
    const QImage img = slot_->image(&aspect);
    if (img.isNull() || width() <= 0 || height() <= 0)
        return;
    if (aspect <= 0)
        aspect = double(img.width()) / img.height();
    double w = width(), h = w / aspect;
    if (h > height()) {
        h = height();
        w = h * aspect;
    }
    const QRectF target((width() - w) / 2, (height() - h) / 2, w, h);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, img);
}
