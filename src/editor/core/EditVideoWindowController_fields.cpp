// The trim tool's time-code rows: what a typed or stepped time must satisfy before it is
// stored, and the message when it does not. A refused time changes nothing stored; a typed
// one keeps its field in editing, a stepped one is taken back.
#include "editor/core/EditVideoWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxTextField.h"
#include "tools/shared/TimeCodeRow.h"

#include <algorithm>

namespace {

// The rows show hundredths: a stored end at the very end of the file may read up to half a
// hundredth later than the duration and must still pass when it is entered again unchanged.
constexpr double kShownTolerance = 0.005;

} // namespace

void EditVideoWindowController::bindTrimFields() {
    startRow_->shouldEndEditing = [this](LxTextField* field) { return checkTrimStart(field); };
    stopRow_->shouldEndEditing = [this](LxTextField* field) { return checkTrimStop(field); };
    startRow_->stepped = [this](LxTextField*) { trimStepped(startRow_); };
    stopRow_->stepped = [this](LxTextField*) { trimStepped(stopRow_); };
}

bool EditVideoWindowController::checkTrimStart(LxTextField*) {
    const double d = duration();
    if (!session_.file().isOpen() || !(d > 0))
        return true;
    const double s = startRow_->time();
    const double e = trimStopSeconds() > 0 ? trimStopSeconds() : d;
    if (s < 0) {
        alert("showmessageTime4");
        return false;
    }
    if (s >= e) {
        alert("showmessageTime5");
        return false;
    }
    storeRange(s, e);
    _cutProgressView->setLowerValue(float(s / d));
    showPlayHeadOnBar();
    startRow_->setTime(s);
    return true;
}

bool EditVideoWindowController::checkTrimStop(LxTextField*) {
    const double d = duration();
    if (!session_.file().isOpen() || !(d > 0))
        return true;
    const double s = trimStartSeconds();
    double e = stopRow_->time();
    if (e > d + kShownTolerance) {
        alert("showmessageTime2");
        return false;
    }
    if (e <= s) {
        alert("showmessageTime3");
        return false;
    }
    e = std::min(e, d);
    storeRange(s, e);
    _cutProgressView->setUpperValue(float(e / d));
    showPlayHeadOnBar();
    stopRow_->setTime(e);
    return true;
}

// A stepped time passes the same checks as a typed one; a refused step is taken back.
void EditVideoWindowController::trimStepped(TimeCodeRow* row) {
    const bool accepted =
        row == startRow_ ? checkTrimStart(row->activeField()) : checkTrimStop(row->activeField());
    if (!accepted)
        showRange();
}
