#include "foundation/helpers/HelpClass.h"

#include "platform/Log.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QRegularExpression>
#include <cmath>

namespace {

QString two(long long v) {
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}

// Larger times are not meaningful for media and would overflow the hundredths count.
constexpr double kMaxSeconds = 1e12;

} // namespace

QString HelpClass::createFilename() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
}

HelpClass::TimeParts HelpClass::splitTime(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0)
        return {};
    const long long total = std::llround(std::min(seconds, kMaxSeconds) * 100.0);
    TimeParts p;
    p.hundredths = total % 100;
    const long long whole = total / 100;
    p.seconds = whole % 60;
    p.minutes = (whole / 60) % 60;
    p.hours = whole / 3600;
    return p;
}

double HelpClass::timeFromParts(long long hours, long long minutes, long long seconds, long long hundredths) {
    return static_cast<double>(hours * 3600 + minutes * 60 + seconds) +
           static_cast<double>(hundredths) / 100.0;
}

QString HelpClass::returnTimeToCutFileName(double seconds) {
    const TimeParts p = splitTime(seconds);
    return two(p.hours) + two(p.minutes) + two(p.seconds) + QLatin1Char('.') + two(p.hundredths);
}

QString HelpClass::returnTimeToStr(double seconds) {
    const TimeParts p = splitTime(seconds);
    return two(p.hours) + QLatin1Char(':') + two(p.minutes) + QLatin1Char(':') + two(p.seconds) +
           QLatin1Char('.') + two(p.hundredths);
}

QString HelpClass::retrnTimeToStr(int hours, int minutes, int seconds, int hundredths) {
    auto part = [](int v) { return two(v < 0 ? 0 : v); };
    return part(hours) + QLatin1Char(':') + part(minutes) + QLatin1Char(':') + part(seconds) +
           QLatin1Char('.') + part(hundredths);
}

std::optional<double> HelpClass::parseTimeStr(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(?:(?:(\d{1,9}):)?(\d{1,9}):)?(\d{1,9})(?:\.(\d{1,9}))?\s*$)"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const long long h = m.captured(1).toLongLong();
    const long long min = m.captured(2).toLongLong();
    const long long s = m.captured(3).toLongLong();
    // The fraction is read as a decimal fraction: ".5" is half a second, ".05" five hundredths.
    double fraction = 0;
    if (!m.captured(4).isEmpty())
        fraction = (QStringLiteral("0.") + m.captured(4)).toDouble();
    const double t =
        static_cast<double>(h) * 3600.0 + static_cast<double>(min) * 60.0 + static_cast<double>(s) + fraction;
    if (!std::isfinite(t) || t > kMaxSeconds)
        return std::nullopt;
    return t;
}

AttributedString HelpClass::retButtonTitle(const QString& text, const QColor& color, const QString& fontName,
                                           long fontsize, bool shadow, long textAlignment) {
    AttributedString title;
    if (text.isEmpty())
        return title;
    title.text = text;
    title.hasAttributes = true;
    title.color = color.isValid() ? color : QColor(Qt::black);
    switch (textAlignment) {
    case NSTextAlignmentRight:
        title.alignment = Qt::AlignRight | Qt::AlignVCenter;
        break;
    case NSTextAlignmentJustified:
        title.alignment = Qt::AlignJustify | Qt::AlignVCenter;
        break;
    case NSTextAlignmentNatural:
        title.alignment = Qt::AlignLeft | Qt::AlignVCenter;
        break;
    default:
        title.alignment = Qt::AlignCenter;
        break;
    }
    title.font = fontWithName(fontName, fontsize > 0 ? static_cast<double>(fontsize) : 12.0);
    title.hasShadow = shadow;
    if (shadow) {
        title.shadowBlur = 2;
        title.shadowColor = QColor::fromRgbF(1.0f / 3, 1.0f / 3, 1.0f / 3);
        title.shadowOffset = QPointF(1, 2);
    } else {
        title.shadowBlur = 0;
        title.shadowColor = title.color;
        title.shadowOffset = QPointF(0, 0);
    }
    return title;
}

uint32_t HelpClass::retDwordColorVolue(const QColor& color) {
    if (!color.isValid()) {
        qCWarning(lcApp) << "colour word of an invalid colour; using black";
        return 0;
    }
    const QColor rgb = color.toRgb();
    const uint32_t r = static_cast<uint32_t>(rgb.red()), g = static_cast<uint32_t>(rgb.green()),
                   b = static_cast<uint32_t>(rgb.blue());
    qCDebug(lcApp, "colour word of red:%u green:%u blue:%u", r, g, b);
    return (r << 24) | (g << 16) | (b << 8);
}

NSRect HelpClass::getHeightOfText(const QString& text, double width, double height, const QFont* font) {
    const QFont f = font ? *font : fontWithName(QString(), 30);
    const QFontMetricsF metrics(f);
    const double w = std::isfinite(width) && width > 0 ? width : 0;
    const double h = std::isfinite(height) && height > 0 ? height : 0;
    const QRectF box =
        metrics.boundingRect(QRectF(0, 0, w, h), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
    return NSRect{box.x(), box.y(), box.width(), 2 * box.y() + box.height() + 4};
}

QFont HelpClass::fontWithName(const QString& name, double size) {
    QFont font;
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name == QLatin1String("Muna"))
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    else
        font = QFont(name);
    const double s = std::isfinite(size) && size > 0 ? size : 12.0;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(std::min(s, 4096.0)))));
    return font;
}
