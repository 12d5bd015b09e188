// The time-code field of the tool windows. It starts disabled; once its owner enables it,
// a click only tells the mouse delegate (which picks the field the steppers drive) and does
// not start editing: typing reaches the field through keyboard focus (Tab).
#pragma once

#include "foundation/controls/LxTextFieldDelegate.h"
#include "foundation/controls/WeakDelegate.h"
#include "platform/Geometry.h"

#include <QLineEdit>

class LxTextField : public QLineEdit {
    Q_OBJECT
public:
    explicit LxTextField(QWidget* parent = nullptr);
    LxTextField(const NSRect& frame, QWidget* parent);
    ~LxTextField() override;

    LxTextFieldDelegate* mouseDelegate() const { return m_mouseDelegate.get(); }
    void setMouseDelegate(LxTextFieldDelegate* d) { m_mouseDelegate.reset(d); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    WeakDelegate<LxTextFieldDelegate> m_mouseDelegate;
};
