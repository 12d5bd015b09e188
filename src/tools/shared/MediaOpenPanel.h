// The open panel of the tool windows: it shows the media files every tool accepts first and
// offers every file as a second choice (a file of another type is taken when the engine can
// probe it), runs window-modal, and hands the chosen paths to a callback; a cancelled panel
// calls nothing. A tool that works on one file asks for one file only, so that no choice is
// dropped unseen.
#pragma once

#include "platform/Panels.h"

#include <QStringList>
#include <functional>

class QWidget;

class MediaOpenPanel {
public:
    // The 39 extensions offered, in order.
    static const QStringList& acceptedMediaTypes();
    // What the panel's first filter shows: the 39, then the types the program writes itself.
    static const QStringList& offeredTypes();
    // The ten sound types the music tool's panel offers, in order.
    static const QStringList& soundTypes();
    // The open panel offering `types` first (the media types unless told), every file second.
    static void open(QWidget* window, bool multiple, std::function<void(const QStringList& paths)> chosen,
                     const QStringList& types = offeredTypes());
    // A window-modal open panel with `options` and the program's own Open and Cancel buttons;
    // `chosen` is called only when files were chosen.
    static void openFiles(QWidget* window, const Panels::OpenOptions& options,
                          std::function<void(const QStringList& paths)> chosen);
};
