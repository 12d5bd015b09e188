// A join job of the engine: clips (ranges of files) written one after the other into a
// single output. The clips are added before the job is handed to the chain.
#pragma once

#include "tools/shared/EngineJob.h"

#include <cstdint>
#include <memory>

class JoinJob : public EngineJob {
public:
    // Creates the job with its output path. On failure returns null and sets *error to the
    // engine's result (0 when the engine gave no job handle).
    static std::unique_ptr<JoinJob> create(const QString& output, int* error);
    ~JoinJob() override;

    // Adds one clip of a file with its range in microseconds and its sound level in percent
    // of the source (100 = unchanged). Returns 1 or more on success, else the failing result.
    int addClip(const QString& path, int64_t startUs, int64_t endUs, int volumePercent);

    int start() override;
    // The join start fails only with a negative result.
    bool succeeded(int result) const override { return result >= 0; }
    double progress() const override;
    void stop() override;
    QString outputPath() const override { return output_; }

private:
    JoinJob(void* handle, QString output) : handle_(handle), output_(std::move(output)) {}
    void* handle_;
    QString output_;
};
