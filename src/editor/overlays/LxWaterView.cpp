#include "editor/overlays/LxWaterView.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

using geometry::setFrame;

LxWaterView::LxWaterView(const NSRect& frame, QWidget* parent) : QWidget(parent) {
    // Positions over the picture are the picture's own: never mirrored.
    setLayoutDirection(Qt::LeftToRight);
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    setFrame(this, frame);
    rect_ = NSMakeRect(0, 0, frame.width, frame.height);
}

void LxWaterView::setFrameRect(const NSRect& frame) {
    setFrame(this, frame);
    update();
}

void LxWaterView::setWaterMark(const QImage& picture) {
    picture_ = picture;
    update();
}

void LxWaterView::setWaterMarkString(const QString& text) {
    text_ = text;
    update();
}

void LxWaterView::setWaterMarkFont(const QFont& font) {
    font_ = font;
    update();
}

void LxWaterView::setWaterMarkColor(const QColor& colour) {
    colour_ = colour.isValid() ? colour : QColor(Qt::white);
    update();
}

void LxWaterView::setWaterMarkAlph(int percent) {
    alpha_ = std::clamp(percent, 0, 100);
    update();
}

void LxWaterView::setMarkWaterType(int type) {
    markType_ = type;
    update();
}

void LxWaterView::setScale_Type(int type) {
    scaleType_ = type;
    if (keepsAspect() && picture_.height() > 0) {
        NSRect r = rect_;
        r.width = float(picture_.width()) / float(picture_.height()) * float(r.height);
        rect_ = r;
    }
    update();
}

void LxWaterView::setClipRect(const NSRect& rect) {
    const double W = width(), H = height();
    NSRect r = rect;
    r.height = std::clamp(r.height, kMinSide, std::max(kMinSide, H));
    r.width = std::clamp(r.width, kMinSide, std::max(kMinSide, W));
    rect_ = r;
    update();
}

NSRect LxWaterView::getPercentImageClipRect() const {
    const double W = width(), H = height();
    if (W <= 0 || H <= 0)
        return {};
    return {rect_.x / W, rect_.y / H, rect_.width / W, rect_.height / H};
}

NSRect LxWaterView::getCheckClipRect(const NSRect& r) const {
    const double W = width(), H = height();
    if ((r.width <= W && r.height <= H) || r.width <= 0 || r.height <= 0)
        return r;
    if (r.height / r.width > H / W)
        return {r.x, r.y, float(H / r.height * r.width), H};
    return {r.x, r.y, W, float(W / r.width * r.height)};
}

QSizeF LxWaterView::measuredTextSize() const {
    const QFontMetricsF m(font_);
    const QString text = text_.isEmpty() ? QStringLiteral(" ") : text_;
    return {std::ceil(m.horizontalAdvance(text)) + 4, std::ceil(m.height()) + 4};
}

bool LxWaterView::hasMark() const {
    return (markType_ == kMarkPicture && !picture_.isNull()) || (markType_ == kMarkText && !text_.isEmpty());
}

int LxWaterView::zoneAt(NSPoint p) const {
    const double x = rect_.x, y = rect_.y, w = rect_.width, h = rect_.height;
    if (markType_ != kMarkPicture)
        return (p.x > x && p.x < x + w && p.y > y && p.y < y + h) ? 9 : 0;
    const bool nearLeft = std::abs(p.x - x) < 20, nearRight = std::abs(p.x - (x + w)) < 20;
    const bool nearTop = std::abs(p.y - (y + h)) < 10, nearBottom = std::abs(p.y - y) < 10;
    const bool midY = p.y > y + h / 2 - 10 && p.y < y + h / 2 + 10;
    const bool midX = p.x > x + w / 2 - 10 && p.x < x + w / 2 + 10;
    if (nearLeft && nearTop)
        return 1;
    if (nearLeft && nearBottom)
        return 3;
    if (nearLeft && midY)
        return 5;
    if (nearRight && nearTop)
        return 2;
    if (nearRight && nearBottom)
        return 4;
    if (nearRight && midY)
        return 6;
    if (nearBottom && midX)
        return 8;
    if (nearTop && midX)
        return 7;
    if (p.x > x && p.x < x + w && p.y > y && p.y < y + h)
        return 9;
    return 0;
}

NSPoint LxWaterView::pointOf(const QMouseEvent* event) const {
    return geometry::pointFromQt(event->position(), height());
}

void LxWaterView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = geometry::toQt(rect_, height());
    if (markType_ == kMarkPicture && !picture_.isNull()) {
        painter.setOpacity(1.0 - alpha_ / 100.0);
        painter.drawImage(box, picture_);
        painter.setOpacity(1.0);
    } else if (markType_ == kMarkText) {
        QColor c = colour_;
        c.setAlphaF(float(1.0 - alpha_ / 100.0));
        painter.setPen(c);
        painter.setFont(font_);
        painter.setLayoutDirection(text_.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
        painter.drawText(box,
                         int(Qt::AlignVCenter | (text_.isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft)) |
                             Qt::TextSingleLine,
                         text_);
    }
    if (markType_ == kMarkPicture && !picture_.isNull()) {
        const double L = box.left(), R = box.right(), T = box.top(), B = box.bottom();
        const double mx = L + box.width() / 2 - 5, my = T + box.height() / 2 - 5;
        std::vector<QPointF> handles{{L, T}, {R - 10, T}, {L, B - 10}, {R - 10, B - 10}};
        if (!keepsAspect())
            handles.insert(handles.end(), {{L, my}, {R - 10, my}, {mx, T}, {mx, B - 10}});
        for (const QPointF& h : handles)
            painter.fillRect(QRectF(h, QSizeF(10, 10)), QColor(0, 0, 255));
    }
    if ((markType_ == kMarkPicture && !picture_.isNull()) || !text_.trimmed().isEmpty()) {
        QPen pen(Qt::white);
        pen.setDashPattern({10, 5});
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void LxWaterView::mousePressEvent(QMouseEvent* event) {
    if (!editable_ || event->button() != Qt::LeftButton)
        return;
    if (mouseMoveBegan)
        mouseMoveBegan();
    const NSPoint p = pointOf(event);
    pressInside_ =
        p.x >= rect_.x && p.x <= rect_.x + rect_.width && p.y >= rect_.y && p.y <= rect_.y + rect_.height;
    zone_ = zoneAt(p);
    if (zone_ == 9) {
        left_ = p.x - rect_.x;
        bottom_ = p.y - rect_.y;
    }
    if (hasMark() && pressInside_)
        setCursor(zone_ == 5 || zone_ == 6   ? Qt::SizeHorCursor
                  : zone_ == 7 || zone_ == 8 ? Qt::SizeVerCursor
                                             : Qt::ClosedHandCursor);
}

void LxWaterView::mouseMoveEvent(QMouseEvent* event) {
    const NSPoint p = pointOf(event);
    if (!(event->buttons() & Qt::LeftButton)) {
        updateCursor(p);
        return;
    }
    if (!editable_ || !pressInside_ || zone_ == 0)
        return;
    dragTo(NSMakePoint(std::clamp(p.x, 0.0, double(width())), std::clamp(p.y, 0.0, double(height()))));
}

void LxWaterView::updateCursor(NSPoint p) {
    if (!hasMark() || zone_ != 0)
        return;
    const bool inside =
        p.x >= rect_.x && p.x <= rect_.x + rect_.width && p.y >= rect_.y && p.y <= rect_.y + rect_.height;
    if (!inside) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    const int z = zoneAt(p);
    if (markType_ != kMarkPicture || z == 9)
        setCursor(Qt::OpenHandCursor);
    else if ((z >= 1 && z <= 4) || ((z == 5 || z == 6) && !keepsAspect()))
        setCursor(Qt::SizeHorCursor);
    else if ((z == 7 || z == 8) && !keepsAspect())
        setCursor(Qt::SizeVerCursor);
}

void LxWaterView::dragTo(NSPoint p) {
    const double W = width(), H = height();
    double x1 = rect_.x, x2 = rect_.x + rect_.width, y1 = rect_.y, y2 = rect_.y + rect_.height;
    if (zone_ == 9) {
        rect_.x = std::clamp(p.x - left_, 0.0, std::max(0.0, W - rect_.width));
        rect_.y = std::clamp(p.y - bottom_, 0.0, std::max(0.0, H - rect_.height));
    } else if (markType_ != kMarkPicture) {
        return; // a text is only moved
    } else if (keepsAspect()) {
        if (zone_ > 4)
            return; // edges would break the proportions
        resizeKeepingAspect(p);
    } else {
        if (zone_ == 1 || zone_ == 3)
            x1 = std::min(p.x, x2 - kMinSide);
        if (zone_ == 5)
            x1 = std::min(p.x, x2 - kMinLeftEdgeGap);
        if (zone_ == 2 || zone_ == 4 || zone_ == 6)
            x2 = std::max(p.x, x1 + kMinSide);
        if (zone_ == 1 || zone_ == 2 || zone_ == 7)
            y2 = std::max(p.y, y1 + kMinSide);
        if (zone_ == 3 || zone_ == 4 || zone_ == 8)
            y1 = std::min(p.y, y2 - kMinSide);
        rect_ = NSMakeRect(x1, y1, x2 - x1, y2 - y1);
    }
    update();
    if (mouseMoved)
        mouseMoved(rect_);
}

void LxWaterView::resizeKeepingAspect(NSPoint p) {
    const double H = height(), W = width();
    double x1 = rect_.x, x2 = rect_.x + rect_.width, y1 = rect_.y, y2 = rect_.y + rect_.height;
    const bool leftMoves = zone_ == 1 || zone_ == 3, topMoves = zone_ == 1 || zone_ == 2;
    if (leftMoves)
        x1 = std::min(p.x, x2 - kMinSide);
    else
        x2 = std::max(p.x, x1 + kMinSide);
    const double aspect = double(picture_.height()) / double(picture_.width());
    double w = x2 - x1;
    double h = float(w * aspect);
    const double room = topMoves ? H - y1 : y2;
    if (h > room) {
        h = room;
        w = float(h / aspect);
        if (leftMoves)
            x1 = x2 - w;
        else
            x2 = x1 + w;
    }
    if (topMoves)
        y2 = y1 + h;
    else
        y1 = y2 - h;
    rect_ = NSMakeRect(std::max(0.0, x1), y1, std::min(W, x2) - std::max(0.0, x1), y2 - y1);
}

void LxWaterView::mouseReleaseEvent(QMouseEvent* event) {
    if (!editable_ || event->button() != Qt::LeftButton)
        return;
    if (hasMark())
        setCursor(pressInside_ ? Qt::OpenHandCursor : Qt::ArrowCursor);
    zone_ = 0;
    if (mouseMoveEnded)
        mouseMoveEnded(getPercentImageClipRect());
}
