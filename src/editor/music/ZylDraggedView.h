// A picture that the user drags sideways inside its parent: the handles, the position bar
// and the play tick of the music range slider. Each move is clamped to the part's own
// limits in the parent and reported to the delegate; a disabled part does not move.
//
// Main thread only.
#pragma once

#include "foundation/controls/NSImageView.h"

class ZylDraggedView;

class ZylDraggedViewDelegate {
public:
    virtual ~ZylDraggedViewDelegate() = default;
    virtual void mouseDraggedWithSender(ZylDraggedView* sender) = 0;
};

class ZylDraggedView : public NSImageView {
    Q_OBJECT
public:
    explicit ZylDraggedView(QWidget* parent = nullptr);

    // Draws the handle mark (a red knob on a red line).
    bool isDraw() const { return isDraw_; }
    void setIsDraw(bool draw);
    // Distance between the white repeat markers; 0 draws none.
    float repeatWidth() const { return repeatWidth_; }
    void setRepeatWidth(float width);
    // Margins kept free at the parent's left and right edges while dragging.
    void setDragMargins(double left, double right) { marginLeft_ = left, marginRight_ = right; }

    ZylDraggedViewDelegate* delegate = nullptr;

    // Moves the part to x in the parent within its limits and reports it, as a drag does.
    void dragTo(double x);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool isDraw_ = false;
    float repeatWidth_ = 0;
    double grabOffset_ = 0;
    double marginLeft_ = 0, marginRight_ = 0;
};
