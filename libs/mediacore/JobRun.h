// The run of one engine job: one start at a time, a stop flag any thread may set, progress
// that only rises, and a destructor that stops a running start and waits for it to return.
// Before the start, progress tells how far the reading of an input's index has come (seconds
// for a long MPEG recording); the start counts from 0 again.
//
// A job keeps its JobRun as its last member, so that the wait happens before the members the
// run uses are destroyed.
// Threading: run() on the caller's thread; stop(), stopped() and progress() from any thread.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "EngineLog.h"
#include "RisingValue.h"

extern "C" {
#include <libavutil/error.h>
}

namespace mediacore {

class JobRun {
public:
    JobRun() = default;
    JobRun(const JobRun&) = delete;
    JobRun& operator=(const JobRun&) = delete;
    ~JobRun() {
        stop_ = true;
        std::unique_lock lock(mutex_);
        ended_.wait(lock, [this] { return !running_; });
    }

    // Runs `body` unless another run is under way (EBUSY) or a stop came first (then
    // `whenStopped`, without running).
    template <class Body> int run(Body body, int whenStopped) {
        {
            std::lock_guard lock(mutex_);
            if (running_)
                return logFailure("the job runs already", AVERROR(EBUSY));
            running_ = true;
        }
        progress_ = 0.0;
        const int r = stop_ ? whenStopped : body();
        {
            std::lock_guard lock(mutex_);
            running_ = false;
        }
        ended_.notify_all();
        return r;
    }

    void stop() { stop_ = true; }
    bool stopped() const { return stop_.load(); }
    const std::atomic<bool>& stopFlag() const { return stop_; }

    // Progress in percent: `doneUs` of `totalUs`, kept below 100 until finished().
    void report(int64_t doneUs, int64_t totalUs) {
        if (totalUs > 0)
            raiseTo(progress_, std::clamp(double(doneUs) * 100.0 / double(totalUs), 0.0, 99.9));
    }
    void finished() { progress_ = 100.0; }
    // Counts from 0 again: what came before (reading an index) is done.
    void restart() { progress_ = 0.0; }
    double progress() const { return progress_.load(); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<double> progress_{0.0};
    std::mutex mutex_;
    std::condition_variable ended_;
    bool running_ = false;
};

} // namespace mediacore
