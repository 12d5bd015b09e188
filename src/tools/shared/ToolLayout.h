// Small builders for tool-window layouts made in code: a widget or a label at its frame
// (points, bottom-left origin, within its parent as laid out at the time).
#pragma once

#include "platform/Geometry.h"

#include <QLabel>
#include <QWidget>

namespace toollayout {

template <typename W> W* make(QWidget* parent, double x, double y, double w, double h) {
    auto* widget = new W(parent);
    geometry::setFrame(widget, NSMakeRect(x, y, w, h));
    return widget;
}

inline QLabel* label(QWidget* parent, double x, double y, double w, double h,
                     Qt::Alignment align = Qt::AlignLeft) {
    auto* l = make<QLabel>(parent, x, y, w, h);
    l->setAlignment(align | Qt::AlignVCenter);
    return l;
}

} // namespace toollayout
