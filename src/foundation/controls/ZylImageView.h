// A picture view with press, release and drag callbacks: panels and markers of the tool
// windows. It draws a background colour and picture, then its picture (the pressed one
// while pressed) at its own size, centred. With a drag callback set, a drag moves the view
// along its parent so that its left edge follows the pointer.
#pragma once

#include "foundation/controls/ZylView.h"

#include <functional>

class QMouseEvent;

class ZylImageView : public ZylView {
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
    // The background picture (the panel's).
    void setNormalBackGroundImage(const NamedImage& i) { setBackGroundImage(i); }
    const NamedImage& normalBackGroundImage() const { return backGroundImage(); }
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
    void drawContent(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    NamedImage m_normalImage, m_downImage;
    float m_value = 0;
    int m_index = 0;
    bool m_isDown = false;
};
