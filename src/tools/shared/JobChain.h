// The background work of every tool window: engine jobs run one at a time, each job's
// blocking start on a worker thread, its progress polled every 0.2 s on the main thread,
// and its completion back on the main thread, which closes exactly the job it ran and then
// starts the next job of the chain or reports the end.
//
// The window supplies only what differs: how many jobs, and how to set up job i (called on
// the main thread when job i is due, so a setup failure ends the chain there). Overall
// progress is (index + job progress) / count.
//
// Cancel stops the running job from the main thread; the chain stays busy until that job's
// start has returned and its completion has run, so a window keeps its Start button
// disabled until then and never has two jobs of its own in flight. A job that was stopped
// ends the chain as cancelled, whatever result the engine gave for it.
//
// Threads: every member is used on the main thread only. Callbacks run on the main thread.
#pragma once

#include "tools/shared/EngineJob.h"

#include <QEventLoopLocker>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class JobChain : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Completed, Cancelled, Failed };
    // Sets up job i. Returns null on failure with *error set to the engine's result
    // (0 when the engine gave no handle).
    using MakeJob = std::function<std::unique_ptr<EngineJob>(int index, int* error)>;

    explicit JobChain(QObject* parent = nullptr);
    ~JobChain() override;

    // Starts a chain of count jobs. Returns false when the chain is busy or count < 1.
    // An open-ended chain goes on past count (count is then the estimate that progress is
    // measured against) until makeJob reports that the work is done by returning null with
    // *error = kNoMoreJobs.
    bool start(int count, MakeJob makeJob, bool openEnded = false);
    static constexpr int kNoMoreJobs = -0x7fffffff;
    // makeJob returning null with *error = kNotYet: job index cannot be set up yet (it waits for
    // the window); it is asked for again shortly.
    static constexpr int kNotYet = -0x7ffffffe;
    static constexpr int kNotYetRetryMs = 50;
    // Stops the running job; the chain ends as Cancelled once it has returned.
    void cancel();

    // From start() until the completion of the last job has run, also after cancel().
    bool isBusy() const { return busy_; }
    // Busy and cancel() was called.
    bool isCancelling() const { return busy_ && cancelled_; }
    // Chains of the whole program that are busy (running, or stopped and not yet returned).
    // While any is, the program does not quit when its last window closes: it quits once
    // the last busy chain has ended, so that no job is cut off in the middle of its file.
    static int busyChains();

    // Index of the job that runs (or ran last).
    int currentIndex() const { return index_; }
    int count() const { return count_; }

    // Job index is about to start (its setup succeeded).
    std::function<void(int index)> jobStarted;
    // Job index ran to its end; its output is complete.
    std::function<void(int index, const QString& output)> jobCompleted;
    // Overall progress 0..1, every 0.2 s while a job runs.
    std::function<void(double overall)> progressChanged;
    // Job index failed, in its set-up or its run, with the engine's result (0 when its set-up
    // gave none). Returning true goes on with the next job, as a batch of independent files
    // does; the chain then ends as Completed (the window has kept what failed). Without it,
    // or returning false, the chain ends there as Failed.
    std::function<bool(int index, int error)> jobFailed;
    // The chain has ended; error is the engine's result for a failure, else 0. When this
    // runs the chain is idle again and may be started anew.
    std::function<void(Outcome outcome, int error)> finished;

    static constexpr int kProgressIntervalMs = 200;

private:
    void startJob(int index);
    // After job index: the next job, or the end when there is none.
    void next(int index);
    void jobReturned(std::shared_ptr<EngineJob> job, int index, int result);
    void end(Outcome outcome, int error);
    void pollProgress();
    void setBusy(bool busy);

    QTimer timer_;
    MakeJob makeJob_;
    std::shared_ptr<EngineJob> current_;
    // Lets a completion that arrives after the chain is gone know it.
    std::shared_ptr<JobChain*> self_;
    int count_ = 0;
    int index_ = 0;
    bool busy_ = false;
    bool cancelled_ = false;
    bool openEnded_ = false;
    std::unique_ptr<QEventLoopLocker> quitLock_;
};
