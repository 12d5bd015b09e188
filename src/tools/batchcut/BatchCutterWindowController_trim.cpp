// The selected file's range and mode (keep or remove) in the range controls. Every range is
// measured in microseconds of the file's probed length, the one time base of the bar, the
// fields and the run.
#include "tools/batchcut/BatchCutterWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RangeRules.h"

#include <QLabel>
#include <algorithm>

void BatchCutterWindowController::showSelectedClip() {
    SimpleData* clip = selectedClip();
    showingClip_ = true;
    if (!clip) {
        rangearea::showNone(rangeParts(), cutProgressView);
        volumeSlider->setProgress(0.5f);
        leftTimeLabel->setText(HelpClass::returnTimeToStr(0));
        rightTimeLabel->setText(HelpClass::returnTimeToStr(0));
    } else {
        const auto [start, stop] = RangeRules::rangeOf(*clip);
        rangearea::show(rangeParts(), cutProgressView, start, stop, RangeRules::durationUs(*clip),
                        clip->isTrimFanxuan);
        volumeSlider->setProgress(float(std::clamp(clip->volume, 0.0, 2.0) / 2.0));
    }
    showingClip_ = false;
}

void BatchCutterWindowController::trimModeChanged(bool remove) {
    cutProgressView->setIsFanxuan(remove);
    SimpleData* clip = selectedClip();
    if (showingClip_ || !clip || isCutting())
        return;
    clip->isTrimFanxuan = remove;
}

void BatchCutterWindowController::rangeEdgeMoved(int64_t atUs) {
    const double t = double(atUs) / 1e6;
    preview_->seek(t);
    showPlayHead(t, preview_->duration());
}
