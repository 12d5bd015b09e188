// How well one colour reads on another: the ratio of their relative luminances (1 = the
// same, 21 = black on white), as legibility guidelines measure it.
#pragma once

#include <QColor>
#include <algorithm>
#include <cmath>

namespace testsupport {

inline double relativeLuminance(const QColor& c) {
    auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}

inline double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `c` drawn with its alpha over `under`.
inline QColor over(const QColor& c, const QColor& under) {
    const double a = c.alphaF();
    return QColor::fromRgbF(float(c.redF() * a + under.redF() * (1 - a)),
                            float(c.greenF() * a + under.greenF() * (1 - a)),
                            float(c.blueF() * a + under.blueF() * (1 - a)));
}

} // namespace testsupport
