// The trim bar's callbacks and the transport keys (play/pause, back and forward 0.1 s).
#include "tools/easycut/EasyCutterWindowcontroller.h"

#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/helpers/NSBundle.h"
#include "foundation/records/CutItem.h"
#include "foundation/records/FileData.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"

#include <QLabel>

void EasyCutterWindowcontroller::actionMouseDownForCutProgressViewBlock(LxCutProgressView*, float) {
    if (!player())
        return;
    player()->pause();
    removeTimer();
}

void EasyCutterWindowcontroller::actionMouseUpForCutProgressViewBlock(LxCutProgressView*, float) {
    if (!player() || !isPlaying_)
        return;
    player()->play();
    addTimer();
    playOrpauseBtn->setEnabled(!isPlaySelectedCut_);
    playOrpauseSelectBtn->setEnabled(isPlaySelectedCut_);
}

void EasyCutterWindowcontroller::actionMouseMovedForCutProgressViewBlock(LxCutProgressView*, float startvalue,
                                                                         float stopvalue, int handleType) {
    const double d = duration();
    if (d <= 0 || !player())
        return;
    const double start = startvalue * d;
    const double end = stopvalue * d;
    if (handleType == 1) {
        selectStartPlayTime_ = float(start);
        seekTo(start);
    } else if (handleType == 2) {
        seekTo(end);
        selectStartPlayTime_ = float(end);
    }
    if (isModifying()) {
        // Handles that touch give an empty range, which is not stored.
        storeSegmentTimes(itemModifyBtn->index(), start, end);
        refresSelectTrimTime(handleType == 1, handleType == 2);
    } else {
        writeTime(startFields, start);
        writeTime(stopFields, end);
        selectedLeftBtn->setEnabled(false);
        selectedRightBtn->setEnabled(false);
    }
    durationValueLabel->setText(HelpClass::returnTimeToStr(end - start));
    currentTimeLabel->setText(HelpClass::returnTimeToStr(currentTime()));
}

void EasyCutterWindowcontroller::actionSeekToTimeForCutProgressViewBlock(LxCutProgressView*, float progress) {
    const double d = duration();
    if (d <= 0)
        return;
    const double p = std::clamp(double(progress), 0.0, 1.0);
    seekTo(d * p);
    updateMarkButtons(p);
}

// The Space key and the keyboard panel's button: the same play and pause as the big play
// button, whose look follows (pause picture while playing).
void EasyCutterWindowcontroller::playOrPauseVideo() {
    if (!player() || jobChain().isBusy())
        return;
    if (!isPlaying_) {
        isPlaySelectedCut_ = false;
        playOrpauseBtn->setSelected(true);
        setPlayImages(true);
        player()->play();
        isPlaying_ = true;
        cutprogressView->setTickMark(true);
        addTimer();
        playOrpauseSelectBtn->setEnabled(false);
    } else {
        // Pausing a range preview as well: both buttons return to their idle look.
        isPlaySelectedCut_ = false;
        playOrpauseBtn->setSelected(false);
        playOrpauseSelectBtn->setSelected(false);
        setPlayImages(false);
        setPreviewImages(false);
        player()->pause();
        isPlaying_ = false;
        removeTimer();
        playOrpauseBtn->setEnabled(true);
        playOrpauseSelectBtn->setEnabled(true);
    }
}

// Moves the handle placed last (the start handle when none was placed) by step seconds:
// the segment being modified, or else the range, taking the step from the play head. The
// range is set directly, never refreshed from a selected segment, which would undo the step.
// Returns whether a segment was being modified.
bool EasyCutterWindowcontroller::nudgeHandle(double step) {
    const double d = duration();
    const bool endHandle = cutprogressView->handleType() == 2;
    if (CutItem* item = modifiedSegment()) {
        const double s = item->startTime, e = item->endTime;
        const double v =
            endHandle ? std::min(d, std::max(s, e + step)) : std::min(e, std::max(0.0, s + step));
        storeSegmentTimes(itemModifyBtn->index(), endHandle ? s : v, endHandle ? v : e);
        refresSelectTrimTime(!endHandle, endHandle);
        seekTo(v);
        return true;
    }
    double c = currentTime();
    // Held on the handle's own picture (the first at or after the handle), the step goes from
    // the handle, not from that picture's time: each press moves the mark by exactly one step.
    const double handle = d * (endHandle ? cutprogressView->upperValue() : cutprogressView->lowerValue());
    const double fps = fileData_ && fileData_->sourceData ? fileData_->sourceData->fps : 0;
    if (fps > 0 && c >= handle && c - handle < 1.0 / fps)
        c = handle;
    double v;
    if (!endHandle) {
        v = std::min(cutprogressView->upperValue() * d, std::max(0.0, c + step));
        cutprogressView->setLowerValue(float(v / d));
    } else {
        v = std::min(d, std::max(cutprogressView->lowerValue() * d, c + step));
        cutprogressView->setUpperValue(float(v / d));
    }
    seekTo(v);
    cutprogressView->setProgress(float(v / d));
    showRange();
    return false;
}

void EasyCutterWindowcontroller::resumeAfterNudge() {
    if (!isPlaying_)
        return;
    player()->play();
    addTimer();
}

void EasyCutterWindowcontroller::kuaituiAction() {
    if (!player() || duration() <= 0 || jobChain().isBusy())
        return;
    if (isPlaying_)
        player()->pause();
    // Stepping back while modifying a segment leaves the player paused.
    if (!nudgeHandle(-0.1))
        resumeAfterNudge();
}

void EasyCutterWindowcontroller::kuaijinAction() {
    const double d = duration();
    if (!player() || d <= 0 || jobChain().isBusy())
        return;
    if (isPlaying_)
        player()->pause();
    // The play head stays on the moved handle, so that each press moves the mark by one
    // step (a further advance of the play head would make the next step twice as long).
    nudgeHandle(0.1);
    resumeAfterNudge();
}
