#include "foundation/controls/MergeButton.h"

#include <QPainter>

MergeButton::MergeButton(QWidget* parent) : QAbstractButton(parent) {
    build();
}

MergeButton::MergeButton(const NSRect& frame, QWidget* parent) : QAbstractButton(parent) {
    geometry::setFrame(this, frame);
    build();
}

MergeButton::~MergeButton() = default;

void MergeButton::build() {
    m_background = NamedImage("Resources/MergeBackground.png");
    m_knob = new NSImageView(this);
    m_knob->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_knob->setImage("Resources/MergeKnob.png");
    placeKnob();
}

void MergeButton::setselected(bool s) {
    m_selected = s;
    m_knobRight = s;
    placeKnob();
}

void MergeButton::placeKnob() {
    const double W = width(), H = height();
    m_knob->setFrame({m_knobRight ? W / 2 : 0, 0, W / 2, H});
}

void MergeButton::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    placeKnob();
}

void MergeButton::paintEvent(QPaintEvent*) {
    if (m_background.isNil())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(rect()), m_background.image());
}
