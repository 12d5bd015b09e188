// Export of the segments: one convert job per segment into its own file, or one join job
// that merges them; progress, cancel, the finish message, and closing during an export.
#include "tools/easycut/EasyCutterWindowcontroller.h"

#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/CutItem.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "tools/easycut/CutItemView.h"
#include "tools/shared/EngineConvert.h"
#include "tools/shared/EngineJoin.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFileNamer.h"
#include "tools/shared/PreviewPane.h"

#include <cmath>
#include <optional>

namespace {
struct Segment {
    float start;
    float end;
};
int64_t toMicroseconds(float seconds) {
    return static_cast<int64_t>(double(seconds) * 1000000.0);
}
} // namespace

void EasyCutterWindowcontroller::startExportAction() {
    exportBar_->press();
}

bool EasyCutterWindowcontroller::startExport() {
    // Nothing to write: say what is missing rather than leave the press unanswered.
    if (!fileData_ || cutItems_.empty()) {
        showSimpleAlert(loc(!fileData_ ? "scrlabelplaceholderString" : "cutNoSegmentsString"));
        return false;
    }

    exportSource_ = fileData_->path;
    const QString folder = exportBar_->preparedOutputPath();
    const QString extension = OutputFileNamer::extensionOf(exportSource_);

    mergedExport_ = merageBtn->selected();
    if (mergedExport_)
        stopPreview();

    // The segments as the window has them: it moves them onto the index's line when it moves.
    auto run = std::make_shared<SegmentRun>();
    for (const auto& item : cutItems_)
        run->segments.emplace_back(item->startTime, item->endTime);
    const QString source = exportSource_;
    run->run = StoredTimesRun::of(preview_, source);
    segmentRun_ = run;
    JobChain::MakeJob make;
    if (mergedExport_) {
        // The merged clips take the volume slider's level: gain = 2 x position, in percent.
        const int percent =
            int(std::lround(2.0 * std::clamp(double(volumeSlider->progress()), 0.0, 1.0) * 100.0));
        make = [run, source, folder, extension, percent](int, int* error) -> std::unique_ptr<EngineJob> {
            if (!run->run->ready(0, error))
                return nullptr;
            auto join = EngineJoin::create(OutputFileNamer::takeFreeTimestampPath(folder, extension), error);
            if (!join)
                return nullptr;
            for (const auto& [start, end] : run->segments) {
                const int r = join->addClip(source, toMicroseconds(start), toMicroseconds(end), percent);
                if (r < 1) {
                    qCWarning(lcTools) << "error:" << r;
                    *error = r;
                    return nullptr;
                }
            }
            std::unique_ptr<EngineJob> job = std::move(join);
            if (!run->run->settled(job, error))
                return nullptr;
            return job;
        };
        return jobChain().start(1, make);
    }
    make = [run, source, folder, extension](int index, int* error) -> std::unique_ptr<EngineJob> {
        if (!run->run->ready(index, error))
            return nullptr;
        const Segment s{run->segments[size_t(index)].first, run->segments[size_t(index)].second};
        const QString name =
            HelpClass::returnTimeToCutFileName(s.start) + "-" + HelpClass::returnTimeToCutFileName(s.end);
        std::optional<EngineConvert::Range> range;
        if (s.end != 0)
            range = EngineConvert::Range{toMicroseconds(s.start), toMicroseconds(s.end)};
        std::unique_ptr<EngineJob> job =
            EngineConvert::cut(source, OutputFileNamer::takeFreePath(folder, name, extension), range, error);
        if (!run->run->settled(job, error))
            return nullptr;
        return job;
    };
    return jobChain().start(int(run->segments.size()), make);
}

void EasyCutterWindowcontroller::stopPreview() {
    if (!player())
        return;
    setPlayImages(false);
    playOrpauseBtn->setSelected(false);
    setPreviewImages(false);
    playOrpauseSelectBtn->setSelected(false);
    player()->pause();
    isPlaying_ = false;
    isPlaySelectedCut_ = false;
    removeTimer();
}

void EasyCutterWindowcontroller::exportJobStarted(int index) {
    if (mergedExport_)
        return;
    // Show which segment is being written, without rebuilding the (locked) list.
    selectedCutIndex_ = index;
    for (int i = 0; i < cutItemViews_.size(); ++i)
        cutItemViews_[i]->setSelected(i == index);
    scrollToSelectItem();
}

void EasyCutterWindowcontroller::windowWillClose() {
    preview_->close();
}
