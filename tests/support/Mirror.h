// Finds what a window laid out right to left fails to mirror: the window is opened once left
// to right and once right to left, and every widget placed by hand (not by a layout) is
// compared with its twin. Under a parent laid out right to left it must stand on the other
// side of the parent (within half its width, as translations change widths); under a parent
// kept left to right (a time line, a picture) on the same side.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <vector>

class QWidget;

namespace testsupport {

struct Placement {
    QRect geometry;
    int parentWidth = 0;
    bool parentMirrors = false;
    bool shown = false;
    bool byLayout = false;
    QString what;
};

// Every widget under root (root excluded, windows of their own skipped), in tree order.
std::vector<Placement> placements(QWidget* root);
// One line for each widget of rtl that is not where the mirror of ltr puts it.
QStringList unmirrored(const std::vector<Placement>& ltr, const std::vector<Placement>& rtl);

} // namespace testsupport
