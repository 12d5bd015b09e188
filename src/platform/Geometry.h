// Frames as the windows describe them: points, origin at the bottom left, y upward.
// Every conversion to Qt's top-left, y-down coordinates happens here and nowhere else.
#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QWidget>

struct NSPoint {
    double x = 0, y = 0;
    bool operator==(const NSPoint&) const = default;
};
struct NSSize {
    double width = 0, height = 0;
    bool operator==(const NSSize&) const = default;
};
struct NSRect {
    double x = 0, y = 0, width = 0, height = 0;
    NSPoint origin() const { return {x, y}; }
    NSSize size() const { return {width, height}; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    bool contains(NSPoint p) const { return p.x >= x && p.x < x + width && p.y >= y && p.y < y + height; }
    bool operator==(const NSRect&) const = default;
};
using CGPoint = NSPoint;
using CGSize = NSSize;
using CGRect = NSRect;

inline NSRect NSMakeRect(double x, double y, double w, double h) {
    return {x, y, w, h};
}
inline NSPoint NSMakePoint(double x, double y) {
    return {x, y};
}
inline NSSize NSMakeSize(double w, double h) {
    return {w, h};
}
inline NSRect CGRectMake(double x, double y, double w, double h) {
    return {x, y, w, h};
}
inline const NSRect NSZeroRect{};

namespace geometry {

// A bottom-left frame inside a parent of the given height, as a Qt rectangle.
inline QRectF toQt(const NSRect& r, double parentHeight) {
    return QRectF(r.x, parentHeight - r.y - r.height, r.width, r.height);
}
// A Qt rectangle inside a parent of the given height, as a bottom-left frame.
inline NSRect fromQt(const QRectF& r, double parentHeight) {
    return {r.x(), parentHeight - r.y() - r.height(), r.width(), r.height()};
}
// A point in a view of the given height (Qt coordinates) as a bottom-left point.
inline NSPoint pointFromQt(const QPointF& p, double viewHeight) {
    return {p.x(), viewHeight - p.y()};
}
inline QPointF pointToQt(const NSPoint& p, double viewHeight) {
    return {p.x, viewHeight - p.y};
}

// Frames are given from the leading edge: in a parent laid out right to left (the interface
// in a right-to-left language) x counts from the parent's right edge, so that a window
// described once reads mirrored. A control that must not mirror inside (a time line, a
// picture) sets its own direction to left to right.
inline bool mirrorsIn(const QWidget* parent) {
    return parent && parent->layoutDirection() == Qt::RightToLeft;
}
// A rectangle in parent's Qt coordinates, mirrored when the parent is laid out right to left
// (mirroring twice gives it back).
inline QRect leading(const QRect& r, const QWidget* parent) {
    if (!mirrorsIn(parent))
        return r;
    return QRect(parent->width() - r.x() - r.width(), r.y(), r.width(), r.height());
}
// Keeps a mirrored child at its distance from the parent's leading (right) edge when the
// parent's width changes later, as a left-to-right child keeps its distance from the left.
void keepLeadingX(QWidget* w, int leadingX);
// Places a child at a rectangle given from its parent's leading edge.
inline void setLeadingGeometry(QWidget* w, const QRect& r) {
    w->setGeometry(leading(r, w->parentWidget()));
    if (mirrorsIn(w->parentWidget()))
        keepLeadingX(w, r.x());
}
// Places a widget by its bottom-left frame within its parent (or the screen for a window).
inline void setFrame(QWidget* w, const NSRect& r) {
    const double ph = w->parentWidget() ? w->parentWidget()->height() : r.y + r.height + r.y;
    setLeadingGeometry(w, toQt(r, ph).toRect());
}
// The bottom-left frame of a widget within its parent.
inline NSRect frame(const QWidget* w) {
    const double ph = w->parentWidget() ? w->parentWidget()->height() : w->height();
    return fromQt(QRectF(leading(w->geometry(), w->parentWidget())), ph);
}
// A widget's own bounds: origin 0, its size.
inline NSRect bounds(const QWidget* w) {
    return {0, 0, double(w->width()), double(w->height())};
}

} // namespace geometry
