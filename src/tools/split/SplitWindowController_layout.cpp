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
    split_timeBtn = make<QRadioButton>(w, 696, 500, 168, 22);
    split_timepopBtn = make<QComboBox>(w, 702, 470, 160, 25);
    split_sizeBtn = make<QRadioButton>(w, 696, 421, 168, 22);
    split_sizepopBtn = make<QComboBox>(w, 702, 391, 160, 25);
    split_averageBtn = make<QRadioButton>(w, 696, 352, 168, 22);
    averageTextField = make<QLineEdit>(w, 706, 322, 120, 25);
    averagestepper = make<QSpinBox>(w, 830, 322, 28, 25);
    // The stepper only steps the number that the field beside it shows: it shows its arrows,
    // not a second, narrower copy of the number, and leaves typing to the field.
    if (auto* copy = averagestepper->findChild<QLineEdit*>())
        copy->setVisible(false);
    averagestepper->setFocusPolicy(Qt::NoFocus);
    averagestepper->setFrame(false);
    averagestepper->setAttribute(Qt::WA_NoSystemBackground);
    averagestepper->setStyleSheet(QStringLiteral("QSpinBox { background: transparent; }"));
    split_manuallyBtn = make<QRadioButton>(w, 696, 283, 168, 22);
    splitBtn = make<ZylButton>(w, 706, 232, 152, 36);

    // Source information.
    // Source information: each caption on its own line with its value under it, so that
    // neither runs into the other in any language.
    sourceInformationLabel = label(w, 700, 196, 160, 20);
    resolutionLabel = label(w, 700, 176, 160, 18);
    resolutionValueLabel = label(w, 712, 158, 148, 18);
    resoucefilesizeLabel = label(w, 700, 138, 160, 18);
    resoucefilesizeValueLabel = label(w, 712, 120, 148, 18);
    resouceTotaltimeLabel = label(w, 700, 100, 160, 18);
    resouceTotaltimeValueLabel = label(w, 712, 82, 148, 18);

    // Output and export.
    exportBar_ = new ExportBar(this, w,
                               {NSMakeRect(16, 16, 68, 24), NSMakeRect(85, 8, 223, 32),
                                NSMakeRect(312, 10, 30, 28), NSMakeRect(356, 16, 80, 24),
                                NSMakeRect(436, 22, 270, 12), NSMakeRect(722, 6, 146, 44)},
                               "Splitfinishedstring");
    outputLabel = exportBar_->outputLabel;
    outputPopBtn = exportBar_->folderChooser;
    openOutputBtn = exportBar_->revealButton;
    exportProgresslabel = exportBar_->progressLabel;
    exportProgressView = exportBar_->progressView;
    startExportBtn = exportBar_->startButton;
}
