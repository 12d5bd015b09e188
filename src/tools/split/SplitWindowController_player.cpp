// Choosing and loading the source, the preview player, its 0.1 s play head, the position
// bar's callbacks and the volume.
#include "tools/split/SplitWindowController.h"

#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "tools/shared/Loc.h"
#include "tools/shared/MediaOpenPanel.h"
#include "tools/shared/PreviewPane.h"
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
    auto data = SourceProbe::probeOrRefuse(this, path);
    // A refused file leaves the earlier file, its player and its points in place.
    if (!data)
        return false;
    fileData_ = std::move(data);
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
    preview_->close();
    playBtn->setSelected(false);
}

void SplitWindowController::initPlayer() {
    if (!fileData_ || fileData_->path.isEmpty())
        return;
    closeCurrentPlayer();
    preview_->open(fileData_->path, fileData_->volume, PreviewPane::displaySize(*fileData_));
    showTotalTime();
}

void SplitWindowController::movedOntoIndexLine(const std::function<double(double)>& toLine) {
    const double before = duration(), d = preview_->duration();
    if (!fileData_ || before <= 0 || d <= 0)
        return;
    IndexLineMove move(before, d, toLine);
    // A split that started on the stored times cuts its remaining parts on the same pictures.
    if (timeParts_ && timeParts_->run->moved()) {
        const auto moved = [&](int64_t us) { return std::llround(move.at(double(us) / 1e6) * 1e6); };
        timeParts_->from = moved(timeParts_->from);
        for (size_t i = timeParts_->next; i < timeParts_->ends.size(); ++i)
            timeParts_->ends[i] = moved(timeParts_->ends[i]);
    }
    // The begin marker too is where the user put it.
    playerSlider->moveSplitItems([&](float f) { return float(move.userTime(double(f) * before) / d); });
    // The probed length gives way to the index's: the bar, the points and the export count on it.
    fileData_->sourceData->duration = float(d);
    resouceTotaltimeValueLabel->setText(HelpClass::returnTimeToStr(d));
    showTotalTime();
    splitTimeLabel->setText(HelpClass::returnTimeToStr(double(playerSlider->beginProgress()) * d));
    changePlaySlider();
    if (move.userTimeChanged())
        showSimpleAlert(loc("indexLineMovedString"));
}

LxMoviePlayer* SplitWindowController::player() const {
    return preview_->player();
}

void SplitWindowController::seekTo(double seconds) {
    if (std::isfinite(seconds))
        preview_->seek(std::clamp(seconds, 0.0, duration()), kTimescale);
}

void SplitWindowController::playAction() {
    if (!preview_->player())
        return;
    playBtn->setSelected(true);
    playerSlider->setHiddenTick(false);
    preview_->play();
}

void SplitWindowController::pauseAction() {
    if (!preview_->player())
        return;
    playBtn->setSelected(false);
    playerSlider->setHiddenTick(false);
    preview_->pause();
}

void SplitWindowController::stopAction() {
    playBtn->setSelected(false);
    playerSlider->setHiddenTick(false);
    if (!preview_->player()) {
        preview_->pause();
        return;
    }
    preview_->stop();
    playerSlider->setProgress(0);
    playerCurrentTimeLabel->setText(HelpClass::returnTimeToStr(0));
}

void SplitWindowController::playerDidEnd() {
    stopAction();
}

void SplitWindowController::changePlaySlider() {
    const double d = duration();
    if (!preview_->player() || d <= 0)
        return;
    const double t = std::clamp(preview_->currentTime(), 0.0, d);
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
            if (!self || !self->preview_->player())
                return;
            self->seekTo(self->duration() * p);
            self->playerCurrentTimeLabel->setText(HelpClass::returnTimeToStr(self->duration() * p));
        });
    };
    playerSlider->MouseDownForSliderBlock = [self](float p) {
        dispatchMain([self, p] {
            if (!self || !self->preview_->player())
                return;
            self->seekTo(self->duration() * p);
            // Pressing the bar while playing pauses; the wish to play stays for the release.
            if (self->preview_->isPlaying() && self->preview_->player()->playerStatus() == 1) {
                self->playerSlider->setHiddenTick(false);
                self->preview_->stopTicking();
                self->preview_->player()->pause();
            }
        });
    };
    playerSlider->MouseUpForSliderBlock = [self](float p) {
        dispatchMain([self, p] {
            if (!self || !self->preview_->player())
                return;
            self->seekTo(self->duration() * p);
            self->playerCurrentTimeLabel->setText(HelpClass::returnTimeToStr(self->duration() * p));
            if (self->preview_->isPlaying())
                self->playAction();
        });
    };
}

void SplitWindowController::volumeToggle() {
    volumeBtn->setSelected(!volumeBtn->selected());
    const bool muted = volumeBtn->selected();
    if (!muted && fileData_) {
        fileData_->volume = 1.0;
        preview_->setVolume(1.0);
    }
    preview_->setMuted(muted);
    volumeSlider->setProgress(muted ? 0.0f : 0.5f);
}

void SplitWindowController::volumeChanged(float progress) {
    if (!fileData_)
        return;
    fileData_->volume = 2.0 * std::clamp(double(progress), 0.0, 1.0);
    preview_->setVolume(fileData_->volume);
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

double SplitWindowController::playerDuration() const {
    return preview_->player() ? duration() : 0;
}
