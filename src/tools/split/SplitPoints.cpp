#include "tools/split/SplitPoints.h"

#include <QRegularExpression>
#include <cmath>

namespace {
bool usable(double v) {
    return std::isfinite(v) && v > 0;
}

// How many steps of step fit in total when a rest shorter than minLast joins the step
// before it: at least 1.
double stepCount(double total, double step, double minLast) {
    const double rest = std::isfinite(minLast) && minLast > 0 ? std::min(minLast, total) : 0;
    return std::max(1.0, std::ceil((total - rest) / step));
}

// k x step / total for k = 1 .. stepCount - 1, the fractions that lie inside.
std::vector<float> everyStep(double total, double step, double minLast = 0) {
    std::vector<float> out;
    if (!usable(total) || !usable(step))
        return out;
    const double n = stepCount(total, step, minLast);
    for (double k = 1; k < n; ++k) {
        const double f = k * step / total;
        if (f > 0 && f < 1)
            out.push_back(float(f));
    }
    return out;
}
} // namespace

std::vector<float> SplitPoints::byTime(double duration, double seconds, double minLast) {
    return everyStep(duration, seconds, minLast);
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

std::optional<double> SplitPoints::pointCount(double total, double step, double minLast) {
    if (!usable(total) || !usable(step))
        return std::nullopt;
    return stepCount(total, step, minLast) - 1;
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
