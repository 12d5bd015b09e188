// The extern "C" functions of MediaCore.h: each checks its handle and arguments and hands over
// to the job or file object behind the handle.
#include "mediacore/MediaCore.h"

#include <new>

#include "ConvertJob.h"
#include "EngineLog.h"
#include "JoinJob.h"
#include "MediaFile.h"
#include "SourceIndex.h"

extern "C" {
#include <libavutil/error.h>
}

#define MEDIACORE_API extern "C" __attribute__((visibility("default")))

using mediacore::ConvertJob;
using mediacore::JoinJob;
using mediacore::MediaFile;

namespace {

constexpr int kBadHandle = AVERROR(EINVAL);

ConvertJob* convert(void* h) {
    return static_cast<ConvertJob*>(h);
}
JoinJob* join(void* h) {
    return static_cast<JoinJob*>(h);
}

std::string text(const char* s) {
    return s ? s : "";
}

int badHandle(const char* function) {
    mediacore::logFailure(std::string(function) + " without a handle", kBadHandle);
    return kBadHandle;
}

} // namespace

#define CONVERT_OR_FAIL(h)                                                                                   \
    if (!(h))                                                                                                \
        return badHandle(__func__);                                                                          \
    ConvertJob* job = convert(h)
#define JOIN_OR_FAIL(h)                                                                                      \
    if (!(h))                                                                                                \
        return badHandle(__func__);                                                                          \
    JoinJob* job = join(h)

// ---- Media files ----------------------------------------------------------------------

MEDIACORE_API void* MediaOpen(const char* path) {
    auto* file = new (std::nothrow) MediaFile;
    if (!file)
        return nullptr;
    if (!path || file->open(path) < 0) {
        delete file;
        return nullptr;
    }
    return file;
}

MEDIACORE_API int MediaGetInfo(void* media, MEDIA_AUDIO_STREAM_INFO* audio, MEDIA_VIDEO_STREAM_INFO* video) {
    if (!media)
        return badHandle(__func__);
    return static_cast<MediaFile*>(media)->info(audio, video);
}

MEDIACORE_API int64_t MediaGetDuration(void* media) {
    if (!media)
        return 0;
    return static_cast<MediaFile*>(media)->duration();
}

MEDIACORE_API int MediaSnapshot(void* media, int64_t timeUs, int width, int height, unsigned char* buffer,
                                int) {
    if (!media)
        return badHandle(__func__);
    return static_cast<MediaFile*>(media)->snapshot(timeUs < 0 ? 0 : timeUs, width, height, buffer);
}

MEDIACORE_API void MediaStopReading(int stop) {
    ff::SourceIndex::stopReading(stop != 0);
}

MEDIACORE_API int MediaClose(void* media) {
    if (!media)
        return badHandle(__func__);
    delete static_cast<MediaFile*>(media);
    return 1;
}

// ---- Convert jobs ---------------------------------------------------------------------

MEDIACORE_API void* apiMediaConvertCreate(void) {
    return new (std::nothrow) ConvertJob;
}

MEDIACORE_API int apiMediaConvertSetInputMedia(void* h, const char* path) {
    CONVERT_OR_FAIL(h);
    return job->setInput(text(path));
}

MEDIACORE_API int apiMediaConvertSetOutputPath(void* h, const char* path) {
    CONVERT_OR_FAIL(h);
    return job->setOutput(text(path));
}

MEDIACORE_API int apiMediaConvertSetCutTime(void* h, int64_t startUs, int64_t endUs) {
    CONVERT_OR_FAIL(h);
    return job->setCut(startUs, endUs);
}

MEDIACORE_API int apiMediaConvertSetLimitFileSize(void* h, int64_t bytes) {
    CONVERT_OR_FAIL(h);
    return job->setSizeLimit(bytes);
}

MEDIACORE_API int apiMediaConvertSetVcodec(void* h, const char* name) {
    CONVERT_OR_FAIL(h);
    return job->setVideoCodec(name);
}

MEDIACORE_API int apiMediaConvertSetAcodec(void* h, const char* name) {
    CONVERT_OR_FAIL(h);
    return job->setAudioCodec(name);
}

MEDIACORE_API int apiMediaConvertSetVideoFrameSize(void* h, int width, int height) {
    CONVERT_OR_FAIL(h);
    return job->setFrameSize(width, height);
}

MEDIACORE_API int apiMediaConvertSetVideoBitrate(void* h, int kbps) {
    CONVERT_OR_FAIL(h);
    return job->setVideoBitrate(kbps);
}

MEDIACORE_API int apiMediaConvertSetVideoFps(void* h, double fps) {
    CONVERT_OR_FAIL(h);
    return job->setFrameRate(fps);
}

MEDIACORE_API int apiMediaConvertSetAudioBitrate(void* h, int kbps) {
    CONVERT_OR_FAIL(h);
    return job->setAudioBitrate(kbps);
}

MEDIACORE_API int apiMediaConvertSetAudioEncodeContext(void* h, int channels, int sampleRate) {
    CONVERT_OR_FAIL(h);
    return job->setAudioFormat(channels, sampleRate);
}

MEDIACORE_API int apiMediaConvertSetAudioIndex(void* h, int streamIndex) {
    CONVERT_OR_FAIL(h);
    return job->setAudioIndex(streamIndex);
}

MEDIACORE_API int apiMediaConvertSetMaineAudioVolume(void* h, double volume) {
    CONVERT_OR_FAIL(h);
    return job->setMainVolume(volume);
}

MEDIACORE_API int apiMediaConvertDisableMainAudio(void* h) {
    CONVERT_OR_FAIL(h);
    return job->disableMainAudio();
}

MEDIACORE_API int apiMediaConvertSetSubtitle(void* h, SUBTITLE_PARAM param) {
    CONVERT_OR_FAIL(h);
    return job->setSubtitle(param);
}

MEDIACORE_API int apiMediaConvertAddImageEffect(void* h, int effectId) {
    CONVERT_OR_FAIL(h);
    return job->addEffect(effectId);
}

MEDIACORE_API int apiMediaConvertAdjustBCS(void* h, int brightness, int contrast, int saturation) {
    CONVERT_OR_FAIL(h);
    return job->setBCS(brightness, contrast, saturation);
}

MEDIACORE_API int apiMediaConvertSetCropSize(void* h, RECT margins) {
    CONVERT_OR_FAIL(h);
    return job->setCrop(margins);
}

MEDIACORE_API int apiMediaConvertHFlipStatus(void* h, int on) {
    CONVERT_OR_FAIL(h);
    return job->setHFlip(on != 0);
}

MEDIACORE_API int apiMediaConvertVFlipStatus(void* h, int on) {
    CONVERT_OR_FAIL(h);
    return job->setVFlip(on != 0);
}

MEDIACORE_API int apiMediaConvertSetRotateAngle(void* h, int degrees) {
    CONVERT_OR_FAIL(h);
    return job->setRotation(degrees);
}

MEDIACORE_API int apiMediaConvertAddImageWatermask(void* h, IMAGE_WATERMARK_PARAM param) {
    CONVERT_OR_FAIL(h);
    return job->addImageMark(param);
}

MEDIACORE_API int apiMediaConvertAddTextWatermask(void* h, TEXT_WATERMARK_PARAM param) {
    CONVERT_OR_FAIL(h);
    return job->addTextMark(param);
}

MEDIACORE_API int apiMediaConvertAddVideoWatermark(void* h, VIDEO_WATERMARK_PARAM param) {
    CONVERT_OR_FAIL(h);
    return job->addVideoMark(param);
}

MEDIACORE_API int apiMediaConvertAddDubbingMusic(void* h, const char* path, int64_t musicStartUs,
                                                 int64_t musicEndUs, int64_t videoStartUs, int64_t videoEndUs,
                                                 double volume, int64_t fadeInUs, int64_t fadeOutUs) {
    CONVERT_OR_FAIL(h);
    mediafx::MusicTrack track;
    track.path = text(path);
    track.musicStartUs = musicStartUs;
    track.musicEndUs = musicEndUs;
    track.videoStartUs = videoStartUs;
    track.videoEndUs = videoEndUs;
    track.volume = volume;
    track.fadeInUs = fadeInUs;
    track.fadeOutUs = fadeOutUs;
    return job->addMusic(track);
}

MEDIACORE_API int apiMediaConvertGetAudioStreamInfo(void* h, int* count, MEDIA_AUDIO_STREAM_INFO* buffer) {
    CONVERT_OR_FAIL(h);
    return job->audioInfo(count, buffer);
}

MEDIACORE_API int apiMediaConvertGetVideoStreamInfo(void* h, int* count, MEDIA_VIDEO_STREAM_INFO* buffer) {
    CONVERT_OR_FAIL(h);
    return job->videoInfo(count, buffer);
}

MEDIACORE_API int64_t apiMediaConvertGetDuration(void* h) {
    return h ? convert(h)->duration() : 0;
}

MEDIACORE_API int64_t apiMediaConvertGetOutputDuration(void* h) {
    return h ? convert(h)->outputDuration() : 0;
}

MEDIACORE_API int apiMediaConvertStart(void* h) {
    CONVERT_OR_FAIL(h);
    return job->start();
}

MEDIACORE_API int apiMediaConvertGetProgress(void* h) {
    return h ? convert(h)->progress() : 0;
}

MEDIACORE_API int apiMediaConvertStop(void* h) {
    CONVERT_OR_FAIL(h);
    job->stop();
    return 1;
}

MEDIACORE_API int apiMediaConvertClose(void* h) {
    CONVERT_OR_FAIL(h);
    delete job;
    return 1;
}

MEDIACORE_API void apiMediaConvertSetDrawTextCallback(DRAW_TEXT_CALLBACK callback) {
    ConvertJob::setDrawTextCallback(callback);
}

// ---- Join jobs ------------------------------------------------------------------------

MEDIACORE_API void* apiMediaJoinCreate(void) {
    return new (std::nothrow) JoinJob;
}

MEDIACORE_API int apiMediaJoinSetOutputPath(void* h, const char* path) {
    JOIN_OR_FAIL(h);
    return job->setOutput(text(path));
}

MEDIACORE_API uint64_t apiMediaJoinAddMediaClip(void* h, const char* path, uint64_t startUs, uint64_t endUs) {
    if (!h) {
        badHandle(__func__);
        return 0;
    }
    if (startUs > uint64_t(INT64_MAX) || endUs > uint64_t(INT64_MAX))
        return 0;
    return join(h)->addClip(text(path), int64_t(startUs), int64_t(endUs));
}

MEDIACORE_API int apiMediaJoinSetAudioVolumn(void* h, uint64_t clipId, int percent) {
    JOIN_OR_FAIL(h);
    return job->setVolume(clipId, percent);
}

MEDIACORE_API int apiMediaJoinSetTransition(void* h, uint64_t clipId, int effect, int64_t lengthUs) {
    JOIN_OR_FAIL(h);
    return job->setTransition(clipId, effect, lengthUs);
}

MEDIACORE_API int apiMediaJoinSetAudioCodec(void* h, const char* name) {
    JOIN_OR_FAIL(h);
    return job->setAudioCodec(name);
}

MEDIACORE_API int apiMediaJoinSetVideoCodec(void* h, const char* name) {
    JOIN_OR_FAIL(h);
    return job->setVideoCodec(name);
}

MEDIACORE_API int apiMediaJoinSetAudioBitrate(void* h, int kbps) {
    JOIN_OR_FAIL(h);
    return job->setAudioBitrate(kbps);
}

MEDIACORE_API int apiMediaJoinSetAudioEncodeContext(void* h, int channels, int sampleRate) {
    JOIN_OR_FAIL(h);
    return job->setAudioFormat(channels, sampleRate);
}

MEDIACORE_API int apiMediaJoinSetVideoFrameSize(void* h, int width, int height) {
    JOIN_OR_FAIL(h);
    return job->setFrameSize(width, height);
}

MEDIACORE_API int apiMediaJoinSetVideoFps(void* h, double fps) {
    JOIN_OR_FAIL(h);
    return job->setFrameRate(fps);
}

MEDIACORE_API int apiMediaJoinSetVideoBitrate(void* h, int kbps) {
    JOIN_OR_FAIL(h);
    return job->setVideoBitrate(kbps);
}

MEDIACORE_API int apiMediaJoinStart(void* h) {
    JOIN_OR_FAIL(h);
    return job->start();
}

MEDIACORE_API double apiMediaJoinGetProgress(void* h) {
    return h ? join(h)->progress() : 0.0;
}

MEDIACORE_API int apiMediaJoinStop(void* h) {
    JOIN_OR_FAIL(h);
    job->stop();
    return 1;
}

MEDIACORE_API int apiMediaJoinClose(void* h) {
    JOIN_OR_FAIL(h);
    delete job;
    return 1;
}
