#include "SoundPriming.h"

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/intreadwrite.h>
}

namespace mediacore {

bool SoundPriming::applies(const AVCodecContext* encoder, const AVOutputFormat* container) {
    return encoder && container && encoder->codec_id == AV_CODEC_ID_MP3 && encoder->initial_padding > 0 &&
           encoder->frame_size > 0 && av_match_name(container->name, "matroska,webm,avi");
}

int SoundPriming::leadSamples(const AVCodecContext* encoder, const AVOutputFormat* container) {
    if (!applies(encoder, container))
        return 0;
    const int frame = encoder->frame_size;
    return (frame - encoder->initial_padding % frame) % frame;
}

int SoundPriming::hold(const AVPacket* packet) {
    PacketPtr copy = clonePacket(packet);
    if (!copy)
        return AVERROR(ENOMEM);
    held_.push_back(std::move(copy));
    return 0;
}

// The primer goes in at the time of `first`, its `frameSamples` all skipped from its end.
int SoundPriming::markSkipped(AVPacket* primer, const AVPacket* first, int frameSamples) {
    uint8_t* skip = av_packet_new_side_data(primer, AV_PKT_DATA_SKIP_SAMPLES, 10);
    if (!skip)
        return AVERROR(ENOMEM);
    AV_WL32(skip, 0);
    AV_WL32(skip + 4, uint32_t(frameSamples));
    skip[8] = skip[9] = 0;
    primer->pts = first->pts;
    primer->dts = first->dts != AV_NOPTS_VALUE ? first->dts : first->pts;
    return 0;
}

} // namespace mediacore
