// The export of the parts: one convert job per part, from one split point to the next, into
// its own numbered file in the output folder in the source's format; progress, cancel, the
// finish message, and closing.
#include "tools/split/SplitWindowController.h"

#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "mediacore/MediaCore.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "tools/shared/EngineConvert.h"
#include "tools/shared/EngineErrorText.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/JobChain.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFileNamer.h"
#include "tools/shared/PreviewPane.h"
#include "tools/split/SizeSplit.h"
#include "tools/split/SplitPoints.h"
#include "tools/split/SplitProgressView.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <memory>

namespace {
int64_t toMicroseconds(double seconds) {
    return std::isfinite(seconds) && seconds > 0 ? static_cast<int64_t>(seconds * 1000000.0) : 0;
}
} // namespace

void SplitWindowController::startExportAction() {
    exportBar_->press();
}

bool SplitWindowController::startExport() {
    if (!fileData_) {
        showSimpleAlert(loc("scrlabelplaceholderString"));
        return false;
    }
    const double d = duration();
    if (d <= 0)
        return false;
    std::optional<int64_t> limit;
    if (mode() == Mode::Size) {
        const std::optional<double> megabytes = SplitPoints::presetValue(split_sizepopBtn->currentText());
        if (!megabytes) {
            showSimpleAlert(loc("splitValueInvalidString"));
            return false;
        }
        // The size of each part is a cap on its file; every part still starts where the
        // one before it ended. A megabyte is 1,000,000 bytes here, as in the sizes the
        // window shows and the points it places.
        limit = static_cast<int64_t>(std::min(*megabytes * 1e6, 9.0e18));
    }

    pauseAction();
    const std::vector<float> plan = playerSlider->getTimeProgresses();
    const QString source = fileData_->path;
    const QString stem = QFileInfo(source).completeBaseName() + "-split";
    const QString extension = OutputFileNamer::extensionOf(source);
    const QString folder = exportBar_->preparedOutputPath();
    partsWritten_ = 0;
    exportFolder_ = folder;

    if (limit) {
        // A part ends where the cap stops it, which need not be where the plan put the
        // next point: each part starts where the one before it really ended, and parts go
        // on until the end of the file, so that no stretch of the source is left out.
        auto parts = std::make_shared<SizeSplit>(
            SizeSplit::Source{source, toMicroseconds(d), fileData_->sourceData->fps}, folder, stem, extension,
            *limit);
        auto make = [parts](int i, int* error) { return parts->next(i, error); };
        return jobChain().start(int(plan.size()), make, /*openEnded=*/true);
    }
    auto parts = std::make_shared<TimeParts>();
    for (const float point : plan)
        parts->ends.push_back(toMicroseconds(d * point));
    parts->run = StoredTimesRun::of(preview_, source);
    timeParts_ = parts;
    auto make = [parts, source, stem, extension, folder](int i, int* error) -> std::unique_ptr<EngineJob> {
        if (!parts->run->ready(i, error))
            return nullptr;
        // Points that a jump of the stored times put on one place leave no part between them.
        while (parts->next < parts->ends.size() && parts->ends[parts->next] <= parts->from)
            ++parts->next;
        if (parts->next >= parts->ends.size()) {
            *error = JobChain::kNoMoreJobs;
            return nullptr;
        }
        const int64_t start = parts->from;
        const int64_t stop = parts->ends[parts->next];
        qCDebug(lcTools) << "export-->start:" << start << "stop:" << stop;
        // Each part looks for a free number from 1 again, so the parts of one run take
        // consecutive free numbers and never replace a file that is there.
        std::unique_ptr<EngineJob> job =
            EngineConvert::cut(source, SizeSplit::takeNumberedFreePath(folder, stem, extension),
                               EngineConvert::Range{start, stop}, error);
        if (!parts->run->settled(job, error))
            return nullptr; // made again from the moved points
        ++parts->next;
        parts->from = stop;
        // A refused part with no picture left from its start on (only sound runs on past the
        // last picture, or the last picture began before the part) is the end of the file.
        if (!job && i > 0 && !EngineConvert::rangeHoldsPicture(source, {start, 0}))
            *error = JobChain::kNoMoreJobs;
        return job;
    };
    // Open-ended, so that a plan whose last part holds no picture ends before it.
    return jobChain().start(int(plan.size()), make, /*openEnded=*/true);
}

void SplitWindowController::exportEnded(JobChain::Outcome outcome, int) {
    // The parts finished before a cancel are whole files and stay; the user is told so.
    if (outcome != JobChain::Outcome::Cancelled || partsWritten_ < 1)
        return;
    showSimpleAlert(loc("splitPartsKeptString")
                        .replace("%ld", QString::number(partsWritten_))
                        .replace("%@", QDir::toNativeSeparators(exportFolder_)));
}

// What stopped the parts, in words alone: the engine's number means nothing to the user.
void SplitWindowController::showEngineError(int result) {
    showSimpleAlert(engineerror::words(result));
}

QString SplitWindowController::closeWhileExportingQuestion() const {
    return loc("closeExportRunningString");
}

void SplitWindowController::windowWillClose() {
    preview_->close();
}
