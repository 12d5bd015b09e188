// The look shared by the panel views (ZylView, ZylImageView): rounded corners that clip,
// a fill colour, a background picture stretched over the view, and a border.
#pragma once

#include "foundation/controls/NamedImage.h"

#include <QColor>
#include <QPainter>

namespace controls {

struct PanelLook {
    QColor fill;
    NamedImage background;
    double cornerRadius = 0;
    QColor border;
    double borderWidth = 0;
};

// Paints the panel's fill and background picture, leaving the painter clipped to the
// rounded corners for whatever the view draws next.
void paintPanel(QPainter& painter, const QRectF& bounds, const PanelLook& look);
// Strokes the border (after the view's own drawing).
void paintPanelBorder(QPainter& painter, const QRectF& bounds, const PanelLook& look);

} // namespace controls
