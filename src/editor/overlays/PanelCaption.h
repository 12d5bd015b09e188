// The captions of the overlay panels: a localised label in a fixed frame whose font steps down
// (to 10 px at the least) until the translation fits.
#pragma once

#include "platform/Geometry.h"

class QLabel;
class QWidget;

// A caption for `key` at `frame` in `parent`, named after the key, starting at `px` pixels.
QLabel* panelCaption(QWidget* parent, const char* key, const NSRect& frame, int px = 13);
