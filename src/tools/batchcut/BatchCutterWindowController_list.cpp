// Adding and removing the files of the batch cut window.
#include "tools/batchcut/BatchCutterWindowController.h"

#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/Log.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/MediaOpenPanel.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RangeRules.h"
#include "tools/shared/SourceProbe.h"

#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

void BatchCutterWindowController::addFileAction() {
    QPointer<BatchCutterWindowController> self(this);
    MediaOpenPanel::open(this, true, [self](const QStringList& paths) {
        if (self && !self->isClosing())
            self->addFiles(paths);
    });
}

int BatchCutterWindowController::addFiles(const QStringList& paths) {
    QStringList refused;
    bool ac3 = false;
    int added = 0;
    for (const QString& path : paths) {
        SourceProbe::Result result = SourceProbe::probeClip(path, this);
        if (!result.data) {
            qCDebug(lcTools) << "batch: refused" << path;
            // An AC-3 sound track has its own warning, which says all there is to say.
            if (result.refusal == SourceProbe::Refusal::Ac3Audio)
                ac3 = true;
            else if (result.refusal == SourceProbe::Refusal::NotMedia)
                refused << QFileInfo(path).fileName();
            continue;
        }
        // A new file is kept whole until the user sets its range.
        result.data->cutTimeRange_start = 0;
        result.data->cutTimeRange_stop = RangeRules::durationUs(*result.data);
        result.data->isTrimFanxuan = false;
        result.data->selected = false;
        fileList_.push_back(std::move(result.data));
        ++added;
    }
    if (!refused.isEmpty())
        showSimpleAlert(SourceProbe::unsupportedFilesText(refused));
    if (ac3)
        SourceProbe::showRefusal(this, SourceProbe::Refusal::Ac3Audio, {});
    if (added > 0) {
        // During a run the row being cut stays selected and its preview stays as it is.
        if (isCutting())
            reload(jobChain().currentIndex(), true);
        else
            reload(int(fileList_.size()) - added);
    }
    return added;
}

void BatchCutterWindowController::reload(int selected, bool keepPreview) {
    fileListTableView->setDisabelSelectBlock(keepPreview);
    fileListTableView->reloadData(selected);
    if (isCutting()) {
        // The rows are new: the file being cut shows its export bar again.
        fileListTableView->showProgress(jobChain().currentIndex());
    }
    fileListTableView->setDisabelSelectBlock(false);
    fileListViewHidden(fileList_.empty());
    enableEdit(!isCutting());
    if (keepPreview)
        showSelectedClip();
}

void BatchCutterWindowController::removeAction() {
    const int i = fileListTableView->selectedIndex();
    if (isCutting() || i < 0 || i >= int(fileList_.size()))
        return;
    fileList_.erase(fileList_.begin() + i);
    if (fileList_.empty()) {
        clearAction();
        return;
    }
    reload(0);
}

void BatchCutterWindowController::clearAction() {
    if (isCutting())
        return;
    fileList_.clear();
    reload(-1);
    // No row is left to preview.
    preview_->close();
    showSelectedClip();
}
