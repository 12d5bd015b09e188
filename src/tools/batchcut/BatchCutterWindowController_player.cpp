// The preview of the selected file and the control strip under it: play, stop, set start
// and set stop from the play head, snapshot and its format, mute and the file's volume.
#include "tools/batchcut/BatchCutterWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/Workspace.h"
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

void BatchCutterWindowController::buildPlayerArea(QWidget* right) {
    playhead::build(right, this, {playerView, preview_, leftTimeLabel, rightTimeLabel, cutProgressView}, this,
                    [this](double current, double duration) { showPlayHead(current, duration); },
                    [this] { playerDidEnd(); });
    clipstrip::build(this, right, 280, stripControls(), clipstrip::actionsOf(this), this);
}

clipstrip::Controls BatchCutterWindowController::stripControls() {
    return {playBtn, stopBtn, startCutTimeBtn, stopCutTimeBtn, cutCoverBtn, cutcoverStyleBtn, coverStylePopBtn,
            volumeBtn, volumeSlider};
}

void BatchCutterWindowController::initPlayer() {
    preview_->close();
    playBtn->setSelected(false);
    SimpleData* clip = selectedClip();
    if (clip && !clip->path.isEmpty())
        preview_->open(clip->path, clip->volume, PreviewPane::displaySize(*clip));
    showSelectedClip();
    // The preview starts paused at the range's start.
    const double start = clip ? double(rangeOf(*clip).first) / 1e6 : 0.0;
    preview_->seek(start);
    showPlayHead(preview_->player() ? start : 0.0, preview_->duration());
    setVolumeButtonLook(false);
}

void BatchCutterWindowController::play() {
    if (!preview_->player())
        return;
    preview_->play();
    playBtn->setSelected(true);
}

void BatchCutterWindowController::pause() {
    if (!preview_->player())
        return;
    preview_->pause();
    playBtn->setSelected(false);
}

void BatchCutterWindowController::stop() {
    if (fileList_.empty() || !preview_->player())
        return;
    preview_->stop();
    playBtn->setSelected(false);
}

playhead::Strip BatchCutterWindowController::playHead() const {
    return {preview_, cutProgressView, leftTimeLabel, rightTimeLabel, playBtn};
}

void BatchCutterWindowController::showPlayHead(double current, double duration) {
    playhead::show(playHead(), current, duration);
}

void BatchCutterWindowController::playerDidEnd() {
    playhead::rewind(playHead());
}

void BatchCutterWindowController::actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float) {
    if (view == cutProgressView && preview_->isPlaying())
        pause();
}

void BatchCutterWindowController::actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) {
    if (view == cutProgressView)
        playhead::scrub(playHead(), progress);
}

void BatchCutterWindowController::actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float progress) {
    if (view == cutProgressView)
        playhead::release(playHead(), progress, [this] { play(); });
}

void BatchCutterWindowController::actionCarameraBtn() {
    if (fileList_.empty() || !preview_->player())
        return;
    preview_->snapshot(exportBar_->preparedOutputPath(), coverStyle(),
                       [](const QString& file) { qCDebug(lcTools) << "batch: snapshot" << file; });
}

void BatchCutterWindowController::toggleCoverStylePop() {
    if (preview_->player())
        clipstrip::toggleStylePop(stripControls());
}

void BatchCutterWindowController::coverstyleAction(int index) {
    clipstrip::chooseStyle(stripControls(), index, coverStyle_);
}

void BatchCutterWindowController::setVolumeButtonLook(bool muted) {
    clipstrip::setMutedLook(volumeBtn, muted);
}

void BatchCutterWindowController::muteToggle() {
    if (fileList_.empty())
        return;
    const bool muted = !preview_->isMuted();
    preview_->setMuted(muted);
    setVolumeButtonLook(muted);
}

void BatchCutterWindowController::actionMouseDownForProgressSliderBlock(LxProgressSlider*, float) {
    // Present so that a click moves the thumb to the clicked point.
}

void BatchCutterWindowController::actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) {
    if (slider == volumeSlider && std::isfinite(progress))
        volumeChanged(2.0 * std::clamp(double(progress), 0.0, 1.0));
}

void BatchCutterWindowController::actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) {
    actionProgressForProgressSliderBlock(slider, progress);
}

void BatchCutterWindowController::emailAction() {
    QString mail = QString("mailto:%1?Subject=%2&body=%3").arg(loc("email_address"), " ", " ");
    mail.replace(' ', "%20");
    Workspace::openURL(QUrl(mail));
}
