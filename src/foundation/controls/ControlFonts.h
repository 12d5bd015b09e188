// Fonts of the hand-drawn controls. Sizes in the window descriptions are points of the
// drawing grid (one point = one pixel at scale 1), so they become pixel sizes here; the
// name ".AppleSystemUIFont" (and an empty name) stands for the desktop's own UI font.
#pragma once

#include <QFont>
#include <QString>

namespace controls {

// The UI font at `points`.
QFont systemFontOfSize(double points);
// The named font at `points`; unknown names fall back to the UI font's family.
QFont fontNamed(const QString& name, double points);

} // namespace controls
