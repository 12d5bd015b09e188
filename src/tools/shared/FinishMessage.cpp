#include "tools/shared/FinishMessage.h"

#include "foundation/controls/ZylOpenAlert.h"
#include "platform/Workspace.h"

#include <QWidget>

void FinishMessage::show(QWidget* window, const QString& infoKey, const QString& folder) {
    // The message deletes itself after OK; the window keeps no reference.
    auto* alert = new ZylOpenAlert(window);
    alert->setWindowTitle(window ? window->window()->windowTitle() : QString());
    alert->setInfomation(infoKey);
    alert->setSelectedOkBlock([folder](bool openFolder) {
        if (openFolder && !folder.isEmpty())
            Workspace::revealInFileManager(folder);
    });
    alert->placeOverCaller();
    alert->open();
}
