// Set-up of the batch cut window and its editing on and off around a run.
#include "tools/batchcut/BatchCutterWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/ToolLayout.h"
#include "tools/shared/ToolStyle.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {
constexpr int kWidth = 1000;
constexpr int kHeight = 640;
} // namespace

BatchCutterWindowController::BatchCutterWindowController(QWidget* parent) : ClipListWindow(parent, "batch:") {
    setWindowTitle(loc("BatchCut_Title"));
    setFixedSize(kWidth, kHeight);
    toolstyle::paintBackground(this, toolstyle::kBrandBlue);
    buildListPanel(loc("batch_desc") + "\n\n1." + loc("batch_desc1") + "\n2." + loc("batch_desc2") + "\n3." +
                       loc("batch_desc3"),
                   QRect(10, 110, 600, 410));
    // The batch list has no output-format box and no transitions.
    fileListTableView->setJoinControlsShown(false);
    buildRightPanel({125, 155, 160});
    // The output folder, progress and Start along the bottom; every output keeps its
    // source's format, so there is no format choice.
    buildExportBar({NSMakeRect(10, 14, 120, 32), NSMakeRect(135, 14, 230, 32), NSMakeRect(370, 18, 24, 24),
                    NSMakeRect(400, 14, 90, 32), NSMakeRect(495, 25, 320, 10), NSMakeRect(840, 8, 150, 44)},
                   "Cutterfinishedstring", [this] { return startRun(); });
    fileListViewHidden(true);
    enableEdit(true);
    showSelectedClip();
}

BatchCutterWindowController::~BatchCutterWindowController() = default;

void BatchCutterWindowController::enableEdit(bool enabled) {
    // While a run goes on every range and the order stay as they are; only adding files
    // (which the run then also cuts) stays open.
    const bool edit = enabled && !isCutting() && !fileList_.empty();
    fileListTableView->setEnabele(enabled && !isCutting());
    for (TimeCodeRow* row : {startTimeRow, stopTimeRow})
        row->setEditable(edit);
    for (QWidget* w :
         std::initializer_list<QWidget*>{removeBtn, clearBtn, upBtn, downBtn, resetCutterBtn, applytoallBtn,
                                         selectTimeBtn, unSelectTimeBtn, playBtn, stopBtn, startCutTimeBtn,
                                         stopCutTimeBtn, cutCoverBtn, cutcoverStyleBtn})
        w->setEnabled(edit);
    volumeSlider->setDisable(fileList_.empty());
    cutProgressView->setDisable(!edit);
}
