// One job of the media engine as the tool windows run it: set up on the main thread,
// started on a worker thread (the engine's start call blocks until the job ends), polled
// and stopped from the main thread while it runs, and closed when the object is destroyed.
//
// Ownership: a job object owns its engine handle. The job chain keeps it alive until the
// completion of its blocking start has run, so a completion always closes the handle it
// started and never one of a later job.
#pragma once

#include "tools/shared/OutputFileNamer.h"

#include <QString>
#include <utility>

class EngineJob {
public:
    virtual ~EngineJob() = default;
    EngineJob(const EngineJob&) = delete;
    EngineJob& operator=(const EngineJob&) = delete;

    // Runs the job to its end on the calling thread and returns the engine's result.
    virtual int start() = 0;
    // Whether a result of start() means the job ran to its end.
    virtual bool succeeded(int result) const = 0;
    // How far the running job is, 0 to 1. Main thread.
    virtual double progress() const = 0;
    // Asks the running job to end early. Main thread, while start() blocks on a worker.
    virtual void stop() = 0;
    // The file the job writes.
    virtual QString outputPath() const = 0;
    // Keeps the name the job writes held against other exports until the job is gone.
    void holdName(OutputName name) { name_ = std::move(name); }

protected:
    EngineJob() = default;

private:
    OutputName name_;
};
