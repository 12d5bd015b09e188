// Arithmetic shared by the hand-drawn controls. Bars and sliders turn positions into
// fractions by dividing by their own width, which is zero or negative while a window is
// still being laid out; and a NaN or infinite value must never reach an int conversion.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace controls {

// v when it is a finite number, otherwise `fallback`.
inline double finiteOr(double v, double fallback = 0) {
    return std::isfinite(v) ? v : fallback;
}

// num / den, or 0 when the divisor is not positive or the result is not finite.
inline double ratio(double num, double den) {
    if (!(den > 0))
        return 0;
    return finiteOr(num / den);
}

// Limited to 0..1; NaN gives 0.
inline double clamp01(double v) {
    return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : (v > 0 ? 1.0 : 0.0);
}

// Raised to at least lo, then lowered to at most hi: when the two limits cross, hi wins
// (std::clamp would be undefined there).
inline double raiseThenLower(double v, double lo, double hi) {
    return std::min(std::max(v, lo), hi);
}

// A length or position in points as whole pixels, safe for any input.
inline int toPixels(double v) {
    constexpr double limit = 1 << 24;
    return int(std::lround(std::clamp(finiteOr(v), -limit, limit)));
}

} // namespace controls
