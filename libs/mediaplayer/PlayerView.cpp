#include "PlayerView.h"

#include "FrameSlot.h"

#include <QPainter>
#include <cmath>

extern "C" {
#include <libavutil/frame.h>
}

PlayerView::PlayerView(std::shared_ptr<FrameSlot> slot, QWidget* parent)
    : QWidget(parent), slot_(std::move(slot)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize PlayerView::pixelSize() const {
    const qreal ratio = devicePixelRatioF();
    return {int(std::lround(width() * ratio)), int(std::lround(height() * ratio))};
}

void PlayerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    slot_->setViewSize(pixelSize());
}

void PlayerView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    double aspect = 0;
    uint64_t sequence = 0;
    QImage img = slot_->image(&aspect, &sequence);
    if (img.isNull() || width() <= 0 || height() <= 0)
        return;
    if (aspect <= 0)
        aspect = double(img.width()) / img.height();
    const QSize want = FrameConverter::fitted(aspect, pixelSize());
    if (want.isEmpty())
        return;
    if (img.size() != want) {
        // The view changed size since this picture was made: convert it again, once.
        uint64_t frameSequence = 0;
        const ff::FramePtr shown = slot_->shownFrame(&frameSequence);
        if (shown && frameSequence == sequence) {
            QImage again = converter_.toImage(shown.get(), want);
            if (!again.isNull()) {
                slot_->replaceImage(sequence, again);
                img = std::move(again);
            }
        }
    }
    const qreal ratio = devicePixelRatioF();
    const QRectF target((width() - want.width() / ratio) / 2, (height() - want.height() / ratio) / 2,
                        want.width() / ratio, want.height() / ratio);
    if (img.size() == want) {
        img.setDevicePixelRatio(ratio);
        p.drawImage(QPointF(std::round(target.x() * ratio) / ratio, std::round(target.y() * ratio) / ratio),
                    img);
    } else {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, img);
    }
}
