#include "Glyph.h"

#include <QPainterPath>
#include <QtMath>

namespace {

// Pen and brush of one pictogram: `fill` and `line` lay ink, the `cut` variants clear it
// again so that holes (a camera lens, a letter in a droplet) show what lies below.
class Ink {
public:
    Ink(QPainter& painter, const QColor& color) : p(painter), c(color) {}

    void fill(const QPainterPath& path) {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPath(path);
    }
    void line(const QPainterPath& path, qreal width, Qt::PenCapStyle cap = Qt::RoundCap) {
        p.setPen(QPen(c, width, Qt::SolidLine, cap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    void cutFill(const QPainterPath& path) {
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        fill(path);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    void cutLine(const QPainterPath& path, qreal width) {
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        line(path, width);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    // Another pictogram inside the sub-box `box` of this one's 100 x 100 space.
    void nested(GlyphId id, const QRectF& box);
    // Clears a round badge and draws `id` inside it.
    void badge(GlyphId id, QPointF centre, qreal radius) {
        cutFill(circle(centre, radius + 5));
        nested(id, QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius));
    }

    static QPainterPath circle(QPointF c, qreal r) {
        QPainterPath path;
        path.addEllipse(c, r, r);
        return path;
    }
    static QPainterPath rect(qreal x, qreal y, qreal w, qreal h, qreal radius = 0) {
        QPainterPath path;
        path.addRoundedRect(x, y, w, h, radius, radius);
        return path;
    }
    static QPainterPath poly(std::initializer_list<QPointF> points, bool closed = true) {
        QPainterPath path;
        bool first = true;
        for (const QPointF& pt : points) {
            if (first)
                path.moveTo(pt);
            else
                path.lineTo(pt);
            first = false;
        }
        if (closed)
            path.closeSubpath();
        return path;
    }
    // An arc of the circle around `c`, angles in degrees counter-clockwise from 3 o'clock.
    static QPainterPath arc(QPointF c, qreal r, qreal start, qreal sweep) {
        QPainterPath path;
        QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
        path.arcMoveTo(box, start);
        path.arcTo(box, start, sweep);
        return path;
    }
    // Filled arrow head whose tip is at `tip`, pointing along `angle` (degrees, screen y down).
    static QPainterPath head(QPointF tip, qreal angle, qreal size) {
        const qreal a = qDegreesToRadians(angle);
        const QPointF dir(std::cos(a), std::sin(a));
        const QPointF side(-dir.y(), dir.x());
        const QPointF base = tip - dir * size;
        return poly({tip, base + side * size * 0.7, base - side * size * 0.7});
    }

    QPainter& p;
    QColor c;
};

void paintGlyph(Ink& k, GlyphId id);

void Ink::nested(GlyphId id, const QRectF& box) {
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 100.0, box.height() / 100.0);
    paintGlyph(*this, id);
    p.restore();
}

void scissors(Ink& k) {
    // Blades cross at the pivot and open upwards; the finger rings sit below.
    k.fill(Ink::poly({{36, 62}, {44, 58}, {72, 8}, {66, 6}}));
    k.fill(Ink::poly({{64, 62}, {56, 58}, {28, 8}, {34, 6}}));
    k.line(Ink::circle({31, 76}, 12), 7);
    k.line(Ink::circle({69, 76}, 12), 7);
    k.cutFill(Ink::circle({50, 40}, 3.5));
}

void filmStrip(Ink& k, qreal x, qreal y, qreal w, qreal h) {
    k.fill(Ink::rect(x, y, w, h, 6));
    const int holes = std::max(3, int(w / 14));
    const qreal pitch = w / holes;
    for (int i = 0; i < holes; ++i) {
        const qreal hx = x + pitch * i + pitch * 0.3;
        k.cutFill(Ink::rect(hx, y + 4, pitch * 0.4, h * 0.12, 1.5));
        k.cutFill(Ink::rect(hx, y + h - 4 - h * 0.12, pitch * 0.4, h * 0.12, 1.5));
    }
    k.cutFill(Ink::rect(x + 6, y + h * 0.27, w - 12, h * 0.46, 3));
}

void join(Ink& k) {
    // Two chain links that hold each other, on the diagonal.
    auto link = [](QPointF c) {
        QPainterPath path;
        path.addRoundedRect(-28, -14, 56, 28, 14, 14);
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(-45);
        return t.map(path);
    };
    k.line(link({36, 64}), 9);
    k.cutLine(link({64, 36}), 17);
    k.line(link({64, 36}), 9);
    // Let the first link pass over the second once, so they read as interlocked.
    QPainterPath clip;
    clip.addRect(40, 40, 20, 20);
    k.p.save();
    k.p.setClipPath(clip);
    k.cutLine(link({36, 64}), 17);
    k.line(link({36, 64}), 9);
    k.p.restore();
}

void split(Ink& k) {
    // A film strip pulled apart at a cut.
    filmStrip(k, 0, 22, 44, 56);
    filmStrip(k, 56, 22, 44, 56);
    k.cutFill(Ink::rect(40, 16, 20, 68));
    k.line(Ink::poly({{50, 8}, {50, 92}}, false), 4, Qt::FlatCap);
    k.cutLine(Ink::poly({{50, 20}, {50, 28}}, false), 6);
    k.cutLine(Ink::poly({{50, 46}, {50, 54}}, false), 6);
    k.cutLine(Ink::poly({{50, 72}, {50, 80}}, false), 6);
}

void crop(Ink& k) {
    k.line(Ink::poly({{28, 8}, {28, 72}, {92, 72}}, false), 9, Qt::SquareCap);
    k.line(Ink::poly({{8, 28}, {72, 28}, {72, 92}}, false), 9, Qt::SquareCap);
}

// An arc with an arrow head at its end. Angles in degrees counter-clockwise from
// 3 o'clock; a negative sweep turns clockwise on screen.
void arcArrow(Ink& k, QPointF c, qreal r, qreal start, qreal sweep, qreal width, qreal headSize) {
    const qreal endAngle = qDegreesToRadians(start + sweep);
    // Stop the stroke a little early so the head covers its end.
    const qreal trim = qRadiansToDegrees(headSize * 0.5 / r) * (sweep < 0 ? -1 : 1);
    k.line(Ink::arc(c, r, start, sweep - trim), width, Qt::FlatCap);
    const QPointF end(c.x() + r * std::cos(endAngle), c.y() - r * std::sin(endAngle));
    const QPointF dir = sweep < 0 ? QPointF(std::sin(endAngle), std::cos(endAngle))
                                  : QPointF(-std::sin(endAngle), -std::cos(endAngle));
    const qreal heading = qRadiansToDegrees(std::atan2(dir.y(), dir.x()));
    k.fill(Ink::head(end + dir * headSize * 0.45, heading, headSize));
}

void rotate(Ink& k, bool clockwise) {
    if (clockwise)
        arcArrow(k, {50, 52}, 34, 120, -290, 10, 30);
    else
        arcArrow(k, {50, 52}, 34, 60, 290, 10, 30);
}

QPainterPath sparkle(QPointF c, qreal r) {
    const qreal w = r * 0.28;
    return Ink::poly({{c.x(), c.y() - r},
                      {c.x() + w, c.y() - w},
                      {c.x() + r, c.y()},
                      {c.x() + w, c.y() + w},
                      {c.x(), c.y() + r},
                      {c.x() - w, c.y() + w},
                      {c.x() - r, c.y()},
                      {c.x() - w, c.y() - w}});
}

void wand(Ink& k) {
    k.line(Ink::poly({{14, 88}, {58, 44}}, false), 10);
    k.line(Ink::poly({{58, 44}, {66, 36}}, false), 10, Qt::FlatCap);
    k.fill(sparkle({72, 28}, 20));
    k.fill(sparkle({34, 24}, 11));
    k.fill(sparkle({84, 64}, 10));
}

QPainterPath droplet() {
    QPainterPath d;
    d.moveTo(50, 6);
    d.cubicTo(50, 6, 18, 44, 18, 62);
    d.arcTo(QRectF(18, 30, 64, 64), 180, 180);
    d.cubicTo(82, 44, 50, 6, 50, 6);
    d.closeSubpath();
    return d;
}

void watermark(Ink& k) {
    k.fill(droplet());
    k.cutFill(Ink::rect(34, 46, 32, 8, 1));
    k.cutFill(Ink::rect(46, 46, 8, 34, 1));
}

void subtitle(Ink& k) {
    k.line(Ink::rect(8, 16, 84, 64, 8), 7);
    k.fill(Ink::rect(22, 52, 56, 7, 3.5));
    k.fill(Ink::rect(32, 64, 36, 7, 3.5));
}

void music(Ink& k) {
    k.fill(Ink::poly({{34, 26}, {86, 12}, {86, 26}, {34, 40}}));
    k.line(Ink::poly({{37, 30}, {37, 78}}, false), 7, Qt::FlatCap);
    k.line(Ink::poly({{83, 18}, {83, 66}}, false), 7, Qt::FlatCap);
    QPainterPath heads;
    heads.addEllipse(QPointF(27, 78), 13, 10);
    heads.addEllipse(QPointF(73, 66), 13, 10);
    k.fill(heads);
}

void play(Ink& k) {
    QPainterPath t = Ink::poly({{32, 20}, {32, 80}, {82, 50}});
    k.fill(t);
    k.line(t, 6);
}

void camera(Ink& k) {
    k.fill(Ink::rect(8, 28, 84, 58, 9));
    k.fill(Ink::rect(32, 16, 36, 20, 5));
    k.cutFill(Ink::circle({50, 57}, 20));
    k.fill(Ink::circle({50, 57}, 12));
    k.cutFill(Ink::circle({79, 39}, 4));
}

void speaker(Ink& k) {
    k.fill(Ink::poly({{8, 36}, {26, 36}, {50, 14}, {50, 86}, {26, 64}, {8, 64}}));
}

QPainterPath folderPath() {
    QPainterPath f;
    f.moveTo(8, 24);
    f.lineTo(38, 24);
    f.lineTo(46, 32);
    f.lineTo(92, 32);
    f.lineTo(92, 82);
    f.lineTo(8, 82);
    f.closeSubpath();
    return f;
}

void folder(Ink& k, bool plus) {
    QPainterPath f = folderPath();
    k.fill(f);
    k.cutLine(Ink::poly({{9, 40}, {91, 40}}, false), 4);
    if (plus) {
        k.cutLine(Ink::poly({{50, 50}, {50, 74}}, false), 7);
        k.cutLine(Ink::poly({{38, 62}, {62, 62}}, false), 7);
    }
}

QPainterPath gearPath(QPointF c, qreal r) {
    QPainterPath g;
    g.addEllipse(c, r * 0.74, r * 0.74);
    for (int i = 0; i < 8; ++i) {
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(i * 45.0);
        QPainterPath tooth;
        tooth.addRoundedRect(-r * 0.17, -r, r * 0.34, r * 0.5, 2, 2);
        g = g.united(t.map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(c, r * 0.32, r * 0.32);
    return g.subtracted(hole);
}

void trash(Ink& k) {
    k.fill(Ink::rect(12, 18, 76, 9, 3));
    k.line(Ink::rect(38, 8, 24, 12, 3), 6);
    k.fill(Ink::poly({{20, 32}, {80, 32}, {74, 92}, {26, 92}}));
    for (qreal x : {38.0, 50.0, 62.0})
        k.cutLine(Ink::poly({{x, 42}, {x, 82}}, false), 5);
}

void envelope(Ink& k) {
    k.fill(Ink::rect(8, 20, 84, 60, 7));
    k.cutLine(Ink::poly({{16, 30}, {50, 56}, {84, 30}}, false), 6);
}

void info(Ink& k) {
    k.fill(Ink::circle({50, 50}, 44));
    k.cutFill(Ink::circle({50, 28}, 7));
    k.cutFill(Ink::rect(43, 42, 14, 36, 4));
}

void home(Ink& k) {
    k.fill(Ink::poly({{50, 8}, {94, 48}, {82, 48}, {82, 90}, {18, 90}, {18, 48}, {6, 48}}));
    k.cutFill(Ink::rect(42, 62, 16, 28, 2));
}

void chevron(Ink& k, bool left) {
    if (left)
        k.line(Ink::poly({{62, 18}, {32, 50}, {62, 82}}, false), 12);
    else
        k.line(Ink::poly({{38, 18}, {68, 50}, {38, 82}}, false), 12);
}

void addText(Ink& k) {
    k.fill(Ink::rect(8, 10, 62, 14, 2));
    k.fill(Ink::rect(32, 10, 14, 76, 2));
    k.fill(Ink::circle({76, 74}, 20));
    k.cutLine(Ink::poly({{76, 63}, {76, 85}}, false), 6);
    k.cutLine(Ink::poly({{65, 74}, {87, 74}}, false), 6);
}

void addPicture(Ink& k) {
    k.line(Ink::rect(6, 14, 72, 58, 6), 7);
    k.fill(Ink::poly({{14, 64}, {34, 38}, {48, 54}, {56, 46}, {70, 64}}));
    k.fill(Ink::circle({58, 30}, 7));
    k.cutFill(Ink::circle({76, 74}, 24));
    k.fill(Ink::circle({76, 74}, 20));
    k.cutLine(Ink::poly({{76, 63}, {76, 85}}, false), 6);
    k.cutLine(Ink::poly({{65, 74}, {87, 74}}, false), 6);
}

void turnPage(Ink& k, bool clockwise) {
    // A page with a quarter-turn arrow sweeping over it.
    k.line(Ink::rect(clockwise ? 10 : 44, 46, 46, 44, 5), 8);
    if (clockwise)
        arcArrow(k, {50, 60}, 40, 128, -88, 9, 26);
    else
        arcArrow(k, {50, 60}, 40, 52, 88, 9, 26);
}

void flip(Ink& k, bool horizontal) {
    k.p.save();
    if (!horizontal) {
        k.p.translate(50, 50);
        k.p.rotate(90);
        k.p.translate(-50, -50);
    }
    k.fill(Ink::poly({{42, 18}, {42, 84}, {8, 84}}));
    k.line(Ink::poly({{58, 18}, {58, 84}, {92, 84}}), 6);
    for (qreal y = 6; y < 96; y += 14)
        k.line(Ink::poly({{50, y}, {50, y + 7}}, false), 4, Qt::FlatCap);
    k.p.restore();
}

void marker(Ink& k) {
    // A split point: a pin on a vertical line.
    k.line(Ink::poly({{40, 30}, {40, 96}}, false), 9, Qt::FlatCap);
    k.fill(Ink::poly({{14, 4}, {66, 4}, {66, 24}, {40, 42}, {14, 24}}));
}

// The tools' and the player's glyphs; false for any other.
bool paintToolGlyph(Ink& k, GlyphId id) {
    switch (id) {
    case GlyphId::None:
        break;
    case GlyphId::Scissors:
        scissors(k);
        break;
    case GlyphId::FilmStrip:
        filmStrip(k, 6, 22, 88, 56);
        break;
    case GlyphId::FilmCut:
        filmStrip(k, 4, 14, 80, 50);
        k.badge(GlyphId::Scissors, {70, 70}, 24);
        break;
    case GlyphId::BatchCut:
        k.line(Ink::rect(30, 6, 62, 42, 6), 6);
        k.cutFill(Ink::rect(16, 18, 70, 46, 8));
        k.line(Ink::rect(20, 20, 62, 42, 6), 6);
        k.cutFill(Ink::rect(4, 32, 70, 48, 8));
        filmStrip(k, 8, 34, 62, 42);
        k.badge(GlyphId::Scissors, {72, 74}, 22);
        break;
    case GlyphId::Join:
        join(k);
        break;
    case GlyphId::Split:
        split(k);
        break;
    case GlyphId::Crop:
        crop(k);
        break;
    case GlyphId::Rotate:
        rotate(k, true);
        break;
    case GlyphId::Wand:
        wand(k);
        break;
    case GlyphId::Watermark:
        watermark(k);
        break;
    case GlyphId::Subtitle:
        subtitle(k);
        break;
    case GlyphId::Music:
        music(k);
        break;
    case GlyphId::Play:
        play(k);
        break;
    case GlyphId::Pause:
        k.fill(Ink::rect(24, 18, 18, 64, 4));
        k.fill(Ink::rect(58, 18, 18, 64, 4));
        break;
    case GlyphId::Stop:
        k.fill(Ink::rect(22, 22, 56, 56, 7));
        break;
    case GlyphId::Preview:
        k.line(Ink::poly({{24, 14}, {10, 14}, {10, 86}, {24, 86}}, false), 8, Qt::FlatCap);
        k.line(Ink::poly({{76, 14}, {90, 14}, {90, 86}, {76, 86}}, false), 8, Qt::FlatCap);
        k.nested(GlyphId::Play, QRectF(24, 24, 52, 52));
        break;
    case GlyphId::SetStart:
        k.line(Ink::poly({{34, 12}, {18, 12}, {18, 88}, {34, 88}}, false), 9, Qt::FlatCap);
        k.line(Ink::poly({{88, 50}, {44, 50}}, false), 9);
        k.fill(Ink::head({34, 50}, 180, 22));
        break;
    case GlyphId::SetEnd:
        k.line(Ink::poly({{66, 12}, {82, 12}, {82, 88}, {66, 88}}, false), 9, Qt::FlatCap);
        k.line(Ink::poly({{12, 50}, {56, 50}}, false), 9);
        k.fill(Ink::head({66, 50}, 0, 22));
        break;
    default:
        return false;
    }
    return true;
}

// The buttons' and lists' glyphs; false for any other.
bool paintControlGlyph(Ink& k, GlyphId id) {
    switch (id) {
    case GlyphId::Camera:
        camera(k);
        break;
    case GlyphId::CameraSet:
        k.nested(GlyphId::Camera, QRectF(0, 0, 80, 80));
        k.cutFill(Ink::circle({74, 74}, 25));
        k.fill(gearPath({74, 74}, 21));
        break;
    case GlyphId::VolumeOn:
        speaker(k);
        k.line(Ink::arc({50, 50}, 16, -50, 100), 7, Qt::RoundCap);
        k.line(Ink::arc({50, 50}, 32, -50, 100), 7, Qt::RoundCap);
        break;
    case GlyphId::VolumeOff:
        speaker(k);
        k.line(Ink::poly({{64, 36}, {90, 64}}, false), 8);
        k.line(Ink::poly({{90, 36}, {64, 64}}, false), 8);
        break;
    case GlyphId::Folder:
        folder(k, false);
        break;
    case GlyphId::FolderPlus:
        folder(k, true);
        break;
    case GlyphId::Plus:
        k.line(Ink::poly({{50, 14}, {50, 86}}, false), 13);
        k.line(Ink::poly({{14, 50}, {86, 50}}, false), 13);
        break;
    case GlyphId::Minus:
        k.line(Ink::poly({{14, 50}, {86, 50}}, false), 13);
        break;
    case GlyphId::ArrowUp:
        k.line(Ink::poly({{50, 88}, {50, 30}}, false), 11);
        k.fill(Ink::head({50, 10}, -90, 34));
        break;
    case GlyphId::ArrowDown:
        k.line(Ink::poly({{50, 12}, {50, 70}}, false), 11);
        k.fill(Ink::head({50, 90}, 90, 34));
        break;
    case GlyphId::Trash:
        trash(k);
        break;
    case GlyphId::Envelope:
        envelope(k);
        break;
    case GlyphId::Info:
        info(k);
        break;
    case GlyphId::Home:
        home(k);
        break;
    case GlyphId::Check:
        k.line(Ink::poly({{16, 52}, {40, 76}, {86, 26}}, false), 13);
        break;
    case GlyphId::Gear:
        k.fill(gearPath({50, 50}, 44));
        break;
    case GlyphId::ChevronLeft:
        chevron(k, true);
        break;
    case GlyphId::ChevronRight:
        chevron(k, false);
        break;
    case GlyphId::TriangleDown:
        k.fill(Ink::poly({{10, 28}, {90, 28}, {50, 78}}));
        break;
    case GlyphId::TriangleRight:
        k.fill(Ink::poly({{28, 10}, {78, 50}, {28, 90}}));
        break;
    default:
        return false;
    }
    return true;
}

void paintGlyph(Ink& k, GlyphId id) {
    if (paintToolGlyph(k, id) || paintControlGlyph(k, id))
        return;
    switch (id) {
    case GlyphId::AddText:
        addText(k);
        break;
    case GlyphId::AddPicture:
        addPicture(k);
        break;
    case GlyphId::RotateLeft:
        turnPage(k, false);
        break;
    case GlyphId::RotateRight:
        turnPage(k, true);
        break;
    case GlyphId::FlipHorizontal:
        flip(k, true);
        break;
    case GlyphId::FlipVertical:
        flip(k, false);
        break;
    case GlyphId::PointAdd:
        marker(k);
        k.badge(GlyphId::Plus, {74, 72}, 22);
        break;
    case GlyphId::PointPrevious:
        k.line(Ink::poly({{18, 14}, {18, 86}}, false), 10);
        k.fill(Ink::poly({{84, 16}, {84, 84}, {34, 50}}));
        break;
    case GlyphId::PointNext:
        k.line(Ink::poly({{82, 14}, {82, 86}}, false), 10);
        k.fill(Ink::poly({{16, 16}, {16, 84}, {66, 50}}));
        break;
    case GlyphId::PointRemove:
        marker(k);
        k.badge(GlyphId::Close, {74, 72}, 20);
        break;
    case GlyphId::Export:
        k.line(Ink::poly({{12, 56}, {12, 88}, {88, 88}, {88, 56}}, false), 9);
        k.line(Ink::poly({{50, 66}, {50, 26}}, false), 10);
        k.fill(Ink::head({50, 6}, -90, 30));
        break;
    case GlyphId::Close:
        k.line(Ink::poly({{18, 18}, {82, 82}}, false), 13);
        k.line(Ink::poly({{82, 18}, {18, 82}}, false), 13);
        break;
    case GlyphId::Original:
        filmStrip(k, 4, 14, 80, 50);
        k.badge(GlyphId::Check, {72, 72}, 22);
        break;
    default: // drawn above
        break;
    }
}

} // namespace

void Glyph::draw(QPainter& painter, GlyphId id, const QRectF& box, const QColor& color) {
    const qreal side = std::min(box.width(), box.height());
    const int px = std::max(1, int(std::ceil(side)));
    const QImage img = layer(id, px, color);
    const QRectF target(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, img);
    painter.restore();
}

QImage Glyph::layer(GlyphId id, int side, const QColor& color) {
    // Drawn four times larger and scaled down: thin strokes of a 16-pixel icon stay even.
    const int big = side * 4;
    QImage img(big, big, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(big / 100.0, big / 100.0);
        Ink ink(p, color);
        paintGlyph(ink, id);
    }
    return img.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
