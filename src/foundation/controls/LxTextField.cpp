#include "foundation/controls/LxTextField.h"

#include "platform/Log.h"

#include <QMouseEvent>

LxTextField::LxTextField(QWidget* parent) : QLineEdit(parent) {
    setEnabled(false);
    // Clicks choose the field for the steppers; they do not take the keyboard.
    setFocusPolicy(Qt::TabFocus);
}

LxTextField::LxTextField(const NSRect& frame, QWidget* parent) : LxTextField(parent) {
    geometry::setFrame(this, frame);
}

LxTextField::~LxTextField() {
    qCDebug(lcControls, "%s", "LxTextField::~LxTextField");
}

void LxTextField::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (auto* d = mouseDelegate())
        d->actionMouseDownForTextFieldBlock(this);
}

// A double click is two clicks for the delegate, never a word selection.
void LxTextField::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void LxTextField::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void LxTextField::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}
