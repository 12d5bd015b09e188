// The label of a text watermark: draws its text into its bounds with its own font and
// colour, and nothing else (no background, border or alignment). toImage() renders the
// same drawing on a transparent picture, for the preview and the export.
#pragma once

#include "platform/Geometry.h"

#include <QColor>
#include <QImage>
#include <QWidget>

class FwTextFiledCenter : public QWidget {
    Q_OBJECT
public:
    explicit FwTextFiledCenter(QWidget* parent = nullptr);
    FwTextFiledCenter(const NSRect& frame, QWidget* parent);
    ~FwTextFiledCenter() override;

    void setStringValue(const QString& text) { m_stringValue = text, update(); }
    QString stringValue() const { return m_stringValue; }
    void setTextColor(const QColor& c) { m_textColor = c, update(); }
    QColor textColor() const { return m_textColor; }
    // Stored for the owner; the drawing does not use it.
    void setOringeY(double y) { m_oringeY = y; }
    double oringeY() const { return m_oringeY; }

    // The label's drawing at its size, on a transparent ARGB32 premultiplied picture.
    QImage toImage() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void draw(QPainter& painter) const;

    QString m_stringValue;
    QColor m_textColor = Qt::black;
    double m_oringeY = 0;
};
