#include "editor/core/EditVideoWindowController.h"
#include "foundation/controls/FontFit.h"

#include "editor/music/MusicPanel.h"

#include "editor/core/EditorExport.h"
#include "editor/core/EditorFileLoader.h"
#include "editor/picture/PictureTools.h"
#include "foundation/controls/LabelFit.h"
#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/Loc.h"
#include "tools/shared/MediaOpenPanel.h"
#include "tools/shared/OutputFolderChooser.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace {

// The window's title names the tool it was opened on, as the home tile does.
const char* titleKey(EditorToolType tool) {
    switch (tool) {
    case EditorToolTypeTrim:
        return "AdvancedCut_Title";
    case EditorToolTypeRotate:
        return "Rotate_Title";
    case EditorToolTypeCrop:
        return "Crop_Title";
    case EditorToolTypeEffect:
        return "Effect_Title";
    case EditorToolTypeWatermark:
        return "Watermark_Title";
    case EditorToolTypeSubtitle:
        return "Subtitle_Title";
    case EditorToolTypeMusic:
        return "AddMusic_Title";
    }
    return "AdvancedCut_Title";
}

} // namespace

EditVideoWindowController::EditVideoWindowController(int toolItemType, QWidget* parent)
    : ToolWindow(parent), toolItemType_(toolItemType) {
    setWindowTitle(loc(titleKey(editorToolTypeFromCode(toolItemType))));
    windowDidLoad();
}

EditVideoWindowController::~EditVideoWindowController() {
    audioTimer_.stop();
    // The music panel's preview player goes while the window it reports to still exists.
    delete musicPanel_;
}

void EditVideoWindowController::windowDidLoad() {
    resize(1100, 700);
    buildFrameViews();
    buildToolBar();
    buildToolPanels();
    buildExportBar();
    initPlayer();
    audioTimer_.setInterval(PreviewPane::kTickMs);
    connect(&audioTimer_, &QTimer::timeout, this, [this] { changeMusicPlayerSlider(); });
    enableEdit(false);
    loaded_ = true;
    changesize();
    fitScreen();
    openTool(toolItemType_);
    hiddenMusicViewPlay(true);
}

void EditVideoWindowController::enableEdit(bool enable) {
    const bool open = session_.file().isOpen();
    const bool player = preview_->player() != nullptr;
    _progressSlider->setDisable(!enable || !player);
    _cutProgressView->setDisable(!enable || !player);
    for (ZylButton* b : {_b_playPauseBtn, _b_stopBtn, _b_cameraBtn, _b_picStyleBtn, _b_volumeBtn,
                         setStartTrimBtn, setStopTrimBtn, _playTrimBtn, resetTrimBtn})
        b->setEnabled(enable && player);
    _b_coverStylePopBtn->setEnabled(enable && player);
    _b_volumeSlider->setDisable(!enable || !player);
    _preferenceBtn->setEnabled(enable && player);
    _audiochanelPopBtn->setEnabled(enable && player && _audiochanelPopBtn->count() > 0);
    startRow_->setEditable(enable && player);
    stopRow_->setEditable(enable && player);
    if (picture_)
        picture_->enableEdit(enable && player);
    overlaysEnabled(enable && open && player);
    musicPanel_->enableEdit(enable, player);
    if (!open || !player)
        return;
    _progressSlider->setProgress(0);
    _cutProgressView->setProgress(0);
    showRange();
}

// The editor works on one file at a time, so its panel takes one: none is dropped unseen.
void EditVideoWindowController::addfileAction() {
    QPointer<EditVideoWindowController> self(this);
    MediaOpenPanel::open(this, false, [self](const QStringList& paths) {
        if (self && !paths.isEmpty() && !self->isClosing())
            self->openFile(paths.first());
    });
}

bool EditVideoWindowController::openFile(const QString& path) {
    pause();
    const EditorFileLoader::Result result = session_.openFile(path);
    if (!result.data) {
        // The earlier file, its player and everything shown for it stay as they were.
        EditorFileLoader::showOutcome(this, result, path);
        return false;
    }
    const SimpleData& record = *session_.file().fileData;
    _scrLabel->setText(path);
    // Tracks were placed on the earlier video's timeline.
    musicPanel_->fileOpened();
    startRow_->setTime(0);
    stopRow_->setTime(0);
    preview_->open(path, 1.0, PreviewPane::displaySize(record));
    if (LxMoviePlayer* player = preview_->player()) {
        EditorSession::installCallbacks(*player);
        if (toolItemType_ == EditorToolTypeMusic)
            movePlayerViewTo(_musicRightPlayerView, _musicRightBottomView);
    }
    initPlayer();
    applyRefresh(session_.refreshPlayerView(preview_->player(), startRow_->time(), stopRow_->time()));
    for (ZylButton* b : toolButtons_)
        b->setEnabled(true);
    enableEdit(true);
    exportFileOpened();
    hiddenMusicViewPlay(false);
    openTool(toolItemType_);
    refitPicture();
    picture_->fileOpened();
    overlaysFileOpened();
    if (result.skippedAc3Streams > 0)
        EditorFileLoader::showOutcome(this, result, path);
    return true;
}

PictureTools* EditVideoWindowController::pictureTools() const {
    return picture_.data();
}

void EditVideoWindowController::windowWillClose() {
    musicPanel_->stopAudio();
    removeAudioTimer();
    preview_->close();
}

// The player's length; the probed one while the player cannot tell.
double EditVideoWindowController::duration() const {
    const double played = preview_->duration();
    if (played > 0)
        return played;
    return session_.file().isOpen() ? session_.file().fileData->sourceDuration() : 0.0;
}

double EditVideoWindowController::currentTime() const {
    return preview_->currentTime();
}

QString EditVideoWindowController::outputPath() const {
    return exportBar_->outputPath();
}

void EditVideoWindowController::alert(const char* key) {
    showSimpleAlert(loc(key));
}
