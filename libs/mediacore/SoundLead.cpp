#include "SoundLead.h"

#include <algorithm>

#include "SourceIndex.h"

namespace mediacore {

namespace {

constexpr int64_t kEpsilonUs = 1000; // timestamps are rounded to their time base
// How far the picture is read past the landing for the first sound: sound stored ahead comes
// before that, and a file whose sound has ended there is not read on.
constexpr int64_t kLookUs = 10000000;

// What reading from the current position gives first: the picture's keyframe (its pts) and the
// sound packet (its source time and length).
struct Landing {
    int64_t keyPts = AV_NOPTS_VALUE;
    int64_t soundUs = AV_NOPTS_VALUE;
    int64_t soundLengthUs = 0;
};

Landing look(AVFormatContext* input, int videoIndex, int audioIndex, int64_t originUs) {
    Landing l;
    PacketPtr p = makePacket();
    int64_t firstPictureUs = AV_NOPTS_VALUE;
    while (l.keyPts == AV_NOPTS_VALUE || l.soundUs == AV_NOPTS_VALUE) {
        if (SourceIndex::readPacket(input, p.get()) < 0)
            break;
        const AVStream* s = input->streams[p->stream_index];
        const int64_t ts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        const int64_t us =
            ts != AV_NOPTS_VALUE ? av_rescale_q(ts, s->time_base, kMicro) - originUs : AV_NOPTS_VALUE;
        if (p->stream_index == videoIndex && us != AV_NOPTS_VALUE) {
            if (firstPictureUs == AV_NOPTS_VALUE)
                firstPictureUs = us;
            if (us > firstPictureUs + kLookUs) {
                av_packet_unref(p.get());
                break;
            }
        }
        if (p->stream_index == videoIndex && l.keyPts == AV_NOPTS_VALUE && (p->flags & AV_PKT_FLAG_KEY))
            l.keyPts = p->pts;
        if (p->stream_index == audioIndex && l.soundUs == AV_NOPTS_VALUE && us != AV_NOPTS_VALUE) {
            l.soundUs = us;
            l.soundLengthUs = av_rescale_q(p->duration, s->time_base, kMicro);
        }
        av_packet_unref(p.get());
    }
    return l;
}

bool reaches(const Landing& l, int64_t soundUs) {
    return l.soundUs != AV_NOPTS_VALUE && l.soundUs <= soundUs + l.soundLengthUs + kEpsilonUs;
}

} // namespace

bool LeadSkip::skips(const AVPacket* packet) {
    if (keyPts_ == AV_NOPTS_VALUE || packet->stream_index != videoIndex_)
        return false;
    if ((packet->flags & AV_PKT_FLAG_KEY) && packet->pts != AV_NOPTS_VALUE && packet->pts >= keyPts_) {
        keyPts_ = AV_NOPTS_VALUE;
        return false;
    }
    return true;
}

int LeadSkip::read(AVFormatContext* input, AVPacket* packet) {
    int r = SourceIndex::readPacket(input, packet);
    while (r >= 0 && skips(packet)) {
        av_packet_unref(packet);
        r = SourceIndex::readPacket(input, packet);
    }
    return r;
}

int64_t soundWarmUpUs(const AVStream* sound) {
    return sound && sound->codecpar->codec_id == AV_CODEC_ID_OPUS ? 160000 : 0;
}

LeadSkip reachSoundAhead(AVFormatContext* input, int videoIndex, int audioIndex, int64_t originUs,
                         int64_t landingUs, int64_t soundUs, const std::function<void(int64_t)>& seekTo) {
    if (videoIndex < 0 || audioIndex < 0)
        return {};
    const Landing first = look(input, videoIndex, audioIndex, originUs);
    seekTo(landingUs);
    if (first.keyPts == AV_NOPTS_VALUE || first.soundUs == AV_NOPTS_VALUE || reaches(first, soundUs))
        return {};
    // A landing further back must still read the first landing's keyframe after it.
    const auto serves = [&](const Landing& l) {
        return reaches(l, soundUs) && l.keyPts != AV_NOPTS_VALUE && l.keyPts <= first.keyPts;
    };
    for (int64_t back = 1000000; landingUs > 0 && back <= 8000000; back *= 2) {
        const int64_t t = std::max<int64_t>(0, landingUs - back);
        seekTo(t);
        const Landing l = look(input, videoIndex, audioIndex, originUs);
        seekTo(t);
        if (serves(l))
            return LeadSkip(videoIndex, first.keyPts);
        if (t == 0)
            break;
    }
    // Sound stored before the first picture the demuxer can seek to (Matroska's first cue) is
    // reached by the sound's own position, where the demuxer knows it.
    const AVStream* a = input->streams[audioIndex];
    const int64_t ts = av_rescale_q(soundUs + originUs, kMicro, a->time_base);
    const auto bySound = [&] {
        // An indexed stream is reached by its pictures' places alone.
        return !SourceIndex::get(input) &&
               avformat_seek_file(input, audioIndex, INT64_MIN, ts, ts, AVSEEK_FLAG_BACKWARD) >= 0;
    };
    if (bySound()) {
        const Landing l = look(input, videoIndex, audioIndex, originUs);
        if (serves(l) && bySound())
            return LeadSkip(videoIndex, first.keyPts);
    }
    // The sound begins later than asked (a gap, or a stream that starts late): nothing earlier
    // holds it.
    seekTo(landingUs);
    return {};
}

} // namespace mediacore
