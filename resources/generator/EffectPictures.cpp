#include "EffectPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <random>

namespace {

// Sky, sun, hills and a house: colours, edges and flat areas for every effect to act on.
QImage landscape(QSize size) {
    QImage img(size, QImage::Format_ARGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width(), h = size.height();
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(64, 140, 230));
    sky.setColorAt(1, QColor(170, 215, 250));
    p.fillRect(img.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 205, 60));
    p.drawEllipse(QPointF(w * 0.78, h * 0.28), h * 0.16, h * 0.16);
    p.setBrush(QColor(70, 160, 70));
    p.drawEllipse(QPointF(w * 0.25, h * 1.05), w * 0.55, h * 0.45);
    p.setBrush(QColor(40, 120, 55));
    p.drawEllipse(QPointF(w * 0.85, h * 1.1), w * 0.5, h * 0.4);
    p.setBrush(QColor(200, 60, 50));
    p.drawRect(QRectF(w * 0.18, h * 0.5, w * 0.2, h * 0.22));
    p.setBrush(QColor(120, 40, 30));
    p.drawPolygon(
        QPolygonF({QPointF(w * 0.15, h * 0.5), QPointF(w * 0.28, h * 0.33), QPointF(w * 0.41, h * 0.5)}));
    return img;
}

int clampByte(double v) {
    return std::clamp(int(std::lround(v)), 0, 255);
}

template <class F> QImage perPixel(const QImage& src, F f) {
    QImage out = src.copy();
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            out.setPixelColor(x, y, f(src.pixelColor(x, y), x, y));
    return out;
}

QColor grey(const QColor& c) {
    const int l = clampByte(0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue());
    return QColor(l, l, l);
}

// A 3x3 filter over the luma (or each channel when perChannel).
QImage convolve(const QImage& src, const double k[9], double bias, bool perChannel) {
    QImage out = src.copy();
    const int w = src.width(), h = src.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double r = bias, g = bias, b = bias;
            for (int j = -1; j <= 1; ++j)
                for (int i = -1; i <= 1; ++i) {
                    const QColor c = src.pixelColor(std::clamp(x + i, 0, w - 1), std::clamp(y + j, 0, h - 1));
                    const QColor v = perChannel ? c : grey(c);
                    const double f = k[(j + 1) * 3 + (i + 1)];
                    r += f * v.red(), g += f * v.green(), b += f * v.blue();
                }
            out.setPixelColor(x, y, QColor(clampByte(r), clampByte(g), clampByte(b)));
        }
    return out;
}

QImage blur(const QImage& src, int passes) {
    const double k[9] = {1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0, 1 / 9.0};
    QImage out = src;
    for (int i = 0; i < passes; ++i)
        out = convolve(out, k, 0, true);
    return out;
}

QImage balance(const QImage& src, double shift) {
    return perPixel(src, [shift](QColor c, int, int) {
        return QColor(clampByte(c.red() + 60 * shift), c.green(), clampByte(c.blue() - 60 * shift));
    });
}

} // namespace

namespace EffectPictures {

int count() {
    return 13;
}

QImage effect(int id, QSize size) {
    QImage base = landscape(size);
    const double w = size.width(), h = size.height();
    switch (id) {
    case 1:
        return perPixel(base, [](QColor c, int, int) { return grey(c); });
    case 2:
        return perPixel(base, [](QColor c, int, int) {
            const double r = c.red(), g = c.green(), b = c.blue();
            return QColor(clampByte(.393 * r + .769 * g + .189 * b),
                          clampByte(.349 * r + .686 * g + .168 * b),
                          clampByte(.272 * r + .534 * g + .131 * b));
        });
    case 3:
        return perPixel(
            base, [](QColor c, int, int) { return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()); });
    case 4:
        return blur(base, 3);
    case 5: {
        const double k[9] = {0, -1, 0, -1, 5, -1, 0, -1, 0};
        return convolve(base, k, 0, true);
    }
    case 6: {
        // A grey relief: the brightness's slope from the top left around mid-grey.
        const double k[9] = {-2, -1, 0, -1, 0, 1, 0, 1, 2};
        return convolve(base, k, 128, false);
    }
    case 7: {
        // Pencil lines: the edges in dark grey on white paper.
        const double k[9] = {-1, -1, -1, -1, 8, -1, -1, -1, -1};
        return perPixel(convolve(base, k, 0, false), [](QColor c, int, int) {
            const int v = clampByte(255 - 2 * c.red());
            return QColor(v, v, v);
        });
    }
    case 8:
        return perPixel(base, [w, h](QColor c, int x, int y) {
            const double dx = (x - w / 2) / (w / 2), dy = (y - h / 2) / (h / 2);
            const double k = std::clamp(1.0 - 0.6 * (dx * dx + dy * dy), 0.15, 1.0);
            return QColor(clampByte(c.red() * k), clampByte(c.green() * k), clampByte(c.blue() * k));
        });
    case 9: {
        const int cell = std::max(2, size.height() / 6);
        return perPixel(base, [&base, cell](QColor, int x, int y) {
            return base.pixelColor(x / cell * cell + cell / 2 < base.width() ? x / cell * cell + cell / 2 : x,
                                   y / cell * cell + cell / 2 < base.height() ? y / cell * cell + cell / 2
                                                                              : y);
        });
    }
    case 10:
        // Faded, warm colours with lifted shadows.
        return perPixel(base, [](QColor c, int, int) {
            return QColor(clampByte(c.red() * 0.8 + 45), clampByte(c.green() * 0.75 + 35),
                          clampByte(c.blue() * 0.6 + 40));
        });
    case 11:
        return balance(base, 1);
    case 12:
        return balance(base, -1);
    case 13: {
        // Fine random grain, the same in every build.
        std::mt19937 random(13);
        std::uniform_int_distribution<int> grain(-30, 30);
        return perPixel(base, [&](QColor c, int, int) {
            const int n = grain(random);
            return QColor(clampByte(c.red() + n), clampByte(c.green() + n), clampByte(c.blue() + n));
        });
    }
    default:
        return base;
    }
}

} // namespace EffectPictures
