// Labels beside controls in fixed layouts: translations run longer than English, and
// right-to-left text is drawn against the label's right edge, next to the control.
#pragma once

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace controls {

// Space kept between a label's text and the control after it.
constexpr int kLabelGap = 6;

// Keeps kLabelGap clear at the label's trailing edge (its right edge, or its left one in a
// window laid out right to left, where the control stands to the label's left). With a
// `next` control: when the text and that gap need more than the label's width, the label
// grows towards the control and `next` gives up that much room on the label's side, its
// far edge staying where it is.
inline void fitLabelBefore(QLabel* label, QWidget* next = nullptr) {
    const bool rtl = label->layoutDirection() == Qt::RightToLeft;
    label->setContentsMargins(rtl ? kLabelGap : 0, 0, rtl ? 0 : kLabelGap, 0);
    if (!next)
        return;
    const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text()) + kLabelGap;
    const int extra = needed - label->width();
    if (extra <= 0)
        return;
    const int width = std::max(0, next->width() - extra);
    if (rtl) {
        label->setGeometry(label->x() - extra, label->y(), needed, label->height());
        next->setGeometry(next->x(), next->y(), width, next->height());
        return;
    }
    label->resize(needed, label->height());
    next->setGeometry(next->x() + extra, next->y(), width, next->height());
}

} // namespace controls
