// Finds text that a window shows cut off: a label, button, pop-up item or field whose text
// runs past its frame, or whose line is lower than the glyphs (the tops of capitals with
// marks or the bottoms of underscores cut), or a label that runs into a sibling.
//
// Walks every visible widget under a window. Each finding names the widget and its text, so
// that a test in all languages can report every clipped text at once.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace testsupport {

// The clipped texts under root (root included), one line each; empty when all fit.
QStringList clippedTexts(QWidget* root);

} // namespace testsupport
