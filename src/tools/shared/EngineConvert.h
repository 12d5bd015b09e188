// A convert job of the engine, and the only owner of an engine convert handle in the program:
// every window that converts, cuts or asks the engine about a file goes through it, so each
// handle is closed exactly once, on every path.
//
// A job is configured on the main thread (the typed setters below, or handle() for the
// settings only one caller makes), started on a worker thread and closed when the object is
// destroyed (see EngineJob). A job that is never started serves to ask the engine about a
// file or whether it accepts a setting.
#pragma once

#include "tools/shared/EngineJob.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class EngineConvert : public EngineJob {
public:
    struct Range {
        int64_t startUs = 0;
        int64_t endUs = 0;
    };

    // A job without settings; null when the engine gives no handle.
    static std::unique_ptr<EngineConvert> create();
    // A cut of input into output in the source's own format (no codec setter is called, so
    // the container follows the output name's extension), of range when given. On failure
    // returns null and sets *error to the engine's result (0 when the engine gave no job
    // handle at all). With limitBytes the job ends once its output reaches that size, still
    // as a complete file.
    static std::unique_ptr<EngineConvert> cut(const QString& input, const QString& output,
                                              std::optional<Range> range, int* error,
                                              std::optional<int64_t> limitBytes = std::nullopt);
    // The same, into a name held for this job (OutputFileNamer::takeFreePath); the job keeps it.
    static std::unique_ptr<EngineConvert> cut(const QString& input, OutputName output,
                                              std::optional<Range> range, int* error,
                                              std::optional<int64_t> limitBytes = std::nullopt);
    ~EngineConvert() override;

    // The engine's results: 1 or more on success.
    int setInput(const QString& path);
    int setCutTime(Range range);
    int setLimitFileSize(int64_t bytes);
    // The file the job writes; set last, after every other setting.
    int setOutput(const QString& path);

    // For the settings that one caller alone makes. Main thread, before start(); the object
    // keeps the handle and closes it.
    void* handle() const { return handle_; }
    // The length of the input, in microseconds (0 when unknown).
    int64_t inputDurationUs() const;
    // Whether range of input (an end of 0: to its end) holds a picture. The engine refuses a
    // cut that holds none (the sound of many files runs on past their last picture), so such a
    // rest of a file is no part of it to write. True when the engine cannot tell (an input it
    // cannot read is left for the job's own set-up to report).
    static bool rangeHoldsPicture(const QString& input, Range range);

    int start() override;
    bool succeeded(int result) const override { return result >= 1; }
    double progress() const override;
    void stop() override;
    QString outputPath() const override { return output_; }
    // The length of what a finished start() wrote, in microseconds (0 when nothing).
    int64_t outputDurationUs() const;

private:
    explicit EngineConvert(void* handle) : handle_(handle) {}
    void* handle_;
    QString output_;
};
