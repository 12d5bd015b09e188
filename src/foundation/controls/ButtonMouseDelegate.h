// The pointer operations a page-arrow button's owner may implement. The arrow buttons keep
// the reference but never call it; both operations are optional.
#pragma once

class MouseMoveButton;

class ButtonMouseDelegate {
public:
    virtual ~ButtonMouseDelegate() = default;
    virtual void mouseupEntered(MouseMoveButton* button) { (void)button; }
    virtual void mousedownExited(MouseMoveButton* button) { (void)button; }
};
