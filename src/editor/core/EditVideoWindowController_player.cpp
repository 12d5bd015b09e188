// The preview under the picture: the bars and time labels, the transport strip, the play
// head's tick, the end of play, the music preview's tick and the snapshot.
#include "editor/core/EditVideoWindowController.h"
#include "foundation/controls/FontFit.h"

#include "editor/music/MusicPanel.h"

#include "foundation/controls/LxCutProgressView.h"
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
#include "tools/shared/TimeCodeRow.h"
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

// Runs work on the window after the press that asked for it has been handled.
template <class F> void queued(EditVideoWindowController* w, F work) {
    QPointer<EditVideoWindowController> self(w);
    QMetaObject::invokeMethod(
        w,
        [self, work] {
            if (self && !self->isClosing())
                work(self.data());
        },
        Qt::QueuedConnection);
}

} // namespace

// Builds the bars, labels and transport once; a new file only gets a new player (the preview
// pane's) and new values in them.
void EditVideoWindowController::initPlayer() {
    if (!preview_) {
        preview_ = new PreviewPane(_playerView, this);
        preview_->tick = [this](double current, double d) { changePlayerSlider(current, d); };
        preview_->didEnd = [this] { playerDidEnd(); };
        _progressSlider = new LxProgressSlider(NSMakeRect(95, 42, 400, 17), _playerBottomView);
        _progressSlider->setDelegate(this);
        _cutProgressView = new LxCutProgressView(NSMakeRect(95, 35, 400, 30), _playerBottomView);
        _cutProgressView->setDelegate(this);
        _cutProgressView->setTickMark(true);
        _currentTimeLabel = timeLabel(_playerBottomView);
        _totalTimeLabel = timeLabel(_playerBottomView);
        buildTransport();
    }
    _cutProgressView->setIsFanxuan(false);
    _progressSlider->setVisible(!_trimView->isVisibleTo(this));
    _cutProgressView->setVisible(_trimView->isVisibleTo(this));
    _mCurrentTimeLabel->setText(HelpClass::returnTimeToStr(0));
    _mTotaldurationLabel->setText(HelpClass::returnTimeToStr(duration()));
}

void EditVideoWindowController::buildTransport() {
    auto button = [this](double x, const char* stem) {
        auto* b = new ZylButton(NSMakeRect(x, 0, 30, 30), _playerBottomChildView);
        toolstyle::setButtonImages(
            b, toolstyle::pictureSet(QString::fromUtf8(stem), ".png", QString::fromUtf8(stem) + "_Down.png"));
        b->setBordered(false);
        return b;
    };
    _b_playPauseBtn = button(0, "Join/btnPlay");
    _b_stopBtn = button(35, "Join/btnStop");
    _b_cameraBtn = button(70, "Join/btnCapture");
    _b_picStyleBtn = button(105, "Join/btnCaptureSet");
    _b_volumeBtn = button(140, "Cut/btnOpenVolume");
    // Playing shows the pause picture; a mute shows the closed speaker.
    toolstyle::setButtonImages(_b_playPauseBtn, playPictures());
    toolstyle::ImageList volume = toolstyle::openVolumePictures();
    volume[3] = "Cut/btnCloseVolume_Normal.png";
    toolstyle::setButtonImages(_b_volumeBtn, volume);
    _b_volumeSlider = new LxProgressSlider(NSMakeRect(175, 5, 80, 20), _playerBottomChildView);
    _b_volumeSlider->setDelegate(this);
    _b_volumeSlider->setProgress(0.5f); // gain 1.0: the file's own level
    _b_coverStylePopBtn = new QComboBox(_playerBottomChildView);
    setFrame(_b_coverStylePopBtn, NSMakeRect(135, 5, 80, 20));
    for (const char* key : {"png", "jpg", "bmp"}) {
        QString title = loc(key);
        title.remove(QLatin1Char('"'));
        if (!title.isEmpty())
            _b_coverStylePopBtn->addItem(title, QString::fromUtf8(key));
    }
    _b_coverStylePopBtn->hide();
    connect(_b_coverStylePopBtn, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { picstyleAction(index); });

    _b_playPauseBtn->mouseDownAction = [this](ZylButton*) {
        queued(this, [](auto* w) { w->action_playPauseBtn(); });
    };
    _b_stopBtn->mouseDownAction = [this](ZylButton*) { queued(this, [](auto* w) { w->stop(); }); };
    _b_cameraBtn->mouseDownAction = [this](ZylButton*) {
        queued(this, [](auto* w) {
            if (w->preview()->player())
                w->actionCarameraBtn();
        });
    };
    _b_picStyleBtn->mouseDownAction = [this](ZylButton*) {
        queued(this, [](auto* w) {
            if (w->preview()->player())
                w->toggleCoverStylePopup();
        });
    };
    _b_volumeBtn->mouseDownAction = [this](ZylButton*) {
        queued(this, [](auto* w) {
            const bool muted = !w->_b_volumeBtn->selected();
            w->_b_volumeBtn->setSelected(muted);
            // Unmuting gives back the level set before the mute.
            w->preview()->setMuted(muted);
        });
    };
}

void EditVideoWindowController::toggleCoverStylePopup() {
    _b_coverStylePopBtn->setVisible(!_b_coverStylePopBtn->isVisible());
    placeVolumeControls();
}

void EditVideoWindowController::placeVolumeControls() {
    const NSRect style = geometry::frame(_b_picStyleBtn);
    const NSRect pop = geometry::frame(_b_coverStylePopBtn);
    NSRect vol = geometry::frame(_b_volumeBtn);
    vol.x = _b_coverStylePopBtn->isVisible() ? pop.maxX() : style.maxX();
    setFrame(_b_volumeBtn, vol);
    NSRect slider = geometry::frame(_b_volumeSlider);
    slider.x = vol.maxX() + 5;
    setFrame(_b_volumeSlider, slider);
}

void EditVideoWindowController::picstyleAction(int index) {
    coverStyle_ = _b_coverStylePopBtn->itemData(index).toString();
    _b_coverStylePopBtn->setCurrentIndex(index);
    _b_coverStylePopBtn->hide();
    placeVolumeControls();
}

bool EditVideoWindowController::isPlaying() const {
    return preview_->isPlaying();
}

void EditVideoWindowController::play() {
    LxMoviePlayer* player = preview_->player();
    if (!player)
        return;
    const auto& streams = session_.file().fileData->audioStreamInfos;
    const int chosen = _audiochanelPopBtn->currentIndex();
    if (chosen >= 0 && size_t(chosen) < streams.size())
        player->SetAudioIndex(streams[size_t(chosen)]->index);
    musicPanel_->mixInto(*player);
    preview_->play();
    showPlaying(true);
}

// The overlays and both play buttons follow whether the preview plays.
void EditVideoWindowController::showPlaying(bool playing) {
    overlaysPlayStateChanged(playing);
    _b_playPauseBtn->setSelected(playing);
    // While playing, the button is a pause button in every look.
    toolstyle::setButtonImages(
        _b_playPauseBtn, playing ? toolstyle::ImageList{"Join/btnPause_Normal.png", "Join/btnPause_On.png",
                                                        "Join/btnPause_Down.png", "Join/btnPause_Normal.png",
                                                        "Join/btnPlay_Disable.png"}
                                 : playPictures());
    _playTrimBtn->setSelected(playing);
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
    musicPanel_->mainPlaybackChanged(false);
}

void EditVideoWindowController::action_playPauseBtn() {
    if (isPlaying())
        pause();
    else
        play();
    musicPanel_->mainPlaybackChanged(isPlaying());
}

void EditVideoWindowController::changePlayerSlider(double current, double d) {
    const float p = fractionOf(current, d).value_or(0.f);
    // Both bars follow the play head, so that the one a tool switch shows is not stale.
    _cutProgressView->setProgress(p);
    _progressSlider->setProgress(p);
    _currentTimeLabel->setText(HelpClass::returnTimeToStr(current));
    _mCurrentTimeLabel->setText(HelpClass::returnTimeToStr(current));
    _totalTimeLabel->setText(HelpClass::returnTimeToStr(d));
    if (toolItemType_ == EditorToolTypeMusic)
        musicPanel_->showVideoProgress(p);
}

// The end of play: back to the start of the trim range, paused.
void EditVideoWindowController::playerDidEnd() {
    pause();
    musicPanel_->mainPlaybackChanged(false);
    const std::optional<float> head = session_.rewindToRangeStart(preview_->player());
    if (head) {
        _progressSlider->setProgress(*head);
        _cutProgressView->setProgress(*head);
    }
}

void EditVideoWindowController::addAudioTimer() {
    removeAudioTimer();
    audioTimer_.start();
}

void EditVideoWindowController::removeAudioTimer() {
    audioTimer_.stop();
}

void EditVideoWindowController::changeMusicPlayerSlider() {
    if (!lxmusicPlayer || !_pruneRangSlider)
        return;
    const auto p = fractionOf(CMTimeGetSeconds(lxmusicPlayer->currentTime()),
                              CMTimeGetSeconds(lxmusicPlayer->duration()));
    if (p)
        _pruneRangSlider->setProgress(*p);
}

void EditVideoWindowController::actionCarameraBtn() {
    preview_->snapshot(exportBar_->preparedOutputPath(), coverStyle_, [](const QString& written) {
        if (written.isEmpty())
            qCWarning(lcEditor) << "snapshot not written";
    });
}

void EditVideoWindowController::applyRefresh(const EditorSession::RefreshView& view) {
    _cutProgressView->setIsFanxuan(view.isTrimFanxuan);
    _preferenceBtn->setCurrentIndex(view.isTrimFanxuan ? 1 : 0);
    startRow_->setTime(view.startSeconds);
    stopRow_->setTime(view.stopSeconds);
    if (view.trimLower && view.trimUpper)
        _cutProgressView->setLowerValue(*view.trimLower, *view.trimUpper);
    if (view.playHead) {
        _cutProgressView->setProgress(*view.playHead);
        _progressSlider->setProgress(*view.playHead);
    }
    _currentTimeLabel->setText(view.currentTimeText);
    _totalTimeLabel->setText(view.totalTimeText);
    _mCurrentTimeLabel->setText(view.currentTimeText);
    _mTotaldurationLabel->setText(view.totalTimeText);
    preview_->setVolume(view.volume);
    _audiochanelPopBtn->clear();
    _audiochanelPopBtn->addItems(view.audioStreamTitles);
    _audiochanelPopBtn->setCurrentIndex(view.audioStreamTitles.isEmpty() ? -1 : 0);
}

// The seek slider and the preview volume.
void EditVideoWindowController::actionMouseDownForProgressSliderBlock(LxProgressSlider* slider,
                                                                      float progress) {
    if (slider == _b_volumeSlider) {
        preview_->setVolume(2.0 * progress);
        return;
    }
    if (slider != _progressSlider || !preview_->player())
        return;
    // The drag pauses the player without ending the play state; the release resumes it.
    preview_->player()->pause();
    preview_->stopTicking();
}

void EditVideoWindowController::actionProgressForProgressSliderBlock(LxProgressSlider* slider,
                                                                     float progress) {
    if (slider == _b_volumeSlider) {
        preview_->setVolume(2.0 * progress);
        return;
    }
    if (slider != _progressSlider || !preview_->player())
        return;
    const double t = std::clamp(double(progress), 0.0, 1.0) * duration();
    preview_->seek(t, 600);
    _currentTimeLabel->setText(HelpClass::returnTimeToStr(t));
}

void EditVideoWindowController::actionMouseUpForProgressSliderBlock(LxProgressSlider* slider,
                                                                    float progress) {
    if (slider == _b_volumeSlider) {
        preview_->setVolume(2.0 * progress);
        return;
    }
    if (slider != _progressSlider || !preview_->player())
        return;
    actionProgressForProgressSliderBlock(slider, progress);
    if (preview_->isPlaying()) {
        preview_->player()->play();
        preview_->startTicking();
    }
}
