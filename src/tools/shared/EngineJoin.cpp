#include "tools/shared/EngineJoin.h"

#include "mediacore/MediaCore.h"
#include "platform/Log.h"

#include <algorithm>
#include <cmath>

namespace {
using Handle = decltype(apiMediaJoinCreate());
Handle handleOf(void* h) {
    return static_cast<Handle>(h);
}
} // namespace

std::unique_ptr<EngineJoin> EngineJoin::create(const QString& output, int* error) {
    *error = 0;
    Handle handle = apiMediaJoinCreate();
    if (!handle)
        return nullptr;
    std::unique_ptr<EngineJoin> job(new EngineJoin(handle, output));
    const int r = apiMediaJoinSetOutputPath(handle, output.toUtf8().constData());
    if (r < 1) {
        qCWarning(lcTools) << "error:" << r;
        *error = r;
        return nullptr;
    }
    return job;
}

std::unique_ptr<EngineJoin> EngineJoin::create(OutputName output, int* error) {
    std::unique_ptr<EngineJoin> job = create(output.path(), error);
    if (job)
        job->holdName(std::move(output));
    return job;
}

EngineJoin::~EngineJoin() {
    apiMediaJoinClose(handleOf(handle_));
}

int EngineJoin::addClip(const QString& path, int64_t startUs, int64_t endUs, int volumePercent) {
    const auto clip = apiMediaJoinAddMediaClip(handleOf(handle_), path.toUtf8().constData(),
                                               static_cast<uint64_t>(std::max<int64_t>(0, startUs)),
                                               static_cast<uint64_t>(std::max<int64_t>(0, endUs)));
    // A clip the engine refused would silently be missing from the joined file.
    if (clip == 0)
        return 0;
    lastClip_ = clip;
    return apiMediaJoinSetAudioVolumn(handleOf(handle_), clip, volumePercent);
}

int EngineJoin::start() {
    return apiMediaJoinStart(handleOf(handle_));
}

double EngineJoin::progress() const {
    const double p = apiMediaJoinGetProgress(handleOf(handle_));
    return std::isfinite(p) ? std::clamp(p, 0.0, 100.0) / 100.0 : 0.0;
}

void EngineJoin::stop() {
    apiMediaJoinStop(handleOf(handle_));
}

int EngineJoin::setTransition(int effect, int64_t lengthUs) {
    if (lastClip_ == 0)
        return 0;
    return apiMediaJoinSetTransition(handleOf(handle_), lastClip_, effect, lengthUs);
}

int EngineJoin::setEncoding(const Encoding& e) {
    Handle h = handleOf(handle_);
    int r = 1;
    auto step = [&r](int result) {
        if (r >= 1 && result < 1)
            r = result;
    };
    if (e.audioKbps > 0)
        step(apiMediaJoinSetAudioBitrate(h, e.audioKbps));
    if (!e.audioCodec.isEmpty())
        step(apiMediaJoinSetAudioCodec(h, e.audioCodec.toUtf8().constData()));
    if (e.channels > 0 || e.sampleRate > 0)
        step(apiMediaJoinSetAudioEncodeContext(h, e.channels, e.sampleRate));
    if (!e.videoCodec.isEmpty())
        step(apiMediaJoinSetVideoCodec(h, e.videoCodec.toUtf8().constData()));
    if (e.width > 0 && e.height > 0)
        step(apiMediaJoinSetVideoFrameSize(h, e.width, e.height));
    if (e.fps > 0)
        step(apiMediaJoinSetVideoFps(h, e.fps));
    if (e.videoKbps > 0)
        step(apiMediaJoinSetVideoBitrate(h, e.videoKbps));
    return r;
}
