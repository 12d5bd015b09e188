// Base of the controls that draw nothing themselves but arrange picture views (the trim
// bar, the slider, the progress bar). Qt holds back resize events of hidden widgets, so
// such a control lays itself out again whenever it finds its size changed: on a resize,
// before any change of its values, and before anyone reads its picture views.
#pragma once

#include "foundation/controls/NSImageView.h"

#include <QWidget>

class PictureArrangement : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    ~PictureArrangement() override;

protected:
    // A picture view added on top of the others; it never catches the mouse.
    NSImageView* addPicture(const NamedImage& picture);
    // Lays the control out for its current size when that changed since the last time.
    void ensureLaidOut();
    void sync() const { const_cast<PictureArrangement*>(this)->ensureLaidOut(); }
    // Records that the control is laid out for its current size (for layouts done
    // directly, at creation).
    void markLaidOut() { m_laidOutSize = size(); }
    // The layout for a new size; called with the size already recorded.
    virtual void layoutForSize() = 0;

    void resizeEvent(QResizeEvent* event) override;

private:
    QSize m_laidOutSize;
};
