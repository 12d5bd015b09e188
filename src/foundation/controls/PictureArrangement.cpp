#include "foundation/controls/PictureArrangement.h"

PictureArrangement::~PictureArrangement() = default;

NSImageView* PictureArrangement::addPicture(const NamedImage& picture) {
    auto* view = new NSImageView(this);
    view->setAttribute(Qt::WA_TransparentForMouseEvents);
    view->setImage(picture);
    return view;
}

void PictureArrangement::ensureLaidOut() {
    if (size() == m_laidOutSize)
        return;
    m_laidOutSize = size();
    layoutForSize();
}

void PictureArrangement::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ensureLaidOut();
}
