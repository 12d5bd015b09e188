// Set-up and layout of the batch cut window, editing on and off around a run, and closing.
#include "tools/batchcut/BatchCutterWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NamedImage.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/Dispatch.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RangeArea.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/ToolLayout.h"
#include "tools/shared/ToolStyle.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kWidth = 1000;
constexpr int kHeight = 640;
} // namespace

using toollayout::label;
using toollayout::make;

BatchCutterWindowController::BatchCutterWindowController(QWidget* parent) : ToolWindow(parent) {
    setWindowTitle(loc("BatchCut_Title"));
    setFixedSize(kWidth, kHeight);
    toolstyle::paintBackground(this, toolstyle::kBrandBlue);
    buildListPanel();
    buildRightPanel();
    // The output folder, progress and Start along the bottom; every output keeps its
    // source's format, so there is no format choice.
    exportBar_ = new ExportBar(this, this,
                               {NSMakeRect(10, 14, 120, 32), NSMakeRect(135, 14, 230, 32), NSMakeRect(370, 18, 24, 24),
                                NSMakeRect(400, 14, 90, 32), NSMakeRect(495, 25, 320, 10),
                                NSMakeRect(840, 8, 150, 44)},
                               "Cutterfinishedstring");
    outputFolderBtn = exportBar_->folderChooser;
    joinnerProgressView = exportBar_->progressView;
    startJoinnerBtn = exportBar_->startButton;
    exportBar_->startRequested = [this] { return startRun(); };
    exportBar_->editingEnabled = [this](bool on) { enableEdit(on); };
    fileListViewHidden(true);
    enableEdit(true);
    showSelectedClip();
}

BatchCutterWindowController::~BatchCutterWindowController() = default;

QString BatchCutterWindowController::outputPath() const {
    return exportBar_->outputPath();
}

int64_t BatchCutterWindowController::durationUs(const SimpleData& clip) {
    return std::llround(clip.sourceDuration() * 1e6);
}

std::pair<int64_t, int64_t> BatchCutterWindowController::rangeOf(const SimpleData& clip) {
    const int64_t d = durationUs(clip);
    if (!clip.hasCutRange())
        return {0, d};
    const int64_t stop = std::clamp<int64_t>(clip.cutTimeRange_stop, 0, d);
    const int64_t start = std::clamp<int64_t>(clip.cutTimeRange_start, 0, stop);
    return {start, stop};
}

void BatchCutterWindowController::buildListPanel() {
    QPointer<BatchCutterWindowController> self(this);
    auto queued = [self](void (BatchCutterWindowController::*work)()) {
        return [self, work](ZylButton*) {
            dispatchMain([self, work] {
                if (self && !self->isClosing())
                    (self.data()->*work)();
            });
        };
    };
    auto* panel = make<QWidget>(this, 10, 60, 620, 570);
    toolstyle::paintBackground(panel, toolstyle::kLightGrey);
    addfileBtn = make<ZylButton>(panel, 10, 530, 120, 32);
    toolstyle::styleAddFileButton(addfileBtn, loc("AddFileBtnTitle"));
    addfileBtn->mouseDownAction = queued(&BatchCutterWindowController::addFileAction);

    fileListTableView = make<JoinnerTableView>(panel, 10, 50, 600, 470);
    fileListTableView->setList(&fileList_);
    // The batch list has no output-format box and no transitions.
    fileListTableView->setJoinControlsShown(false);
    fileListTableView->selectionChanged = [this](int) { initPlayer(); };

    contentNoFileView = label(panel, 10, 110, 600, 410, Qt::AlignCenter);
    contentNoFileView->setWordWrap(true);
    contentNoFileView->setText(loc("batch_desc") + "\n\n1." + loc("batch_desc1") + "\n2." + loc("batch_desc2") +
                               "\n3." + loc("batch_desc3"));
    emailIconView = make<ZylButton>(panel, 170, 80, 32, 24);
    emailIconView->setNormalImage(NamedImage("Join/imgEmail.png"));
    emailIconView->mouseDownAction = queued(&BatchCutterWindowController::emailAction);
    email_addressLabel = label(panel, 208, 80, 300, 24);
    email_addressLabel->setText(loc("email_address"));

    removeBtn = make<QPushButton>(panel, 10, 10, 100, 30);
    removeBtn->setText(loc("RemoveBtnTitle"));
    clearBtn = make<QPushButton>(panel, 120, 10, 100, 30);
    clearBtn->setText(loc("ClearBtnTitle"));
    upBtn = make<QPushButton>(panel, 400, 10, 100, 30);
    upBtn->setText(loc("UpBtnTitle"));
    downBtn = make<QPushButton>(panel, 510, 10, 100, 30);
    downBtn->setText(loc("DownBtnTitle"));
    connect(removeBtn, &QPushButton::clicked, this, &BatchCutterWindowController::removeAction);
    connect(clearBtn, &QPushButton::clicked, this, &BatchCutterWindowController::clearAction);
    connect(upBtn, &QPushButton::clicked, this, [this] { moveAction(-1); });
    connect(downBtn, &QPushButton::clicked, this, [this] { moveAction(1); });
}

void BatchCutterWindowController::buildRightPanel() {
    auto* right = make<QWidget>(this, 640, 60, 350, 570);
    toolstyle::paintBackground(right, toolstyle::kLightGrey);
    buildPlayerArea(right);
    buildRangeArea(right);
}

void BatchCutterWindowController::buildRangeArea(QWidget* right) {
    rangearea::build(right, this, rangeParts(),
                     {125, 155, 160},
                     {[this](bool on) { trimModeChanged(on); },
                      [this](bool start) { return timeRowEdited(start); },
                      [this] { resetCutterItemAction(); }, [this] { applytoallItemAction(); }});
}

rangearea::Parts BatchCutterWindowController::rangeParts() {
    return {selectTimeBtn, unSelectTimeBtn, startTimeRow, stopTimeRow,
            cutDurationValueLabel, resetCutterBtn, applytoallBtn};
}

void BatchCutterWindowController::enableEdit(bool enabled) {
    // While a run goes on every range and the order stay as they are; only adding files
    // (which the run then also cuts) stays open.
    const bool edit = enabled && !isCutting() && !fileList_.empty();
    fileListTableView->setEnabele(enabled && !isCutting());
    for (TimeCodeRow* row : {startTimeRow, stopTimeRow})
        row->setEditable(edit);
    for (QWidget* w : std::initializer_list<QWidget*>{removeBtn, clearBtn, upBtn, downBtn, resetCutterBtn,
                                                      applytoallBtn, selectTimeBtn, unSelectTimeBtn, playBtn, stopBtn,
                                                      startCutTimeBtn, stopCutTimeBtn, cutCoverBtn, cutcoverStyleBtn})
        w->setEnabled(edit);
    volumeSlider->setDisable(fileList_.empty());
    cutProgressView->setDisable(!edit);
}

void BatchCutterWindowController::windowWillClose() {
    fileListTableView->selectionChanged = nullptr;
    preview_->close();
}
