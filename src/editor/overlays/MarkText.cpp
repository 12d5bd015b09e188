#include "editor/overlays/MarkText.h"

#include "foundation/helpers/HelpClass.h"

#include <QPainter>

namespace {

bool prepare(QPainter& painter, const MarkText& mark) {
    if (mark.text.isEmpty() || !(mark.pixelSize > 0))
        return false;
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(HelpClass::fontWithName(mark.fontName, mark.pixelSize));
    painter.setPen(mark.colour);
    painter.setLayoutDirection(mark.text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    return true;
}

} // namespace

void paintMarkText(QPainter& painter, const MarkText& mark, const QRectF& box) {
    if (!prepare(painter, mark))
        return;
    const Qt::Alignment lead = mark.text.isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft;
    painter.drawText(box, int(Qt::AlignVCenter | lead) | Qt::TextSingleLine, mark.text);
}

void paintMarkText(QPainter& painter, const MarkText& mark, QPointF baseline) {
    if (prepare(painter, mark))
        painter.drawText(baseline, mark.text);
}
