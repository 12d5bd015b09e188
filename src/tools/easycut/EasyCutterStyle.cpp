#include "tools/easycut/EasyCutterStyle.h"

#include "foundation/controls/ZylButton.h"

namespace easycutstyle {

namespace {
NamedImage load(const QString& name) {
    return name.isEmpty() ? NamedImage() : NamedImage(name);
}
} // namespace

void setButtonImages(ZylButton* b, const ImageList& n) {
    b->setNormalImage(load(n[0]));
    b->setOnImage(load(n[1]));
    b->setDownImage(load(n[2]));
    b->setSelectedImage(load(n[3]));
    b->setDisAbleImage(load(n[4]));
}

void setButtonBackgrounds(ZylButton* b, const ImageList& n) {
    b->setNormalBackgroundImage(load(n[0]));
    b->setOnBackgroundImage(load(n[1]));
    b->setDownBackgroundImage(load(n[2]));
    b->setSelectedBackgroundImage(load(n[3]));
    b->setDisAbleBackgroundImage(load(n[4]));
}

} // namespace easycutstyle
