// Insets for a title drawn without a picture (ZylButton reads `left` and `right`).
#pragma once

class ZylPosition {
public:
    ZylPosition() = default;
    ZylPosition(double top, double left, double bottom, double right);

    double top() const { return m_top; }
    double left() const { return m_left; }
    double bottom() const { return m_bottom; }
    double right() const { return m_right; }
    void setTop(double v) { m_top = v; }
    void setLeft(double v) { m_left = v; }
    void setBottom(double v) { m_bottom = v; }
    void setRight(double v) { m_right = v; }

private:
    double m_top = 0, m_left = 0, m_bottom = 0, m_right = 0;
};
