// A join job of the engine, and the only owner of an engine join handle: clips (ranges of
// files) written one after the other into a single output. The clips are added before the job
// is handed to the chain.
#pragma once

#include "tools/shared/EngineJob.h"

#include <cstdint>
#include <memory>

class EngineJoin : public EngineJob {
public:
    // Creates the job with its output path. On failure returns null and sets *error to the
    // engine's result (0 when the engine gave no job handle).
    static std::unique_ptr<EngineJoin> create(const QString& output, int* error);
    // The same, into a name held for this job (OutputFileNamer::takeFreePath); the job keeps it.
    static std::unique_ptr<EngineJoin> create(OutputName output, int* error);
    ~EngineJoin() override;

    // Adds one clip of a file with its range in microseconds and its sound level in percent
    // of the source (100 = unchanged). Returns 1 or more on success, else the failing result.
    int addClip(const QString& path, int64_t startUs, int64_t endUs, int volumePercent);
    // A transition (1 left, 2 top, 3 fade) of lengthUs from the clip added last into the next.
    // Returns 1 or more on success, else the failing result.
    int setTransition(int effect, int64_t lengthUs);

    // The output encoding; empty codecs and zero numbers keep the source's values.
    struct Encoding {
        QString videoCodec;
        QString audioCodec;
        int width = 0;
        int height = 0;
        double fps = 0;
        int videoKbps = 0;
        int audioKbps = 0;
        int channels = 0;
        int sampleRate = 0;
    };
    // Returns 1 or more on success, else the first failing result.
    int setEncoding(const Encoding& encoding);

    int start() override;
    // The join start fails only with a negative result.
    bool succeeded(int result) const override { return result >= 0; }
    double progress() const override;
    void stop() override;
    QString outputPath() const override { return output_; }

private:
    EngineJoin(void* handle, QString output) : handle_(handle), output_(std::move(output)) {}
    void* handle_;
    QString output_;
    uint64_t lastClip_ = 0;
};
