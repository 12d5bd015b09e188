// The one drawing of a text mark's words, used for the pictures of text marks that the preview
// and the export lay over the video (TextPictureCache) and by the text-drawing function the
// player and the engine call (EditorCallbacks). Text is laid out and shaped by Qt, so every
// script draws; the paragraph runs in the direction of its first strong character, so Arabic
// or Hebrew with Latin words or digits inside reads as it was typed; characters the named font
// lacks come from a fallback font.
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

struct MarkText {
    QString text;
    QString fontName;      // the interface font names map to the desktop's font
    double pixelSize = 30; // font size in pixels
    QColor colour = Qt::white;
};

// One line in `box`: centred vertically, from its leading edge.
void paintMarkText(QPainter& painter, const MarkText& mark, const QRectF& box);
// One line whose baseline starts at `baseline` (its leading end for right-to-left text).
void paintMarkText(QPainter& painter, const MarkText& mark, QPointF baseline);
