// The selected file's range and mode (keep or remove), its volume, Reset and Apply to All.
// Every range is measured in microseconds of the file's probed length, the one time base
// of the bar, the fields and the run, and is stored only when 0 <= start < stop <= length.
#include "tools/batchcut/BatchCutterWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "tools/shared/JoinnerCell.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RangeRules.h"
#include "tools/shared/TimeCodeRow.h"

#include <QLabel>
#include <QRadioButton>
#include <cmath>

namespace {
QString timeText(int64_t us) {
    return HelpClass::returnTimeToStr(double(us) / 1e6);
}
} // namespace

SimpleData* BatchCutterWindowController::selectedClip() const {
    const int i = fileListTableView->selectedIndex();
    return i >= 0 && i < int(fileList_.size()) ? fileList_[size_t(i)].get() : nullptr;
}

void BatchCutterWindowController::showSelectedClip() {
    SimpleData* clip = selectedClip();
    showingClip_ = true;
    if (!clip) {
        rangearea::showNone(rangeParts(), cutProgressView);
        volumeSlider->setProgress(0.5f);
        leftTimeLabel->setText(timeText(0));
        rightTimeLabel->setText(timeText(0));
    } else {
        const auto [start, stop] = rangeOf(*clip);
        rangearea::show(rangeParts(), cutProgressView, start, stop, durationUs(*clip), clip->isTrimFanxuan);
        volumeSlider->setProgress(float(std::clamp(clip->volume, 0.0, 2.0) / 2.0));
    }
    showingClip_ = false;
}

bool BatchCutterWindowController::storeSelectedRange(int64_t start, int64_t stop) {
    SimpleData* clip = selectedClip();
    if (!clip || isCutting() || start < 0 || start >= stop || stop > durationUs(*clip))
        return false;
    clip->cutTimeRange_start = start;
    clip->cutTimeRange_stop = stop;
    refreshRows();
    showSelectedClip();
    return true;
}

void BatchCutterWindowController::refreshRows() {
    for (int i = 0; i < fileListTableView->rowCount(); ++i)
        fileListTableView->row(i)->refreshCutLength();
}

bool BatchCutterWindowController::timeRowEdited(bool start) {
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip || isCutting())
        return true;
    TimeCodeRow* row = start ? startTimeRow : stopTimeRow;
    const auto [oldStart, oldStop] = rangeOf(*clip);
    const double seconds = row->time();
    const int64_t d = durationUs(*clip);
    const char* refusal = nullptr;
    int64_t value = 0;
    // The fields show hundredths: a stop typed as the shown length is the file's end.
    if (!std::isfinite(seconds) || seconds < 0 || seconds * 1e6 > double(d) + 5000) {
        refusal = start ? "showmessageTime4" : "showmessageTime2";
    } else {
        value = std::min<int64_t>(std::llround(seconds * 1e6), d);
        if (start && value >= oldStop)
            refusal = "showmessageTime1";
        else if (!start && value <= oldStart)
            refusal = "showmessageTime3";
    }
    if (refusal) {
        row->setTime(double(start ? oldStart : oldStop) / 1e6);
        showSimpleAlert(loc(refusal));
        return true;
    }
    if (start)
        storeSelectedRange(value, oldStop);
    else
        storeSelectedRange(oldStart, value);
    preview_->seek(double(start ? value : oldStart) / 1e6);
    showPlayHead(double(start ? value : oldStart) / 1e6, preview_->duration());
    return true;
}

void BatchCutterWindowController::trimModeChanged(bool remove) {
    cutProgressView->setIsFanxuan(remove);
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip || isCutting())
        return;
    clip->isTrimFanxuan = remove;
}

void BatchCutterWindowController::volumeChanged(double gain) {
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip)
        return;
    // The volume is the preview's only: every output keeps its source's sound.
    clip->volume = gain;
    preview_->setVolume(gain);
}

void BatchCutterWindowController::setStartTrimBtnTouchUp() {
    SimpleData* clip = selectedClip();
    if (!clip || !preview_->player() || isCutting())
        return;
    const int64_t d = durationUs(*clip);
    const int64_t t = std::clamp<int64_t>(std::llround(preview_->currentTime() * 1e6), 0, d);
    // A start at or past the stop takes the stop to the file's end; a start at the very end
    // would leave no range.
    if (t >= d)
        return;
    const int64_t stop = rangeOf(*clip).second;
    storeSelectedRange(t, t < stop ? stop : d);
    showPlayHead(double(t) / 1e6, preview_->duration());
}

void BatchCutterWindowController::setStopTrimBtnTouchUp() {
    SimpleData* clip = selectedClip();
    if (!clip || !preview_->player() || isCutting())
        return;
    const int64_t d = durationUs(*clip);
    const int64_t t = std::clamp<int64_t>(std::llround(preview_->currentTime() * 1e6), 0, d);
    // A stop before the start takes the start back to the file's beginning.
    if (t <= 0)
        return;
    const int64_t start = rangeOf(*clip).first;
    storeSelectedRange(t > start ? start : 0, t);
    // The play head is drawn at the new stop.
    showPlayHead(double(t) / 1e6, preview_->duration());
}

void BatchCutterWindowController::resetCutterItemAction() {
    SimpleData* clip = selectedClip();
    if (!clip || isCutting())
        return;
    const CutRange whole = RangeRules::reset(durationUs(*clip));
    clip->cutTimeRange_start = whole.startUs;
    clip->cutTimeRange_stop = whole.stopUs;
    // Back to keep mode; the radios and the bar follow the record.
    clip->isTrimFanxuan = false;
    preview_->seek(0);
    showPlayHead(0, preview_->duration());
    refreshRows();
    showSelectedClip();
}

void BatchCutterWindowController::applytoallItemAction() {
    SimpleData* from = selectedClip();
    if (!from || isCutting())
        return;
    const auto [start, stop] = rangeOf(*from);
    for (const auto& clip : fileList_) {
        if (clip.get() == from)
            continue;
        const CutRange r = RangeRules::applied({start, stop}, durationUs(*clip));
        clip->cutTimeRange_start = r.startUs;
        clip->cutTimeRange_stop = r.stopUs;
        clip->isTrimFanxuan = from->isTrimFanxuan;
    }
    refreshRows();
    showSelectedClip();
}

void BatchCutterWindowController::actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view, float startvalue,
                                                                          float stopvalue, int handleType) {
    SimpleData* clip = selectedClip();
    if (view != cutProgressView || showingClip_ || !clip || isCutting() || !std::isfinite(startvalue) ||
        !std::isfinite(stopvalue))
        return;
    const int64_t d = durationUs(*clip);
    const int64_t start = std::clamp<int64_t>(std::llround(double(startvalue) * double(d)), 0, d);
    const int64_t stop = std::clamp<int64_t>(std::llround(double(stopvalue) * double(d)), 0, d);
    // Handles that meet keep the range stored last.
    if (start >= stop)
        return;
    clip->cutTimeRange_start = start;
    clip->cutTimeRange_stop = stop;
    refreshRows();
    showingClip_ = true;
    startTimeRow->setTime(double(start) / 1e6);
    stopTimeRow->setTime(double(stop) / 1e6);
    cutDurationValueLabel->setText(timeText(stop - start));
    showingClip_ = false;
    // The preview shows the frame at the moved handle.
    if (handleType == 1 || handleType == 2) {
        const double t = double(handleType == 1 ? start : stop) / 1e6;
        preview_->seek(t);
        showPlayHead(t, preview_->duration());
    }
}
