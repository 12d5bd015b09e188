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

#include <QLabel>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSpinBox>
#include <cmath>

namespace {

// The integer at the start of a field's text (blanks skipped, optional sign); 0 otherwise.
long fieldValue(const LxTextField* f) {
    static const QRegularExpression leading(QStringLiteral("^\\s*([+-]?\\d+)"));
    const auto m = leading.match(f->text());
    return m.hasMatch() ? m.captured(1).toLong() : 0;
}

struct Split {
    long parts[4];
};
// Splits a time in whole hundredths, so that 1.29 s reads 01.29 and -1.5 s reads 00.00.
Split splitTime(double t) {
    const HelpClass::TimeParts p = HelpClass::splitTime(t);
    return {{long(p.hours), long(p.minutes), long(p.seconds), long(p.hundredths)}};
}

} // namespace

double EasyCutterWindowcontroller::rowTime(const FieldRow& row) {
    return fieldValue(row[0]) * 3600.0 + fieldValue(row[1]) * 60.0 + fieldValue(row[2]) +
           fieldValue(row[3]) / 100.0;
}

void EasyCutterWindowcontroller::writeTime(const FieldRow& row, double seconds) {
    const Split s = splitTime(seconds);
    for (int i = 0; i < 4; ++i)
        row[i]->setText(QString::asprintf("%02ld", s.parts[i]));
}

const EasyCutterWindowcontroller::FieldRow& EasyCutterWindowcontroller::rowOf(Row r) const {
    switch (r) {
    case Row::Start:
        return startFields;
    case Row::Stop:
        return stopFields;
    case Row::ItemStart:
        return startItemFields;
    case Row::ItemStop:
        break;
    }
    return stopItemFields;
}

bool EasyCutterWindowcontroller::fieldInRow(const LxTextField* field, const FieldRow& row) const {
    return std::find(row.begin(), row.end(), field) != row.end();
}

int EasyCutterWindowcontroller::fieldPosition(const LxTextField* field) const {
    for (const FieldRow* row : {&startFields, &stopFields, &startItemFields, &stopItemFields})
        for (int i = 0; i < 4; ++i)
            if ((*row)[i] == field)
                return i;
    return -1;
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

void EasyCutterWindowcontroller::clampField(LxTextField* field, const FieldRow& row, double limit) {
    const int pos = fieldPosition(field);
    if (pos < 0 || !fieldInRow(field, row))
        return;
    const long part = splitTime(limit).parts[pos];
    field->setText(QString::asprintf("%02ld", std::min(fieldValue(field), part)));
}

void EasyCutterWindowcontroller::actionMouseDownForTextFieldBlock(LxTextField* field) {
    // The click makes the field the one being edited; typing then replaces its value.
    if (field->isEnabled()) {
        field->setFocus(Qt::MouseFocusReason);
        field->selectAll();
    }
    QSpinBox* stepper = nullptr;
    if (fieldInRow(field, startFields) || fieldInRow(field, stopFields)) {
        edittingField_ = field;
        stepper = fieldInRow(field, startFields) ? startStepper : stopStepper;
    } else if (fieldInRow(field, startItemFields) || fieldInRow(field, stopItemFields)) {
        edittingItemField_ = field;
        stepper = fieldInRow(field, startItemFields) ? startItemStepper : stopItemStepper;
    }
    if (!stepper)
        return;
    const QSignalBlocker block(stepper);
    stepper->setValue(int(std::clamp(fieldValue(field), 0L, 59L)));
}

// A start row: S >= E is reported and the edited field clamped against E. Returns whether
// the row then gives a storable start (0 <= S < E); *start is set only then.
bool EasyCutterWindowcontroller::checkStart(Row startRow, Row stopRow, LxTextField* edited, double* start) {
    double s = rowTime(rowOf(startRow));
    const double e = rowTime(rowOf(stopRow));
    if (s >= e) {
        showSimpleAlert(NSBundle::localizedStringForKey("showmessageTime1"));
        clampField(edited, rowOf(startRow), e);
        s = rowTime(rowOf(startRow));
    }
    if (!(s >= 0 && s < e))
        return false;
    *start = s;
    return true;
}

// An end row: E > D and S >= E are reported and the edited field clamped. Returns whether
// the row then gives a storable end (S < E <= D); *stop is set only then.
bool EasyCutterWindowcontroller::checkStop(Row startRow, Row stopRow, LxTextField* edited, double* stop) {
    const double d = duration();
    double e = rowTime(rowOf(stopRow));
    const double s = rowTime(rowOf(startRow));
    double limit = -1;
    if (e > d) {
        showSimpleAlert(NSBundle::localizedStringForKey("showmessageTime2"));
        if (s >= e) {
            showSimpleAlert(NSBundle::localizedStringForKey("showmessageTime3"));
            limit = s;
        } else {
            limit = d;
        }
    } else if (s >= e) {
        showSimpleAlert(NSBundle::localizedStringForKey("showmessageTime3"));
        limit = s;
    }
    if (limit >= 0) {
        clampField(edited, rowOf(stopRow), limit);
        e = rowTime(rowOf(stopRow));
    }
    if (!(e > s && e > 0 && e <= d))
        return false;
    *stop = e;
    return true;
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
void EasyCutterWindowcontroller::applyRangeRow(Row row, LxTextField* edited) {
    const double d = duration();
    if (d <= 0)
        return;
    const bool isStart = row == Row::Start;
    CutItem* item = modifiedSegment();
    double s = item ? item->startTime : d * cutprogressView->lowerValue();
    double e = item ? item->endTime : d * cutprogressView->upperValue();
    // A row that is still out of order after its message keeps what the user typed, so that
    // the next field can complete it; nothing is stored until the row is valid.
    if (!(isStart ? checkStart(Row::Start, Row::Stop, edited, &s)
                  : checkStop(Row::Start, Row::Stop, edited, &e)))
        return;
    if (item) {
        storeSegmentTimes(itemModifyBtn->index(), s, e);
        const QSignalBlocker block(isStart ? startItemStepper : stopItemStepper);
        (isStart ? startItemStepper : stopItemStepper)
            ->setValue(int(std::clamp(fieldValue(edited), 0L, 59L)));
        refresSelectTrimTime(isStart, !isStart);
    } else {
        if (isStart)
            storeRangeStart(s);
        else
            storeRangeStop(e);
    }
}

void EasyCutterWindowcontroller::applyItemRow(Row row, LxTextField* edited) {
    CutItem* item = segmentAt(selectedCutIndex_);
    if (!item)
        return;
    const bool isStart = row == Row::ItemStart;
    double s = item->startTime;
    double e = item->endTime;
    if (!(isStart ? checkStart(Row::ItemStart, Row::ItemStop, edited, &s)
                  : checkStop(Row::ItemStart, Row::ItemStop, edited, &e)))
        return;
    storeSegmentTimes(selectedCutIndex_, s, e);
    refresSelectTrimTime(isStart, !isStart);
}

bool EasyCutterWindowcontroller::textShouldEndEditing(LxTextField* field) {
    if (checkingField_)
        return true;
    Row row;
    if (fieldInRow(field, startFields))
        row = Row::Start;
    else if (fieldInRow(field, stopFields))
        row = Row::Stop;
    else if (fieldInRow(field, startItemFields))
        row = Row::ItemStart;
    else if (fieldInRow(field, stopItemFields))
        row = Row::ItemStop;
    else
        return true;
    if (duration() <= 0)
        return true;
    checkingField_ = true;
    // A typed negative start is refused outright: the field keeps the focus.
    const bool startRow = row == Row::Start || row == Row::ItemStart;
    if (startRow && rowTime(rowOf(row)) < 0) {
        showSimpleAlert(NSBundle::localizedStringForKey("showmessageTime4"));
        checkingField_ = false;
        return false;
    }
    if (row == Row::Start || row == Row::Stop)
        applyRangeRow(row, field);
    else
        applyItemRow(row, field);
    checkingField_ = false;
    return true;
}

// A stepper changes only its own row: the field at the position of the field clicked last
// (the seconds when none was clicked), then the row goes through the typed-value checks.
void EasyCutterWindowcontroller::stepRow(Row row, int value, LxTextField* active) {
    if (duration() <= 0)
        return;
    const int pos = active ? std::max(0, fieldPosition(active)) : 2;
    LxTextField* field = rowOf(row)[pos];
    field->setText(QString::asprintf("%02ld", long(value)));
    checkingField_ = true;
    if (row == Row::Start || row == Row::Stop)
        applyRangeRow(row, field);
    else
        applyItemRow(row, field);
    checkingField_ = false;
}

void EasyCutterWindowcontroller::touchUpStartStepper() {
    stepRow(Row::Start, startStepper->value(), edittingField_);
}
void EasyCutterWindowcontroller::touchUpStopStepper() {
    stepRow(Row::Stop, stopStepper->value(), edittingField_);
}
void EasyCutterWindowcontroller::startStepperItemAction() {
    stepRow(Row::ItemStart, startItemStepper->value(), edittingItemField_);
}
void EasyCutterWindowcontroller::stopStepperItemAction() {
    stepRow(Row::ItemStop, stopItemStepper->value(), edittingItemField_);
}
