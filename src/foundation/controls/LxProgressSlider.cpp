#include "foundation/controls/LxProgressSlider.h"

#include "foundation/controls/ControlMath.h"
#include "platform/Log.h"

#include <QMouseEvent>
#include <QPointer>

using controls::raiseThenLower;
using controls::ratio;

namespace {
constexpr double kBarHeight = 8;
constexpr const char* kBarPicture = "Cut/imgBack.bmp";
constexpr const char* kThumbPicture = "Cut/btnSlip_Normal.png";
} // namespace

LxProgressSlider::LxProgressSlider(QWidget* parent) : PictureArrangement(parent) {
    // A level runs left to right in every language: its parts are not mirrored.
    setLayoutDirection(Qt::LeftToRight);
    build();
}

LxProgressSlider::LxProgressSlider(const NSRect& frame, QWidget* parent) : PictureArrangement(parent) {
    // A level runs left to right in every language: its parts are not mirrored.
    setLayoutDirection(Qt::LeftToRight);
    geometry::setFrame(this, frame);
    build();
}

LxProgressSlider::~LxProgressSlider() {
    qCDebug(lcControls, "%s", "LxProgressSlider::~LxProgressSlider");
}

void LxProgressSlider::build() {
    m_back = addPicture(kBarPicture);
    m_tint = addPicture(kBarPicture);
    m_thumb = addPicture(kThumbPicture);
    m_back->setCornerRadius(5);
    m_tint->setCornerRadius(5);
    const double W = width(), H = height();
    m_B = {0, (H - kBarHeight) / 2, W, kBarHeight};
    m_fill = m_B;
    m_T = {0, 0, H, H};
    markLaidOut();
    m_back->setFrame(m_B);
    m_tint->setFrame(m_fill);
    m_thumb->setFrame(m_T);
}

void LxProgressSlider::layoutForSize() {
    const double W = width(), H = height();
    m_B = {0, (H - kBarHeight) / 2, W, kBarHeight};
    m_fill.y = m_B.y;
    m_fill.height = m_B.height;
    // The thumb stays the square of the slider's height, or its picture's size.
    if (m_tickrefresh && !m_thumb->image().isNil())
        m_T = {m_T.x, (H - m_thumb->image().height()) / 2, m_thumb->image().width(),
               m_thumb->image().height()};
    else
        m_T = {m_T.x, 0, H, H};
    m_T.x = thumbXFor(m_progress);
    m_fill.width = std::max(0.0, m_T.x + m_T.width / 2);
    m_back->setFrame(m_B);
    m_tint->setFrame(m_fill);
    m_thumb->setFrame(m_T);
    update();
}

double LxProgressSlider::thumbXFor(double progress) const {
    const double travel = width() - m_T.width;
    return raiseThenLower(travel * controls::finiteOr(progress), 0, travel);
}

void LxProgressSlider::setProgress(float progress) {
    ensureLaidOut();
    m_progress = float(controls::finiteOr(progress));
    m_T.x = thumbXFor(m_progress);
    m_thumb->setFrame(m_T);
    m_fill.width = std::max(0.0, m_T.x + height() / 2.0);
    m_tint->setFrame(m_fill);
}

void LxProgressSlider::setTickrefresh(bool refresh) {
    m_tickrefresh = refresh;
    if (!refresh || m_thumb->image().isNil())
        return;
    ensureLaidOut();
    const NamedImage& img = m_thumb->image();
    m_T = {m_T.x, (height() - img.height()) / 2, img.width(), img.height()};
    m_thumb->setFrame(m_T);
}

// The thumb's centre follows the pointer and the thumb stays inside the bar.
void LxProgressSlider::followPointer(double px) {
    m_T.x = raiseThenLower(px, m_T.width / 2, m_B.maxX() - m_T.width / 2) - m_T.width / 2;
    m_thumb->setFrame(m_T);
    m_fill.width = std::max(0.0, m_T.x + m_T.width / 2);
    m_tint->setFrame(m_fill);
    // A slider no wider than its thumb has no travel: it stays at 0.
    m_progress = float(controls::clamp01(ratio(m_T.x - m_B.x, m_B.width - m_T.width)));
    if (auto* d = delegate())
        d->actionProgressForProgressSliderBlock(this, m_progress);
}

void LxProgressSlider::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (m_disable || event->button() != Qt::LeftButton)
        return;
    LxProgressSliderDelegate* d = delegate();
    if (!d)
        return;
    ensureLaidOut();
    QPointer<LxProgressSlider> alive(this);
    d->m_mouseDownDeclined = false;
    d->actionMouseDownForProgressSliderBlock(this, m_progress);
    // A delegate without the mouse-down operation takes no clicks.
    if (!alive || delegate() != d || d->m_mouseDownDeclined)
        return;
    followPointer(geometry::pointFromQt(event->position(), height()).x);
}

void LxProgressSlider::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (m_disable || !(event->buttons() & Qt::LeftButton))
        return;
    ensureLaidOut();
    followPointer(geometry::pointFromQt(event->position(), height()).x);
}

void LxProgressSlider::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (m_disable || event->button() != Qt::LeftButton)
        return;
    if (auto* d = delegate())
        d->actionMouseUpForProgressSliderBlock(this, m_progress);
}
