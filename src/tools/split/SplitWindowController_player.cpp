// Choosing and loading the source, the preview player, its 0.1 s play head, the position
// bar's callbacks and the volume.
#include "tools/split/SplitWindowController.h"

#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/engine/LxMoviePlayer.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "tools/shared/MediaOpenPanel.h"
#include "tools/shared/SourceProbe.h"
#include "tools/split/SplitProgressView.h"

#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <cmath>

namespace {
// Seeks of the splitter use a time scale of 600.
constexpr int32_t kTimescale = 600;
} // namespace

void SplitWindowController::addFileAction() {
    // A load would change the source under a running export.
    if (jobChain().isBusy())
        return;
    QPointer<SplitWindowController> self(this);
    // The splitter works on one file: the panel takes one.
    MediaOpenPanel::open(this, false, [self](const QStringList& paths) {
        qCDebug(lcTools) << "urls:" << paths;
        if (self && !self->isClosing() && !paths.isEmpty())
            self->loadSourceFile(paths.first());
    });
}

bool SplitWindowController::loadSourceFile(const QString& path) {
    if (jobChain().isBusy())
        return false;
    const SourceProbe::Result result = SourceProbe::probe(path);
    if (!result.data) {
        // A refused file leaves the earlier file, its player and its points in place.
        SourceProbe::showRefusal(this, result.refusal, path);
        return false;
    }
    fileData_ = result.data;
    scrLabel->setText(path);
    const FileData& src = *fileData_->sourceData;
    enableEdit(true);
    hiddenPlayerView(false);
    resolutionValueLabel->setText(QString::asprintf("%dx%d", src.width, src.height));
    resoucefilesizeValueLabel->setText(QString::asprintf("%.2f MB", src.fileSize));
    resouceTotaltimeValueLabel->setText(HelpClass::returnTimeToStr(duration()));
    volumeSlider->setProgress(float(fileData_->volume * 0.5));
    volumeBtn->setSelected(false);
    initPlayer();
    playerSlider->setProgress(0);
    playerCurrentTimeLabel->setText(HelpClass::returnTimeToStr(0));
    split_timeBtn->setChecked(true);
    limiteachTimeSegmentAction();
    return true;
}

void SplitWindowController::closeCurrentPlayer() {
    playerTimer_.stop();
    isPlaying_ = false;
    playBtn->setSelected(false);
    if (!lxPlayer_)
        return;
    lxPlayer_->stop();
    lxPlayer_->closePlayer();
    lxPlayer_.reset();
}

void SplitWindowController::initPlayer() {
    if (!fileData_ || fileData_->path.isEmpty())
        return;
    closeCurrentPlayer();
    lxPlayer_ = std::make_unique<LxMoviePlayer>(fileData_->path, playerView->rect());
    lxPlayer_->SetVolume(fileData_->volume);
    lxPlayer_->seekTime(CMTimeMake(1, 30));
    QPointer<SplitWindowController> self(this);
    lxPlayer_->setPlayerDidEndBlock([self] {
        dispatchMain([self] {
            if (self && !self->isClosing())
                self->playerDidEnd();
        });
    });
    showTotalTime();
    if (QWidget* v = lxPlayer_->view()) {
        v->setParent(playerView);
        v->setGeometry(0, 0, playerView->width(), playerView->height());
        v->show();
    }
}

double SplitWindowController::playerDuration() const {
    return lxPlayer_ ? duration() : 0;
}

void SplitWindowController::seekTo(double seconds) {
    if (lxPlayer_ && std::isfinite(seconds))
        lxPlayer_->seekTime(CMTimeMakeWithSeconds(std::clamp(seconds, 0.0, duration()), kTimescale));
}

void SplitWindowController::playAction() {
    if (!lxPlayer_)
        return;
    isPlaying_ = true;
    playBtn->setSelected(true);
    lxPlayer_->play();
    playerSlider->setHiddenTick(false);
    playerTimer_.start();
}

void SplitWindowController::pauseAction() {
    if (!lxPlayer_)
        return;
    isPlaying_ = false;
    playBtn->setSelected(false);
    if (lxPlayer_->playerStatus() == 1) {
        playerSlider->setHiddenTick(false);
        playerTimer_.stop();
        lxPlayer_->pause();
    }
}

void SplitWindowController::stopAction() {
    playBtn->setSelected(false);
    isPlaying_ = false;
    playerSlider->setHiddenTick(false);
    playerTimer_.stop();
    if (!lxPlayer_)
        return;
    lxPlayer_->stop();
    lxPlayer_->seekTime(CMTimeMake(0, 1));
    playerSlider->setProgress(0);
    playerCurrentTimeLabel->setText(HelpClass::returnTimeToStr(0));
}

void SplitWindowController::playerDidEnd() {
    stopAction();
}

void SplitWindowController::changePlaySlider() {
    const double d = duration();
    if (!lxPlayer_ || d <= 0)
        return;
    const double t = std::clamp(CMTimeGetSeconds(lxPlayer_->currentTime()), 0.0, d);
    playerSlider->setProgress(float(t / d));
    playerCurrentTimeLabel->setText(HelpClass::returnTimeToStr(t));
}

void SplitWindowController::initPlayerSlider() {
    playerSlider->setHiddenTick(false);
    playerSlider->setProgress(0);
    QPointer<SplitWindowController> self(this);
    // Each report hops to the main queue before it seeks.
    playerSlider->ProgressForSliderBlock = [self](float p) {
        dispatchMain([self, p] {
            if (!self || !self->lxPlayer_)
                return;
            self->seekTo(self->duration() * p);
            self->playerCurrentTimeLabel->setText(HelpClass::returnTimeToStr(self->duration() * p));
        });
    };
    playerSlider->MouseDownForSliderBlock = [self](float p) {
        dispatchMain([self, p] {
            if (!self || !self->lxPlayer_)
                return;
            self->seekTo(self->duration() * p);
            // Pressing the bar while playing pauses; the wish to play stays for the release.
            if (self->isPlaying_ && self->lxPlayer_->playerStatus() == 1) {
                self->playerSlider->setHiddenTick(false);
                self->playerTimer_.stop();
                self->lxPlayer_->pause();
            }
        });
    };
    playerSlider->MouseUpForSliderBlock = [self](float p) {
        dispatchMain([self, p] {
            if (!self || !self->lxPlayer_)
                return;
            self->seekTo(self->duration() * p);
            self->playerCurrentTimeLabel->setText(HelpClass::returnTimeToStr(self->duration() * p));
            if (self->isPlaying_)
                self->playAction();
        });
    };
}

void SplitWindowController::volumeToggle() {
    volumeBtn->setSelected(!volumeBtn->selected());
    if (!lxPlayer_ || !fileData_ || lxPlayer_->playerStatus() == 0)
        return;
    if (!volumeBtn->selected()) {
        fileData_->volume = 1.0;
        lxPlayer_->SetVolume(1.0);
        volumeSlider->setProgress(0.5f);
    } else {
        lxPlayer_->SetVolume(0);
        volumeSlider->setProgress(0);
    }
}

void SplitWindowController::volumeChanged(float progress) {
    if (!fileData_)
        return;
    fileData_->volume = 2.0 * std::clamp(double(progress), 0.0, 1.0);
    if (lxPlayer_)
        lxPlayer_->SetVolume(fileData_->volume);
}

void SplitWindowController::actionMouseUpForProgressSliderBlock(LxProgressSlider*, float progress) {
    volumeChanged(progress);
}

void SplitWindowController::actionMouseDownForProgressSliderBlock(LxProgressSlider*, float progress) {
    volumeChanged(progress);
}

void SplitWindowController::actionProgressForProgressSliderBlock(LxProgressSlider*, float progress) {
    volumeChanged(progress);
}
