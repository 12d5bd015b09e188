// A plain panel: fill colour, background picture, rounded corners and a border. Views
// built on it draw their own content between the background and the border.
#pragma once

#include "foundation/controls/NamedImage.h"
#include "platform/Geometry.h"

#include <QColor>
#include <QWidget>

class QPainter;

class ZylView : public QWidget {
    Q_OBJECT
public:
    explicit ZylView(QWidget* parent = nullptr);
    ZylView(const NSRect& frame, QWidget* parent);
    ~ZylView() override;

    void setBackGroundImage(const NamedImage& i) { m_backGroundImage = i, update(); }
    const NamedImage& backGroundImage() const { return m_backGroundImage; }
    void setBackGroundColor(const QColor& c) { m_backGroundColor = c, update(); }
    QColor backGroundColor() const { return m_backGroundColor; }
    void setBordColor(const QColor& c) { m_bordColor = c, update(); }
    QColor bordColor() const { return m_bordColor; }
    void setCornerRadius(double r) { m_cornerRadius = r, update(); }
    double cornerRadius() const { return m_cornerRadius; }
    void setBorderWidth(double w) { m_borderWidth = w, update(); }
    double borderWidth() const { return m_borderWidth; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // What the view draws over its background (nothing for a plain panel).
    virtual void drawContent(QPainter& painter);

private:
    NamedImage m_backGroundImage;
    QColor m_backGroundColor, m_bordColor;
    double m_cornerRadius = 0, m_borderWidth = 0;
};
