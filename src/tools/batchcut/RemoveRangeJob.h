// The cut of a file with a range removed from its middle, as one job of the batch run: the
// part before the range and the part after it are each cut exactly (the engine's fast cut)
// into private files, and the two are then joined by copying their packets into the output.
//
// The parts live in a folder of their own, made beside the output under a free name, and
// that folder goes with the job whatever its end (finished, stopped or failed); a stopped or
// failed job leaves no output either, as the engine removes what it had begun.
//
// Threads: created, polled, stopped and destroyed on the main thread; start() runs on the
// job chain's worker and runs the three steps there one after the other.
#pragma once

#include "tools/shared/ConvertJob.h"
#include "tools/shared/EngineJob.h"

#include <QTemporaryDir>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class JoinJob;

class RemoveRangeJob : public EngineJob {
public:
    // Sets up the two cuts and the join. On failure returns null and sets *error to the
    // engine's result (0 when no job or no private folder could be made).
    static std::unique_ptr<RemoveRangeJob> create(const QString& input, const QString& output,
                                                  ConvertJob::Range before, ConvertJob::Range after,
                                                  int* error);
    ~RemoveRangeJob() override;

    // 1 when the output is complete; otherwise the failing step's result (a join's negative
    // result, a cut's result below 1). A stopped job returns 1 and writes nothing: the chain
    // tells a stop by its own flag.
    int start() override;
    bool succeeded(int result) const override { return result >= 1; }
    double progress() const override;
    void stop() override;
    QString outputPath() const override { return output_; }

private:
    RemoveRangeJob() = default;
    // Runs step i unless the job was stopped; returns false when the job is to end.
    bool runStep(int step, int* result);

    QString output_;
    std::unique_ptr<QTemporaryDir> parts_;
    std::unique_ptr<ConvertJob> cuts_[2];
    std::unique_ptr<JoinJob> join_;
    // Each step's share of the whole job.
    double weight_[3] = {0, 0, 0};
    std::atomic<int> step_{0};
    // Orders a stop against the step that starts, so that no step starts after a stop.
    std::mutex mutex_;
    std::atomic<bool> stopped_{false};
};
