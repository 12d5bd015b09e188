// The player's widget: paints the last picture fitted to its size, centred on black.
#pragma once

#include <QWidget>
#include <memory>

class FrameSlot;

class PlayerView : public QWidget {
    Q_OBJECT
public:
    explicit PlayerView(std::shared_ptr<const FrameSlot> slot, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::shared_ptr<const FrameSlot> slot_;
};
