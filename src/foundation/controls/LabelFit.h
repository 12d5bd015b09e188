// Labels beside controls in fixed layouts: translations run longer than English, and
// right-to-left text is drawn against the label's right edge, next to the control.
#pragma once

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace controls {

// Space kept between a label's text and the control after it.
constexpr int kLabelGap = 6;

// Keeps kLabelGap clear at the label's right edge. With a `next` control: when the text and
// that gap need more than the label's width, the label grows and `next` gives up that much
// room at its left, its right edge staying where it is.
inline void fitLabelBefore(QLabel* label, QWidget* next = nullptr) {
    label->setContentsMargins(0, 0, kLabelGap, 0);
    if (!next)
        return;
    const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text()) + kLabelGap;
    const int extra = needed - label->width();
    if (extra <= 0)
        return;
    label->resize(needed, label->height());
    next->setGeometry(next->x() + extra, next->y(), std::max(0, next->width() - extra), next->height());
}

} // namespace controls
