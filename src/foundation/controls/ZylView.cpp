#include "foundation/controls/ZylView.h"

#include "foundation/controls/PanelPainter.h"

ZylView::ZylView(QWidget* parent) : QWidget(parent) {}

ZylView::ZylView(const NSRect& frame, QWidget* parent) : QWidget(parent) {
    geometry::setFrame(this, frame);
}

ZylView::~ZylView() = default;

void ZylView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF bounds(rect());
    const controls::PanelLook look{m_backGroundColor, m_backGroundImage, m_cornerRadius, m_bordColor,
                                   m_borderWidth};
    controls::paintPanel(p, bounds, look);
    drawContent(p);
    controls::paintPanelBorder(p, bounds, look);
}

void ZylView::drawContent(QPainter&) {}
