#include "foundation/controls/MouseMoveButton.h"

#include "platform/Log.h"

#include <QIcon>
#include <QMouseEvent>

MouseMoveButton::MouseMoveButton(QWidget* parent) : QPushButton(parent) {
    setFlat(true);
    setMouseTracking(true);
}

MouseMoveButton::MouseMoveButton(const NSRect& frame, QWidget* parent) : MouseMoveButton(parent) {
    geometry::setFrame(this, frame);
}

MouseMoveButton::~MouseMoveButton() = default;

void MouseMoveButton::setImage(const NamedImage& image) {
    m_image = image;
    applyIcon();
}

void MouseMoveButton::setDisabledImage(const NamedImage& image) {
    m_disabledImage = image;
    applyIcon();
}

void MouseMoveButton::applyIcon() {
    QIcon icon;
    if (!m_image.isNil())
        icon.addPixmap(QPixmap::fromImage(m_image.image()), QIcon::Normal);
    if (!m_disabledImage.isNil())
        icon.addPixmap(QPixmap::fromImage(m_disabledImage.image()), QIcon::Disabled);
    setIcon(icon);
    if (!m_image.isNil())
        setIconSize(m_image.image().size());
}

void MouseMoveButton::mouseMoveEvent(QMouseEvent* event) {
    qCDebug(lcControls, "%s", "MouseMoveButton::mouseMoved");
    QPushButton::mouseMoveEvent(event);
}
