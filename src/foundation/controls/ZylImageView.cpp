#include "foundation/controls/ZylImageView.h"

#include "foundation/controls/ControlMath.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

ZylImageView::ZylImageView(QWidget* parent) : ZylView(parent) {}

ZylImageView::ZylImageView(const NSRect& frame, QWidget* parent) : ZylView(parent) {
    geometry::setFrame(this, frame);
}

ZylImageView::~ZylImageView() = default;

const NamedImage& ZylImageView::currentImage() const {
    if (m_isDown && !m_downImage.isNil())
        return m_downImage;
    return m_normalImage;
}

void ZylImageView::drawContent(QPainter& p) {
    const NamedImage& image = currentImage();
    if (image.isNil())
        return;
    p.drawImage(
        QRectF((width() - image.width()) / 2, (height() - image.height()) / 2, image.width(), image.height()),
        image.image());
}

void ZylImageView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_isDown = true;
    QPointer<ZylImageView> alive(this);
    if (EventCallback cb = MouseDownBlock)
        cb(this, event);
    if (alive)
        update();
}

void ZylImageView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_isDown = false;
    QPointer<ZylImageView> alive(this);
    if (EventCallback cb = MouseUpBlock)
        cb(this, event);
    if (alive)
        update();
}

void ZylImageView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!isEnabled() || !(event->buttons() & Qt::LeftButton))
        return;
    if (Callback cb = MouseDraggedBlock) {
        // The left edge follows the pointer along the parent, never leaving it.
        const double parentWidth = parentWidget() ? parentWidget()->width() : width();
        const double x =
            controls::raiseThenLower(mapToParent(event->position()).x(), 0, parentWidth - width());
        move(controls::toPixels(x), y());
        QPointer<ZylImageView> alive(this);
        cb(this);
        if (!alive)
            return;
    }
    update();
}
