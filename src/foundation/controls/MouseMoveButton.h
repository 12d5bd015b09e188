// The page arrows of the output-format browsers: a flat picture button with the usual
// clicked() signal (its owner connects to it). Pointer moves are only logged.
#pragma once

#include "foundation/controls/ButtonMouseDelegate.h"
#include "foundation/controls/NamedImage.h"
#include "foundation/controls/WeakDelegate.h"
#include "platform/Geometry.h"

#include <QPushButton>

class MouseMoveButton : public QPushButton {
    Q_OBJECT
public:
    explicit MouseMoveButton(QWidget* parent = nullptr);
    MouseMoveButton(const NSRect& frame, QWidget* parent);
    ~MouseMoveButton() override;

    // The arrow's picture, and the one shown while the button is disabled.
    void setImage(const NamedImage& image);
    void setDisabledImage(const NamedImage& image);
    const NamedImage& image() const { return m_image; }
    const NamedImage& disabledImage() const { return m_disabledImage; }

    ButtonMouseDelegate* mouseDelegate() const { return m_mouseDelegate.get(); }
    void setMouseDelegate(ButtonMouseDelegate* d) { m_mouseDelegate.reset(d); }

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void applyIcon();

    NamedImage m_image, m_disabledImage;
    WeakDelegate<ButtonMouseDelegate> m_mouseDelegate;
};
