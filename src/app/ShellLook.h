// The colours the shell's windows share with the tool windows, and the brand-blue window
// background.
#pragma once

#include "tools/shared/ToolStyle.h"

#include <QColor>
#include <QWidget>

namespace shelllook {

inline QColor brandBlue() {
    return toolstyle::kBrandBlue;
}
inline QColor lightGrey() {
    return toolstyle::kLightGrey;
}

// Fills the widget's background with the brand blue.
inline void paintBrandBackground(QWidget* widget) {
    toolstyle::paintBackground(widget, toolstyle::kBrandBlue);
}

} // namespace shelllook
