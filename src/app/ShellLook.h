// The colours the shell's windows share, and the brand-blue window background.
#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace shelllook {

inline QColor brandBlue() {
    return QColor(33, 176, 235);
}
inline QColor lightGrey() {
    return QColor(245, 245, 245);
}

// Fills the widget's background with the brand blue.
inline void paintBrandBackground(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, brandBlue());
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace shelllook
