// A picture view with press, release and drag callbacks: panels and markers of the tool
// windows. It draws a background colour and picture, then its picture (the pressed one
// while pressed) at its own size, centred. With a drag callback set, a drag moves the view
// along its parent so that its left edge follows the pointer.
#pragma once

#include "foundation/controls/NamedImage.h"
#include "platform/Geometry.h"

#include <QColor>
#include <QWidget>
#include <functional>

class QMouseEvent;

class ZylImageView : public QWidget {
    Q_OBJECT
public:
    using EventCallback = std::function<void(ZylImageView*, QMouseEvent*)>;
    using Callback = std::function<void(ZylImageView*)>;

    explicit ZylImageView(QWidget* parent = nullptr);
    ZylImageView(const NSRect& frame, QWidget* parent);
    ~ZylImageView() override;

    void setNormalImage(const NamedImage& i) { m_normalImage = i, update(); }
    const NamedImage& normalImage() const { return m_normalImage; }
    void setDownImage(const NamedImage& i) { m_downImage = i, update(); }
    const NamedImage& downImage() const { return m_downImage; }
    void setNormalBackGroundImage(const NamedImage& i) { m_normalBackGroundImage = i, update(); }
    const NamedImage& normalBackGroundImage() const { return m_normalBackGroundImage; }
    void setBackGroundColor(const QColor& c) { m_backGroundColor = c, update(); }
    QColor backGroundColor() const { return m_backGroundColor; }
    void setBordColor(const QColor& c) { m_bordColor = c, update(); }
    QColor bordColor() const { return m_bordColor; }
    void setCornerRadius(double r) { m_cornerRadius = r, update(); }
    double cornerRadius() const { return m_cornerRadius; }
    void setBorderWidth(double w) { m_borderWidth = w, update(); }
    double borderWidth() const { return m_borderWidth; }
    // A value the owner carries on the view (a marker's position 0..1, for instance).
    void setValue(float v) { m_value = v; }
    float value() const { return m_value; }
    void setIndex(int i) { m_index = i; }
    int index() const { return m_index; }

    EventCallback MouseDownBlock;
    EventCallback MouseUpBlock;
    Callback MouseDraggedBlock;

    bool isDown() const { return m_isDown; }
    // The foreground picture the view draws now (nil when none).
    const NamedImage& currentImage() const;
    QString currentImageName() const { return currentImage().name(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    NamedImage m_normalImage, m_downImage, m_normalBackGroundImage;
    QColor m_backGroundColor, m_bordColor;
    double m_cornerRadius = 0, m_borderWidth = 0;
    float m_value = 0;
    int m_index = 0;
    bool m_isDown = false;
};
