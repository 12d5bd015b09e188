#include "tools/easycut/EasyCutterWindowcontroller.h"

#include "foundation/controls/LabelFit.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/helpers/NSBundle.h"
#include "foundation/records/CutItem.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Dispatch.h"
#include "platform/Geometry.h"
#include "platform/Log.h"
#include "platform/Workspace.h"
#include "tools/easycut/CutItemView.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/TimeStepper.h"
#include "tools/shared/ToolStyle.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

using namespace toolstyle;

namespace {
constexpr int kWindowWidth = 1040;
constexpr int kWindowHeight = 680;
} // namespace

EasyCutterWindowcontroller::EasyCutterWindowcontroller(QWidget* parent) : ToolWindow(parent) {
    setWindowTitle(loc("EasyCut_Title"));
    setFixedSize(kWindowWidth, kWindowHeight);
    // The window itself holds the keyboard focus when no time field is being edited.
    setFocusPolicy(Qt::StrongFocus);
    windowDidLoad();
}

EasyCutterWindowcontroller::~EasyCutterWindowcontroller() = default;

double EasyCutterWindowcontroller::duration() const {
    // One time base for the bar, the fields and the export: the probed length.
    return fileData_ ? fileData_->sourceDuration() : 0;
}

QString EasyCutterWindowcontroller::outputPath() const {
    return exportBar_ ? exportBar_->outputPath() : QString();
}

void EasyCutterWindowcontroller::windowDidLoad() {
    // Window: brand blue behind the panels.
    paintBackground(this, kBrandBlue);

    buildLayout();

    contentBackgroundView->setBackGroundColor(kLightGrey);
    contentBackgroundView->setBordColor(kLightGrey);
    contentBackgroundView->setBorderWidth(1);
    contentBackgroundView->setCornerRadius(5);
    playerView->setBackGroundColor(Qt::black);
    keybordTishiView->setBackGroundColor(QColor(210, 208, 208));
    nofileBordView->setBordColor(kFrameGrey);
    nofileBordView->setBorderWidth(2);
    nofileBordView->setCornerRadius(5);
    cutprogressView->setDelegate(this);

    configureButtons();
    layoutRowButtons();

    exportBar_->startRequested = [this] { return startExport(); };
    exportBar_->editingEnabled = [this](bool on) { enableEdit(on); };

    const std::array<const char*, 4> hints{"easydesclabelTitle1", "easydesclabelTitle2",
                                           "easydesclabelTitle3", "easydesclabelTitle4"};
    for (int i = 0; i < 4; ++i) {
        descLabels[i]->setText(QString("%1. ").arg(i + 1) + loc(hints[i]));
        setPointSize(descLabels[i], kHintPoints);
        // Translations run longer than English: wrap rather than cut the hint off.
        descLabels[i]->setWordWrap(true);
    }

    cutprogressView->setType(1);
    cutprogressView->setIsFanxuan(false);
    // The play-head knob can be dragged whether or not the player runs.
    cutprogressView->setTickMark(true);
    cutprogressView->setTickHidden(false);

    initPlayerBottom();

    controlkeybordLabel->setText(loc("controlkeybordLabelstringValue"));
    playpauseLabel->setText(loc("playpauseLabelstringValue"));
    controlmarksLabel->setText(loc("controlmarksLabelstringValue"));
    controls::fitLabelBefore(playpauseLabel);
    playpauseBtn->setText(loc("playpauseBtnstringValue"));
    // The keyboard panel's buttons carry the transport keys. A button's setText replaces
    // its shortcut with the title's mnemonic, so the keys are bound after every title.
    playpauseBtn->setShortcut(Qt::Key_Space);
    kuaituiBtn->setShortcut(Qt::Key_Left);
    kuaijinBtn->setShortcut(Qt::Key_Right);
    playpauseBtn->setStyleSheet("QPushButton { background: rgba(255,255,255,153); color: black; border: none;"
                                " border-radius: 5px; font-size: 10pt; }");

    initSelectItemTimeChangeView();
    enableEditItemShow(false);
    // No list yet: nothing to move.
    updateUpDown();

    preview_ = new PreviewPane(playerView, this);
    preview_->tick = [this](double, double) { changePlayerSlider(); };
    preview_->didEnd = [this] { playerDidEnd(); };
    preview_->movedOntoIndexLine = [this](const std::function<double(double)>& toLine) {
        movedOntoIndexLine(toLine);
    };
    preview_->shownTime = [this](double t) { currentTimeLabel->setText(HelpClass::returnTimeToStr(t)); };
}

void EasyCutterWindowcontroller::configureButtons() {
    configureFileButtons();
    configurePlayerButtons();
    configureSegmentButtons();
}

// The list's own buttons: merge, add file and cut.
void EasyCutterWindowcontroller::configureFileButtons() {
    QPointer<EasyCutterWindowcontroller> self(this);

    setButtonImages(merageBtn, {"Join/CheckBox_NoCheck.bmp", "", "", "Join/CheckBox_Checked.bmp", ""});
    merageBtn->setContentTitle(loc("MerageBtnstringValue"));
    merageBtn->setContentColor(Qt::white);
    merageBtn->setContentImagePosition(1);
    merageBtn->mouseDownAction = [self](ZylButton*) {
        dispatchMain([self] {
            if (self)
                self->merageBtn->setSelected(!self->merageBtn->selected());
        });
    };

    setButtonBackgrounds(updateFileAddBtn, smallAddFilePictures());
    updateFileAddBtn->setContentTitle("");
    updateFileAddBtn->setBackGroundColor(kAddFileBlue);
    updateFileAddBtn->setCornerRadius(3);
    updateFileAddBtn->mouseDownAction = afterClick(&EasyCutterWindowcontroller::addFileAction);

    styleAddFileButton(addfileBtn, loc("AddFileBtnTitle"));
    addfileBtn->mouseDownAction = afterClick(&EasyCutterWindowcontroller::addFileAction);

    setButtonBackgrounds(cutStartBtn, {"Cut/btnCut_Normal.bmp", "Cut/btnCut_On.bmp", "Cut/btnCut_Down.bmp",
                                       "Cut/btnCut_Down.bmp", "Cut/btnCut_Disable.bmp"});
    cutStartBtn->setLeftIconWidth(20);
    cutStartBtn->setContentImagePosition(0);
    cutStartBtn->setContentTitle(loc("tool_trimItemTitle"));
    cutStartBtn->setContentColor(Qt::white);
    cutStartBtn->mouseDownAction = afterClick(&EasyCutterWindowcontroller::cutAction);
}

// Sound, play, preview, the two marks and the stepping buttons under the picture.
void EasyCutterWindowcontroller::configurePlayerButtons() {
    QPointer<EasyCutterWindowcontroller> self(this);

    setButtonImages(volumeBtn, {"Cut/btnOpenVolume_Normal.png", "", "", "Cut/btnCloseVolume_Normal.png", ""});
    volumeBtn->mouseDownAction = afterClick(&EasyCutterWindowcontroller::volumeToggle);

    setButtonImages(playOrpauseBtn, {"Cut/btnPlay_Normal.png", "Cut/btnPlay_On.png", "Cut/btnPlay_Down.png",
                                     "Cut/btnPause_Normal.png", "Cut/btnPlay_Disable.png"});
    playOrpauseBtn->mouseDownAction = [self](ZylButton*) {
        if (self)
            self->playButtonPressed();
    };
    setButtonImages(playOrpauseSelectBtn,
                    {"Cut/btnPreview_Normal.png", "Cut/btnPreview_Normal.png", "Cut/btnPreview_Down.png",
                     "Cut/btnStop_Normal.png", "Cut/btnPlay_Disable.png"});
    playOrpauseSelectBtn->mouseDownAction = [self](ZylButton*) {
        if (self)
            self->previewButtonPressed();
    };
    setButtonImages(selectedLeftBtn, {"Cut/btnSetStartTime_Normal.png", "Cut/btnSetStartTime_On.png",
                                      "Cut/btnSetStartTime_Down.png", "Cut/btnSetStartTime_Down.png",
                                      "Cut/btnSetStartTime_Disable.png"});
    selectedLeftBtn->mouseDownAction = [self](ZylButton*) {
        if (self)
            self->markButtonPressed(false);
    };
    setButtonImages(selectedRightBtn,
                    {"Cut/btnSetEndTime_Normal.png", "Cut/btnSetEndTime_On.png", "Cut/btnSetEndTime_Down.png",
                     "Cut/btnSetEndTime_Down.png", "Cut/btnSetEndTime_Disable.png"});
    selectedRightBtn->mouseDownAction = [self](ZylButton*) {
        if (self)
            self->markButtonPressed(true);
    };

    kuaituiBtn->setText(QStringLiteral("\u25C0"));
    kuaijinBtn->setText(QStringLiteral("\u25B6"));
    connect(playpauseBtn, &QPushButton::clicked, this, [this] { playOrPauseVideo(); });
    connect(kuaituiBtn, &QPushButton::clicked, this, [this] { kuaituiAction(); });
    connect(kuaijinBtn, &QPushButton::clicked, this, [this] { kuaijinAction(); });
}

// Moving, clearing, copying, editing and deleting the marked segments.
void EasyCutterWindowcontroller::configureSegmentButtons() {
    setButtonImages(upMoveItemBtn,
                    {"Cut/btnMoveUp_Normal.png", "Cut/btnMoveUp_On.png", "Cut/btnMoveUp_Down.png",
                     "Cut/btnMoveUp_Down.png", "Cut/btnMoveUp_Disable.png"});
    upMoveItemBtn->mouseDownAction = afterClick(&EasyCutterWindowcontroller::upMoveItemAction);
    setButtonImages(downMoveItemBtn,
                    {"Cut/btnMoveDown_Normal.png", "Cut/btnMoveDown_On.png", "Cut/btnMoveDown_Down.png",
                     "Cut/btnMoveDown_Down.png", "Cut/btnMoveDown_Disable.png"});
    downMoveItemBtn->mouseDownAction = afterClick(&EasyCutterWindowcontroller::downMoveItemAction);
    setButtonImages(deletedItemBtn,
                    {"Cut/btnClear_Normal.png", "Cut/btnClear_On.png", "Cut/btnClear_Down.png",
                     "Cut/btnClear_Down.png", "Cut/btnClear_Disable.png"});
    deletedItemBtn->mouseDownAction = afterClick(&EasyCutterWindowcontroller::clearItemsAction);

    setButtonBackgrounds(itemCopyBtn, {"Cut/btnCopy_Normal.bmp", "Cut/btnCopy_On.bmp", "Cut/btnCopy_Down.bmp",
                                       "Cut/btnCopy_Down.bmp", "Cut/btnCopy_Disable.bmp"});
    itemCopyBtn->setContentTitle(loc("Copy"));
    itemCopyBtn->setContentColor(Qt::black);
    itemCopyBtn->mouseDownAction = afterClick(&EasyCutterWindowcontroller::copyItemAction);
    setButtonBackgrounds(itemModifyBtn,
                         {"Cut/btnModify_Normal.bmp", "Cut/btnModify_On.bmp", "Cut/btnModify_Down.bmp",
                          "Cut/btnModify_Down.bmp", "Cut/btnModify_Disable.bmp"});
    itemModifyBtn->setContentTitle(loc("Modify"));
    itemModifyBtn->setContentColor(Qt::black);
    itemModifyBtn->mouseDownAction = afterClick(&EasyCutterWindowcontroller::modifyItemAction);
    setButtonBackgrounds(itemDeletedBtn,
                         {"Cut/btnDeleted_Normal.bmp", "Cut/btnDeleted_On.bmp", "Cut/btnDeleted_Down.bmp",
                          "Cut/btnDeleted_Down.bmp", "Cut/btnDeleted_Disable.bmp"});
    itemDeletedBtn->setContentTitle(loc("Deleted"));
    itemDeletedBtn->setContentColor(Qt::black);
    itemDeletedBtn->mouseDownAction = afterClick(&EasyCutterWindowcontroller::deleteItemAction);
}

void EasyCutterWindowcontroller::volumeToggle() {
    volumeBtn->setSelected(!volumeBtn->selected());
    const bool muted = volumeBtn->selected();
    volumeSlider->setProgress(muted ? 0.0f : 0.5f);
    // Silent whether the player runs, pauses or stands stopped; unmuted at the file's own level.
    if (!muted)
        preview_->setVolume(1.0);
    preview_->setMuted(muted);
}

void EasyCutterWindowcontroller::enableEditItemShow(bool show) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{gettingStartedLabel, nofileBordView, addfileBtn, descLabels[0],
                                         descLabels[1], descLabels[2], descLabels[3]})
        w->setVisible(!show);
    for (QWidget* w : std::initializer_list<QWidget*>{playerView,
                                                      updateFileAddBtn,
                                                      scrLabel,
                                                      startTimeLabel,
                                                      endTimeLabel,
                                                      durationLabel,
                                                      durationValueLabel,
                                                      volumeBtn,
                                                      volumeSlider,
                                                      cutprogressView,
                                                      keybordTishiView,
                                                      playpauseLabel,
                                                      controlmarksLabel,
                                                      playpauseBtn,
                                                      kuaituiBtn,
                                                      kuaijinBtn,
                                                      playOrpauseBtn,
                                                      selectedLeftBtn,
                                                      selectedRightBtn,
                                                      cutStartBtn,
                                                      startTrimFieldBackV,
                                                      stopTrimFieldBackV,
                                                      playOrpauseSelectBtn,
                                                      currentTimeLabel,
                                                      totalDurationLabel})
        w->setVisible(show);
    // The steppers come on with their fields: both edit the rows of a loaded file.
    for (TimeCodeRow* row : {startTrimFieldBackV, stopTrimFieldBackV, startFieldBackV, endFieldBackV})
        row->setEditable(show);
    if (show)
        nofileBordView->lower();
}

void EasyCutterWindowcontroller::enableEdit(bool enable) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{merageBtn, playpauseBtn, kuaituiBtn, kuaijinBtn, playOrpauseBtn,
                                         playOrpauseSelectBtn, cutStartBtn, itemCopyBtn, itemModifyBtn,
                                         itemDeletedBtn, upMoveItemBtn, downMoveItemBtn, deletedItemBtn})
        w->setEnabled(enable);
    for (TimeCodeRow* row : {startTrimFieldBackV, stopTrimFieldBackV, startFieldBackV, endFieldBackV})
        row->setEditable(enable && fileData_ != nullptr);
    for (CutItemView* row : cutItemViews_)
        row->setEnabled(enable);
    volumeSlider->setDisable(!enable);
    cutprogressView->setDisable(!enable);
    // A load while exporting would empty the list and change the source under the chain.
    addfileBtn->setEnabled(enable);
    updateFileAddBtn->setEnabled(enable);
    outputPopBtn->setEnabled(enable);
    if (!enable) {
        // The mark buttons only follow the play head; during an export they stay off.
        selectedLeftBtn->setEnabled(false);
        selectedRightBtn->setEnabled(false);
    } else {
        updateUpDown();
    }
}
