// The export of the parts: one convert job per part, from one split point to the next, into
// its own numbered file in the output folder in the source's format; progress, cancel, the
// finish message, and closing.
#include "tools/split/SplitWindowController.h"

#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "mediacore/MediaCore.h"
#include "foundation/records/SimpleData.h"
#include "platform/Log.h"
#include "tools/shared/ConvertJob.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/Loc.h"
#include "tools/shared/OutputFileNamer.h"
#include "tools/split/SplitPoints.h"
#include "tools/split/SplitProgressView.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <memory>

namespace {
// "<folder>/<stem><n>.<ext>" for the first n from 1 whose file is not there. A dangling
// link counts as there: writing through it would put a file where the user did not choose.
QString numberedFreePath(const QString& folder, const QString& stem, const QString& extension) {
    for (long n = 1;; ++n) {
        QString path = QString("%1/%2%3").arg(folder, stem).arg(n);
        if (!extension.isEmpty())
            path += "." + extension;
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            return path;
    }
}

// Where a size-capped run has got to: the next part's start and the last part written.
struct SizeSplitState {
    int64_t nextStart = 0;
    QString lastOutput;
};

// Half a frame at the lowest common rate: a rest shorter than this holds no picture.
constexpr int64_t kLastFrameUs = 20000;
// Timestamps are rounded to their time base: a part that ends a hair before the grid line
// still ends on it.
constexpr int64_t kGridSlackUs = 2000;

// The length of a file the engine has just written, in microseconds; 0 when unreadable.
int64_t mediaDurationUs(const QString& path) {
    void* media = MediaOpen(path.toUtf8().constData());
    if (!media)
        return 0;
    const int64_t d = MediaGetDuration(media);
    MediaClose(media);
    return d > 0 ? d : 0;
}

// Whether [start, end) of the source holds a picture: the engine refuses a range that holds
// none (the sound of many files runs on past their last picture), and such a rest ends a split.
bool holdsPicture(const QString& source, int64_t start, int64_t end) {
    void* job = apiMediaConvertCreate();
    if (!job)
        return true;
    // A source that cannot be opened is left for the part's own job to report.
    const bool ok = apiMediaConvertSetInputMedia(job, source.toUtf8().constData()) < 1 ||
                    apiMediaConvertSetCutTime(job, start, end) >= 1;
    apiMediaConvertClose(job);
    return ok;
}

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

    if (limit) {
        // A part ends where the cap stops it, which need not be where the plan put the
        // next point: each part starts where the one before it really ended, and parts go
        // on until the end of the file, so that no stretch of the source is left out.
        auto state = std::make_shared<SizeSplitState>();
        const int64_t total = toMicroseconds(d);
        const double fps = fileData_->sourceData->fps;
        // A part's file may run a little past its last picture (its sound ends on a packet
        // boundary): the next part starts on the picture that follows, on the frame grid.
        const int64_t frameUs = std::isfinite(fps) && fps > 0 ? int64_t(std::llround(1e6 / fps)) : 0;
        auto make = [state, source, stem, extension, folder, total, limit, frameUs,
                     fps](int i, int* error) -> std::unique_ptr<EngineJob> {
            if (i > 0) {
                const int64_t made = mediaDurationUs(state->lastOutput);
                if (made <= 0) {
                    // A part that holds nothing would repeat for ever.
                    qCWarning(lcTools) << "split part" << i << "came out empty";
                    *error = 0;
                    return nullptr;
                }
                state->nextStart += made;
                // On the exact frame times: a whole number of microseconds per frame drifts
                // past them (29.97 fps), and a start just after a picture takes it in ahead
                // of time zero, where it is never shown.
                if (frameUs > 0) {
                    const double k = std::floor(double(state->nextStart + kGridSlackUs) * fps / 1e6);
                    state->nextStart = std::llround(k * 1e6 / fps);
                }
            }
            // Less than one frame left, or only sound after the last picture: the file is done.
            if (state->nextStart >= total - kLastFrameUs ||
                (i > 0 && !holdsPicture(source, state->nextStart, total))) {
                *error = JobChain::kNoMoreJobs;
                return nullptr;
            }
            state->lastOutput = numberedFreePath(folder, stem, extension);
            qCDebug(lcTools) << "export-->start:" << state->nextStart << "cap:" << *limit;
            return ConvertJob::create(source, state->lastOutput, ConvertJob::Range{state->nextStart, total},
                                      error, limit);
        };
        return jobChain().start(int(plan.size()), make, /*openEnded=*/true);
    }
    auto make = [plan, source, stem, extension, folder, d](int i, int* error) -> std::unique_ptr<EngineJob> {
        const int64_t start = i == 0 ? 0 : toMicroseconds(d * plan[size_t(i - 1)]);
        const int64_t stop = toMicroseconds(d * plan[size_t(i)]);
        qCDebug(lcTools) << "export-->start:" << start << "stop:" << stop;
        // Each part looks for a free number from 1 again, so the parts of one run take
        // consecutive free numbers and never replace a file that is there.
        return ConvertJob::create(source, numberedFreePath(folder, stem, extension),
                                  ConvertJob::Range{start, stop}, error);
    };
    return jobChain().start(int(plan.size()), make);
}

void SplitWindowController::windowWillClose() {
    preview_->close();
}
