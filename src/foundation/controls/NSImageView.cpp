#include "foundation/controls/NSImageView.h"

#include "foundation/controls/ControlMath.h"
#include "platform/Geometry.h"

#include <QPainter>
#include <QPainterPath>

NSImageView::NSImageView(QWidget* parent) : QWidget(parent) {}

NSImageView::~NSImageView() = default;

void NSImageView::setImage(const NamedImage& image) {
    m_image = image;
    update();
}

void NSImageView::setImageScaling(Scaling s) {
    m_scaling = s;
    update();
}

void NSImageView::setCornerRadius(double r) {
    m_cornerRadius = controls::finiteOr(r);
    update();
}

void NSImageView::setFrame(const NSRect& r) {
    m_frame = r;
    applyFrame();
}

void NSImageView::applyFrame() {
    const double ph = parentWidget() ? parentWidget()->height() : m_frame.maxY();
    const QRectF q = geometry::toQt(m_frame, ph);
    geometry::setLeadingGeometry(this, QRect(controls::toPixels(q.x()), controls::toPixels(q.y()),
                                             std::max(0, controls::toPixels(q.width())),
                                             std::max(0, controls::toPixels(q.height()))));
}

void NSImageView::paintEvent(QPaintEvent*) {
    if (m_image.isNil() || width() <= 0 || height() <= 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_cornerRadius > 0) {
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
        p.setClipPath(clip);
    }
    const QImage& img = m_image.image();
    QRectF target(rect());
    switch (m_scaling) {
    case Scaling::AxesIndependently:
        break;
    case Scaling::ProportionallyUpOrDown:
    case Scaling::ProportionallyDown: {
        QSizeF s = QSizeF(img.size());
        if (m_scaling == Scaling::ProportionallyUpOrDown || s.width() > width() || s.height() > height())
            s = s.scaled(target.size(), Qt::KeepAspectRatio);
        target = QRectF(QPointF((width() - s.width()) / 2, (height() - s.height()) / 2), s);
        break;
    }
    case Scaling::None:
        target = QRectF(QPointF((width() - img.width()) / 2.0, (height() - img.height()) / 2.0),
                        QSizeF(img.size()));
        break;
    }
    p.drawImage(target, img);
}
