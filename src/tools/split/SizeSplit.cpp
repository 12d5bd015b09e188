#include "tools/split/SizeSplit.h"

#include "mediacore/MediaCore.h"
#include "platform/Log.h"
#include "tools/shared/EngineConvert.h"
#include "tools/shared/JobChain.h"

#include <cmath>

namespace {

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

// A part's job that keeps the length the engine wrote, so that the next part starts where it
// ended without reading the new file again (when the engine knows the length exactly: a part
// it copied; otherwise the file is read).
class PartJob : public EngineJob {
public:
    PartJob(std::unique_ptr<EngineConvert> job, std::shared_ptr<std::atomic<int64_t>> length)
        : job_(std::move(job)), length_(std::move(length)) {}
    int start() override {
        const int r = job_->start();
        length_->store(job_->succeeded(r) ? job_->outputDurationUs() : 0);
        return r;
    }
    bool succeeded(int result) const override { return job_->succeeded(result); }
    double progress() const override { return job_->progress(); }
    void stop() override { job_->stop(); }
    QString outputPath() const override { return job_->outputPath(); }

private:
    std::unique_ptr<EngineConvert> job_;
    std::shared_ptr<std::atomic<int64_t>> length_;
};

} // namespace

SizeSplit::SizeSplit(Source source, QString folder, QString stem, QString extension, int64_t limitBytes)
    : source_(std::move(source)), folder_(std::move(folder)), stem_(std::move(stem)),
      extension_(std::move(extension)), limit_(limitBytes) {
    // A part's file may run a little past its last picture (its sound ends on a packet
    // boundary): the next part starts on the picture that follows, on the frame grid.
    if (std::isfinite(source_.fps) && source_.fps > 0)
        frameUs_ = int64_t(std::llround(1e6 / source_.fps));
}

OutputName SizeSplit::takeNumberedFreePath(const QString& folder, const QString& stem,
                                           const QString& extension) {
    for (long n = 1;; ++n) {
        QString path = QString("%1/%2%3").arg(folder, stem).arg(n);
        if (!extension.isEmpty())
            path += "." + extension;
        OutputName held = OutputFileNamer::take(path);
        if (!held.isEmpty())
            return held;
    }
}

std::unique_ptr<EngineJob> SizeSplit::next(int i, int* error) {
    const int64_t total = source_.durationUs;
    if (i > 0) {
        int64_t made = lastLength_->exchange(0);
        if (made <= 0)
            made = mediaDurationUs(lastOutput_);
        if (made <= 0) {
            // A part that holds nothing would repeat for ever.
            qCWarning(lcTools) << "split part" << i << "came out empty";
            *error = 0;
            return nullptr;
        }
        nextStart_ += made;
        // On the exact frame times: a whole number of microseconds per frame drifts past them
        // (29.97 fps), and a start just after a picture takes it in ahead of time zero, where
        // it is never shown.
        if (frameUs_ > 0) {
            const double k = std::floor(double(nextStart_ + kGridSlackUs) * source_.fps / 1e6);
            nextStart_ = std::llround(k * 1e6 / source_.fps);
        }
    }
    // Less than one frame left: the file is done.
    if (nextStart_ >= total - kLastFrameUs) {
        *error = JobChain::kNoMoreJobs;
        return nullptr;
    }
    OutputName name = takeNumberedFreePath(folder_, stem_, extension_);
    lastOutput_ = name.path();
    qCDebug(lcTools) << "export-->start:" << nextStart_ << "cap:" << limit_;
    std::unique_ptr<EngineConvert> job = EngineConvert::cut(
        source_.path, std::move(name), EngineConvert::Range{nextStart_, total}, error, limit_);
    if (!job) {
        // Only sound after the last picture is the end of the file too, not a failure. Asked
        // only when the part is refused: the part's own job checks the range already.
        if (i > 0 && !EngineConvert::rangeHoldsPicture(source_.path, {nextStart_, total}))
            *error = JobChain::kNoMoreJobs;
        return nullptr;
    }
    return std::make_unique<PartJob>(std::move(job), lastLength_);
}
