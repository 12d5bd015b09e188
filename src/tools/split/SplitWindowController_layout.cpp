// The window's layout: every outlet made in code at its frame (points, bottom-left origin).
#include "tools/split/SplitWindowController.h"

#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "platform/Geometry.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/ToolLayout.h"
#include "tools/split/SplitProgressView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

using toollayout::label;
using toollayout::make;

void SplitWindowController::buildLayout() {
    QWidget* w = this;
    contentBackGroundView = make<ZylImageView>(w, 10, 60, 860, 490);
    contentLeftView = make<ZylImageView>(w, 16, 66, 670, 478);
    contentRightView = make<ZylImageView>(w, 692, 66, 172, 478);

    // Source, player and its controls.
    addfileBtn = make<ZylButton>(w, 22, 512, 130, 28);
    scrLabel = label(w, 160, 516, 520, 20);
    scrLabel->setStyleSheet("color: #333;");
    playerView = make<ZylImageView>(w, 22, 170, 658, 336);
    nofileBackView = make<ZylImageView>(w, 22, 170, 658, 336);
    gettingstartedLabel = label(nofileBackView, 40, 270, 580, 40);
    {
        QFont f = gettingstartedLabel->font();
        f.setPointSize(20);
        f.setBold(true);
        gettingstartedLabel->setFont(f);
    }
    for (int i = 0; i < 4; ++i) {
        descLabels[i] = label(nofileBackView, 40, 210 - i * 46, 580, 44);
        descLabels[i]->setWordWrap(true);
    }
    playerSlider = make<SplitProgressView>(w, 22, 122, 658, 42);
    playBtn = make<ZylButton>(w, 22, 80, 32, 32);
    pauseBtn = make<ZylButton>(w, 58, 80, 32, 32);
    playerCurrentTimeLabel = label(w, 96, 86, 90, 20);
    splitItemBtn = make<ZylButton>(w, 200, 80, 32, 32);
    leftMoveBtn = make<ZylButton>(w, 238, 80, 32, 32);
    rightMoveBtn = make<ZylButton>(w, 276, 80, 32, 32);
    deletedItemBtn = make<ZylButton>(w, 314, 80, 32, 32);
    splitTimeLabel = label(w, 360, 86, 90, 20, Qt::AlignRight);
    totalTimeLabel = label(w, 452, 86, 104, 20);
    volumeBtn = make<ZylButton>(w, 560, 82, 28, 28);
    volumeSlider = make<LxProgressSlider>(w, 592, 88, 88, 18);

    // Modes, presets and the Split button.
    split_timeBtn = make<QRadioButton>(w, 700, 500, 160, 22);
    split_timepopBtn = make<QComboBox>(w, 706, 470, 152, 25);
    split_sizeBtn = make<QRadioButton>(w, 700, 421, 160, 22);
    split_sizepopBtn = make<QComboBox>(w, 706, 391, 152, 25);
    split_averageBtn = make<QRadioButton>(w, 700, 352, 160, 22);
    averageTextField = make<QLineEdit>(w, 706, 322, 120, 25);
    averagestepper = make<QSpinBox>(w, 830, 322, 28, 25);
    split_manuallyBtn = make<QRadioButton>(w, 700, 283, 160, 22);
    splitBtn = make<ZylButton>(w, 706, 232, 152, 36);

    // Source information.
    sourceInformationLabel = label(w, 700, 190, 160, 20);
    resolutionLabel = label(w, 700, 166, 80, 20);
    resolutionValueLabel = label(w, 780, 166, 84, 20);
    resoucefilesizeLabel = label(w, 700, 144, 80, 20);
    resoucefilesizeValueLabel = label(w, 780, 144, 84, 20);
    resouceTotaltimeLabel = label(w, 700, 122, 80, 20);
    resouceTotaltimeValueLabel = label(w, 780, 122, 84, 20);

    // Output and export.
    exportBar_ = new ExportBar(this, w,
                               {NSMakeRect(16, 16, 68, 24), NSMakeRect(85, 8, 223, 32), NSMakeRect(312, 10, 30, 28),
                                NSMakeRect(356, 16, 80, 24), NSMakeRect(436, 22, 270, 12),
                                NSMakeRect(722, 6, 146, 44)},
                               "Splitfinishedstring");
    outputLabel = exportBar_->outputLabel;
    outputPopBtn = exportBar_->folderChooser;
    openOutputBtn = exportBar_->revealButton;
    exportProgresslabel = exportBar_->progressLabel;
    exportProgressView = exportBar_->progressView;
    startExportBtn = exportBar_->startButton;
}
