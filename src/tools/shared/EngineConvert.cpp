#include "tools/shared/EngineConvert.h"

#include "mediacore/MediaCore.h"
#include "platform/Log.h"

#include <algorithm>

std::unique_ptr<EngineConvert> EngineConvert::create() {
    void* handle = apiMediaConvertCreate();
    if (!handle)
        return nullptr;
    return std::unique_ptr<EngineConvert>(new EngineConvert(handle));
}

std::unique_ptr<EngineConvert> EngineConvert::cut(const QString& input, const QString& output,
                                                  std::optional<Range> range, int* error,
                                                  std::optional<int64_t> limitBytes) {
    *error = 0;
    // From here on the object owns the handle, so every early return closes it.
    std::unique_ptr<EngineConvert> job = create();
    if (!job)
        return nullptr;
    int r = job->setInput(input);
    if (r >= 1 && limitBytes)
        r = job->setLimitFileSize(*limitBytes);
    if (r >= 1 && range)
        r = job->setCutTime(*range);
    if (r >= 1)
        r = job->setOutput(output);
    if (r < 1) {
        *error = r;
        return nullptr;
    }
    return job;
}

std::unique_ptr<EngineConvert> EngineConvert::cut(const QString& input, OutputName output,
                                                  std::optional<Range> range, int* error,
                                                  std::optional<int64_t> limitBytes) {
    std::unique_ptr<EngineConvert> job = cut(input, output.path(), range, error, limitBytes);
    if (job)
        job->holdName(std::move(output));
    return job;
}

EngineConvert::~EngineConvert() {
    const int r = apiMediaConvertClose(handle_);
    if (r < 1)
        qCWarning(lcTools) << "apiMediaConvertClose:" << r;
}

int EngineConvert::setInput(const QString& path) {
    return apiMediaConvertSetInputMedia(handle_, path.toUtf8().constData());
}

int EngineConvert::setCutTime(Range range) {
    return apiMediaConvertSetCutTime(handle_, range.startUs, range.endUs);
}

int EngineConvert::setLimitFileSize(int64_t bytes) {
    return apiMediaConvertSetLimitFileSize(handle_, bytes);
}

int EngineConvert::setOutput(const QString& path) {
    qCDebug(lcTools) << "outputFileurl:" << path;
    const int r = apiMediaConvertSetOutputPath(handle_, path.toUtf8().constData());
    if (r >= 1)
        output_ = path;
    return r;
}

int64_t EngineConvert::inputDurationUs() const {
    return std::max<int64_t>(0, apiMediaConvertGetDuration(handle_));
}

bool EngineConvert::rangeHoldsPicture(const QString& input, Range range) {
    const std::unique_ptr<EngineConvert> job = create();
    if (!job || job->setInput(input) < 1)
        return true;
    if (range.endUs <= 0)
        range.endUs = job->inputDurationUs();
    // A range that starts at or past the end holds nothing either.
    return range.endUs > range.startUs && job->setCutTime(range) >= 1;
}

int EngineConvert::start() {
    return apiMediaConvertStart(handle_);
}

double EngineConvert::progress() const {
    return std::clamp(apiMediaConvertGetProgress(handle_), 0, 100) / 100.0;
}

int64_t EngineConvert::outputDurationUs() const {
    return apiMediaConvertGetOutputDuration(handle_);
}

void EngineConvert::stop() {
    apiMediaConvertStop(handle_);
}
