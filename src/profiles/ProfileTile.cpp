#include "profiles/ProfileTile.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace {
// The card inside the tile and its coloured upper part, as the shipped tiles have them.
constexpr double kMargin = 6;
constexpr double kBandShare = 0.62;
const QColor kInk(52, 64, 76);
const QColor kVideoBand(33, 176, 235);
const QColor kAudioBand(142, 84, 196);

QRectF card(const QSizeF& size) {
    const double sx = size.width() / profiletile::kWidth, sy = size.height() / profiletile::kHeight;
    return QRectF(kMargin * sx, kMargin * sy, size.width() - 2 * kMargin * sx,
                  size.height() - 2 * kMargin * sy);
}

QRectF upperBand(const QRectF& c) {
    return QRectF(c.left(), c.top(), c.width(), c.height() * kBandShare);
}

QRectF lowerBand(const QRectF& c) {
    const QRectF top = upperBand(c);
    return QRectF(c.left() + 4, top.bottom(), c.width() - 8, c.bottom() - top.bottom());
}

// The largest bold font, from maxPx down, in which text fits box (wrapped at words).
QFont fitted(const QString& text, const QRectF& box, int maxPx) {
    QFont f;
    f.setBold(true);
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    for (int px = maxPx; px > 7; --px) {
        f.setPixelSize(px);
        const QRectF need = QFontMetricsF(f).boundingRect(box, flags, text);
        if (need.width() <= box.width() && need.height() <= box.height())
            return f;
    }
    f.setPixelSize(7);
    return f;
}
} // namespace

QImage profiletile::withCaption(const QImage& tile, const QString& caption) {
    if (tile.isNull() || caption.trimmed().isEmpty())
        return tile;
    QImage out = tile.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&out);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF box = lowerBand(card(QSizeF(out.size()) / out.devicePixelRatio()));
    // The band is the card's white: whatever a picture had there gives way to the caption.
    p.fillRect(box, Qt::white);
    p.setPen(kInk);
    p.setFont(fitted(caption, box.adjusted(1, 1, -1, -1), 12));
    p.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, caption);
    return out;
}

QImage profiletile::containerTile(const QString& container, bool audioOnly) {
    QImage img(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF c = card(QSizeF(img.size()));
    QPainterPath shape;
    shape.addRoundedRect(c, 6, 6);
    p.fillPath(shape, Qt::white);
    p.setClipPath(shape);
    const QRectF top = upperBand(c);
    p.fillRect(top, audioOnly ? kAudioBand : kVideoBand);
    p.setClipping(false);
    p.setPen(QPen(QColor(0, 0, 0, 40), 1));
    p.drawRoundedRect(c.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    const QString title = container.trimmed().toUpper();
    const QRectF titleBox = top.adjusted(4, 4, -4, -2);
    p.setPen(Qt::white);
    p.setFont(fitted(title, titleBox, 22));
    p.drawText(titleBox, Qt::AlignCenter | Qt::TextWordWrap, title);
    return img;
}
