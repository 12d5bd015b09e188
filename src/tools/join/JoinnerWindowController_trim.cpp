// The selected clip's range (keep or remove), its volume, Reset and Apply to All. Every
// range is measured against the clip's probed length and stored only when
// 0 <= start < stop <= length.
#include "tools/join/JoinnerWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/helpers/NSBundle.h"
#include "foundation/records/SimpleData.h"
#include "tools/join/JoinPlan.h"
#include "tools/shared/JoinnerCell.h"
#include "tools/shared/JoinnerTableView.h"
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

// The whole clip is stored as no range, as a newly added clip has it.
void storeRange(SimpleData& clip, CutRange range) {
    if (range == RangeRules::reset(JoinPlan::durationUs(clip)))
        range = {};
    clip.cutTimeRange_start = range.startUs;
    clip.cutTimeRange_stop = range.stopUs;
}
} // namespace

SimpleData* JoinnerWindowController::selectedClip() const {
    const int i = fileListTableView->selectedIndex();
    return i >= 0 && i < int(fileList_.size()) ? fileList_[size_t(i)].get() : nullptr;
}

void JoinnerWindowController::showSelectedClip() {
    SimpleData* clip = selectedClip();
    showingClip_ = true;
    if (!clip) {
        rangearea::showNone(rangeParts(), cutProgressView);
        volumeSlider->setProgress(0.5f);
    } else {
        const auto [start, stop] = JoinPlan::range(*clip);
        rangearea::show(rangeParts(), cutProgressView, start, stop, JoinPlan::durationUs(*clip),
                        clip->isTrimFanxuan);
        // The slider shows the volume the join gives this clip.
        volumeSlider->setProgress(float(JoinPlan::volumePercent(clip->volume) / 200.0));
    }
    showingClip_ = false;
}

void JoinnerWindowController::storeSelectedRange(int64_t start, int64_t stop) {
    SimpleData* clip = selectedClip();
    if (!clip || start < 0 || start >= stop || stop > JoinPlan::durationUs(*clip))
        return;
    clip->cutTimeRange_start = start;
    clip->cutTimeRange_stop = stop;
    refreshSelectedRow();
}

void JoinnerWindowController::refreshSelectedRow() {
    if (JoinnerCell* row = fileListTableView->row(fileListTableView->selectedIndex()))
        row->refreshCutLength();
    showSelectedClip();
}

bool JoinnerWindowController::timeRowEdited(bool start) {
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip || isJoining())
        return true;
    TimeCodeRow* row = start ? startTimeRow : stopTimeRow;
    const auto [oldStart, oldStop] = JoinPlan::range(*clip);
    const double seconds = row->time();
    const int64_t d = JoinPlan::durationUs(*clip);
    const char* refusal = nullptr;
    int64_t value = 0;
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
        showSimpleAlert(NSBundle::localizedStringForKey(refusal));
        return true;
    }
    if (value != (start ? oldStart : oldStop)) {
        clip->cutTimeRange_start = start ? value : oldStart;
        clip->cutTimeRange_stop = start ? oldStop : value;
        refreshSelectedRow();
    }
    return true;
}

void JoinnerWindowController::trimModeChanged(bool remove) {
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip)
        return;
    clip->isTrimFanxuan = remove;
    refreshSelectedRow();
}

void JoinnerWindowController::resetAction() {
    SimpleData* clip = selectedClip();
    if (!clip || isJoining())
        return;
    storeRange(*clip, RangeRules::reset(JoinPlan::durationUs(*clip)));
    // Back to keep mode; the radios and the bar follow the record.
    clip->isTrimFanxuan = false;
    preview_->seek(0);
    showPlayHead(0, preview_->duration());
    refreshSelectedRow();
}

void JoinnerWindowController::applyToAllAction() {
    SimpleData* from = selectedClip();
    if (!from || isJoining())
        return;
    const auto [start, stop] = JoinPlan::range(*from);
    for (const auto& clip : fileList_) {
        if (clip.get() == from)
            continue;
        storeRange(*clip, RangeRules::applied({start, stop}, JoinPlan::durationUs(*clip)));
        clip->isTrimFanxuan = from->isTrimFanxuan;
    }
    for (int i = 0; i < fileListTableView->rowCount(); ++i)
        fileListTableView->row(i)->refreshCutLength();
    showSelectedClip();
}

void JoinnerWindowController::volumeChanged(double gain) {
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip)
        return;
    clip->volume = gain;
    preview_->setVolume(gain);
}

void JoinnerWindowController::actionMouseMovedForCutProgressViewBlock(LxCutProgressView*, float startvalue,
                                                                      float stopvalue, int) {
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip || isJoining() || !std::isfinite(startvalue) || !std::isfinite(stopvalue))
        return;
    const int64_t d = JoinPlan::durationUs(*clip);
    const int64_t start = std::clamp<int64_t>(std::llround(double(startvalue) * double(d)), 0, d);
    const int64_t stop = std::clamp<int64_t>(std::llround(double(stopvalue) * double(d)), 0, d);
    // Handles that meet keep the range stored last.
    if (start >= stop)
        return;
    clip->cutTimeRange_start = start;
    clip->cutTimeRange_stop = stop;
    if (JoinnerCell* row = fileListTableView->row(fileListTableView->selectedIndex()))
        row->refreshCutLength();
    showingClip_ = true;
    startTimeRow->setTime(double(start) / 1e6);
    stopTimeRow->setTime(double(stop) / 1e6);
    cutDurationValueLabel->setText(timeText(stop - start));
    showingClip_ = false;
}
