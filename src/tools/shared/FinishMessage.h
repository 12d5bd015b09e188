// The finished message of every tool window: a ZylOpenAlert over the window with the
// window's title, the tool's information key and the open-folder box; OK with the box on
// reveals the output folder.
#pragma once

#include <QString>

class QWidget;

class FinishMessage {
public:
    static void show(QWidget* window, const QString& infoKey, const QString& folder);
};
