// A styled text for button titles: what a title is drawn with, kept apart from the text.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>

struct AttributedString {
    QString text;
    QColor color = Qt::black;
    QFont font;
    Qt::Alignment alignment = Qt::AlignCenter;
    bool hasShadow = false; // drawn with a shadow
    double shadowBlur = 0;  // blur radius in points
    QColor shadowColor;
    QPointF shadowOffset;       // points, y upward
    bool hasAttributes = false; // false for the empty title, which carries no style

    bool isEmpty() const { return text.isEmpty(); }
};
