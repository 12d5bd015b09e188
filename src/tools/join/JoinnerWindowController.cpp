// Set-up and layout of the join window.
#include "tools/join/JoinnerWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NamedImage.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/Dispatch.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FormatBrowser.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RangeArea.h"
#include "tools/shared/ToolLayout.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/ToolStyle.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace {
constexpr int kWidth = 1000;
constexpr int kHeight = 640;
} // namespace

using toollayout::label;
using toollayout::make;

JoinnerWindowController::JoinnerWindowController(QWidget* parent) : ToolWindow(parent) {
    setWindowTitle(loc("Joinner_Title"));
    setFixedSize(kWidth, kHeight);
    toolstyle::paintBackground(this, toolstyle::kBrandBlue);
    buildLayout();
    buildFormatBrowser();
    fileListViewHidden(true);
    enableEdit(true);
    showSelectedClip();
}

JoinnerWindowController::~JoinnerWindowController() = default;

QString JoinnerWindowController::outputPath() const {
    return exportBar_->outputPath();
}

void JoinnerWindowController::buildLayout() {
    QPointer<JoinnerWindowController> self(this);
    auto queued = [self](void (JoinnerWindowController::*work)()) {
        return [self, work](ZylButton*) {
            dispatchMain([self, work] {
                if (self && !self->isClosing())
                    (self.data()->*work)();
            });
        };
    };

    // The clip list on the left.
    // The two content panels are light grey on the window's blue, like every tool window.
    auto* listPanel = make<QWidget>(this, 10, 60, 620, 570);
    toolstyle::paintBackground(listPanel, toolstyle::kLightGrey);
    addfileBtn = make<ZylButton>(listPanel, 10, 530, 120, 32);
    toolstyle::styleAddFileButton(addfileBtn, loc("AddFileBtnTitle"));
    addfileBtn->mouseDownAction = queued(&JoinnerWindowController::addFileAction);

    fileListTableView = make<JoinnerTableView>(listPanel, 10, 50, 600, 470);
    fileListTableView->setList(&fileList_);
    fileListTableView->selectionChanged = [this](int) { initPlayer(); };
    fileListTableView->defaultFormatChanged = [this] { defaultFormatChanged(); };
    contentNoFileView = label(listPanel, 10, 50, 600, 470, Qt::AlignCenter);
    contentNoFileView->setWordWrap(true);
    contentNoFileView->setText(loc("joinner_desc") + "\n\n1." + loc("joinner_desc1") + "\n2." +
                               loc("joinner_desc2") + "\n3." + loc("joinner_desc3") + "\n4." +
                               loc("joinner_desc4"));

    // The support mail, under the guide while the list is empty.
    emailIconView = make<ZylButton>(listPanel, 170, 80, 32, 24);
    emailIconView->setNormalImage(NamedImage("Join/imgEmail.png"));
    emailIconView->mouseDownAction = queued(&JoinnerWindowController::emailAction);
    email_addressLabel = label(listPanel, 208, 80, 300, 24);
    email_addressLabel->setText(loc("email_address"));

    removeBtn = make<QPushButton>(listPanel, 10, 10, 100, 30);
    removeBtn->setText(loc("RemoveBtnTitle"));
    clearBtn = make<QPushButton>(listPanel, 120, 10, 100, 30);
    clearBtn->setText(loc("ClearBtnTitle"));
    upBtn = make<QPushButton>(listPanel, 400, 10, 100, 30);
    upBtn->setText(loc("UpBtnTitle"));
    downBtn = make<QPushButton>(listPanel, 510, 10, 100, 30);
    downBtn->setText(loc("DownBtnTitle"));
    connect(removeBtn, &QPushButton::clicked, this, &JoinnerWindowController::removeAction);
    connect(clearBtn, &QPushButton::clicked, this, &JoinnerWindowController::clearAction);
    connect(upBtn, &QPushButton::clicked, this, [this] { moveAction(-1); });
    connect(downBtn, &QPushButton::clicked, this, [this] { moveAction(1); });

    // The preview of the selected clip with its strip, range and Reset / Apply to All.
    auto* right = make<QWidget>(this, 640, 60, 350, 570);
    toolstyle::paintBackground(right, toolstyle::kLightGrey);
    buildPlayerArea(right);
    rangearea::build(right, this, rangeParts(),
                     {120, 150, 150},
                     {[this](bool on) { trimModeChanged(on); },
                      [this](bool start) { return timeRowEdited(start); },
                      [this] { resetAction(); }, [this] { applyToAllAction(); }});

    // The output folder, progress and Start along the bottom.
    exportBar_ = new ExportBar(this, this,
                               {NSMakeRect(10, 14, 120, 32), NSMakeRect(135, 14, 230, 32), NSRect{},
                                NSMakeRect(375, 14, 90, 32), NSMakeRect(470, 25, 330, 10),
                                NSMakeRect(840, 8, 150, 44)},
                               "Joinnerfinishedstring");
    outputFolderBtn = exportBar_->folderChooser;
    joinnerProgressView = exportBar_->progressView;
    startJoinnerBtn = exportBar_->startButton;
    exportBar_->startRequested = [this] { return startJoin(); };
    exportBar_->editingEnabled = [this](bool on) { enableEdit(on); };
}

rangearea::Parts JoinnerWindowController::rangeParts() {
    return {selectTimeBtn, unSelectTimeBtn, startTimeRow, stopTimeRow,
            cutDurationValueLabel, resetCutterBtn, applytoallBtn};
}

void JoinnerWindowController::enableEdit(bool enabled) {
    fileListTableView->setEnabele(enabled);
    for (TimeCodeRow* row : {startTimeRow, stopTimeRow})
        row->setEditable(enabled && !fileList_.empty());
    for (QWidget* w : std::initializer_list<QWidget*>{removeBtn, clearBtn, upBtn, downBtn, resetCutterBtn, applytoallBtn,
                                                      selectTimeBtn, unSelectTimeBtn, playBtn, stopBtn,
                                                      startCutTimeBtn, stopCutTimeBtn, cutCoverBtn, cutcoverStyleBtn})
        w->setEnabled(enabled && !fileList_.empty());
    volumeSlider->setDisable(fileList_.empty());
    // Adding a file while a join runs would change the list under it.
    addfileBtn->setEnabled(enabled);
    cutProgressView->setDisable(!enabled || fileList_.empty());
    // A clip giving the output format locks the profile choice.
    bool sourceFormat = false;
    for (const auto& clip : fileList_)
        sourceFormat = sourceFormat || clip->defaultFormat;
    formatBrowser->setChoiceEnabled(enabled && !sourceFormat);
}

void JoinnerWindowController::windowWillClose() {
    fileListTableView->selectionChanged = nullptr;
    preview_->close();
}
