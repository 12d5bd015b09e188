#include "tools/shared/ConvertJob.h"

#include "mediacore/MediaCore.h"
#include "platform/Log.h"

#include <algorithm>

namespace {
using Handle = decltype(apiMediaConvertCreate());
Handle handleOf(void* h) {
    return static_cast<Handle>(h);
}
} // namespace

std::unique_ptr<ConvertJob> ConvertJob::create(const QString& input, const QString& output,
                                               std::optional<Range> range, int* error,
                                               std::optional<int64_t> limitBytes) {
    *error = 0;
    Handle handle = apiMediaConvertCreate();
    if (!handle)
        return nullptr;
    // From here on the object owns the handle, so every early return closes it.
    std::unique_ptr<ConvertJob> job(new ConvertJob(handle, output));
    int r = apiMediaConvertSetInputMedia(handle, input.toUtf8().constData());
    if (r < 1) {
        *error = r;
        return nullptr;
    }
    if (limitBytes) {
        r = apiMediaConvertSetLimitFileSize(handle, *limitBytes);
        if (r < 1) {
            *error = r;
            return nullptr;
        }
    }
    if (range) {
        r = apiMediaConvertSetCutTime(handle, range->startUs, range->endUs);
        if (r < 1) {
            *error = r;
            return nullptr;
        }
    }
    qCDebug(lcTools) << "outputFileurl:" << output;
    r = apiMediaConvertSetOutputPath(handle, output.toUtf8().constData());
    if (r < 1) {
        *error = r;
        return nullptr;
    }
    return job;
}

ConvertJob::~ConvertJob() {
    const int r = apiMediaConvertClose(handleOf(handle_));
    if (r < 1)
        qCWarning(lcTools) << "apiMediaConvertClose:" << r;
}

int ConvertJob::start() {
    return apiMediaConvertStart(handleOf(handle_));
}

double ConvertJob::progress() const {
    return std::clamp(apiMediaConvertGetProgress(handleOf(handle_)), 0, 100) / 100.0;
}

int64_t ConvertJob::outputDurationUs() const {
    return apiMediaConvertGetOutputDuration(handleOf(handle_));
}

void ConvertJob::stop() {
    apiMediaConvertStop(handleOf(handle_));
}
