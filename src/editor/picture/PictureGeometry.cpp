#include "editor/picture/PictureGeometry.h"

#include "foundation/records/SubtitleParam.h"
#include "foundation/records/WaterParam.h"

#include <algorithm>
#include <cmath>

namespace picture {

int stepRotation(int angle, bool right) {
    switch (angle) {
    case 0:
    case 360:
        return right ? 90 : 270;
    case 90:
        return right ? 180 : 0;
    case 180:
        return right ? 270 : 90;
    case 270:
        return right ? 0 : 180;
    default:
        return angle;
    }
}

void toggleMirror(int angle, bool horizontal, int& hFlip, int& vFlip) {
    const bool sideways = angle == 90 || angle == 270 || angle == -90 || angle == -270;
    int& flag = (horizontal != sideways) ? hFlip : vFlip;
    flag = flag == 0 ? 1 : 0;
}

QSizeF turnedSize(QSizeF size, Turn turn) {
    return turn == Turn::Left || turn == Turn::Right ? size.transposed() : size;
}

NSRect turnRect(const NSRect& r, QSizeF size, Turn turn) {
    const double W = size.width(), H = size.height();
    switch (turn) {
    case Turn::Right:
        // The left edge becomes the top, the bottom edge the left.
        return {r.y, W - (r.x + r.width), r.height, r.width};
    case Turn::Left:
        return {H - (r.y + r.height), r.x, r.height, r.width};
    case Turn::MirrorHorizontal:
        return {W - (r.x + r.width), r.y, r.width, r.height};
    case Turn::MirrorVertical:
        return {r.x, H - (r.y + r.height), r.width, r.height};
    }
    return r;
}

NSRect clampCrop(const NSRect& r, QSizeF size, double minSide) {
    const double W = size.width(), H = size.height();
    if (!(W > 0) || !(H > 0))
        return {};
    const auto side = [minSide](double v, double limit) {
        if (!std::isfinite(v))
            return limit;
        return std::clamp(v, std::min(minSide, limit), limit);
    };
    NSRect c;
    c.width = side(r.width, W);
    c.height = side(r.height, H);
    c.x = std::isfinite(r.x) ? std::clamp(r.x, 0.0, W - c.width) : 0;
    c.y = std::isfinite(r.y) ? std::clamp(r.y, 0.0, H - c.height) : 0;
    return c;
}

RECT cropMargins(const NSRect& r, QSizeF size) {
    const NSRect c = clampCrop(r, size);
    if (c.isEmpty())
        return {0, 0, 0, 0};
    const auto even = [](double v) {
        const int i = int(float(std::max(0.0, v)));
        return i - i % 2;
    };
    RECT m;
    m.left = even(c.x);
    m.top = even(size.height() - (c.y + c.height));
    m.right = even(size.width() - (c.x + c.width));
    m.bottom = even(c.y);
    return m;
}

bool isWholePicture(const RECT& m) {
    return m.left == 0 && m.top == 0 && m.right == 0 && m.bottom == 0;
}

// A mark is drawn upright over the turned picture, so a turn moves it with the picture but
// keeps its own width and height: its centre follows the turn, and it is kept inside the
// turned picture (scaled down only if it no longer fits).
static NSRect turnKeepingSize(const NSRect& r, QSizeF size, Turn turn) {
    const NSRect t = turnRect(r, size, turn);
    const QSizeF after = turnedSize(size, turn);
    double w = r.width, h = r.height;
    const double fit = std::min({1.0, after.width() / w, after.height() / h});
    w *= fit;
    h *= fit;
    const double x = std::clamp(t.midX() - w / 2, 0.0, std::max(0.0, after.width() - w));
    const double y = std::clamp(t.y + t.height / 2 - h / 2, 0.0, std::max(0.0, after.height() - h));
    return {x, y, w, h};
}

void turnWatermark(WaterParam& mark, QSizeF size, Turn turn, QSizeF overlaySize) {
    const NSRect f = mark.waterPercentClipRect;
    if (!f.isEmpty() && size.width() > 0 && size.height() > 0) {
        const double W = size.width(), H = size.height();
        const QSizeF after = turnedSize(size, turn);
        const NSRect t = turnKeepingSize({f.x * W, f.y * H, f.width * W, f.height * H}, size, turn);
        mark.waterPercentClipRect = {t.x / after.width(), t.y / after.height(), t.width / after.width(),
                                     t.height / after.height()};
    }
    const NSRect& p = mark.waterPercentClipRect;
    if (overlaySize.width() > 0 && overlaySize.height() > 0 && !p.isEmpty()) {
        const double w = overlaySize.width(), h = overlaySize.height();
        mark.waterRect = {p.x * w, p.y * h, p.width * w, p.height * h};
        mark.waterViewFrameWidth = float(w);
    } else if (mark.waterViewFrameWidth > 0 && size.width() > 0 && !mark.waterRect.isEmpty()) {
        // The overlay's size is not known yet: turn the rectangle in the old overlay's points
        // and keep its width as the reference, scaled to the turned picture's proportions.
        const double ow = mark.waterViewFrameWidth;
        const QSizeF view(ow, ow * size.height() / size.width());
        NSRect t = turnKeepingSize(mark.waterRect, view, turn);
        const QSizeF turnedView = turnedSize(view, turn);
        const double k = ow / turnedView.width();
        mark.waterRect = {t.x * k, t.y * k, t.width * k, t.height * k};
    }
}

void turnWatermarks(const std::vector<std::shared_ptr<WaterParam>>& marks, QSizeF size, Turn turn,
                    QSizeF overlaySize) {
    for (const auto& m : marks)
        if (m)
            turnWatermark(*m, size, turn, overlaySize);
}

void turnSubtitle(SubtitleParam& subtitle, QSizeF size, Turn turn) {
    if (subtitle.positon < 0 || !(size.height() > 0))
        return;
    const QSizeF after = turnedSize(size, turn);
    subtitle.positon = int(std::lround(subtitle.positon * after.height() / size.height()));
}

} // namespace picture
