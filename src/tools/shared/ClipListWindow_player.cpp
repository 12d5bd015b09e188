// The preview of the selected clip and the control strip under it: play, stop, set start and
// set stop from the play head, snapshot and its format, mute and the clip's volume. The play
// head runs through the whole clip; only the job uses the range.
#include "tools/shared/ClipListWindow.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxStoredTimesLine.h"
#include "platform/Log.h"
#include "platform/Workspace.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RangeRules.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

void ClipListWindow::buildPlayerArea(QWidget* right) {
    playhead::build(
        right, this, {playerView, preview_, leftTimeLabel, rightTimeLabel, cutProgressView}, this,
        [this](double current, double duration) { showPlayHead(current, duration); },
        [this] { playerDidEnd(); });
    clipstrip::build(this, right, 280, stripControls(), clipstrip::actionsOf(this), this);
    preview_->movedOntoIndexLine = [this](const std::function<double(double)>& toLine) {
        movedOntoIndexLine(toLine);
    };
    storedLineTimer_ = new QTimer(this);
    storedLineTimer_->setInterval(250);
    connect(storedLineTimer_, &QTimer::timeout, this, [this] { settleStoredLines(); });
}

void ClipListWindow::movedOntoIndexLine(const std::function<double(double)>& toLine) {
    const SimpleData* shown = selectedClip();
    const double d = preview_->duration();
    if (!shown || d <= 0)
        return;
    storedLines_.erase(shown->path);
    const bool told = moveClipsOntoIndexLine(shown->path, d, toLine);
    refreshRows();
    showSelectedClip();
    showPlayHead(preview_->currentTime(), preview_->duration());
    if (told)
        showSimpleAlert(loc("indexLineMovedString"));
}

bool ClipListWindow::moveClipsOntoIndexLine(const QString& path, double now,
                                            const std::function<double(double)>& toLine) {
    bool told = false;
    for (const auto& clip : fileList_) {
        if (clip->path != path)
            continue;
        IndexLineMove move(double(RangeRules::durationUs(*clip)) / 1e6, now, toLine);
        const auto moved = [&](int64_t us) {
            return int64_t(std::llround(move.userTime(double(us) / 1e6) * 1e6));
        };
        if (clip->hasCutRange()) {
            const auto [start, stop] = RangeRules::rangeOf(*clip);
            clip->cutTimeRange_start = moved(start);
            clip->cutTimeRange_stop = std::max(clip->cutTimeRange_start + 1, moved(stop));
        }
        clip->sourceData->duration = float(now);
        told = told || move.userTimeChanged();
    }
    return told;
}

void ClipListWindow::settleStoredLines() {
    bool moved = false, told = false;
    for (auto it = storedLines_.begin(); it != storedLines_.end();) {
        // The preview moves the file it shows itself.
        if (preview_->path() == it->first && preview_->showsStoredTimes()) {
            ++it;
            continue;
        }
        LxStoredTimesLine& line = *it->second;
        if (!line.isIndexHeld()) {
            ++it;
            continue;
        }
        // The length is the index's once the line has moved.
        const bool onIndexLine = line.moveOntoIndexLine();
        const double d = CMTimeGetSeconds(line.duration());
        if (onIndexLine && d > 0) {
            told = moveClipsOntoIndexLine(it->first, d,
                                          [&line](double s) {
                                              return CMTimeGetSeconds(
                                                  line.timeOnIndexLine(CMTimeMakeWithSeconds(s, 1000000000)));
                                          }) ||
                   told;
            moved = true;
        }
        it = storedLines_.erase(it);
    }
    if (storedLines_.empty() && storedLineTimer_)
        storedLineTimer_->stop();
    if (!moved)
        return;
    refreshRows();
    showSelectedClip();
    showPlayHead(preview_->currentTime(), preview_->duration());
    if (told)
        showSimpleAlert(loc("indexLineMovedString"));
}

std::shared_ptr<StoredTimesRun> ClipListWindow::storedTimesRunOf(const QString& path) {
    settleStoredLines();
    if (preview_->path() == path || !storedLines_.count(path))
        return StoredTimesRun::of(preview_, path);
    QPointer<ClipListWindow> self(this);
    const auto line = [self, path]() -> const LxStoredTimesLine* {
        if (!self)
            return nullptr;
        const auto found = self->storedLines_.find(path);
        return found == self->storedLines_.end() ? nullptr : found->second.get();
    };
    return std::make_shared<StoredTimesRun>(
        true, [line] { return line() && line()->isIndexHeld(); }, [line] { return line() != nullptr; });
}

clipstrip::Controls ClipListWindow::stripControls() {
    return {playBtn,          stopBtn,          startCutTimeBtn, stopCutTimeBtn, cutCoverBtn,
            cutcoverStyleBtn, coverStylePopBtn, volumeBtn,       volumeSlider};
}

void ClipListWindow::initPlayer() {
    preview_->close();
    // A new clip starts paused, whatever the last one was doing.
    playBtn->setSelected(false);
    SimpleData* clip = selectedClip();
    // Times kept on a file's stored times whose index is held now are moved before the file is
    // shown on the index's line.
    settleStoredLines();
    if (clip && !clip->path.isEmpty() &&
        preview_->open(clip->path, clip->volume, PreviewPane::displaySize(*clip)) &&
        preview_->showsStoredTimes() && !storedLines_.count(clip->path)) {
        auto line = std::make_unique<LxStoredTimesLine>(clip->path);
        // Not on the stored times: the index came to be held meanwhile, and the preview moves.
        if (line->isOnStoredTimes()) {
            storedLines_[clip->path] = std::move(line);
            if (storedLineTimer_)
                storedLineTimer_->start();
        }
    }
    showSelectedClip();
    // The play head starts at the range's start.
    const double start = clip ? double(RangeRules::rangeOf(*clip).first) / 1e6 : 0.0;
    preview_->seek(start);
    showPlayHead(preview_->player() ? start : 0.0, preview_->duration());
    setVolumeButtonLook(false);
}

void ClipListWindow::play() {
    if (!preview_->player())
        return;
    preview_->play();
    playBtn->setSelected(true);
}

void ClipListWindow::pause() {
    if (!preview_->player())
        return;
    preview_->pause();
    playBtn->setSelected(false);
}

void ClipListWindow::stop() {
    if (fileList_.empty() || !preview_->player())
        return;
    // The play head stays where it was until the next play or seek.
    preview_->stop();
    playBtn->setSelected(false);
}

playhead::Strip ClipListWindow::playHead() const {
    return {preview_, cutProgressView, leftTimeLabel, rightTimeLabel, playBtn};
}

void ClipListWindow::showPlayHead(double current, double duration) {
    playhead::show(playHead(), current, duration);
}

void ClipListWindow::playerDidEnd() {
    playhead::rewind(playHead());
}

void ClipListWindow::actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float) {
    if (view == cutProgressView && preview_->isPlaying())
        pause();
}

void ClipListWindow::actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) {
    if (view == cutProgressView)
        playhead::scrub(playHead(), progress);
}

void ClipListWindow::actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float progress) {
    if (view == cutProgressView)
        playhead::release(playHead(), progress, [this] { play(); });
}

void ClipListWindow::actionCarameraBtn() {
    if (fileList_.empty() || !preview_->player())
        return;
    preview_->snapshot(
        exportBar_->preparedOutputPath(), coverStyle(),
        [name = logName_](const QString& file) { qCDebug(lcTools) << name << "snapshot" << file; });
}

void ClipListWindow::toggleCoverStylePop() {
    if (preview_->player())
        clipstrip::toggleStylePop(stripControls());
}

void ClipListWindow::coverstyleAction(int index) {
    clipstrip::chooseStyle(stripControls(), index, coverStyle_);
}

void ClipListWindow::setVolumeButtonLook(bool muted) {
    clipstrip::setMutedLook(volumeBtn, muted);
}

void ClipListWindow::muteToggle() {
    // With no clip there is nothing to mute.
    if (fileList_.empty())
        return;
    const bool muted = !preview_->isMuted();
    preview_->setMuted(muted);
    setVolumeButtonLook(muted);
}

void ClipListWindow::actionMouseDownForProgressSliderBlock(LxProgressSlider*, float) {
    // Present so that a click moves the thumb to the clicked point.
}

void ClipListWindow::actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) {
    if (slider == volumeSlider && std::isfinite(progress))
        volumeChanged(2.0 * std::clamp(double(progress), 0.0, 1.0));
}

void ClipListWindow::actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) {
    actionProgressForProgressSliderBlock(slider, progress);
}

void ClipListWindow::setStartTrimBtnTouchUp() {
    SimpleData* clip = selectedClip();
    if (!clip || !preview_->player() || jobChain().isBusy())
        return;
    const int64_t d = RangeRules::durationUs(*clip);
    const int64_t t = std::clamp<int64_t>(std::llround(preview_->currentTime() * 1e6), 0, d);
    // A start at or past the stop takes the stop to the clip's end; a start at the very end
    // would leave no range.
    if (t >= d)
        return;
    const int64_t stop = RangeRules::rangeOf(*clip).second;
    storeSelectedRange(t, t < stop ? stop : d);
    // The play head is drawn at the new edge.
    showPlayHead(double(t) / 1e6, preview_->duration());
}

void ClipListWindow::setStopTrimBtnTouchUp() {
    SimpleData* clip = selectedClip();
    if (!clip || !preview_->player() || jobChain().isBusy())
        return;
    const int64_t d = RangeRules::durationUs(*clip);
    const int64_t t = std::clamp<int64_t>(std::llround(preview_->currentTime() * 1e6), 0, d);
    // A stop before the start takes the start back to the clip's beginning.
    if (t <= 0)
        return;
    const int64_t start = RangeRules::rangeOf(*clip).first;
    storeSelectedRange(t > start ? start : 0, t);
    showPlayHead(double(t) / 1e6, preview_->duration());
}

void ClipListWindow::emailAction() {
    QString mail = QString("mailto:%1?Subject=%2&body=%3").arg(loc("email_address"), " ", " ");
    mail.replace(' ', "%20");
    Workspace::openURL(QUrl(mail));
}
