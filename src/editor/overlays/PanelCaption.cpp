#include "editor/overlays/PanelCaption.h"

#include "tools/shared/Loc.h"

#include <QFontMetrics>
#include <QLabel>

QLabel* panelCaption(QWidget* parent, const char* key, const NSRect& frame, int px) {
    auto* l = new QLabel(loc(key), parent);
    l->setObjectName(QString::fromUtf8(key));
    geometry::setFrame(l, frame);
    for (int size = px; size >= 10; --size) {
        QFont f = l->font();
        f.setPixelSize(size);
        l->setFont(f);
        if (QFontMetrics(f).horizontalAdvance(l->text()) <= frame.width - 2)
            break;
    }
    return l;
}
