// Text colour of the labels inside the hand-built buttons.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPalette>

namespace controls {

inline void setLabelColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    const QColor c = colour.isValid() ? colour : QColor(Qt::black);
    p.setColor(QPalette::Active, QPalette::WindowText, c);
    p.setColor(QPalette::Inactive, QPalette::WindowText, c);
    p.setColor(QPalette::Disabled, QPalette::WindowText, c);
    label->setPalette(p);
}

inline QColor labelColour(const QLabel* label) {
    return label->palette().color(QPalette::Active, QPalette::WindowText);
}

} // namespace controls
