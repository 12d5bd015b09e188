#include "editor/picture/PictureWidgets.h"
#include "foundation/controls/FontFit.h"

#include "foundation/controls/FontFit.h"
#include "foundation/controls/ZylButton.h"
#include "tools/shared/Loc.h"

#include <QLabel>

namespace picturewidgets {

QLabel* label(QWidget* parent, const NSRect& frame, const QString& text, int minPx) {
    auto* l = new QLabel(text, parent);
    geometry::setFrame(l, frame);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(p);
    controls::fitLabelFont(l, 13, minPx);
    return l;
}

ZylButton* resetButton(QWidget* parent, const NSRect& frame) {
    auto* b = new ZylButton(frame, parent);
    b->setNormalBackgroundImage(NamedImage("About/btnOK_Normal.bmp"));
    b->setOnBackgroundImage(NamedImage("About/btnOK_On.bmp"));
    b->setDownBackgroundImage(NamedImage("About/btnOK_Down.bmp"));
    b->setDisAbleBackgroundImage(NamedImage("About/btnOK_Disable.bmp"));
    b->setBordColor(QColor(33, 176, 235));
    b->setCornerRadius(5);
    b->setBorderWidth(0);
    b->setContentTitle(loc("ResetBtnTitle"));
    b->setContentColor(Qt::black);
    controls::fitButtonFont(b, 13, 9);
    b->setEnabled(false);
    return b;
}

} // namespace picturewidgets
