#include "foundation/controls/LxCutProgressView.h"

#include "foundation/controls/ControlMath.h"
#include "platform/Log.h"

#include <QMouseEvent>
#include <QPointer>

using controls::clamp01;
using controls::raiseThenLower;
using controls::ratio;

namespace {

// The bar's inset from the sides (room for a handle) and its height.
constexpr double kInset = 9;
constexpr double kBarHeight = 10;
constexpr double kHandleWidth = 9;
constexpr double kHandleHeight = 12;

struct BarPictures {
    const char* back;
    const char* band;
    const char* tick;
};

BarPictures picturesFor(int type) {
    switch (type) {
    case 1:
        return {"Cut/imgBack.bmp", "Cut/imgTop.bmp", "Cut/btnSlip_Normal.png"};
    case 2:
        return {"Resources/play_notplayed_bkg.png", "Resources/edit_trim_focus.png",
                "Cut/btnSlip_Normal.png"};
    default:
        return {"Resources/play_notplayed_bkg.png", "Resources/edit_trim_focus.png",
                "Resources/edit_trimknob_normal.png"};
    }
}

constexpr const char* kLeftHandle = "Resources/edit_trimleft_normal.png";
constexpr const char* kRightHandle = "Resources/edit_trimright_normal.png";

bool smallTick(int type) {
    return type == 1 || type == 2;
}

float storedFraction(float v) {
    return float(clamp01(v));
}

} // namespace

LxCutProgressView::LxCutProgressView(QWidget* parent) : PictureArrangement(parent) {
    // A time line runs left to right in every language: its parts are not mirrored.
    setLayoutDirection(Qt::LeftToRight);
    build(true);
}

LxCutProgressView::LxCutProgressView(const NSRect& frame, QWidget* parent) : PictureArrangement(parent) {
    // A time line runs left to right in every language: its parts are not mirrored.
    setLayoutDirection(Qt::LeftToRight);
    geometry::setFrame(this, frame);
    build(false);
}

LxCutProgressView::~LxCutProgressView() {
    qCDebug(lcControls, "%s", "LxCutProgressView::~LxCutProgressView");
}

void LxCutProgressView::build(bool tickMark) {
    // Back to front; both ways of making a bar start from the default pictures.
    const BarPictures pics = picturesFor(0);
    m_back = addPicture(pics.back);
    m_tint = addPicture(pics.band);
    m_tick = addPicture(pics.tick);
    m_left = addPicture(kLeftHandle);
    m_right = addPicture(kRightHandle);
    m_back->setCornerRadius(5);
    m_tint->setCornerRadius(5);
    m_tickMark = tickMark;
    layoutAtCreation();
}

void LxCutProgressView::layoutAtCreation() {
    const double W = width(), H = height();
    m_B = {kInset, (H - kBarHeight) / 2, std::max(0.0, W - 2 * kInset), kBarHeight};
    m_band = m_B;
    m_T = {0, H - 24, 15, 24};
    m_L = {0, 0, kHandleWidth, kHandleHeight};
    m_R = {m_B.width + kInset, 0, kHandleWidth, kHandleHeight};
    markLaidOut();
    m_back->setFrame(m_B);
    m_tint->setFrame(m_band);
    m_tick->setFrame(m_T);
    m_left->setFrame(m_L);
    m_right->setFrame(m_R);
}

void LxCutProgressView::layoutForSize() {
    const double W = width(), H = height();
    m_B = {kInset, (H - kBarHeight) / 2, std::max(0.0, W - 2 * kInset), kBarHeight};
    m_band = m_B;
    m_T = smallTick(m_type) ? NSRect{0, m_B.y + kBarHeight / 2 - 6, 12, 12} : NSRect{0, H - 17, 17, 17};
    m_L = {0, 0, kHandleWidth, kHandleHeight};
    m_R = {m_B.width + kInset, 0, kHandleWidth, kHandleHeight};
    m_back->setFrame(m_B);
    m_tint->setFrame(m_band);
    m_tick->setFrame(m_T);
    m_left->setFrame(m_L);
    m_right->setFrame(m_R);
    setProgress(m_progress);
    setUpperValue(m_upperValue);
    setLowerValue(m_lowerValue); // the play head ends on the lower value
}

void LxCutProgressView::applyImages() {
    const BarPictures pics = picturesFor(m_type);
    m_back->setImage(m_isFanxuan ? pics.band : pics.back);
    m_tint->setImage(m_isFanxuan ? pics.back : pics.band);
    m_tick->setImage(pics.tick);
    m_left->setImage(m_isFanxuan ? kRightHandle : kLeftHandle);
    m_right->setImage(m_isFanxuan ? kLeftHandle : kRightHandle);
}

void LxCutProgressView::setType(int type) {
    m_type = type;
    setIsFanxuan(m_isFanxuan);
}

void LxCutProgressView::setIsFanxuan(bool inverse) {
    ensureLaidOut();
    m_isFanxuan = inverse;
    if (smallTick(m_type))
        m_T = {m_T.x, m_B.y + m_B.height / 2 - 6, 12, 12};
    else
        m_T = {m_T.x, m_B.y, 17, 17};
    m_tick->setFrame(m_T);
    applyImages();
    setUpperValue(m_upperValue);
    setLowerValue(m_lowerValue);
    update();
}

void LxCutProgressView::setDisable(bool disable) {
    m_disable = disable;
    m_tickMark = true;
    m_left->setHidden(disable);
    m_right->setHidden(disable);
    update();
}

void LxCutProgressView::setTickHidden(bool hidden) {
    m_tickHidden = hidden;
    m_tick->setHidden(hidden);
}

void LxCutProgressView::setProgress(float progress) {
    ensureLaidOut();
    // A play head past either end (a player running over) stays on the bar.
    m_progress = storedFraction(progress);
    m_T.x = std::min(m_B.x + m_progress * m_B.width - m_T.width / 2, width() - m_T.width);
    m_tick->setFrame(m_T);
}

// Where the upper value is marked: the right handle's left edge, or in the inverse mode
// its right edge.
double LxCutProgressView::upperMarkX() const {
    return m_isFanxuan ? m_R.maxX() : m_R.x;
}

void LxCutProgressView::placeRightHandle(double upper) {
    double c = m_B.x + upper * m_B.width;
    c = raiseThenLower(c, m_T.width / 2, width() - m_T.width / 2);
    m_R.x = m_isFanxuan ? c - m_R.width : c;
    m_right->setFrame(m_R);
}

// The lower value is marked by the left handle's right edge, or in the inverse mode by its
// left edge; it never passes the upper value's mark, so the handles never cross.
void LxCutProgressView::placeLeftHandle(double lower) {
    const double r = raiseThenLower(lower * m_B.width, 0, upperMarkX() - m_B.x);
    m_L.x = m_isFanxuan ? m_B.x + r : m_B.x + r - m_L.width;
    m_left->setFrame(m_L);
}

void LxCutProgressView::setUpperValue(float upper) {
    ensureLaidOut();
    m_handleType = 2;
    m_upperValue = storedFraction(upper);
    placeRightHandle(m_upperValue);
    const double lowerMark = m_isFanxuan ? m_L.x : m_L.maxX();
    if (lowerMark > upperMarkX())
        placeLeftHandle(m_lowerValue);
    layoutBand();
    setProgress(m_upperValue);
}

void LxCutProgressView::setLowerValue(float lower) {
    ensureLaidOut();
    m_handleType = 1;
    m_lowerValue = storedFraction(lower);
    placeLeftHandle(m_lowerValue);
    layoutBand();
    setProgress(m_lowerValue);
}

void LxCutProgressView::setLowerValue(float lower, float upper) {
    ensureLaidOut();
    m_B = {kInset, (height() - kBarHeight) / 2, std::max(0.0, width() - 2 * kInset), kBarHeight};
    m_back->setFrame(m_B);
    if (upper == 0)
        upper = 1;
    m_upperValue = storedFraction(upper);
    m_lowerValue = std::min(storedFraction(lower), m_upperValue);
    m_handleType = 1;
    placeRightHandle(m_upperValue);
    placeLeftHandle(m_lowerValue);
    layoutBand();
    setProgress(m_lowerValue);
}

void LxCutProgressView::layoutBand() {
    if (m_isFanxuan) {
        m_band.x = m_L.x;
        m_band.width = std::max(0.0, m_R.maxX() - m_L.x);
    } else {
        m_band.x = m_L.maxX();
        m_band.width = std::max(0.0, m_R.x - m_L.maxX());
    }
    m_tint->setFrame(m_band);
}

double LxCutProgressView::tickCentreFraction() const {
    return clamp01(ratio(m_T.midX() - m_B.x, m_B.width));
}

NSPoint LxCutProgressView::pointer(const QMouseEvent* event) const {
    return geometry::pointFromQt(event->position(), height());
}

void LxCutProgressView::sendSeek(double fraction) {
    if (auto* d = delegate())
        d->actionSeekToTimeForCutProgressViewBlock(this, float(fraction));
}

void LxCutProgressView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (m_disable || event->button() != Qt::LeftButton)
        return;
    ensureLaidOut();
    const NSPoint p = pointer(event);
    const double middle = m_B.y + m_B.height / 2;
    m_handtick = false;
    QPointer<LxCutProgressView> alive(this);
    if (m_L.x < p.x && p.x < m_L.maxX() && p.y < middle) {
        m_handLeft = true;
        m_handRight = false;
    } else if (m_R.x < p.x && p.x < m_R.maxX() && p.y < middle) {
        m_handLeft = false;
        m_handRight = true;
    } else {
        // Off the handles the play head jumps to the pointer.
        m_handLeft = m_handRight = false;
        m_handtick = true;
        m_T.x = raiseThenLower(p.x, 0, m_B.maxX()) - m_T.width / 2;
        m_tick->setFrame(m_T);
        sendSeek(clamp01(ratio(std::max(0.0, m_T.x - m_B.x), m_B.width - m_T.width)));
        if (!alive)
            return;
    }
    const double centre = tickCentreFraction();
    if (auto* d = delegate())
        d->actionMouseDownForCutProgressViewBlock(this, float(centre));
}

void LxCutProgressView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (m_disable || (m_handtick && !m_tickMark))
        return;
    if (!m_handtick && !m_handLeft && !m_handRight)
        return;
    ensureLaidOut();
    const NSPoint p = pointer(event);
    if (m_handtick) {
        // The tick's left edge follows the pointer; its centre stays on the bar.
        m_T.x = raiseThenLower(p.x, m_B.x - m_T.width / 2, m_B.maxX() - m_T.width / 2);
        m_tick->setFrame(m_T);
        const double fraction = clamp01(ratio(std::max(0.0, m_T.x - m_B.x), m_B.width - m_T.width));
        m_progress = float(fraction);
        sendSeek(fraction);
        return;
    }
    if (m_handLeft) {
        // Centred on the pointer; its right edge stays between the bar's start and the
        // right handle.
        m_L.x = raiseThenLower(p.x, m_B.x - m_L.width / 2, m_R.x - m_L.width / 2) - m_L.width / 2;
        m_left->setFrame(m_L);
        m_T.x = m_isFanxuan ? m_L.x - m_T.width / 2 : m_L.maxX() - m_T.width / 2;
        m_handleType = 1;
    } else {
        // Centred on the pointer; its left edge stops at the bar's end and never passes the
        // left handle's right edge.
        m_R.x = std::max(std::min(p.x, m_B.maxX() + m_R.width / 2) - m_R.width / 2, m_L.maxX());
        m_right->setFrame(m_R);
        m_T.x = m_isFanxuan ? m_R.maxX() - m_T.width / 2 : m_R.x - m_T.width / 2;
        m_handleType = 2;
    }
    m_tick->setFrame(m_T);
    layoutBand();
    // Read the same way in both modes.
    m_lowerValue = float(clamp01(ratio(m_L.maxX() - m_B.x, m_B.width)));
    m_upperValue = float(clamp01(ratio(m_R.x - m_B.x, m_B.width)));
    if (auto* d = delegate())
        d->actionMouseMovedForCutProgressViewBlock(this, m_lowerValue, m_upperValue, m_handLeft ? 1 : 2);
}

void LxCutProgressView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (m_disable || event->button() != Qt::LeftButton)
        return;
    m_handLeft = m_handRight = m_handtick = false;
    const double centre = tickCentreFraction();
    if (auto* d = delegate())
        d->actionMouseUpForCutProgressViewBlock(this, float(centre));
}
