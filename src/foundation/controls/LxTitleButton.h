// The title part of a tab button: draws a styled title centred in itself and hands its
// presses and releases to its delegate, whatever its state, doing nothing else with them.
#pragma once

#include "foundation/controls/LxTitleButtonDelegate.h"
#include "foundation/controls/WeakDelegate.h"
#include "foundation/helpers/AttributedString.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <optional>

class LxTitleButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit LxTitleButton(QWidget* parent = nullptr);
    ~LxTitleButton() override;

    void setBackgroundColor(const QColor& c) { m_backgroundColor = c, update(); }
    QColor backgroundColor() const { return m_backgroundColor; }
    void setTitleFont(const std::optional<QFont>& f) { m_titleFont = f, update(); }
    const std::optional<QFont>& titleFont() const { return m_titleFont; }
    void setTitleColor(const QColor& c) { m_titleColor = c, update(); }
    QColor titleColor() const { return m_titleColor; }
    // Kept as given and drawn centred.
    void setAttributedStringTitle(const AttributedString& title);
    const AttributedString& attributedStringTitle() const { return m_attributedStringTitle; }

    LxTitleButtonDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(LxTitleButtonDelegate* d) { m_delegate.reset(d); }

    // Draws a styled text centred in `rect` (shared with the other hand-drawn titles).
    static void drawAttributedString(QPainter& painter, const QRectF& rect, const AttributedString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor m_backgroundColor;
    std::optional<QFont> m_titleFont;
    QColor m_titleColor;
    AttributedString m_attributedStringTitle;
    WeakDelegate<LxTitleButtonDelegate> m_delegate;
};
