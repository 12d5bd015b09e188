#include "StreamCopy.h"

#include <cstring>

#include "HevcBitstream.h"
#include "SoundLead.h"

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/intreadwrite.h>
}

namespace mediacore {

namespace {
constexpr int64_t kEpsilon = 1000; // timestamps are rounded to their time base

// The bytes of the MPEG audio frame (layer I, II or III) whose header is `h`; 0 when it is no
// header or does not tell (free format).
int mpegAudioFrameBytes(uint32_t h) {
    static constexpr int kKbps[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static constexpr int kRates[3] = {44100, 48000, 32000};
    const uint32_t version = (h >> 19) & 3, layer = (h >> 17) & 3, rateIndex = (h >> 12) & 15,
                   srIndex = (h >> 10) & 3, padding = (h >> 9) & 1;
    if ((h & 0xffe00000) != 0xffe00000 || version == 1 || layer == 0 || rateIndex == 15 || srIndex == 3)
        return 0;
    const bool mpeg1 = version == 3;
    const int kbps = kKbps[mpeg1 ? 0 : 1][3 - layer][rateIndex];
    const int rate = kRates[srIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    if (layer == 3) // layer I: slots of four bytes
        return (12000 * kbps / rate + int(padding)) * 4;
    const int perSlot = layer == 1 && !mpeg1 ? 72000 : 144000; // layer III of MPEG-2 and 2.5: half
    return perSlot * kbps / rate + int(padding);
}

// Whether a sound packet holds less than the frame its header declares: the last frame of a
// recording stopped while it was written. Copied on, its next packet's bytes would complete it
// for a reader of a stream container, which finds frames by their headers: the following frame
// would be lost to its decoder at a seam.
bool cutShort(const AVPacket* packet, const AVCodecParameters* p) {
    if ((p->codec_id != AV_CODEC_ID_MP1 && p->codec_id != AV_CODEC_ID_MP2 &&
         p->codec_id != AV_CODEC_ID_MP3) ||
        packet->size < 4)
        return false;
    return packet->size < mpegAudioFrameBytes(AV_RB32(packet->data));
}
} // namespace

void StreamCopy::beginPart(SourceReader& reader, int64_t fromUs, int64_t outputUs, int64_t soundFromUs,
                           int64_t endUs, int64_t soundEndUs) {
    Part part;
    part.fromUs = fromUs;
    part.outputUs = outputUs;
    part.soundFromUs = soundFromUs;
    part.endUs = endUs;
    part.soundEndUs = soundEndUs;
    beginPart(Source{reader.format(), reader.video(), reader.audio(), reader.otherSound(), reader.originUs()},
              std::move(part));
    reader_ = &reader;
}

void StreamCopy::beginPart(const Source& source, Part part) {
    reader_ = nullptr;
    source_ = source;
    part_ = std::move(part);
    shiftUs_ = part_.outputUs - part_.fromUs;
    exact_ = part_.pictureTicks != AV_NOPTS_VALUE && source_.video;
    seamChecked_[0] = seamChecked_[1] = false;
    ended_[0] = ended_[1] = false;
    prefixed_ = part_.firstPicturePrefix.empty();
    breakLink_ = false;
    fields_.reset();
    if (source_.video)
        fields_.emplace(source_.video->codecpar);
    leadIn_ = soundEndUs_ == INT64_MIN;
    const AVOutputFormat* container = writer_.container();
    trimsStart_ = container && av_match_name(container->name, "mov,mp4,m4a,3gp,3g2,ipod,psp,ismv,f4v");
    primingUs_ = leadIn_ && source_.audio ? primingUs(source_.audio, container) : 0;
    primers_.clear();
    soundPushUs_ = 0;
    resumeSourceUs_ = resumeOutputUs_ = INT64_MIN;
    held_.clear();
}

int64_t StreamCopy::primingUs(const AVStream* sound, const AVOutputFormat* container) {
    if (!sound || !container || !av_match_name(container->name, "matroska,webm"))
        return 0;
    const AVCodecParameters* p = sound->codecpar;
    if (const int64_t warmUp = soundWarmUpUs(sound); warmUp > 0)
        return warmUp;
    if (p->codec_id != AV_CODEC_ID_MP3 || p->sample_rate <= 0 || p->frame_size <= 0)
        return 0;
    // The reservoir's bytes (at the lowest common rate, 32 kb/s, 128 ms); the
    // frame before the first needs its own, and the transform's overlap one more frame.
    const int64_t frameUs = int64_t(p->frame_size) * 1000000 / p->sample_rate;
    const int64_t bitRate = p->bit_rate > 0 ? std::min<int64_t>(p->bit_rate, 320000) : 32000;
    return int64_t(SoundBridge::kMp3ReservoirBytes * 8) * 1000000 / bitRate + 2 * frameUs;
}

// Whether a main sound packet that lies before the range's start is kept to prime the decoder
// (it then takes the packet's reference).
bool StreamCopy::keepsAsPrimer(AVPacket* packet, const AVStream* s, Role role) {
    if (role != MainSound || primingUs_ <= 0 || soundEndUs_ != INT64_MIN || packet->pts == AV_NOPTS_VALUE)
        return false;
    const int64_t t = toUs(packet->pts, s);
    if (t >= part_.soundFromUs - kEpsilon || t < part_.soundFromUs - primingUs_)
        return false;
    primers_.push_back(makePacket());
    av_packet_move_ref(primers_.back().get(), packet);
    return true;
}

// Writes the primers at the time of `first`, the first main sound packet written, each marked
// to have all of its sound skipped: a decoder then gives its first sample at that time.
int StreamCopy::writePrimers(const AVPacket* first, const AVStream* s) {
    for (PacketPtr& primer : primers_) {
        AVPacket* p = primer.get();
        // A decoder skips no more than the frame holds: its exact length, whole codec frames (two
        // where the decoder doubles the rate), not the packet's duration rounded to the clock.
        const int64_t rounded =
            av_rescale_q(p->duration, s->time_base, AVRational{1, s->codecpar->sample_rate});
        // A stream that names no frame size (Opus) goes by its packet's length; a primer of none
        // is left out rather than heard.
        const int64_t frame = s->codecpar->frame_size > 0 ? s->codecpar->frame_size : rounded;
        if (frame <= 0)
            continue;
        const int64_t samples = frame * std::max<int64_t>(1, (rounded + frame / 2) / frame);
        if (skipAllSound(p, samples) < 0)
            return AVERROR(ENOMEM);
        p->pts = first->pts;
        p->dts = first->dts;
        if (const int r = writer_.writePacket(OutputWriter::Audio, p, s->time_base); r < 0)
            return r;
    }
    primers_.clear();
    return 0;
}

// The length of a sound packet in microseconds: its own, else its codec's frame.
int64_t StreamCopy::soundUs(const AVPacket* packet, const AVStream* s) const {
    if (packet->duration > 0)
        return av_rescale_q(packet->duration, s->time_base, kMicro);
    const AVCodecParameters* p = s->codecpar;
    return p->frame_size > 0 && p->sample_rate > 0 ? int64_t(p->frame_size) * 1000000 / p->sample_rate : 0;
}

// Whether main sound that starts at `t`, before the part's sound, is kept. At the output's
// start, where the container trims the sound's start: the packet that holds the first sample
// and the ones before it its decoder needs. At a seam: a packet that holds sound of the range and of which
// more than half lies past the sound written before, so that the sound goes on without a hole and no more
// than half a packet off its picture.
bool StreamCopy::keepsSoundBefore(int64_t t, int64_t durationUs) const {
    // Times rounded to milliseconds may show a packet that holds the first sample to end on it;
    // Opus' decoder needs more before it (see soundWarmUpUs()).
    if (t + durationUs <= part_.soundFromUs)
        return leadIn_ && trimsStart_ &&
               t + std::max(2 * durationUs, durationUs + soundWarmUpUs(source_.audio)) > part_.soundFromUs;
    // Elsewhere sound before the picture would move the picture's start (a muxer shifts both
    // to keep times from going below zero).
    return leadIn_ ? trimsStart_ : t + shiftUs_ + durationUs / 2 >= soundEndUs_;
}

int64_t StreamCopy::toUs(int64_t ts, const AVStream* s) const {
    return ts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : av_rescale_q(ts, s->time_base, kMicro) - source_.originUs;
}

const AVStream* StreamCopy::streamOf(const AVPacket* packet, Role* role) const {
    const int i = packet->stream_index;
    if (source_.video && i == source_.video->index) {
        *role = Picture;
        return source_.video;
    }
    if (source_.audio && i == source_.audio->index) {
        *role = MainSound;
        return source_.audio;
    }
    *role = OtherSound;
    const bool other =
        std::find(source_.otherSound.begin(), source_.otherSound.end(), i) != source_.otherSound.end();
    return other && unsigned(i) < source_.format->nb_streams ? source_.format->streams[i] : nullptr;
}

// Whether a packet belongs to the part; one decoded at or after its end finishes its stream.
// A packet held back was read before the one that ended its stream: only its own time counts
// then, as sound stored ahead of the picture reaches the end long before the picture does.
bool StreamCopy::keeps(const AVPacket* packet, const AVStream* s, Role role, bool held) {
    const int64_t t = toUs(packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts, s);
    const int64_t dts = packet->dts != AV_NOPTS_VALUE ? toUs(packet->dts, s) : t;
    if (role != OtherSound && ended_[role] && !held)
        return false;
    if (role != Picture && cutShort(packet, s->codecpar))
        return false;
    if (role == Picture && fields_ && fields_->secondField(packet))
        return true; // its first field was kept
    const int64_t endUs = role == Picture ? part_.endUs : std::max(part_.endUs, part_.soundEndUs);
    if (dts != AV_NOPTS_VALUE && dts >= endUs - kEpsilon) {
        if (role != OtherSound) {
            ended_[role] = true;
            if (reader_)
                reader_->finish(role == Picture ? SourceReader::Video : SourceReader::Audio);
        }
        return false;
    }
    if (role == Picture)
        return true;
    if (t == AV_NOPTS_VALUE)
        return role == MainSound;
    if (role == MainSound && resumeSourceUs_ != INT64_MIN)
        return t >= resumeSourceUs_ - kEpsilon;
    if (role == MainSound && t < part_.soundFromUs - kEpsilon)
        return keepsSoundBefore(t, soundUs(packet, s));
    if (t < part_.soundFromUs - kEpsilon)
        return false;
    return !part_.soundByMiddle || t + av_rescale_q(packet->duration, s->time_base, kMicro) / 2 <= endUs;
}

// Decoding times keep rising across the seam of two parts.
void StreamCopy::checkSeam(const AVPacket* packet, const AVStream* s, Role role) {
    if (role == OtherSound || packet->dts == AV_NOPTS_VALUE)
        return;
    const int64_t dts = toUs(packet->dts, s);
    if (!seamChecked_[role]) {
        seamChecked_[role] = true;
        // Sound that would overlap the sound written before follows on from it instead; the
        // picture keeps its place.
        if (role == MainSound && resumeOutputUs_ != INT64_MIN)
            soundPushUs_ = resumeOutputUs_ - (dts + shiftUs_);
        else if (role == MainSound && !leadIn_)
            soundPushUs_ = std::max<int64_t>(0, soundEndUs_ - (dts + shiftUs_));
        else if (lastDts_[role] != INT64_MIN && dts + shiftUs_ <= lastDts_[role]) {
            shiftUs_ = lastDts_[role] - dts + 1;
            exact_ = false;
        }
    }
    lastDts_[role] = std::max(lastDts_[role], dts + shiftUs_ + (role == MainSound ? soundPushUs_ : 0));
}

int StreamCopy::put(AVPacket* packet, const AVStream* s, Role role, bool held) {
    if (!s || !keeps(packet, s, role, held)) {
        if (!s || !keepsAsPrimer(packet, s, role))
            av_packet_unref(packet);
        return 0;
    }
    checkSeam(packet, s, role);
    int64_t shift = exact_ ? av_rescale_q(part_.pictureTicks, source_.video->time_base, s->time_base)
                           : av_rescale_q(shiftUs_ - source_.originUs, kMicro, s->time_base);
    if (role == MainSound) {
        shift += av_rescale_q(soundPushUs_, kMicro, s->time_base);
        const int64_t t = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (t != AV_NOPTS_VALUE)
            soundEndUs_ =
                std::max(soundEndUs_, av_rescale_q(t + shift, s->time_base, kMicro) + soundUs(packet, s));
    }
    if (packet->pts != AV_NOPTS_VALUE)
        packet->pts += shift;
    if (packet->dts != AV_NOPTS_VALUE)
        packet->dts += shift;
    int r = 0;
    if (role == MainSound && !primers_.empty() && (r = writePrimers(packet, s)) < 0) {
        av_packet_unref(packet);
        return r;
    }
    if (role == Picture)
        r = writePicture(packet, s);
    else if (role == MainSound && tailSize_ > 0) {
        tail_.push_back({makePacket(), s->time_base});
        av_packet_move_ref(tail_.back().packet.get(), packet);
        if (tail_.size() > tailSize_) {
            r = writer_.writePacket(OutputWriter::Audio, tail_.front().packet.get(), tail_.front().timeBase);
            tail_.pop_front();
        }
    } else if (role == MainSound)
        r = writer_.writePacket(OutputWriter::Audio, packet, s->time_base);
    else
        r = writer_.writeOtherPacket(packet->stream_index, packet, s->time_base);
    av_packet_unref(packet);
    return r;
}

int StreamCopy::writeSound(AVPacket* packet, AVRational timeBase) {
    const int64_t t = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (t != AV_NOPTS_VALUE) {
        const int64_t us = av_rescale_q(t, timeBase, kMicro);
        const int64_t length = packet->duration > 0 ? av_rescale_q(packet->duration, timeBase, kMicro) : 0;
        soundEndUs_ = std::max(soundEndUs_, us + length);
        lastDts_[1] = std::max(lastDts_[1], us);
    }
    const int r = writer_.writePacket(OutputWriter::Audio, packet, timeBase);
    av_packet_unref(packet);
    return r;
}

int StreamCopy::writePicture(AVPacket* packet, const AVStream* s) {
    if (std::exchange(breakLink_, false) && s->codecpar->codec_id == AV_CODEC_ID_HEVC) {
        // Packets of MP4 and Matroska are framed by sizes their record gives; an MPEG stream's
        // by start codes.
        hevc::HvcConfig config;
        const int lengthSize =
            config.parse(s->codecpar->extradata, s->codecpar->extradata_size) ? config.lengthSize : 0;
        if (const int r = av_packet_make_writable(packet); r < 0)
            return r;
        hevc::markBrokenLink(packet->data, packet->size, lengthSize);
    }
    if (prefixed_)
        return writer_.writePacket(OutputWriter::Video, packet, s->time_base);
    prefixed_ = true;
    const std::vector<uint8_t>& prefix = part_.firstPicturePrefix;
    PacketPtr joined = makePacket();
    int r = av_new_packet(joined.get(), int(prefix.size()) + packet->size);
    if (r < 0 || (r = av_packet_copy_props(joined.get(), packet)) < 0)
        return r;
    std::memcpy(joined->data, prefix.data(), prefix.size());
    std::memcpy(joined->data + prefix.size(), packet->data, size_t(packet->size));
    return writer_.writePacket(OutputWriter::Video, joined.get(), s->time_base);
}

int StreamCopy::take(AVPacket* packet, Kind kind) {
    const AVStream* s = kind == SourceReader::Video ? source_.video : source_.audio;
    return put(packet, s, kind == SourceReader::Video ? Picture : MainSound);
}

int StreamCopy::takeOther(AVPacket* packet) {
    Role role;
    const AVStream* s = streamOf(packet, &role);
    return put(packet, role == OtherSound ? s : nullptr, OtherSound);
}

void StreamCopy::hold(AVPacket* packet) {
    Role role;
    const AVStream* s = streamOf(packet, &role);
    // What already lies past the end need not wait.
    if (!s || role == Picture || !keeps(packet, s, role)) {
        if (!s || !keepsAsPrimer(packet, s, role))
            av_packet_unref(packet);
        return;
    }
    held_[packet->stream_index].push_back(makePacket());
    av_packet_move_ref(held_[packet->stream_index].back().get(), packet);
}

int StreamCopy::release(int64_t beforeUs) {
    for (auto& [index, queue] : held_) {
        while (!queue.empty()) {
            AVPacket* a = queue.front().get();
            Role role;
            const AVStream* s = streamOf(a, &role);
            const int64_t t = toUs(a->pts != AV_NOPTS_VALUE ? a->pts : a->dts, s);
            if (t != AV_NOPTS_VALUE && t >= beforeUs)
                break;
            if (const int r = put(a, s, role, true); r < 0)
                return r;
            queue.pop_front();
        }
    }
    return 0;
}

} // namespace mediacore
