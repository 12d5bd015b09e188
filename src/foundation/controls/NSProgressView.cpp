#include "foundation/controls/NSProgressView.h"

#include "foundation/controls/ControlMath.h"
#include "platform/Log.h"

NSProgressView::NSProgressView(QWidget* parent) : PictureArrangement(parent) {
    build();
}

NSProgressView::NSProgressView(const NSRect& frame, QWidget* parent) : PictureArrangement(parent) {
    geometry::setFrame(this, frame);
    build();
}

NSProgressView::~NSProgressView() {
    qCDebug(lcControls, "%s", "NSProgressView::~NSProgressView");
}

void NSProgressView::build() {
    m_back = addPicture("Resources/play_played_bkg.png");
    m_tint = addPicture("Resources/edit_trim_focus.png");
    m_back->setCornerRadius(5);
    m_tint->setCornerRadius(4);
    markLaidOut();
    layoutForSize();
}

void NSProgressView::layoutForSize() {
    const double W = width(), H = height();
    m_back->setFrame({0, 0, W, H});
    // The tint lies inside the track with a rim of the track around it: the bars sit on the
    // window's blue, and a tint drawn to the track's edges would merge with it.
    const double rim = H >= 6 && W >= 6 ? kTintRim : 0;
    const double tint = m_progress > 0 ? double(m_progress) * (W - 2 * rim) : 0; // NaN compares false
    m_tint->setFrame({rim, rim, controls::finiteOr(tint), H - 2 * rim});
}

void NSProgressView::setProgress(float progress) {
    m_progress = float(controls::finiteOr(progress));
    markLaidOut();
    layoutForSize();
}
