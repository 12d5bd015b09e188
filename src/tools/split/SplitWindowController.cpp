#include "tools/split/SplitWindowController.h"

#include "foundation/controls/LabelFit.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/helpers/NSBundle.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Workspace.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/ToolStyle.h"
#include "tools/split/SplitProgressView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <cmath>

using namespace toolstyle;

namespace {
constexpr int kWindowWidth = 880;
constexpr int kWindowHeight = 560;
} // namespace

SplitWindowController::SplitWindowController(QWidget* parent) : ToolWindow(parent) {
    setWindowTitle(loc("Split_Title"));
    setFixedSize(kWindowWidth, kWindowHeight);
    windowDidLoad();
}

SplitWindowController::~SplitWindowController() = default;

double SplitWindowController::duration() const {
    // One time base for the bar, the fields and the export: the probed length.
    return fileData_ ? fileData_->sourceDuration() : 0;
}

QString SplitWindowController::outputPath() const {
    return exportBar_ ? exportBar_->outputPath() : QString();
}

void SplitWindowController::windowDidLoad() {
    paintBackground(this, kBrandBlue);

    buildLayout();

    scrLabel->setText(loc("scrlabelplaceholderString"));

    contentBackGroundView->setBackGroundColor(kLightGrey);
    contentBackGroundView->setBordColor(kLightGrey);
    contentBackGroundView->setCornerRadius(5);
    contentBackGroundView->setBorderWidth(2);
    playerView->setBackGroundColor(Qt::black);
    hiddenPlayerView(true);

    gettingstartedLabel->setText(loc("splitdescLabelstringValue"));
    const std::array<const char*, 4> hints{"splitdescLabel1stringValue", "splitdescLabel2stringValue",
                                           "splitdescLabel3stringValue", "splitdescLabel4stringValue"};
    for (int i = 0; i < 4; ++i) {
        descLabels[i]->setText(loc(hints[i]));
        setPointSize(descLabels[i], kHintPoints);
    }
    nofileBackView->setBordColor(kFrameGrey);
    nofileBackView->setCornerRadius(5);
    nofileBackView->setBorderWidth(2);

    configureButtons();
    initPresetPopUps();

    volumeSlider->setDelegate(this);
    volumeSlider->setProgress(0);
    playerSlider->setDisable(true);
    volumeSlider->setDisable(true);

    sourceInformationLabel->setText(loc("sourceInformationLabelStringVlaue"));
    resolutionLabel->setText(loc("resolutionLabelStringValue"));
    resolutionValueLabel->setText("");
    resoucefilesizeLabel->setText(loc("FileSizeLabelStringValue"));
    resoucefilesizeValueLabel->setText("0.0 " + loc("MBValue"));
    resouceTotaltimeLabel->setText(loc("TotalTimeLabelStringValue"));
    resouceTotaltimeValueLabel->setText("00:00:00.000");

    initModeControls();
    initPlayerSlider();
    enableEdit(false);

    preview_ = new PreviewPane(playerView, this);
    preview_->tick = [this](double, double) { changePlaySlider(); };
    preview_->didEnd = [this] { playerDidEnd(); };
    preview_->movedOntoIndexLine = [this](const std::function<double(double)>& toLine) {
        movedOntoIndexLine(toLine);
    };
    preview_->shownTime = [this](double t) {
        playerCurrentTimeLabel->setText(HelpClass::returnTimeToStr(t));
    };
    exportBar_->startRequested = [this] { return startExport(); };
    jobChain().jobCompleted = [this](int, const QString&) { ++partsWritten_; };
    exportBar_->editingEnabled = [this](bool on) {
        addfileBtn->setEnabled(on);
        enableEdit(on);
    };
}

void SplitWindowController::configureButtons() {
    styleAddFileButton(addfileBtn, loc("AddFileBtnTitle"));
    addfileBtn->mouseDownAction = afterClick(&SplitWindowController::addFileAction);

    setButtonImages(playBtn, joinPlayPictures());
    playBtn->mouseDownAction = afterClick([this] {
        playBtn->setSelected(!playBtn->selected());
        if (playBtn->selected())
            playAction();
        else
            pauseAction();
    });
    setButtonImages(pauseBtn, joinStopPictures());
    pauseBtn->mouseDownAction = afterClick(&SplitWindowController::stopAction);
    setButtonImages(volumeBtn, {"Cut/btnOpenVolume_Normal.png", "", "", "Cut/btnCloseVolume_Down.png", ""});
    volumeBtn->mouseDownAction = afterClick(&SplitWindowController::volumeToggle);

    splitBtn->setBackGroundColor(kBrandBlue);
    splitBtn->setDisAblebackGroundColor(kDisabledGrey);
    splitBtn->setContentTitle(loc("SplitBtnstringValue"));
    splitBtn->setContentColor(Qt::white);
    splitBtn->setEnabled(false);
    splitBtn->mouseDownAction = afterClick(&SplitWindowController::splitAction);

    const std::array<std::pair<ZylButton*, const char*>, 4> points{
        std::pair{splitItemBtn, "btnHandSplit"}, std::pair{leftMoveBtn, "btnLastPoint"},
        std::pair{rightMoveBtn, "btnNextPoint"}, std::pair{deletedItemBtn, "btnRemovePoint"}};
    for (const auto& [button, stem] : points) {
        const QString base = QString("Split/") + stem;
        setButtonImages(
            button, {base + "_1.bmp", base + "_1.bmp", base + "_3.bmp", base + "_3.bmp", base + "_4.bmp"});
        button->setContentTitle("");
        button->hide();
    }
    splitItemBtn->mouseDownAction = afterClick(&SplitWindowController::addSplitItemAction);
    leftMoveBtn->mouseDownAction = afterClick(&SplitWindowController::leftMoveAction);
    rightMoveBtn->mouseDownAction = afterClick(&SplitWindowController::rightMoveAction);
    deletedItemBtn->mouseDownAction = afterClick(&SplitWindowController::deleteSplitItemAction);
}

void SplitWindowController::hiddenPlayerView(bool hide) {
    playerView->setHidden(hide);
    for (QWidget* w : {static_cast<QWidget*>(nofileBackView), static_cast<QWidget*>(gettingstartedLabel)})
        w->setHidden(!hide);
    for (QLabel* l : descLabels)
        l->setHidden(!hide);
}

void SplitWindowController::enableEdit(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             split_timeBtn, split_sizeBtn, split_averageBtn, split_manuallyBtn, split_timepopBtn,
             split_sizepopBtn, averageTextField, averagestepper, splitBtn, playBtn, pauseBtn, volumeBtn,
             splitItemBtn, leftMoveBtn, rightMoveBtn, deletedItemBtn, outputPopBtn, openOutputBtn})
        w->setEnabled(on);
    playerSlider->setDisable(!on);
    volumeSlider->setDisable(!on);
    if (!on)
        return;
    // Only the inputs of the current mode take values; the begin marker belongs to manual
    // mode.
    const Mode m = mode();
    split_timepopBtn->setEnabled(m == Mode::Time);
    split_sizepopBtn->setEnabled(m == Mode::Size);
    averageTextField->setEnabled(m == Mode::Average);
    averagestepper->setEnabled(m == Mode::Average);
    splitBtn->setEnabled(player() != nullptr && m != Mode::Manual);
    playerSlider->beginBtn()->setVisible(m == Mode::Manual);
}
