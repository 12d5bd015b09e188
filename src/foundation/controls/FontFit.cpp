#include "foundation/controls/FontFit.h"

#include "foundation/controls/LabelFit.h"
#include "foundation/controls/ZylButton.h"

#include <QFontMetrics>
#include <QLabel>

namespace controls {

void setPixelFont(QWidget* widget, int px) {
    QFont f = widget->font();
    f.setPixelSize(px);
    widget->setFont(f);
}

bool fitTextFont(QWidget* widget, const QString& text, int room, int px, int minPx) {
    for (int size = px; size >= minPx; --size) {
        setPixelFont(widget, size);
        if (QFontMetrics(widget->font()).horizontalAdvance(text) <= room)
            return true;
    }
    return false;
}

void fitLabelFont(QLabel* label, int px, int minPx) {
    // The gap stays clear at the label's end, next to the control after it, in either direction.
    label->setContentsMargins(0, 0, kLabelGap, 0);
    if (!fitTextFont(label, label->text(), label->width() - kLabelGap, px, minPx))
        label->setWordWrap(true);
}

void fitButtonFont(ZylButton* button, int px, int minPx) {
    for (int size = px; size >= minPx; --size) {
        setPixelFont(button, size);
        if (button->shownTitle() == button->contentTitle())
            return;
    }
}

} // namespace controls
