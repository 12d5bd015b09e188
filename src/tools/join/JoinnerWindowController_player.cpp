// The preview of the selected clip and the control strip under it: play, stop, set start and
// set stop from the play head, snapshot and its format, mute and the clip's volume. The play
// head runs through the whole clip; only the join uses the range.
#include "tools/join/JoinnerWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/Workspace.h"
#include "tools/join/JoinPlan.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/ClipStrip.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PlayHead.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/ToolLayout.h"
#include "tools/shared/ToolStyle.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QUrl>
#include <cmath>

using toollayout::label;
using toollayout::make;

void JoinnerWindowController::buildPlayerArea(QWidget* right) {
    playhead::build(right, this, {playerView, preview_, leftTimeLabel, rightTimeLabel, cutProgressView}, this,
                    [this](double current, double duration) { showPlayHead(current, duration); },
                    [this] { playerDidEnd(); });
    clipstrip::build(this, right, 280, stripControls(), clipstrip::actionsOf(this), this);
}

clipstrip::Controls JoinnerWindowController::stripControls() {
    return {playBtn, stopBtn, startCutTimeBtn, stopCutTimeBtn, cutCoverBtn, cutcoverStyleBtn, coverStylePopBtn,
            volumeBtn, volumeSlider};
}

void JoinnerWindowController::initPlayer() {
    preview_->close();
    // A new clip starts paused, whatever the last one was doing.
    playBtn->setSelected(false);
    SimpleData* clip = selectedClip();
    if (clip && !clip->path.isEmpty())
        preview_->open(clip->path, clip->volume, PreviewPane::displaySize(*clip));
    showSelectedClip();
    // The play head starts at the range's start.
    const double start = clip ? double(JoinPlan::range(*clip).first) / 1e6 : 0.0;
    preview_->seek(start);
    showPlayHead(preview_->player() ? start : 0.0, preview_->duration());
    setVolumeButtonLook(false);
}

void JoinnerWindowController::play() {
    if (!preview_->player())
        return;
    preview_->play();
    playBtn->setSelected(true);
}

void JoinnerWindowController::pause() {
    if (!preview_->player())
        return;
    preview_->pause();
    playBtn->setSelected(false);
}

void JoinnerWindowController::stop() {
    if (!preview_->player())
        return;
    // The play head stays where it was until the next play or seek.
    preview_->stop();
    playBtn->setSelected(false);
}

playhead::Strip JoinnerWindowController::playHead() const {
    return {preview_, cutProgressView, leftTimeLabel, rightTimeLabel, playBtn};
}

void JoinnerWindowController::showPlayHead(double current, double duration) {
    playhead::show(playHead(), current, duration);
}

void JoinnerWindowController::playerDidEnd() {
    playhead::rewind(playHead());
}

void JoinnerWindowController::actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float) {
    if (view == cutProgressView && preview_->isPlaying())
        pause();
}

void JoinnerWindowController::actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) {
    if (view == cutProgressView)
        playhead::scrub(playHead(), progress);
}

void JoinnerWindowController::actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float progress) {
    if (view == cutProgressView)
        playhead::release(playHead(), progress, [this] { play(); });
}

void JoinnerWindowController::actionCarameraBtn() {
    if (!preview_->player())
        return;
    preview_->snapshot(exportBar_->preparedOutputPath(), coverStyle(),
                       [](const QString& file) { qCDebug(lcTools) << "join: snapshot" << file; });
}

void JoinnerWindowController::toggleCoverStylePop() {
    if (preview_->player())
        clipstrip::toggleStylePop(stripControls());
}

void JoinnerWindowController::coverstyleAction(int index) {
    clipstrip::chooseStyle(stripControls(), index, coverStyle_);
}

void JoinnerWindowController::setVolumeButtonLook(bool muted) {
    clipstrip::setMutedLook(volumeBtn, muted);
}

void JoinnerWindowController::muteToggle() {
    const bool muted = !preview_->isMuted();
    preview_->setMuted(muted);
    setVolumeButtonLook(muted);
}

void JoinnerWindowController::actionMouseDownForProgressSliderBlock(LxProgressSlider*, float) {
    // Present so that a click moves the thumb to the clicked point.
}

void JoinnerWindowController::actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) {
    if (slider == volumeSlider && std::isfinite(progress))
        volumeChanged(2.0 * std::clamp(double(progress), 0.0, 1.0));
}

void JoinnerWindowController::actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) {
    actionProgressForProgressSliderBlock(slider, progress);
}

void JoinnerWindowController::setStartTrimBtnTouchUp() {
    SimpleData* clip = selectedClip();
    if (!clip || !preview_->player() || isJoining())
        return;
    const int64_t d = JoinPlan::durationUs(*clip);
    const int64_t t = std::clamp<int64_t>(std::llround(preview_->currentTime() * 1e6), 0, d);
    // A start at or past the stop takes the stop to the clip's end; a start at the very end
    // leaves no range and is not taken.
    const int64_t stop = JoinPlan::range(*clip).second;
    if (t >= d)
        return;
    storeSelectedRange(t, t < stop ? stop : d);
}

void JoinnerWindowController::setStopTrimBtnTouchUp() {
    SimpleData* clip = selectedClip();
    if (!clip || !preview_->player() || isJoining())
        return;
    const int64_t d = JoinPlan::durationUs(*clip);
    const int64_t t = std::clamp<int64_t>(std::llround(preview_->currentTime() * 1e6), 0, d);
    // A stop before the start takes the start back to the clip's beginning.
    const int64_t start = JoinPlan::range(*clip).first;
    if (t <= 0)
        return;
    storeSelectedRange(t > start ? start : 0, t);
}

void JoinnerWindowController::emailAction() {
    QString mail = QString("mailto:%1?Subject=%2&body=%3").arg(loc("email_address"), " ", " ");
    mail.replace(' ', "%20");
    Workspace::openURL(QUrl(mail));
}
