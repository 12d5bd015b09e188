// Choosing, probing and loading the one source file.
#include "tools/easycut/EasyCutterWindowcontroller.h"

#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "tools/shared/MediaOpenPanel.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/SourceProbe.h"

#include <QLabel>

void EasyCutterWindowcontroller::addFileAction() {
    if (jobChain().isBusy())
        return;
    QPointer<EasyCutterWindowcontroller> self(this);
    MediaOpenPanel::open(this, true, [self](const QStringList& paths) {
        // Only the first chosen file is loaded.
        if (self && !self->isClosing() && !paths.isEmpty())
            self->loadSourceFile(paths.first());
    });
}

void EasyCutterWindowcontroller::closeCurrentPlayer() {
    preview_->close();
}

bool EasyCutterWindowcontroller::loadSourceFile(const QString& path) {
    // The export reads its source and segments at its start; a load during it would change
    // what the user sees under a running chain.
    if (jobChain().isBusy())
        return false;
    auto data = SourceProbe::probeOrRefuse(this, path);
    // A refused file leaves the earlier file, its player and its segments in place.
    if (!data)
        return false;
    fileData_ = std::move(data);
    // The new file starts paused, whatever the old one was doing.
    stopPreview();
    playOrpauseBtn->setEnabled(true);
    playOrpauseSelectBtn->setEnabled(true);
    closeCurrentPlayer();
    cutItems_.clear();
    selectedCutIndex_ = 0;
    itemModifyBtn->setSelected(false);
    refresFileListView();
    initPlayer();
    scrLabel->setText(path);
    enableEditItemShow(true);
    // A loaded file starts with the transport keys, not with a time field, in hand.
    setFocus(Qt::OtherFocusReason);
    return true;
}
