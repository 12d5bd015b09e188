// The selected clip's range (keep or remove), its volume, Reset and Apply to All. Every
// range is measured against the clip's probed length and stored only when
// 0 <= start < stop <= length.
#include "tools/join/JoinnerWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/helpers/NSBundle.h"
#include "foundation/records/SimpleData.h"
#include "tools/join/JoinPlan.h"
#include "tools/join/JoinnerCell.h"
#include "tools/join/JoinnerTableView.h"
#include "tools/shared/RangeRules.h"
#include "tools/shared/TimeCodeRow.h"

#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QSlider>
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

// The clip's picture as it plays: the thumbnail is taken at a fixed 285 x 180, so it is
// drawn again at the clip's display shape (pixel aspect and a quarter-turn rotation
// included), as large as fits the view.
QPixmap clipPicture(const SimpleData& clip, const QSize& view) {
    const QPixmap thumb = QPixmap::fromImage(clip.thumbImage);
    if (thumb.isNull() || view.isEmpty())
        return thumb;
    double ratio = 0;
    if (const FileData* s = clip.sourceData.get()) {
        ratio = s->aspect > 0 ? s->aspect : (s->height > 0 ? double(s->width) / s->height : 0);
        if (ratio > 0 && std::abs(s->angle) % 180 == 90)
            ratio = 1 / ratio;
    }
    if (!(ratio > 0))
        return thumb.scaled(view, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QSize shape = view;
    if (double(view.width()) / view.height() > ratio)
        shape.setWidth(std::max(1, int(std::lround(view.height() * ratio))));
    else
        shape.setHeight(std::max(1, int(std::lround(view.width() / ratio))));
    return thumb.scaled(shape, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
        startTimeRow->setTime(0);
        stopTimeRow->setTime(0);
        cutDurationValueLabel->clear();
        selectTimeBtn->setChecked(true);
        volumeSlider->setValue(100);
        cutProgressView->setIsFanxuan(false);
        cutProgressView->setLowerValue(0, 1);
        playerView->clear();
    } else {
        const auto [start, stop] = JoinPlan::range(*clip);
        startTimeRow->setTime(double(start) / 1e6);
        stopTimeRow->setTime(double(stop) / 1e6);
        cutDurationValueLabel->setText(timeText(stop - start));
        (clip->isTrimFanxuan ? unSelectTimeBtn : selectTimeBtn)->setChecked(true);
        volumeSlider->setValue(JoinPlan::volumePercent(clip->volume));
        const double d = double(JoinPlan::durationUs(*clip));
        cutProgressView->setIsFanxuan(clip->isTrimFanxuan);
        cutProgressView->setLowerValue(float(double(start) / d), float(double(stop) / d));
        playerView->setPixmap(clipPicture(*clip, playerView->size()));
    }
    volumeValueLabel->setText(QString("%1%").arg(volumeSlider->value()));
    showingClip_ = false;
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

void JoinnerWindowController::volumeChanged(int percent) {
    volumeValueLabel->setText(QString("%1%").arg(percent));
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip)
        return;
    clip->volume = percent / 100.0;
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
