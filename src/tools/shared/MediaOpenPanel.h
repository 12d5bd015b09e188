// The open panel of the tool windows: it offers the media extensions every tool accepts
// (other files may still be chosen), runs window-modal, and hands the chosen paths to a
// callback; a cancelled panel calls nothing.
#pragma once

#include <QStringList>
#include <functional>

class QWidget;

class MediaOpenPanel {
public:
    // The 39 extensions offered, in order.
    static const QStringList& acceptedMediaTypes();
    static void open(QWidget* window, bool multiple, std::function<void(const QStringList& paths)> chosen);
};
