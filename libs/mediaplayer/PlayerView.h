// The player's widget: paints the last picture fitted to its size, centred on black.
//
// The video thread converts each picture straight to the size this view shows it at (the
// slot holds the view's size in device pixels), so painting is a plain copy. After a resize
// the view converts the picture shown once more at its new size, until the next one arrives
// at that size anyway. GUI thread only.
#pragma once

#include "FrameConverter.h"

#include <QWidget>
#include <memory>

class FrameSlot;

class PlayerView : public QWidget {
    Q_OBJECT
public:
    explicit PlayerView(std::shared_ptr<FrameSlot> slot, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    QSize pixelSize() const;

    std::shared_ptr<FrameSlot> slot_;
    FrameConverter converter_{FrameConverter::Layout::View};
};
