#include "tools/batchcut/RemoveRangeJob.h"

#include "platform/Log.h"
#include "tools/shared/JoinJob.h"
#include "tools/shared/OutputFileNamer.h"

#include <QFileInfo>
#include <algorithm>

std::unique_ptr<RemoveRangeJob> RemoveRangeJob::create(const QString& input, const QString& output,
                                                       ConvertJob::Range before, ConvertJob::Range after,
                                                       int* error) {
    *error = 0;
    std::unique_ptr<RemoveRangeJob> job(new RemoveRangeJob);
    job->output_ = output;
    // The parts go beside the output (the same disk, which has room for the output anyway),
    // in a hidden folder of their own that no other file shares.
    const QFileInfo out(output);
    job->parts_ = std::make_unique<QTemporaryDir>(out.absolutePath() + "/.cutbench-parts-XXXXXX");
    if (!job->parts_->isValid()) {
        qCWarning(lcTools) << "batch: no folder for the parts beside" << output;
        return nullptr;
    }
    const QString ext = OutputFileNamer::extensionOf(output);
    const ConvertJob::Range ranges[2] = {before, after};
    for (int i = 0; i < 2; ++i) {
        const QString part =
            OutputFileNamer::freePath(job->parts_->path(), QString("part%1").arg(i + 1), ext);
        job->cuts_[i] = ConvertJob::create(input, part, ranges[i], error);
        if (!job->cuts_[i])
            return nullptr;
        job->weight_[i] = double(std::max<int64_t>(1, ranges[i].endUs - ranges[i].startUs));
    }
    job->join_ = JoinJob::create(output, error);
    if (!job->join_)
        return nullptr;
    // The parts were cut from one source with its own streams: their packets are copied.
    JoinJob::Encoding copy;
    copy.videoCodec = QStringLiteral("copy");
    copy.audioCodec = QStringLiteral("copy");
    if (const int r = job->join_->setEncoding(copy); r < 1) {
        *error = r;
        return nullptr;
    }
    // Copying packets is quick next to the two cuts.
    job->weight_[2] = (job->weight_[0] + job->weight_[1]) / 4;
    const double total = job->weight_[0] + job->weight_[1] + job->weight_[2];
    for (double& w : job->weight_)
        w /= total;
    return job;
}

RemoveRangeJob::~RemoveRangeJob() {
    // The engine's jobs are closed before their parts are removed with the folder.
    join_.reset();
    for (auto& cut : cuts_)
        cut.reset();
    if (parts_ && parts_->isValid() && !parts_->remove())
        qCWarning(lcTools) << "batch: could not remove the parts in" << parts_->path();
}

bool RemoveRangeJob::runStep(int step, int* result) {
    EngineJob* job = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_)
            return false;
        step_ = step;
        job = step < 2 ? static_cast<EngineJob*>(cuts_[step].get()) : join_.get();
    }
    *result = job->start();
    std::lock_guard<std::mutex> lock(mutex_);
    return !stopped_ && job->succeeded(*result);
}

int RemoveRangeJob::start() {
    int result = 0;
    for (int step = 0; step < 2; ++step) {
        if (!runStep(step, &result))
            return stopped_ ? 1 : result;
    }
    // The join reads the finished parts, so their clips are added only now.
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_)
            return 1;
        for (const auto& cut : cuts_) {
            const int r = join_->addClip(cut->outputPath(), 0, 0, 100);
            if (r < 1)
                return r;
        }
    }
    if (!runStep(2, &result))
        return stopped_ ? 1 : (result < 0 ? result : 0);
    return 1;
}

double RemoveRangeJob::progress() const {
    const int step = step_;
    double done = 0;
    for (int i = 0; i < step; ++i)
        done += weight_[i];
    const EngineJob* job = step < 2 ? static_cast<const EngineJob*>(cuts_[step].get()) : join_.get();
    return std::clamp(done + weight_[step] * job->progress(), 0.0, 1.0);
}

void RemoveRangeJob::stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    const int step = step_;
    if (step < 2)
        cuts_[step]->stop();
    else
        join_->stop();
}
