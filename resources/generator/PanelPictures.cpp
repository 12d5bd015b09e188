#include "PanelPictures.h"

#include "Glyph.h"
#include "PictureStyle.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QImage blank(QSize size) {
    return PictureStyle::canvas(size);
}

QRectF bounds(QSize size) {
    return QRectF(0, 0, size.width(), size.height());
}

// A rounded card inset into the picture; `under` fills the corners (transparent for none).
QImage card(QSize size, const QColor& under, const QPen& edge, const QColor& fill, qreal inset,
            qreal radius) {
    QImage img = blank(size);
    QPainter p(&img);
    p.fillRect(bounds(size), under);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(edge);
    p.setBrush(fill);
    p.drawRoundedRect(bounds(size).adjusted(inset, inset, -inset, -inset), radius, radius);
    return img;
}

} // namespace

QImage PanelPictures::track(QSize size, const QColor& color) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal radius = std::min(size.height() / 2.0, 5.0);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(bounds(size), radius, radius);
    return img;
}

QImage PanelPictures::field(QSize size) {
    return card(size, Qt::transparent, QPen(palette::border, 1), Qt::white, 0.5, 3);
}

QImage PanelPictures::segmentRow(QSize size, bool selected) {
    if (selected)
        return card(size, palette::panel, QPen(palette::brand, 3), QColor(222, 243, 252), 2.5, 5);
    return card(size, palette::panel, QPen(palette::border, 1), Qt::white, 2.5, 5);
}

QImage PanelPictures::actionPanel(QSize size) {
    return card(size, palette::panel, QPen(palette::brand, 2), Qt::white, 1, 5);
}

QImage PanelPictures::knob(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = bounds(size).adjusted(1, 1, -1, -1);
    p.setPen(QPen(palette::brand, std::max(1.5, size.width() / 8.0)));
    p.setBrush(Qt::white);
    p.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(palette::brand);
    const qreal d = r.width() * 0.3;
    p.drawEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
    return img;
}

QImage PanelPictures::trimHandle(QSize size, bool left) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = bounds(size);
    QPainterPath path;
    const qreal rad = r.width() * 0.45;
    if (left)
        path.addRoundedRect(r.adjusted(0, 0, rad, 0), rad, rad);
    else
        path.addRoundedRect(r.adjusted(-rad, 0, 0, 0), rad, rad);
    p.setClipRect(r);
    p.fillPath(path, palette::brandDark);
    p.setPen(QPen(Qt::white, 1));
    const qreal x = std::floor(r.center().x()) + 0.5;
    p.drawLine(QPointF(x, r.height() * 0.25), QPointF(x, r.height() * 0.75));
    return img;
}

QImage PanelPictures::playHead(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();
    QPainterPath pin;
    pin.moveTo(1, 1);
    pin.lineTo(w - 1, 1);
    pin.lineTo(w - 1, h * 0.35);
    pin.lineTo(w / 2, h * 0.6);
    pin.lineTo(1, h * 0.35);
    pin.closeSubpath();
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(QColor(232, 76, 61));
    p.drawPath(pin);
    p.fillRect(QRectF(w / 2 - 1, h * 0.55, 2, h * 0.45), QColor(232, 76, 61));
    return img;
}

QImage PanelPictures::foldArrow(QSize size, bool down) {
    QImage img = blank(size);
    QPainter p(&img);
    Glyph::draw(p, down ? GlyphId::TriangleDown : GlyphId::TriangleRight, bounds(size), palette::ink);
    return img;
}

QImage PanelPictures::pageArrow(QSize size, bool left, bool enabled) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = bounds(size).adjusted(1, 1, -1, -1);
    p.setPen(Qt::NoPen);
    p.setBrush(enabled ? palette::brand : QColor(255, 255, 255, 60));
    p.drawEllipse(r);
    const qreal side = r.width() * 0.5;
    Glyph::draw(p, left ? GlyphId::ChevronLeft : GlyphId::ChevronRight,
                QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side),
                enabled ? QColor(Qt::white) : QColor(255, 255, 255, 110));
    return img;
}

QImage PanelPictures::switchBackground(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = bounds(size).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(palette::border, 1));
    p.setBrush(QColor(228, 232, 235));
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    return img;
}

QImage PanelPictures::switchKnob(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal d = std::min(size.width(), size.height()) - 2;
    p.setPen(QPen(palette::brandDark, 1));
    p.setBrush(palette::brand);
    p.drawEllipse(QRectF((size.width() - d) / 2, (size.height() - d) / 2, d, d));
    return img;
}

QImage PanelPictures::positionBox(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = bounds(size).adjusted(1, 1, -1, -1);
    p.setPen(QPen(palette::border, 1));
    p.setBrush(QColor(40, 46, 52));
    p.drawRoundedRect(r, 4, 4);
    QPen dash(QColor(255, 255, 255, 90), 1, Qt::DashLine);
    p.setPen(dash);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(6, 6, -6, -6), 2, 2);
    // The nine places a title can stand.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 140));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            const QPointF c(r.left() + 14 + col * (r.width() - 28) / 2,
                            r.top() + 14 + row * (r.height() - 28) / 2);
            p.drawEllipse(c, 2.5, 2.5);
        }
    return img;
}

QImage PanelPictures::tabSelected(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::brand);
    p.drawRoundedRect(bounds(size), 4, 4);
    return img;
}

QImage PanelPictures::tabBand(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(70, 80, 90));
    g.setColorAt(1, QColor(52, 60, 68));
    p.fillRect(bounds(size), g);
    return img;
}

QImage PanelPictures::categoryHead(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    const QRectF r = bounds(size);
    path.addRoundedRect(r.adjusted(0, 0, 0, 6), 6, 6);
    p.setClipRect(r);
    p.fillPath(path, palette::panel);
    p.fillRect(QRectF(0, r.height() - 3, r.width(), 3), palette::brand);
    return img;
}

QImage PanelPictures::selectionMarker(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette::brand, 3));
    p.setBrush(QColor(33, 176, 235, 70));
    p.drawRoundedRect(bounds(size).adjusted(1.5, 1.5, -1.5, -1.5), 7, 7);
    return img;
}

QImage PanelPictures::gearButton(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = bounds(size).adjusted(2, 2, -2, -2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawEllipse(r);
    const qreal side = r.width() * 0.7;
    Glyph::draw(p, GlyphId::Gear, QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side),
                palette::brandDark);
    return img;
}

QImage PanelPictures::separator(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.fillRect(bounds(size), QColor(214, 218, 222));
    return img;
}

QImage PanelPictures::cancelButton(QSize size, bool pressed) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = bounds(size).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(pressed ? QColor(170, 50, 40) : QColor(200, 70, 60), 1));
    p.setBrush(pressed ? QColor(196, 62, 50) : QColor(232, 86, 72));
    p.drawRoundedRect(r, 4, 4);
    return img;
}

QImage PanelPictures::audioThumbnail(QSize size) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = bounds(size);
    QLinearGradient g(0, 0, r.width(), r.height());
    g.setColorAt(0, QColor(44, 52, 60));
    g.setColorAt(1, QColor(28, 34, 40));
    p.fillRect(r, g);
    // A waveform under the note tells "sound only" at a glance.
    p.setPen(QPen(QColor(33, 176, 235, 120), std::max(1.0, r.width() / 140.0), Qt::SolidLine, Qt::RoundCap));
    const int bars = 36;
    for (int i = 0; i < bars; ++i) {
        const qreal x = r.width() * (i + 0.5) / bars;
        const qreal amp = r.height() * (0.06 + 0.16 * std::abs(std::sin(i * 0.7) * std::cos(i * 0.23)));
        p.drawLine(QPointF(x, r.height() * 0.78 - amp), QPointF(x, r.height() * 0.78 + amp));
    }
    const qreal side = r.height() * 0.5;
    Glyph::draw(p, GlyphId::Music, QRectF(r.center().x() - side / 2, r.height() * 0.12, side, side),
                palette::brand);
    return img;
}

QImage PanelPictures::appIcon(int side) {
    QImage img = blank(QSize(side, side));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(side * 0.06, side * 0.06, side * 0.88, side * 0.88);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(66, 194, 243));
    g.setColorAt(1, QColor(24, 150, 208));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r, side * 0.2, side * 0.2);
    // A film strip cut in two by the scissors.
    const qreal s = r.width() * 0.78;
    Glyph::draw(p, GlyphId::FilmCut, QRectF(r.center().x() - s / 2, r.center().y() - s / 2, s, s), Qt::white);
    return img;
}

QImage PanelPictures::splitMarker(QSize size, bool begin, bool pressed) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = bounds(size);
    QColor fill = begin ? palette::go : QColor(245, 130, 32);
    if (pressed)
        fill = fill.darker(130);
    p.fillRect(r, fill);
    p.setPen(QPen(Qt::white, 2));
    if (begin) {
        const qreal side = r.width() * 0.56;
        Glyph::draw(p, GlyphId::TriangleRight,
                    QRectF((r.width() - side) / 2 + 1, (r.height() - side) / 2, side, side), Qt::white);
    } else {
        p.drawLine(QPointF(r.center().x(), 3), QPointF(r.center().x(), r.height() - 3));
    }
    return img;
}

QImage PanelPictures::smallCheck(QSize size, bool checked) {
    QImage img = blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(size.width(), size.height()) - 2;
    const QRectF box(1, (size.height() - side) / 2, side, side);
    if (checked) {
        p.setPen(Qt::NoPen);
        p.setBrush(palette::brand);
        p.drawRoundedRect(box, 3, 3);
        Glyph::draw(p, GlyphId::Check, box.adjusted(2, 2, -2, -2), Qt::white);
    } else {
        p.setPen(QPen(QColor(150, 158, 165), 1.5));
        p.setBrush(Qt::white);
        p.drawRoundedRect(box.adjusted(0.75, 0.75, -0.75, -0.75), 3, 3);
    }
    return img;
}
