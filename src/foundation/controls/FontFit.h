// Fonts in pixels for the fixed layouts of the windows: their frames are made for texts of a
// given size, and a translation that runs longer gets a smaller size rather than being cut short.
#pragma once

#include <QString>

class QLabel;
class QWidget;
class ZylButton;

namespace controls {

void setPixelFont(QWidget* widget, int px);

// Steps the widget's font down from px to minPx until `text` fits in `room` pixels; true when
// it fits (otherwise the widget is left at minPx).
bool fitTextFont(QWidget* widget, const QString& text, int room, int px, int minPx);

// A label beside a control: the gap of LabelFit.h stays clear at its end; a text that does not
// fit even at minPx goes on a second line.
void fitLabelFont(QLabel* label, int px, int minPx);

// A titled button whose title would be cut short at px gets a smaller size, down to minPx.
void fitButtonFont(ZylButton* button, int px, int minPx);

} // namespace controls
