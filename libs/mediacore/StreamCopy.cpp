#include "StreamCopy.h"

#include <algorithm>

namespace mediacore {

namespace {
constexpr int64_t kEpsilon = 1000; // timestamps are rounded to their time base
} // namespace

void StreamCopy::beginPart(SourceReader& reader, int64_t fromUs, int64_t outputUs, int64_t soundFromUs,
                           int64_t endUs) {
    reader_ = &reader;
    shiftUs_ = outputUs - fromUs;
    soundFromUs_ = soundFromUs;
    endUs_ = endUs;
    seamChecked_[0] = seamChecked_[1] = false;
}

int64_t StreamCopy::decodeTimeUs(const SourceReader& reader, const AVPacket* packet,
                                 SourceReader::Kind kind) {
    const AVStream* s = kind == SourceReader::Video ? reader.video() : reader.audio();
    return packet->dts != AV_NOPTS_VALUE ? av_rescale_q(packet->dts, s->time_base, kMicro) - reader.originUs()
                                         : reader.packetTimeUs(packet, kind);
}

int StreamCopy::take(AVPacket* packet, SourceReader::Kind kind) {
    const AVStream* s = kind == SourceReader::Video ? reader_->video() : reader_->audio();
    const int64_t t = reader_->packetTimeUs(packet, kind);
    const int64_t dts = decodeTimeUs(*reader_, packet, kind);
    if (dts != AV_NOPTS_VALUE && dts >= endUs_ - kEpsilon) {
        reader_->finish(kind);
        av_packet_unref(packet);
        return 0;
    }
    if (kind == SourceReader::Audio && t != AV_NOPTS_VALUE && t < soundFromUs_ - kEpsilon) {
        av_packet_unref(packet);
        return 0;
    }
    const int k = kind == SourceReader::Video ? 0 : 1;
    const bool realDts = packet->dts != AV_NOPTS_VALUE;
    if (realDts && !seamChecked_[k]) {
        seamChecked_[k] = true;
        if (lastDts_[k] != INT64_MIN && dts + shiftUs_ <= lastDts_[k])
            shiftUs_ = lastDts_[k] - dts + 1;
    }
    if (realDts)
        lastDts_[k] = std::max(lastDts_[k], dts + shiftUs_);
    const int64_t shift = av_rescale_q(shiftUs_ - reader_->originUs(), kMicro, s->time_base);
    if (packet->pts != AV_NOPTS_VALUE)
        packet->pts += shift;
    if (packet->dts != AV_NOPTS_VALUE)
        packet->dts += shift;
    const int r = writer_.writePacket(kind == SourceReader::Video ? OutputWriter::Video : OutputWriter::Audio,
                                      packet, s->time_base);
    av_packet_unref(packet);
    return r;
}

} // namespace mediacore
