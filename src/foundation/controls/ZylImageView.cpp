#include "foundation/controls/ZylImageView.h"

#include "foundation/controls/ControlMath.h"
#include "foundation/controls/PanelPainter.h"

#include <QMouseEvent>
#include <QPointer>

ZylImageView::ZylImageView(QWidget* parent) : QWidget(parent) {}

ZylImageView::ZylImageView(const NSRect& frame, QWidget* parent) : QWidget(parent) {
    geometry::setFrame(this, frame);
}

ZylImageView::~ZylImageView() = default;

const NamedImage& ZylImageView::currentImage() const {
    if (m_isDown && !m_downImage.isNil())
        return m_downImage;
    return m_normalImage;
}

void ZylImageView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF bounds(rect());
    const controls::PanelLook look{m_backGroundColor, m_normalBackGroundImage, m_cornerRadius, m_bordColor,
                                   m_borderWidth};
    controls::paintPanel(p, bounds, look);
    const NamedImage& image = currentImage();
    if (!image.isNil())
        p.drawImage(QRectF((width() - image.width()) / 2, (height() - image.height()) / 2, image.width(),
                           image.height()),
                    image.image());
    controls::paintPanelBorder(p, bounds, look);
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
