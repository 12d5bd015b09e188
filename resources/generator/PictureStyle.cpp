#include "PictureStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage blank(QSize size) {
    return PictureStyle::canvas(size);
}

QColor mix(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t,
                            a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

// Pressed looks move the pictogram down by one pixel, as if pushed in.
qreal pressOffset(ButtonState state) {
    return state == ButtonState::Down ? 1.0 : 0.0;
}

} // namespace

QImage PictureStyle::canvas(QSize size) {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QColor PictureStyle::fillFor(const QColor& base, ButtonState state) {
    switch (state) {
    case ButtonState::Normal:
        return base;
    case ButtonState::On:
        return mix(base, Qt::white, 0.22);
    case ButtonState::Down:
        return mix(base, Qt::black, 0.22);
    case ButtonState::Disable:
        return palette::disabledFill;
    }
    return base;
}

QImage PictureStyle::homeTile(GlyphId glyph, ButtonState state, QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, size.width(), size.height());
    const QColor fill = fillFor(palette::brand, state);
    QPainterPath card;
    card.addRoundedRect(r, 6, 6);
    p.fillPath(card, fill);
    p.setClipPath(card);
    // A large, faint copy of the pictogram bleeds off the bottom right corner.
    const qreal big = size.height() * 1.05;
    QColor faint(255, 255, 255, state == ButtonState::Disable ? 40 : 34);
    Glyph::draw(p, glyph, QRectF(r.right() - big * 0.78, r.bottom() - big * 0.72, big, big), faint);
    if (state == ButtonState::On) {
        p.setPen(QPen(QColor(255, 255, 255, 200), 3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 5, 5);
    }
    if (state == ButtonState::Down) {
        p.fillRect(QRectF(0, 0, r.width(), 3), QColor(0, 0, 0, 50));
    }
    // The label takes the top 28 points; the pictogram is centred in what is left.
    const qreal top = 28;
    const qreal side = std::min(r.height() - top - 10, r.width() * 0.45);
    const QPointF c(r.center().x(), top + (r.height() - top - 6) / 2 + pressOffset(state));
    const QColor glyphColor = state == ButtonState::Disable ? QColor(255, 255, 255, 210) : Qt::white;
    Glyph::draw(p, glyph, QRectF(c.x() - side / 2, c.y() - side / 2, side, side), glyphColor);
    return img;
}

QImage PictureStyle::toolStrip(GlyphId glyph, ButtonState state, QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, size.width(), size.height());
    QColor fill = fillFor(palette::brand, state);
    if (state == ButtonState::Down)
        fill = palette::brandDark;
    p.fillRect(r, fill);
    if (state == ButtonState::Down) {
        // Down is also the look of the current tool: a white bar marks it.
        p.fillRect(QRectF(0, r.height() - 4, r.width(), 4), Qt::white);
    }
    if (state == ButtonState::On)
        p.fillRect(QRectF(0, r.height() - 3, r.width(), 3), QColor(255, 255, 255, 150));
    const qreal side = std::min(22.0, r.height() - 14);
    const QColor glyphColor = state == ButtonState::Disable ? palette::disabledInk : QColor(Qt::white);
    Glyph::draw(p, glyph, QRectF(8, (r.height() - side) / 2 + pressOffset(state) - 1, side, side),
                glyphColor);
    // Thin separators keep neighbouring buttons apart.
    p.fillRect(QRectF(r.width() - 1, 6, 1, r.height() - 12), QColor(255, 255, 255, 70));
    return img;
}

QImage PictureStyle::actionButton(GlyphId glyph, ButtonState state, QSize size, const QColor& base) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, size.width(), size.height());
    const QColor fill = fillFor(base, state);
    p.fillRect(r, fill);
    // A darker lower edge gives the flat button a little weight.
    p.fillRect(QRectF(0, r.height() - 2, r.width(), 2),
               state == ButtonState::Disable ? QColor(200, 205, 209) : mix(fill, Qt::black, 0.18));
    if (state == ButtonState::On) {
        p.setPen(QPen(QColor(255, 255, 255, 170), 2));
        p.drawRect(r.adjusted(1, 1, -1, -3));
    }
    if (glyph != GlyphId::None) {
        const QColor glyphColor = state == ButtonState::Disable ? palette::disabledInk : QColor(Qt::white);
        const qreal side = std::min(r.height() * 0.52, 22.0);
        if (r.width() < r.height() * 1.6) {
            // Icon-only buttons centre the pictogram.
            Glyph::draw(
                p, glyph,
                QRectF((r.width() - side) / 2, (r.height() - side) / 2 - 1 + pressOffset(state), side, side),
                glyphColor);
        } else {
            Glyph::draw(p, glyph, QRectF(10, (r.height() - side) / 2 - 1 + pressOffset(state), side, side),
                        glyphColor);
        }
    }
    return img;
}

QImage PictureStyle::lightButton(ButtonState state, QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    const QRectF r(0, 0, size.width(), size.height());
    QColor fill = Qt::white;
    QColor edge = palette::border;
    switch (state) {
    case ButtonState::Normal:
        break;
    case ButtonState::On:
        fill = QColor(232, 247, 253);
        edge = palette::brand;
        break;
    case ButtonState::Down:
        fill = QColor(196, 234, 250);
        edge = palette::brandDark;
        break;
    case ButtonState::Disable:
        fill = QColor(238, 238, 238);
        edge = QColor(222, 222, 222);
        break;
    }
    p.fillRect(r, fill);
    p.setPen(QPen(edge, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
    if (state == ButtonState::Down)
        p.fillRect(QRectF(1, 1, r.width() - 2, 2), QColor(0, 0, 0, 25));
    return img;
}

QImage PictureStyle::flatTintButton(ButtonState state, QSize size) {
    QImage img = blank(size);
    QColor fill(196, 232, 249);
    switch (state) {
    case ButtonState::Normal:
        break;
    case ButtonState::On:
        fill = QColor(166, 220, 245);
        break;
    case ButtonState::Down:
        fill = QColor(130, 203, 238);
        break;
    case ButtonState::Disable:
        fill = QColor(236, 238, 240);
        break;
    }
    img.fill(fill);
    return img;
}

QImage PictureStyle::roundIcon(GlyphId glyph, ButtonState state, QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal d = std::min(size.width(), size.height()) - 2;
    const QRectF disc((size.width() - d) / 2, (size.height() - d) / 2, d, d);
    p.setPen(Qt::NoPen);
    p.setBrush(fillFor(palette::brand, state));
    p.drawEllipse(disc);
    if (state == ButtonState::On) {
        p.setPen(QPen(QColor(255, 255, 255, 190), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(disc.adjusted(2, 2, -2, -2));
    }
    const qreal side = d * 0.5;
    const QColor glyphColor = state == ButtonState::Disable ? QColor(255, 255, 255, 220) : QColor(Qt::white);
    Glyph::draw(p, glyph,
                QRectF(disc.center().x() - side / 2, disc.center().y() - side / 2 + pressOffset(state) * 0.5,
                       side, side),
                glyphColor);
    return img;
}

QImage PictureStyle::bareIcon(GlyphId glyph, ButtonState state, QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, size.width(), size.height());
    QColor ink = palette::brand;
    if (state == ButtonState::On || state == ButtonState::Down) {
        p.setPen(Qt::NoPen);
        p.setBrush(state == ButtonState::On ? QColor(33, 176, 235, 40) : QColor(19, 129, 180, 70));
        p.drawRoundedRect(r, r.width() * 0.22, r.height() * 0.22);
        ink = state == ButtonState::On ? palette::brandLight : palette::brandDark;
    }
    if (state == ButtonState::Disable)
        ink = palette::disabledInk;
    const qreal side = std::min(r.width(), r.height()) * 0.7;
    Glyph::draw(p, glyph,
                QRectF(r.center().x() - side / 2, r.center().y() - side / 2 + pressOffset(state), side, side),
                ink);
    return img;
}

QImage PictureStyle::bandIcon(GlyphId glyph, QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, size.width() - 1, size.height() - 1);
    p.setPen(QPen(palette::brandDark, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, r.width() * 0.2, r.height() * 0.2);
    const qreal side = std::min(r.width(), r.height()) * 0.64;
    Glyph::draw(p, glyph, QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side),
                palette::ink);
    return img;
}

QImage PictureStyle::squareIcon(GlyphId glyph, ButtonState state, QSize size, qreal radius) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, size.width(), size.height());
    p.setPen(Qt::NoPen);
    p.setBrush(fillFor(palette::brand, state));
    p.drawRoundedRect(r, radius, radius);
    if (state == ButtonState::Down) {
        p.setPen(QPen(QColor(255, 255, 255, 220), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius, radius);
    }
    const qreal side = std::min(r.width(), r.height()) * 0.6;
    const QColor glyphColor = state == ButtonState::Disable ? palette::disabledInk : QColor(Qt::white);
    Glyph::draw(p, glyph,
                QRectF(r.center().x() - side / 2, r.center().y() - side / 2 + pressOffset(state), side, side),
                glyphColor);
    return img;
}

QImage PictureStyle::checkBox(bool checked, QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, size.width(), size.height());
    if (checked) {
        p.fillRect(r, palette::brand);
        const qreal side = r.width() * 0.72;
        Glyph::draw(p, GlyphId::Check, QRectF((r.width() - side) / 2, (r.height() - side) / 2, side, side),
                    Qt::white);
    } else {
        p.fillRect(r, Qt::white);
        p.setPen(QPen(QColor(160, 168, 175), 2));
        p.drawRect(r.adjusted(1, 1, -1, -1));
    }
    return img;
}
