#include "tools/split/SplitPoints.h"

#include <QRegularExpression>
#include <cmath>

namespace {
bool usable(double v) {
    return std::isfinite(v) && v > 0;
}

// k x step / total for k = 1 .. ceil(total / step) - 1, the fractions that lie inside.
std::vector<float> everyStep(double total, double step) {
    std::vector<float> out;
    if (!usable(total) || !usable(step))
        return out;
    const double n = std::ceil(total / step);
    for (double k = 1; k < n; ++k) {
        const double f = k * step / total;
        if (f > 0 && f < 1)
            out.push_back(float(f));
    }
    return out;
}
} // namespace

std::vector<float> SplitPoints::byTime(double duration, double seconds) {
    return everyStep(duration, seconds);
}

std::vector<float> SplitPoints::bySize(double fileSize, double megabytes) {
    return everyStep(fileSize, megabytes);
}

std::vector<float> SplitPoints::byCount(double parts) {
    std::vector<float> out;
    if (!usable(parts))
        return out;
    const double n = std::floor(parts);
    for (double k = 1; k < n; ++k)
        out.push_back(float(k / n));
    return out;
}

std::optional<double> SplitPoints::pointCount(double total, double step) {
    if (!usable(total) || !usable(step))
        return std::nullopt;
    return std::max(0.0, std::ceil(total / step) - 1);
}

std::optional<double> SplitPoints::presetValue(const QString& title) {
    static const QRegularExpression leading(QStringLiteral("^\\s*(\\d+(?:\\.\\d+)?|\\.\\d+)"));
    const QRegularExpressionMatch m = leading.match(title);
    if (!m.hasMatch())
        return std::nullopt;
    const double v = m.captured(1).toDouble();
    return usable(v) ? std::optional<double>(v) : std::nullopt;
}

std::optional<double> SplitPoints::positiveValue(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && usable(v) ? std::optional<double>(v) : std::nullopt;
}
