#include "ProfilePictures.h"

#include "Glyph.h"
#include "PictureStyle.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

std::pair<QString, QString> ProfilePictures::labels(const QString& profileName) {
    static const QRegularExpression withCodec(QStringLiteral("^\\s*([^()]*?)\\s*\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch m = withCodec.match(profileName);
    if (m.hasMatch())
        return {m.captured(1).toUpper(), m.captured(2).trimmed()};
    return {profileName.trimmed().toUpper(), QString()};
}

namespace {

// The largest bold font up to `maxPx` pixels in which `text` fits `width`.
QFont fitted(const QString& text, qreal width, int maxPx) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    for (int px = maxPx; px > 7; --px) {
        f.setPixelSize(px);
        if (QFontMetricsF(f).horizontalAdvance(text) <= width)
            return f;
    }
    f.setPixelSize(7);
    return f;
}

} // namespace

QImage ProfilePictures::tile(const QString& profileName, const QString& category) {
    QImage img = PictureStyle::canvas(kSize);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF card(6, 6, kSize.width() - 12, kSize.height() - 12);
    const bool audio = category.compare(QStringLiteral("Audio"), Qt::CaseInsensitive) == 0;
    const bool keep = profileName == kKeepOriginal;
    const QColor band = keep ? QColor(96, 108, 120) : audio ? QColor(142, 84, 196) : palette::brand;

    QPainterPath shape;
    shape.addRoundedRect(card, 6, 6);
    p.fillPath(shape, Qt::white);
    p.setClipPath(shape);
    const QRectF top(card.left(), card.top(), card.width(), card.height() * 0.62);
    p.fillRect(top, band);
    p.setClipping(false);
    p.setPen(QPen(QColor(0, 0, 0, 40), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);

    const QRectF lower(card.left() + 4, top.bottom(), card.width() - 8, card.bottom() - top.bottom());
    if (keep) {
        const qreal side = top.height() * 0.7;
        Glyph::draw(p, GlyphId::Original,
                    QRectF(top.center().x() - side / 2, top.center().y() - side / 2, side, side), Qt::white);
        // The lower band stays empty: the browser writes the tile's name there in the
        // interface language.
        return img;
    }
    const auto [container, codec] = labels(profileName);
    // The small pictogram says video or sound; the container name is the tile's title.
    const qreal g = 14;
    Glyph::draw(p, audio ? GlyphId::Music : GlyphId::FilmStrip,
                QRectF(top.right() - g - 5, top.top() + 4, g, g), QColor(255, 255, 255, 200));
    const QRectF title = top.adjusted(4, 12, -4, -2);
    p.setPen(Qt::white);
    p.setFont(fitted(container, title.width(), 22));
    p.drawText(title, Qt::AlignCenter, container);
    // Without a codec in the name, the lower band stays empty: the browser names the kind
    // of output there in the interface language.
    if (!codec.isEmpty()) {
        p.setPen(palette::ink);
        p.setFont(fitted(codec, lower.width(), 13));
        p.drawText(lower, Qt::AlignCenter, codec);
    }
    return img;
}
