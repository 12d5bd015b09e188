// The selected clip's range and mode (keep or remove) in the range controls, and how a whole
// clip is stored.
#include "tools/join/JoinnerWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/records/SimpleData.h"
#include "tools/join/JoinPlan.h"
#include "tools/shared/RangeRules.h"

void JoinnerWindowController::storeRange(SimpleData& clip, CutRange range) {
    if (range == RangeRules::reset(RangeRules::durationUs(clip)))
        range = {};
    ClipListWindow::storeRange(clip, range);
}

void JoinnerWindowController::showSelectedClip() {
    SimpleData* clip = selectedClip();
    showingClip_ = true;
    if (!clip) {
        rangearea::showNone(rangeParts(), cutProgressView);
        volumeSlider->setProgress(0.5f);
    } else {
        const auto [start, stop] = RangeRules::rangeOf(*clip);
        rangearea::show(rangeParts(), cutProgressView, start, stop, RangeRules::durationUs(*clip),
                        clip->isTrimFanxuan);
        // The slider shows the volume the join gives this clip.
        volumeSlider->setProgress(float(JoinPlan::volumePercent(clip->volume) / 200.0));
    }
    showingClip_ = false;
}

void JoinnerWindowController::trimModeChanged(bool remove) {
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip)
        return;
    clip->isTrimFanxuan = remove;
    refreshRows();
    showSelectedClip();
}
