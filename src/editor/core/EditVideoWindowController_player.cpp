// The preview under the picture: the bars and time labels, the transport strip, the play
// head's tick, the end of play, the music preview's tick and the snapshot.
#include "editor/core/EditVideoWindowController.h"
#include "foundation/controls/FontFit.h"

#include "editor/core/EditRecipe.h"
#include "editor/core/EditorTool.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/AudioStreamInfo.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/CMTime.h"
#include "platform/Log.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/ToolStyle.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace {

using geometry::setFrame;

// The play button's pictures while the preview stands (selected: the pause picture).
toolstyle::ImageList playPictures() {
    return {"Join/btnPlay_Normal.png", "Join/btnPlay_On.png", "Join/btnPlay_Down.png",
            "Join/btnPause_Normal.png", "Join/btnPlay_Disable.png"};
}

// A fraction of the duration for the bars; none when either is not a usable number.
std::optional<float> fractionOf(double t, double d) {
    if (!(d > 0) || !std::isfinite(t))
        return std::nullopt;
    return float(std::clamp(t / d, 0.0, 1.0));
}

QLabel* timeLabel(QWidget* parent) {
    auto* l = new QLabel(HelpClass::returnTimeToStr(0), parent);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(p);
    controls::setPixelFont(l, 12);
    return l;
}

} // namespace

// Builds the bars, labels and transport once; a new file only gets a new player (the preview
// pane's) and new values in them.
void EditVideoWindowController::initPlayer() {
    if (!preview_) {
        preview_ = new PreviewPane(o_.playerView, this);
        preview_->tick = [this](double current, double d) { changePlayerSlider(current, d); };
        preview_->didEnd = [this] { playerDidEnd(); };
        o_.progressSlider = new LxProgressSlider(NSMakeRect(95, 42, 400, 17), o_.playerBottomView);
        o_.progressSlider->setDelegate(this);
        o_.currentTimeLabel = timeLabel(o_.playerBottomView);
        o_.totalTimeLabel = timeLabel(o_.playerBottomView);
        buildTransport();
    }
}

void EditVideoWindowController::buildTransport() {
    auto button = [this](double x, const char* stem) {
        auto* b = new ZylButton(NSMakeRect(x, 0, 30, 30), o_.playerBottomChildView);
        toolstyle::setButtonImages(
            b, toolstyle::pictureSet(QString::fromUtf8(stem), ".png", QString::fromUtf8(stem) + "_Down.png"));
        b->setBordered(false);
        return b;
    };
    o_.b_playPauseBtn = button(0, "Join/btnPlay");
    o_.b_stopBtn = button(35, "Join/btnStop");
    o_.b_cameraBtn = button(70, "Join/btnCapture");
    o_.b_picStyleBtn = button(105, "Join/btnCaptureSet");
    o_.b_volumeBtn = button(140, "Cut/btnOpenVolume");
    // Playing shows the pause picture; a mute shows the closed speaker.
    toolstyle::setButtonImages(o_.b_playPauseBtn, playPictures());
    toolstyle::ImageList volume = toolstyle::openVolumePictures();
    volume[3] = "Cut/btnCloseVolume_Normal.png";
    toolstyle::setButtonImages(o_.b_volumeBtn, volume);
    o_.b_volumeSlider = new LxProgressSlider(NSMakeRect(175, 5, 80, 20), o_.playerBottomChildView);
    o_.b_volumeSlider->setDelegate(this);
    o_.b_volumeSlider->setProgress(0.5f); // gain 1.0: the file's own level
    o_.b_coverStylePopBtn = new QComboBox(o_.playerBottomChildView);
    setFrame(o_.b_coverStylePopBtn, NSMakeRect(135, 5, 80, 20));
    for (const char* key : {"png", "jpg", "bmp"}) {
        QString title = loc(key);
        title.remove(QLatin1Char('"'));
        if (!title.isEmpty())
            o_.b_coverStylePopBtn->addItem(title, QString::fromUtf8(key));
    }
    o_.b_coverStylePopBtn->hide();
    connect(o_.b_coverStylePopBtn, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { picstyleAction(index); });

    // Each press only queues its work, as every button of the window does.
    o_.b_playPauseBtn->mouseDownAction = afterClick([this] { togglePlay(); });
    o_.b_stopBtn->mouseDownAction = afterClick([this] { stop(); });
    o_.b_cameraBtn->mouseDownAction = afterClick([this] {
        if (preview_->player())
            actionCarameraBtn();
    });
    o_.b_picStyleBtn->mouseDownAction = afterClick([this] {
        if (preview_->player())
            toggleCoverStylePopup();
    });
    o_.b_volumeBtn->mouseDownAction = afterClick([this] {
        const bool muted = !o_.b_volumeBtn->selected();
        o_.b_volumeBtn->setSelected(muted);
        // Unmuting gives back the level set before the mute.
        preview_->setMuted(muted);
    });
}

void EditVideoWindowController::toggleCoverStylePopup() {
    o_.b_coverStylePopBtn->setVisible(!o_.b_coverStylePopBtn->isVisible());
    placeVolumeControls();
}

void EditVideoWindowController::placeVolumeControls() {
    const NSRect style = geometry::frame(o_.b_picStyleBtn);
    const NSRect pop = geometry::frame(o_.b_coverStylePopBtn);
    NSRect vol = geometry::frame(o_.b_volumeBtn);
    vol.x = o_.b_coverStylePopBtn->isVisible() ? pop.maxX() : style.maxX();
    setFrame(o_.b_volumeBtn, vol);
    NSRect slider = geometry::frame(o_.b_volumeSlider);
    slider.x = vol.maxX() + 5;
    setFrame(o_.b_volumeSlider, slider);
}

void EditVideoWindowController::picstyleAction(int index) {
    coverStyle_ = o_.b_coverStylePopBtn->itemData(index).toString();
    o_.b_coverStylePopBtn->setCurrentIndex(index);
    o_.b_coverStylePopBtn->hide();
    placeVolumeControls();
}

bool EditVideoWindowController::isPlaying() const {
    return preview_->isPlaying();
}

// The sound stream, the file's own sound and the background music go to the player as play
// starts, as the export will mix them.
void EditVideoWindowController::play() {
    if (!preview_->player())
        return;
    applyEdit(edit::Sound | edit::Music);
    preview_->play();
    showPlaying(true);
}

// Every tool and both play buttons follow whether the preview plays.
void EditVideoWindowController::showPlaying(bool playing) {
    o_.b_playPauseBtn->setSelected(playing);
    // While playing, the button is a pause button in every look.
    toolstyle::setButtonImages(
        o_.b_playPauseBtn, playing
                               ? toolstyle::ImageList{"Join/btnPause_Normal.png", "Join/btnPause_On.png",
                                                      "Join/btnPause_Down.png", "Join/btnPause_Normal.png",
                                                      "Join/btnPlay_Disable.png"}
                               : playPictures());
    for (EditorTool* t : tools_)
        t->playStateChanged(playing);
}

void EditVideoWindowController::pause() {
    if (!preview_->player())
        return;
    preview_->pause();
    showPlaying(false);
}

void EditVideoWindowController::stop() {
    if (!preview_->player())
        return;
    preview_->stop();
    showPlaying(false);
    changePlayerSlider(0, duration());
}

void EditVideoWindowController::togglePlay() {
    if (isPlaying())
        pause();
    else
        play();
}

void EditVideoWindowController::changePlayerSlider(double current, double d) {
    // Every bar follows the play head, so that the one a tool switch shows is not stale.
    o_.progressSlider->setProgress(fractionOf(current, d).value_or(0.f));
    o_.currentTimeLabel->setText(HelpClass::returnTimeToStr(current));
    o_.totalTimeLabel->setText(HelpClass::returnTimeToStr(d));
    for (EditorTool* t : tools_)
        t->playerTick(current, d);
}

void EditVideoWindowController::showCurrentTime(double seconds) {
    o_.currentTimeLabel->setText(HelpClass::returnTimeToStr(seconds));
}

// The end of play: back to the start of the trim range, paused.
void EditVideoWindowController::playerDidEnd() {
    pause();
    const std::optional<float> head = session_.rewindToRangeStart(preview_->player());
    if (head)
        changePlayerSlider(double(*head) * duration(), duration());
}

void EditVideoWindowController::actionCarameraBtn() {
    preview_->snapshot(o_.exportBar->preparedOutputPath(), coverStyle_, [](const QString& written) {
        if (written.isEmpty())
            qCWarning(lcEditor) << "snapshot not written";
    });
}

// The seek slider and the preview volume.
void EditVideoWindowController::actionMouseDownForProgressSliderBlock(LxProgressSlider* slider,
                                                                      float progress) {
    if (slider == o_.b_volumeSlider) {
        preview_->setVolume(2.0 * progress);
        return;
    }
    if (slider != o_.progressSlider || !preview_->player())
        return;
    // The drag pauses the player without ending the play state; the release resumes it.
    preview_->player()->pause();
    preview_->stopTicking();
}

void EditVideoWindowController::actionProgressForProgressSliderBlock(LxProgressSlider* slider,
                                                                     float progress) {
    if (slider == o_.b_volumeSlider) {
        preview_->setVolume(2.0 * progress);
        return;
    }
    if (slider != o_.progressSlider || !preview_->player())
        return;
    const double t = std::clamp(double(progress), 0.0, 1.0) * duration();
    preview_->seek(t, 600);
    o_.currentTimeLabel->setText(HelpClass::returnTimeToStr(t));
}

void EditVideoWindowController::actionMouseUpForProgressSliderBlock(LxProgressSlider* slider,
                                                                    float progress) {
    if (slider == o_.b_volumeSlider) {
        preview_->setVolume(2.0 * progress);
        return;
    }
    if (slider != o_.progressSlider || !preview_->player())
        return;
    actionProgressForProgressSliderBlock(slider, progress);
    if (preview_->isPlaying()) {
        preview_->player()->play();
        preview_->startTicking();
    }
}
