// The desktop around the program: open an address in the browser or mail program, show a
// folder in the file manager.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class Workspace {
public:
    // Opens a URL with the desktop's handler; false when none took it or the URL is invalid.
    static bool openURL(const QUrl& url);
    // Shows a folder in the file manager; for a file, its folder. False when the path does
    // not exist or nothing could open it.
    static bool revealInFileManager(const QString& path);

    // Replaces the desktop for tests: the handler receives every URL that would be opened
    // and returns the result. An empty handler restores the desktop.
    static void setOpenHandlerForTesting(std::function<bool(const QUrl&)> handler);
};
