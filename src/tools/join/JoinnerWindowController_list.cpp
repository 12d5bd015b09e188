// Adding and removing the clips of the join window.
#include "tools/join/JoinnerWindowController.h"

#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/Log.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/MediaOpenPanel.h"
#include "tools/shared/SourceProbe.h"

#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

// Also while a join runs: added clips go after the running join's, which took its clips and
// its rows' shares when it started and keeps both.
void JoinnerWindowController::addFileAction() {
    QPointer<JoinnerWindowController> self(this);
    MediaOpenPanel::open(this, true, [self](const QStringList& paths) {
        if (self && !self->isClosing())
            self->addFiles(paths);
    });
}

int JoinnerWindowController::addFiles(const QStringList& paths) {
    QStringList refused;
    bool ac3 = false;
    int added = 0;
    for (const QString& path : paths) {
        SourceProbe::Result result = SourceProbe::probeClip(path, this);
        if (!result.data) {
            qCDebug(lcTools) << "join: refused" << path;
            // An AC-3 sound track has its own warning, which says all there is to say.
            if (result.refusal == SourceProbe::Refusal::Ac3Audio)
                ac3 = true;
            else if (result.refusal == SourceProbe::Refusal::NotMedia)
                refused << QFileInfo(path).fileName();
            continue;
        }
        result.data->selected = false;
        fileList_.push_back(std::move(result.data));
        ++added;
    }
    // One message names every refused file, after the last one has been read.
    if (!refused.isEmpty())
        showSimpleAlert(SourceProbe::unsupportedFilesText(refused));
    if (ac3)
        SourceProbe::showRefusal(this, SourceProbe::Refusal::Ac3Audio, {});
    if (added > 0)
        reload(int(fileList_.size()) - 1);
    return added;
}

void JoinnerWindowController::reload(int selected, bool keepPreview) {
    // An emptied list leaves no finished join's bar behind.
    if (fileList_.empty())
        joinnerProgressView->setProgress(0);
    // The same clip stays in the preview after a move: the re-selection is not reported.
    fileListTableView->setDisabelSelectBlock(keepPreview);
    fileListTableView->reloadData(selected);
    fileListViewHidden(fileList_.empty());
    enableEdit(!isJoining());
    showSelectedClip();
    // The rows are new: the running join's progress goes back into its own rows at once.
    if (isJoining())
        exportProgress(joinProgress_);
}

void JoinnerWindowController::removeAction() {
    const int i = fileListTableView->selectedIndex();
    if (isJoining() || i < 0 || i >= int(fileList_.size()))
        return;
    fileList_.erase(fileList_.begin() + i);
    // The list starts again from its first clip.
    reload(0);
}

void JoinnerWindowController::clearAction() {
    if (isJoining())
        return;
    fileList_.clear();
    reload(-1);
}
