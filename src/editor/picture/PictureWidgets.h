// Small builders shared by the picture panels: black labels fitted to their frames, the
// panels' Reset button, and press handlers that queue their work after the press.
#pragma once

#include "platform/Geometry.h"

#include <QMetaObject>
#include <QPointer>
#include <functional>

class QLabel;
class QWidget;
class ZylButton;

namespace picturewidgets {

// A black label of the 13-pixel system font, made smaller (down to minPx) or wrapped when
// a translation would not fit.
QLabel* label(QWidget* parent, const NSRect& frame, const QString& text, int minPx = 9);
// The panels' Reset button: rounded, on the OK button's pictures, disabled until a file opens.
ZylButton* resetButton(QWidget* parent, const NSRect& frame);
// A press that runs `work` once the press has been handled, while `owner` lives.
void onPress(ZylButton* button, QObject* owner, std::function<void()> work);

} // namespace picturewidgets
