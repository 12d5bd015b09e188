// Set-up and layout of the join window.
#include "tools/join/JoinnerWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/NamedImage.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/Dispatch.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/FormatBrowser.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RangeArea.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/ToolLayout.h"
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

JoinnerWindowController::JoinnerWindowController(QWidget* parent) : ClipListWindow(parent, "join:") {
    setWindowTitle(loc("Joinner_Title"));
    setFixedSize(kWidth, kHeight);
    toolstyle::paintBackground(this, toolstyle::kBrandBlue);
    buildListPanel(loc("joinner_desc") + "\n\n1." + loc("joinner_desc1") + "\n2." + loc("joinner_desc2") +
                       "\n3." + loc("joinner_desc3") + "\n4." + loc("joinner_desc4"),
                   QRect(10, 50, 600, 470));
    fileListTableView->defaultFormatChanged = [this] { defaultFormatChanged(); };
    // The preview of the selected clip with its strip, range and Reset / Apply to All.
    buildRightPanel({120, 150, 150});
    // The output folder, progress and Start along the bottom.
    buildExportBar({NSMakeRect(10, 14, 120, 32), NSMakeRect(135, 14, 230, 32), NSMakeRect(370, 18, 24, 24),
                    NSMakeRect(400, 14, 90, 32), NSMakeRect(495, 25, 320, 10), NSMakeRect(840, 8, 150, 44)},
                   "Joinnerfinishedstring", [this] { return startJoin(); });
    buildFormatBrowser();
    fileListViewHidden(true);
    enableEdit(true);
    showSelectedClip();
}

JoinnerWindowController::~JoinnerWindowController() = default;

void JoinnerWindowController::enableEdit(bool enabled) {
    fileListTableView->setEnabele(enabled);
    for (TimeCodeRow* row : {startTimeRow, stopTimeRow})
        row->setEditable(enabled && !fileList_.empty());
    for (QWidget* w : std::initializer_list<QWidget*>{removeBtn, clearBtn, upBtn, downBtn, resetCutterBtn,
                                                      applytoallBtn, playBtn, stopBtn, startCutTimeBtn,
                                                      stopCutTimeBtn, cutCoverBtn, cutcoverStyleBtn})
        w->setEnabled(enabled && !fileList_.empty());
    // The running join was given every clip's range, mode and volume when it started: the
    // volume and the keep/remove choice stay usable and count from the next join on.
    volumeSlider->setDisable(fileList_.empty());
    for (QWidget* w : std::initializer_list<QWidget*>{selectTimeBtn, unSelectTimeBtn})
        w->setEnabled(!fileList_.empty());
    // Files can be added while a join runs: the join took its clips when it started, so they
    // wait for the next one.
    addfileBtn->setEnabled(true);
    cutProgressView->setDisable(!enabled || fileList_.empty());
    // A clip giving the output format locks the profile choice.
    bool sourceFormat = false;
    for (const auto& clip : fileList_)
        sourceFormat = sourceFormat || clip->defaultFormat;
    formatBrowser->setChoiceEnabled(enabled && !sourceFormat);
}
