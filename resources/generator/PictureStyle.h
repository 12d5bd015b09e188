// The looks of the interface pictures: one flat style in the brand blue on light grey
// panels, with a normal, hovered, pressed and disabled look for every button kind.
#pragma once

#include "Glyph.h"

#include <QColor>
#include <QImage>
#include <QSize>

enum class ButtonState { Normal, On, Down, Disable };

namespace palette {
inline const QColor brand(33, 176, 235);
inline const QColor brandLight(86, 199, 243);
inline const QColor brandDark(19, 129, 180);
// Fills that lie on the brand blue itself (the export bars) and must read there.
inline const QColor brandDeep(12, 92, 138);
inline const QColor panel(245, 245, 245);
inline const QColor ink(52, 64, 76);
inline const QColor disabledFill(214, 219, 223);
inline const QColor disabledInk(173, 173, 173);
inline const QColor go(39, 174, 96);
inline const QColor border(206, 210, 214);
} // namespace palette

class PictureStyle {
public:
    // Home screen tile: a card with the tool's pictogram; the label is drawn by the window
    // at the top left, so the pictogram keeps below it.
    static QImage homeTile(GlyphId glyph, ButtonState state, QSize size);
    // Editor tool strip button background: the pictogram sits left, the title is centred
    // by the button a little to the right of the middle.
    static QImage toolStrip(GlyphId glyph, ButtonState state, QSize size);
    // Filled action button background (Add File, Cut, Start) with an optional pictogram at
    // the left edge; `base` is its colour in the normal look.
    static QImage actionButton(GlyphId glyph, ButtonState state, QSize size, const QColor& base);
    // Light button background for black titles (OK, Reset, Copy, Modify, Delete).
    static QImage lightButton(ButtonState state, QSize size);
    // Flat button background in a light tint of the brand blue, for black titles on the
    // light panels (the segment rows' Copy, Modify, Delete): no edge, no relief.
    static QImage flatTintButton(ButtonState state, QSize size);
    // Round transport button: white pictogram on a disc.
    static QImage roundIcon(GlyphId glyph, ButtonState state, QSize size);
    // Bare pictogram in the brand blue with a soft halo when hovered or pressed.
    static QImage bareIcon(GlyphId glyph, ButtonState state, QSize size);
    // Pictogram in dark ink on a white rounded face, for icon buttons that lie on the brand
    // blue itself, where a brand-blue pictogram would vanish.
    static QImage bandIcon(GlyphId glyph, QSize size);
    // Square button filling the whole picture (for opaque bitmaps on any background);
    // pictures with alpha may round their corners.
    static QImage squareIcon(GlyphId glyph, ButtonState state, QSize size, qreal radius = 0);
    // Check box filling the whole picture.
    static QImage checkBox(bool checked, QSize size);

    // A transparent picture to draw on.
    static QImage canvas(QSize size);
    // Tints of one colour for the four looks.
    static QColor fillFor(const QColor& base, ButtonState state);
};
