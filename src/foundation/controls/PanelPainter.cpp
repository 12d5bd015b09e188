#include "foundation/controls/PanelPainter.h"

#include <QPainterPath>

namespace controls {

void paintPanel(QPainter& painter, const QRectF& bounds, const PanelLook& look) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (look.cornerRadius > 0) {
        QPainterPath clip;
        clip.addRoundedRect(bounds, look.cornerRadius, look.cornerRadius);
        painter.setClipPath(clip);
    }
    if (look.fill.isValid())
        painter.fillRect(bounds, look.fill);
    if (!look.background.isNil())
        painter.drawImage(bounds, look.background.image());
}

void paintPanelBorder(QPainter& painter, const QRectF& bounds, const PanelLook& look) {
    if (!look.border.isValid() || !(look.borderWidth > 0))
        return;
    painter.save();
    painter.setClipping(false);
    painter.setPen(QPen(look.border, look.borderWidth));
    painter.setBrush(Qt::NoBrush);
    const double inset = look.borderWidth / 2;
    painter.drawRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), look.cornerRadius,
                            look.cornerRadius);
    painter.restore();
}

} // namespace controls
