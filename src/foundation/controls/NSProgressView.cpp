#include "foundation/controls/NSProgressView.h"

#include "foundation/controls/ControlMath.h"
#include "platform/Log.h"

NSProgressView::NSProgressView(QWidget* parent) : QWidget(parent) {
    build();
}

NSProgressView::NSProgressView(const NSRect& frame, QWidget* parent) : QWidget(parent) {
    geometry::setFrame(this, frame);
    build();
}

NSProgressView::~NSProgressView() {
    qCDebug(lcControls, "%s", "NSProgressView::~NSProgressView");
}

void NSProgressView::build() {
    m_back = new NSImageView(this);
    m_back->setImage("Resources/play_played_bkg.png");
    m_tint = new NSImageView(this);
    m_tint->setImage("Resources/edit_trim_focus.png");
    for (NSImageView* v : {m_back, m_tint}) {
        v->setAttribute(Qt::WA_TransparentForMouseEvents);
        v->setCornerRadius(5);
    }
    layout();
}

void NSProgressView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layout();
}

void NSProgressView::layout() {
    m_laidOutSize = size();
    const double W = width(), H = height();
    m_back->setFrame({0, 0, W, H});
    const double tint = m_progress > 0 ? double(m_progress) * W : 0; // NaN compares false
    m_tint->setFrame({0, 0, controls::finiteOr(tint), H});
}

void NSProgressView::setProgress(float progress) {
    m_progress = float(controls::finiteOr(progress));
    layout();
}
