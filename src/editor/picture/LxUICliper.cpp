#include "editor/picture/LxUICliper.h"

#include "platform/Log.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {

using geometry::setFrame;

const QColor kHandleColour(90, 216, 238);
constexpr double kHandle = 10;
// How near the pointer must be to an edge (sideways) or to the top or bottom edge, and to the
// middle of an edge, to grab it.
constexpr double kSideReach = 20, kEdgeReach = 30, kMiddleReach = 20;

} // namespace

LxCropTmpView::LxCropTmpView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LxCropTmpView::setBackgroundColor(const QColor& c) {
    colour_ = c;
    update();
}

void LxCropTmpView::paintEvent(QPaintEvent*) {
    if (colour_.isValid())
        QPainter(this).fillRect(rect(), colour_);
}

LxUICliper::LxUICliper(const CGRect& frame, QWidget* parent) : QWidget(parent), oFrame_(frame) {
    // Positions over the picture are the picture's own: never mirrored.
    setLayoutDirection(Qt::LeftToRight);
    setFrame(this, frame);
    for (auto& m : masks_) {
        m = new LxCropTmpView(this);
        m->setBackgroundColor(QColor(0, 0, 0, 128));
    }
    setClipRect({0, 0, frame.width, frame.height});
}

void LxUICliper::setFrameRect(const CGRect& frame) {
    oFrame_ = frame;
    setFrame(this, frame);
    layoutMasks(cliprect_);
    update();
}

void LxUICliper::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutMasks(cliprect_);
}

void LxUICliper::setVideoSize(QSizeF size) {
    videoSize_ = size;
    update();
}

void LxUICliper::setClipRect(const CGRect& r) {
    const double W = width(), H = height();
    CGRect c = r;
    c.height = std::min(std::max(c.height, std::min(kMinSide, H)), H);
    c.width = std::min(std::max(c.width, std::min(kMinSide, W)), W);
    // A rectangle is never placed past the view's sides.
    c.x = std::clamp(c.x, 0.0, std::max(0.0, W - c.width));
    c.y = std::clamp(c.y, 0.0, std::max(0.0, H - c.height));
    cliprect_ = c;
    layoutMasks(c);
    update();
}

void LxUICliper::setCropType(int type) {
    cropType_ = type;
    update();
}

double LxUICliper::getclipRectScale() const {
    return oFrame_.width > 0 ? float(videoSize_.width() / oFrame_.width) : 0.0;
}

CGRect LxUICliper::getclipRect() const {
    const double s = getclipRectScale();
    return {cliprect_.x * s, cliprect_.y * s, cliprect_.width * s, cliprect_.height * s};
}

CGRect LxUICliper::getPercentClipRect() const {
    const double W = width(), H = height();
    if (W <= 0 || H <= 0)
        return {};
    return {cliprect_.x / W, cliprect_.y / H, cliprect_.width / W, cliprect_.height / H};
}

void LxUICliper::layoutMasks(const CGRect& r) {
    const double W = width(), H = height();
    const double L = r.x, B = r.y, R = r.maxX(), T = r.maxY();
    setFrame(masks_[0], {0, 0, L, H});
    setFrame(masks_[1], {L, T, R - L, H - T});
    setFrame(masks_[2], {R, 0, W - R, H});
    setFrame(masks_[3], {L, 0, R - L, B});
}

void LxUICliper::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const double H = height();
    const auto toQt = [H](const NSRect& r) { return geometry::toQt(r, H); };
    const double L = cliprect_.x, B = cliprect_.y, R = cliprect_.maxX(), T = cliprect_.maxY();
    const double w = cliprect_.width, h = cliprect_.height;
    for (const NSRect& handle :
         {NSRect{L, B, kHandle, kHandle}, NSRect{L, T - kHandle, kHandle, kHandle},
          NSRect{R - kHandle, B, kHandle, kHandle}, NSRect{R - kHandle, T - kHandle, kHandle, kHandle}})
        p.fillRect(toQt(handle), kHandleColour);
    // In keep-aspect mode only the corners resize, so the edge handles are not drawn.
    if (cropType_ != 2) {
        for (const NSRect& handle : {NSRect{L, B + h / 2 - 5, kHandle, kHandle},
                                     NSRect{R - kHandle, B + h / 2 - 5, kHandle, kHandle},
                                     NSRect{L + w / 2 - 5, T - kHandle, kHandle, kHandle},
                                     NSRect{L + w / 2 - 5, B, kHandle, kHandle}})
            p.fillRect(toQt(handle), kHandleColour);
    }
    QPen pen(kHandleColour, 1);
    pen.setDashPattern({10, 5});
    p.setPen(pen);
    p.drawRect(toQt(cliprect_).adjusted(0.5, 0.5, -0.5, -0.5));
}

NSPoint LxUICliper::pointOf(const QMouseEvent* event) const {
    return geometry::pointFromQt(event->position(), height());
}

// The zone a press grabs: 1 to 4 the corners (top-left, top-right, bottom-left, bottom-right),
// 5 to 8 the middles of the left, right, top and bottom edges, 9 the whole rectangle. A press
// near an edge but away from its grips grabs nothing. The left edge is tested first.
int LxUICliper::zoneAt(NSPoint p) {
    const double x = cliprect_.x, y = cliprect_.y, w = cliprect_.width, h = cliprect_.height;
    const bool nearTop = std::abs(p.y - (y + h)) < kEdgeReach;
    const bool nearBottom = std::abs(p.y - y) < kEdgeReach;
    const bool middleY = y + h / 2 - kMiddleReach < p.y && p.y < y + h / 2 + kMiddleReach;
    const bool middleX = x + w / 2 - kMiddleReach < p.x && p.x < x + w / 2 + kMiddleReach;
    if (std::abs(p.x - x) < kSideReach)
        return nearTop ? 1 : nearBottom ? 3 : middleY ? 5 : 0;
    if (std::abs(p.x - (x + w)) < kSideReach)
        return nearTop ? 2 : nearBottom ? 4 : middleY ? 6 : 0;
    if (nearBottom)
        return middleX ? 8 : 0;
    if (nearTop)
        return middleX ? 7 : 0;
    if (x < p.x && p.x < x + w && y < p.y && p.y < y + h) {
        left_ = p.x - x;
        bottom_ = p.y - y;
        return 9;
    }
    return 0;
}

void LxUICliper::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (delegate_)
        delegate_->actionMoveBeginForLxUICliperBlock(this, NSZeroRect);
    touchBeginPoint_ = pointOf(event);
    zone_ = zoneAt(touchBeginPoint_);
    qCDebug(lcEditor) << "crop press zone" << zone_;
}

void LxUICliper::freeDrag(NSPoint p, double& L, double& B, double& R, double& T) const {
    const bool left = zone_ == 1 || zone_ == 3, right = zone_ == 2 || zone_ == 4 || zone_ == 6;
    const bool top = zone_ == 1 || zone_ == 2 || zone_ == 7, bottom = zone_ == 3 || zone_ == 4 || zone_ == 8;
    if (left)
        L = std::min(p.x, R - kMinGap);
    if (zone_ == 5)
        L = std::min(p.x, R - 2 * kMinGap);
    if (right)
        R = std::max(p.x, L + kMinGap);
    if (top)
        T = std::max(p.y, B + kMinGap);
    if (bottom)
        B = std::min(p.y, T - kMinGap);
}

// A corner drag that keeps the picture's proportions: the height follows the pointer, the
// width follows the height, the opposite corner stays, and the rectangle stays in the view.
void LxUICliper::keepAspectDrag(NSPoint p, double& L, double& B, double& R, double& T) const {
    if (zone_ < 1 || zone_ > 4 || videoSize_.height() <= 0)
        return;
    const double r = float(videoSize_.width() / videoSize_.height());
    const bool top = zone_ <= 2, leftSide = zone_ == 1 || zone_ == 3;
    double h = top ? p.y - B : T - p.y;
    const double roomX = leftSide ? R : width() - L;
    const double roomY = top ? height() - B : T;
    h = std::max(h, std::max(kMinGap, kMinGap / r));
    h = std::min({h, roomX / r, roomY});
    const double w = r * h;
    if (top)
        T = B + h;
    else
        B = T - h;
    if (leftSide)
        L = R - w;
    else
        R = L + w;
}

void LxUICliper::move(NSPoint p) {
    const double W = width(), H = height(), w = cliprect_.width, h = cliprect_.height;
    cliprect_.x = std::clamp(p.x - left_, 0.0, std::max(0.0, W - w));
    cliprect_.y = std::clamp(p.y - bottom_, 0.0, std::max(0.0, H - h));
}

void LxUICliper::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    NSPoint p = pointOf(event);
    p.x = std::clamp(p.x, 0.0, double(width()));
    p.y = std::clamp(p.y, 0.0, double(height()));
    if (zone_ == 9) {
        move(p);
    } else if (zone_ != 0) {
        double L = cliprect_.x, B = cliprect_.y, R = cliprect_.maxX(), T = cliprect_.maxY();
        if (cropType_ == 2)
            keepAspectDrag(p, L, B, R, T);
        else
            freeDrag(p, L, B, R, T);
        cliprect_ = {L, B, R - L, T - B};
    }
    finishStep();
}

void LxUICliper::finishStep() {
    layoutMasks(cliprect_);
    update();
    if (delegate_)
        delegate_->actionMovedForLxUICliperBlock(this, cliprect_);
}

void LxUICliper::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    zone_ = 0;
    const NSPoint p = pointOf(event);
    if (fileType_ == 1 && p == touchBeginPoint_ && delegate_)
        delegate_->actionMoveEndForLxUICliperBlock(this, getPercentClipRect());
}
