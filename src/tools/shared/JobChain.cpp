#include "tools/shared/JobChain.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"

#include <algorithm>

namespace {
int gBusyChains = 0;
} // namespace

int JobChain::busyChains() {
    return gBusyChains;
}

void JobChain::setBusy(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    gBusyChains += busy ? 1 : -1;
    if (busy)
        quitLock_ = std::make_unique<QEventLoopLocker>();
    else
        quitLock_.reset();
}

JobChain::JobChain(QObject* parent) : QObject(parent), self_(std::make_shared<JobChain*>(this)) {
    timer_.setInterval(kProgressIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &JobChain::pollProgress);
}

JobChain::~JobChain() {
    *self_ = nullptr;
    setBusy(false);
    // The worker still holds the job; stopping it lets the worker return soon, and its
    // completion then only closes the job.
    if (current_)
        current_->stop();
}

bool JobChain::start(int count, MakeJob makeJob, bool openEnded) {
    if (busy_ || count < 1 || !makeJob)
        return false;
    setBusy(true);
    cancelled_ = false;
    openEnded_ = openEnded;
    count_ = count;
    makeJob_ = std::move(makeJob);
    startJob(0);
    return true;
}

void JobChain::cancel() {
    if (!busy_ || cancelled_)
        return;
    cancelled_ = true;
    timer_.stop();
    if (current_)
        current_->stop();
}

void JobChain::startJob(int index) {
    std::unique_ptr<EngineJob> made;
    // Jobs whose set-up fails are passed over in a loop, not by recursion: a batch may hold
    // hundreds of missing files.
    for (;; ++index) {
        index_ = index;
        int error = 0;
        made = makeJob_(index, &error);
        if (made)
            break;
        if (error == kNotYet) {
            QTimer::singleShot(kNotYetRetryMs, this, [this, index] {
                if (!busy_ || current_)
                    return;
                if (cancelled_)
                    end(Outcome::Cancelled, 0);
                else
                    startJob(index);
            });
            return;
        }
        if (openEnded_ && error == kNoMoreJobs && index > 0) {
            end(Outcome::Completed, 0);
            return;
        }
        if (error == kNoMoreJobs || !jobFailed || !jobFailed(index, error)) {
            end(Outcome::Failed, error == kNoMoreJobs ? 0 : error);
            return;
        }
        if (progressChanged)
            progressChanged(double(index + 1) / count_);
        if (!(index + 1 < count_ || openEnded_)) {
            end(Outcome::Completed, 0);
            return;
        }
        count_ = std::max(count_, index + 2);
    }
    current_ = std::shared_ptr<EngineJob>(std::move(made));
    if (jobStarted)
        jobStarted(index);
    if (progressChanged)
        progressChanged(double(index) / count_);
    if (!cancelled_)
        timer_.start();

    std::weak_ptr<JobChain*> self = self_;
    dispatchGlobal([job = current_, self, index]() mutable {
        const int result = job->start();
        // The completion takes the job out of itself: the function object may be destroyed on
        // this worker, after the main thread has run it, and the job must not close here then.
        dispatchMain([job = std::move(job), self, index, result]() mutable {
            std::shared_ptr<EngineJob> ran = std::move(job);
            if (auto alive = self.lock(); alive && *alive)
                (*alive)->jobReturned(std::move(ran), index, result);
        });
    });
}

void JobChain::jobReturned(std::shared_ptr<EngineJob> job, int index, int result) {
    if (job != current_)
        return;
    timer_.stop();
    current_.reset();
    const bool succeeded = job->succeeded(result);
    const QString output = job->outputPath();
    // Closed before the chain goes on or ends: what the job leaves to its closing (a removal's
    // part folder) is done while the chain is still busy, so the program waits for it.
    job.reset();
    if (cancelled_) {
        end(Outcome::Cancelled, 0);
        return;
    }
    if (!succeeded) {
        qCWarning(lcTools) << "job" << index << "failed:" << result;
        if (!jobFailed || !jobFailed(index, result)) {
            end(Outcome::Failed, result);
            return;
        }
    } else if (jobCompleted) {
        jobCompleted(index, output);
    }
    next(index);
}

void JobChain::next(int index) {
    if (progressChanged)
        progressChanged(double(index + 1) / count_);
    if ((index + 1 < count_ || openEnded_) && !cancelled_) {
        count_ = std::max(count_, index + 2);
        startJob(index + 1);
        return;
    }
    end(cancelled_ ? Outcome::Cancelled : Outcome::Completed, 0);
}

void JobChain::end(Outcome outcome, int error) {
    timer_.stop();
    current_.reset();
    makeJob_ = nullptr;
    setBusy(false);
    if (finished)
        finished(outcome, error);
}

void JobChain::pollProgress() {
    if (!current_ || count_ < 1)
        return;
    const double p = std::clamp(current_->progress(), 0.0, 1.0);
    if (progressChanged)
        progressChanged((index_ + p) / count_);
}
