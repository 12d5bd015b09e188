// The trim tool's time-code rows: what a typed or stepped time must satisfy before it is
// stored, and the message when it does not. A refused time changes nothing stored; a typed
// one keeps its field in editing, a stepped one is taken back.
#include "editor/trim/TrimTool.h"

#include "editor/core/EditorHost.h"
#include "editor/core/EditorSession.h"
#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxTextField.h"
#include "tools/shared/TimeCodeRow.h"

#include <algorithm>

namespace {

// The rows show hundredths: a stored end at the very end of the file may read up to half a
// hundredth later than the duration and must still pass when it is entered again unchanged.
constexpr double kShownTolerance = 0.005;

} // namespace

void TrimTool::bindFields() {
    o_.startRow->shouldEndEditing = [this](LxTextField* field) { return checkTrimStart(field); };
    o_.stopRow->shouldEndEditing = [this](LxTextField* field) { return checkTrimStop(field); };
    o_.startRow->stepped = [this](LxTextField*) { trimStepped(o_.startRow); };
    o_.stopRow->stepped = [this](LxTextField*) { trimStepped(o_.stopRow); };
}

bool TrimTool::checkTrimStart(LxTextField*) {
    const double d = host().duration();
    if (!host().session().file().isOpen() || !(d > 0))
        return true;
    const double s = o_.startRow->time();
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
    o_.bar->setLowerValue(float(s / d));
    showPlayHeadOnBar();
    o_.startRow->setTime(s);
    return true;
}

bool TrimTool::checkTrimStop(LxTextField*) {
    const double d = host().duration();
    if (!host().session().file().isOpen() || !(d > 0))
        return true;
    const double s = trimStartSeconds();
    double e = o_.stopRow->time();
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
    o_.bar->setUpperValue(float(e / d));
    showPlayHeadOnBar();
    o_.stopRow->setTime(e);
    return true;
}

// A stepped time passes the same checks as a typed one; a refused step is taken back.
void TrimTool::trimStepped(TimeCodeRow* row) {
    const bool accepted =
        row == o_.startRow ? checkTrimStart(row->activeField()) : checkTrimStop(row->activeField());
    if (!accepted)
        showRange();
}
