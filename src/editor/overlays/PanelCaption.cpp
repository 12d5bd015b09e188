#include "editor/overlays/PanelCaption.h"

#include "foundation/controls/FontFit.h"
#include "tools/shared/Loc.h"

#include <QLabel>

QLabel* panelCaption(QWidget* parent, const char* key, const NSRect& frame, int px) {
    auto* l = new QLabel(loc(key), parent);
    l->setObjectName(QString::fromUtf8(key));
    geometry::setFrame(l, frame);
    controls::fitTextFont(l, l->text(), int(frame.width) - 2, px, 10);
    return l;
}
