#include "OutputFormat.h"

#include <cmath>

#include "EngineLog.h"

namespace mediacore {

int OutputFormat::setVideoCodec(const char* name) {
    CodecSetting s = parseCodecSetting(name, AVMEDIA_TYPE_VIDEO);
    if (s.kind == CodecSetting::Invalid)
        return logFailure("unknown video codec " + s.name, AVERROR_ENCODER_NOT_FOUND);
    videoCodec = s;
    return 1;
}

int OutputFormat::setAudioCodec(const char* name) {
    CodecSetting s = parseCodecSetting(name, AVMEDIA_TYPE_AUDIO);
    if (s.kind == CodecSetting::Invalid)
        return logFailure("unknown audio codec " + s.name, AVERROR_ENCODER_NOT_FOUND);
    audioCodec = s;
    return 1;
}

int OutputFormat::setFrameSize(int w, int h) {
    if (w < 2 || h < 2 || w > 16384 || h > 16384)
        return logFailure("frame size", AVERROR(EINVAL));
    width = w & ~1;
    height = h & ~1;
    return 1;
}

int OutputFormat::setFrameRate(double rate) {
    if (!(std::isfinite(rate) && rate > 0 && rate <= 240))
        return logFailure("frame rate", AVERROR(EINVAL));
    fps = rate;
    return 1;
}

int OutputFormat::setVideoBitrate(int kbps) {
    if (kbps <= 0)
        return logFailure("video bit rate", AVERROR(EINVAL));
    videoKbps = kbps;
    return 1;
}

int OutputFormat::setAudioBitrate(int kbps) {
    if (kbps < 0)
        return logFailure("audio bit rate", AVERROR(EINVAL));
    audioKbps = kbps;
    return 1;
}

int OutputFormat::setAudioFormat(int channelCount, int rate) {
    if (channelCount < 0 || channelCount > 8 || rate < 0 || rate > 384000)
        return logFailure("audio channels or rate", AVERROR(EINVAL));
    channels = channelCount;
    sampleRate = rate;
    return 1;
}

} // namespace mediacore
