#include "foundation/controls/FwTextFiledCenter.h"

#include <QPainter>

FwTextFiledCenter::FwTextFiledCenter(QWidget* parent) : QWidget(parent) {}

FwTextFiledCenter::FwTextFiledCenter(const NSRect& frame, QWidget* parent) : QWidget(parent) {
    geometry::setFrame(this, frame);
}

FwTextFiledCenter::~FwTextFiledCenter() = default;

void FwTextFiledCenter::draw(QPainter& painter) const {
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    painter.setPen(m_textColor);
    painter.drawText(QRectF(rect()), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_stringValue);
}

void FwTextFiledCenter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    draw(p);
}

QImage FwTextFiledCenter::toImage() const {
    if (width() <= 0 || height() <= 0)
        return {};
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    draw(p);
    return image;
}
