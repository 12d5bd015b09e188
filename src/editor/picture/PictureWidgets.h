// Small builders shared by the picture panels: black labels fitted to their frames and the
// panels' Reset button.
#pragma once

#include "platform/Geometry.h"

class QLabel;
class QWidget;
class ZylButton;

namespace picturewidgets {

// A black label of the 13-pixel system font, made smaller (down to minPx) or wrapped when
// a translation would not fit.
QLabel* label(QWidget* parent, const NSRect& frame, const QString& text, int minPx = 9);
// The panels' Reset button: rounded, on the OK button's pictures, disabled until a file opens.
ZylButton* resetButton(QWidget* parent, const NSRect& frame);

} // namespace picturewidgets
