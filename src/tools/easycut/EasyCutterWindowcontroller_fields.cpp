// The time-code fields: two range rows under the player and the two rows of the segment
// editor, each hours : minutes : seconds . hundredths with a stepper. Every value that a
// field or a stepper stores keeps 0 <= start < end <= duration; a violation shows its
// message, the edited field is clamped to the limit, and when that still does not give a
// valid range the row goes back to the time stored before the edit.
#include "tools/easycut/EasyCutterWindowcontroller.h"

#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/helpers/NSBundle.h"
#include "foundation/records/CutItem.h"
#include "tools/easycut/CutItemView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/TimeCodeRow.h"

#include <QLabel>
#include <cmath>

namespace {
// The row that shows a group of four fields (the fields are its children).
TimeCodeRow* rowFor(const EasyCutterWindowcontroller::FieldRow& fields) {
    return qobject_cast<TimeCodeRow*>(fields[0]->parentWidget());
}
} // namespace

double EasyCutterWindowcontroller::rowTime(const FieldRow& fields) {
    return rowFor(fields)->time();
}

void EasyCutterWindowcontroller::writeTime(const FieldRow& fields, double seconds) {
    rowFor(fields)->setTime(seconds);
}

TimeCodeRow* EasyCutterWindowcontroller::rowOf(Row r) const {
    switch (r) {
    case Row::Start:
        return startTrimFieldBackV;
    case Row::Stop:
        return stopTrimFieldBackV;
    case Row::ItemStart:
        return startFieldBackV;
    case Row::ItemStop:
        break;
    }
    return endFieldBackV;
}

bool EasyCutterWindowcontroller::rowOfField(const LxTextField* field, Row* row) const {
    for (Row r : {Row::Start, Row::Stop, Row::ItemStart, Row::ItemStop})
        if (rowOf(r)->contains(field)) {
            *row = r;
            return true;
        }
    return false;
}

CutItem* EasyCutterWindowcontroller::segmentAt(long index) const {
    return index >= 0 && index < long(cutItems_.size()) ? cutItems_[index].get() : nullptr;
}

bool EasyCutterWindowcontroller::isModifying() const {
    return itemModifyBtn->selected();
}

CutItem* EasyCutterWindowcontroller::modifiedSegment() const {
    return isModifying() ? segmentAt(itemModifyBtn->index()) : nullptr;
}

// A start row: S >= E is reported and the edited field clamped against E. Returns whether
// the row then gives a storable start (0 <= S < E); *start is set only then.
bool EasyCutterWindowcontroller::checkStart(Row startRow, Row stopRow, LxTextField* edited, double* start) {
    return timecheck::checkStart(
        *rowOf(startRow), *rowOf(stopRow), edited, [this](const char* key) { showSimpleAlert(loc(key)); },
        start);
}

// An end row: E > D and S >= E are reported and the edited field clamped. Returns whether
// the row then gives a storable end (S < E <= D); *stop is set only then.
bool EasyCutterWindowcontroller::checkStop(Row startRow, Row stopRow, LxTextField* edited, double* stop) {
    return timecheck::checkStop(
        *rowOf(startRow), *rowOf(stopRow), duration(), edited,
        [this](const char* key) { showSimpleAlert(loc(key)); }, stop);
}

void EasyCutterWindowcontroller::showRange() {
    const double d = duration();
    const double s = d * cutprogressView->lowerValue();
    const double e = d * cutprogressView->upperValue();
    writeTime(startFields, s);
    writeTime(stopFields, e);
    selectedLeftBtn->setEnabled(false);
    selectedRightBtn->setEnabled(false);
    durationValueLabel->setText(HelpClass::returnTimeToStr(e - s));
}

void EasyCutterWindowcontroller::storeRangeStart(double s) {
    const double d = duration();
    if (d > 0)
        cutprogressView->setLowerValue(float(std::clamp(s / d, 0.0, 1.0)));
    showRange();
}

void EasyCutterWindowcontroller::storeRangeStop(double e) {
    const double d = duration();
    if (d > 0)
        cutprogressView->setUpperValue(float(std::clamp(e / d, 0.0, 1.0)));
    showRange();
}

void EasyCutterWindowcontroller::storeSegmentTimes(long index, double s, double e) {
    CutItem* item = segmentAt(index);
    const double d = duration();
    if (!item || !(s >= 0 && s < e && e <= d))
        return;
    item->startTime = float(s);
    item->endTime = float(e);
    if (index < cutItemViews_.size())
        cutItemViews_[index]->setItem(cutItems_[index]);
}

// A range row after a typed value or a stepper: into the trim range, or into the segment
// being modified.
bool EasyCutterWindowcontroller::applyRangeRow(Row row, LxTextField* edited) {
    const double d = duration();
    if (d <= 0)
        return true;
    const bool isStart = row == Row::Start;
    CutItem* item = modifiedSegment();
    double s = item ? item->startTime : d * cutprogressView->lowerValue();
    double e = item ? item->endTime : d * cutprogressView->upperValue();
    // A row still out of order after its message stores nothing and goes back to its time.
    if (!(isStart ? checkStart(Row::Start, Row::Stop, edited, &s)
                  : checkStop(Row::Start, Row::Stop, edited, &e)))
        return false;
    if (item) {
        storeSegmentTimes(itemModifyBtn->index(), s, e);
        refresSelectTrimTime(isStart, !isStart);
    } else {
        if (isStart)
            storeRangeStart(s);
        else
            storeRangeStop(e);
    }
    return true;
}

bool EasyCutterWindowcontroller::applyItemRow(Row row, LxTextField* edited) {
    CutItem* item = segmentAt(selectedCutIndex_);
    if (!item)
        return true;
    const bool isStart = row == Row::ItemStart;
    double s = item->startTime;
    double e = item->endTime;
    if (!(isStart ? checkStart(Row::ItemStart, Row::ItemStop, edited, &s)
                  : checkStop(Row::ItemStart, Row::ItemStop, edited, &e)))
        return false;
    storeSegmentTimes(selectedCutIndex_, s, e);
    refresSelectTrimTime(isStart, !isStart);
    return true;
}

bool EasyCutterWindowcontroller::textShouldEndEditing(LxTextField* field) {
    Row row;
    if (!rowOfField(field, &row) || duration() <= 0)
        return true;
    // A typed negative start is refused outright: the field keeps the focus.
    const bool startRow = row == Row::Start || row == Row::ItemStart;
    if (startRow &&
        !timecheck::startIsTypable(*rowOf(row), [this](const char* key) { showSimpleAlert(loc(key)); }))
        return false;
    return row == Row::Start || row == Row::Stop ? applyRangeRow(row, field) : applyItemRow(row, field);
}

// A stepper changes only its own row (at the part of the field clicked last in it or its
// partner row), then the row goes through the typed-value checks.
void EasyCutterWindowcontroller::stepRow(Row row, LxTextField* field) {
    if (duration() <= 0)
        return;
    const bool stored =
        row == Row::Start || row == Row::Stop ? applyRangeRow(row, field) : applyItemRow(row, field);
    if (stored)
        return;
    // A refused step is taken back: the row shows what is stored.
    const double d = duration();
    const CutItem* item =
        row == Row::Start || row == Row::Stop ? modifiedSegment() : segmentAt(selectedCutIndex_);
    if (row == Row::Start || row == Row::ItemStart)
        rowOf(row)->setTime(item ? item->startTime : d * cutprogressView->lowerValue());
    else
        rowOf(row)->setTime(item ? item->endTime : d * cutprogressView->upperValue());
}
