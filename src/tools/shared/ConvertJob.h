// A convert job of the engine: one input, optionally a cut range, one output in the
// source's own format (no codec setter is called, so the container follows the output
// name's extension).
#pragma once

#include "tools/shared/EngineJob.h"

#include <cstdint>
#include <memory>
#include <optional>

class ConvertJob : public EngineJob {
public:
    struct Range {
        int64_t startUs = 0;
        int64_t endUs = 0;
    };
    // Creates and configures the job. On failure returns null and sets *error to the
    // engine's result (0 when the engine gave no job handle at all). With limitBytes the
    // job ends once its output reaches that size, still as a complete file.
    static std::unique_ptr<ConvertJob> create(const QString& input, const QString& output,
                                              std::optional<Range> range, int* error,
                                              std::optional<int64_t> limitBytes = std::nullopt);
    ~ConvertJob() override;

    int start() override;
    bool succeeded(int result) const override { return result >= 1; }
    double progress() const override;
    void stop() override;
    QString outputPath() const override { return output_; }
    // The length of what a finished start() wrote, in microseconds (0 when nothing).
    int64_t outputDurationUs() const;

private:
    ConvertJob(void* handle, QString output) : handle_(handle), output_(std::move(output)) {}
    void* handle_;
    QString output_;
};
