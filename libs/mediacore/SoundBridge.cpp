#include "SoundBridge.h"

#include <algorithm>
#include <cstring>

#include "CodecChoice.h"
#include "EngineLog.h"

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
}

namespace mediacore {

namespace {

// Copies of `after[from]` to `after[to - 1]`, without their side data, into `out`.
int copiesOf(const std::vector<SoundBridge::Timed>& after, size_t from, size_t to,
             std::vector<PacketPtr>* out) {
    for (size_t k = from; k < to; ++k) {
        PacketPtr p = clonePacket(after[k].packet.get());
        if (!p)
            return AVERROR(ENOMEM);
        av_packet_free_side_data(p.get());
        out->push_back(std::move(p));
    }
    return 0;
}

constexpr int64_t kAc3Block = 256;
// Opus into Matroska: the packets each side's decoder takes unheard before it plays the other's
// (the error in a band's energy halves with each 20 ms packet), beyond the ones it needs anyway.
constexpr int64_t kOpusWarmUp = 4;

// Decoded sound, planar float, from sample `from` of the output timeline on.
struct Pcm {
    int64_t from = 0;
    int64_t validFrom = 0; // before it: what a decoder gives while it warms up
    std::vector<std::vector<float>> channels;
    std::vector<const AVPacket*> packets; // what it was decoded from
    int64_t end() const { return channels.empty() ? from : from + int64_t(channels[0].size()); }
    bool covers(int64_t a, int64_t b) const { return a >= validFrom && b <= end(); }
    float at(size_t c, int64_t x) const { return channels[c][size_t(x - from)]; }
};

float sampleOf(const AVFrame* f, int c, int i) {
    const auto format = static_cast<AVSampleFormat>(f->format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const uint8_t* base = planar ? f->extended_data[c] : f->extended_data[0];
    const int k = planar ? i : i * f->ch_layout.nb_channels + c;
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_FLT:
        return reinterpret_cast<const float*>(base)[k];
    case AV_SAMPLE_FMT_DBL:
        return float(reinterpret_cast<const double*>(base)[k]);
    case AV_SAMPLE_FMT_S16:
        return float(reinterpret_cast<const int16_t*>(base)[k]) / 32768.0f;
    case AV_SAMPLE_FMT_S32:
        return float(double(reinterpret_cast<const int32_t*>(base)[k]) / 2147483648.0);
    default:
        return 0;
    }
}

void putSample(AVFrame* f, int c, int i, float v) {
    const auto format = static_cast<AVSampleFormat>(f->format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    uint8_t* base = planar ? f->extended_data[c] : f->extended_data[0];
    const int k = planar ? i : i * f->ch_layout.nb_channels + c;
    const float x = std::clamp(v, -1.0f, 1.0f);
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_FLT:
        reinterpret_cast<float*>(base)[k] = x;
        break;
    case AV_SAMPLE_FMT_DBL:
        reinterpret_cast<double*>(base)[k] = x;
        break;
    case AV_SAMPLE_FMT_S16:
        reinterpret_cast<int16_t*>(base)[k] = int16_t(std::clamp(x * 32768.0f, -32768.0f, 32767.0f));
        break;
    case AV_SAMPLE_FMT_S32:
        reinterpret_cast<int32_t*>(base)[k] =
            int32_t(std::clamp(double(x) * 2147483648.0, -2147483648.0, 2147483647.0));
        break;
    default:
        break;
    }
}

// Decodes `packets`, whose first sample lies at `positions[i]` of the output timeline: the
// sound they give ends with the last packet's end (a decoder may drop priming at its start,
// never sound at its end). What the first packet gives is only the decoder warming up.
int decode(const AVCodecParameters* params, const std::vector<const AVPacket*>& packets,
           const std::vector<int64_t>& positions, Pcm* pcm) {
    const AVCodec* codec = avcodec_find_decoder(params->codec_id);
    CodecPtr dec(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!dec || avcodec_parameters_to_context(dec.get(), params) < 0 ||
        avcodec_open2(dec.get(), codec, nullptr) < 0)
        return 0;
    const int channels = params->ch_layout.nb_channels;
    pcm->channels.assign(size_t(channels), {});
    PacketPtr copy = makePacket();
    FramePtr frame = makeFrame();
    int64_t lastEnd = 0;
    for (size_t i = 0; i < packets.size(); ++i) {
        if (av_packet_ref(copy.get(), packets[i]) < 0)
            return 0;
        av_packet_free_side_data(copy.get()); // priming to skip belongs to a part's start
        const int sent = avcodec_send_packet(dec.get(), copy.get());
        av_packet_unref(copy.get());
        if (sent < 0)
            return 0;
        int64_t got = 0;
        while (avcodec_receive_frame(dec.get(), frame.get()) == 0) {
            if (frame->ch_layout.nb_channels != channels)
                return 0;
            for (int c = 0; c < channels; ++c)
                for (int k = 0; k < frame->nb_samples; ++k)
                    pcm->channels[size_t(c)].push_back(sampleOf(frame.get(), c, k));
            got += frame->nb_samples;
            av_frame_unref(frame.get());
        }
        lastEnd = positions[i] + got;
    }
    pcm->from = lastEnd - int64_t(pcm->channels[0].size());
    // Sound the last packet marks as padding past the part's end (Opus in WebM) is not sound of it.
    size_t size = 0;
    if (const uint8_t* skip = av_packet_get_side_data(packets.back(), AV_PKT_DATA_SKIP_SAMPLES, &size);
        skip && size >= 8) {
        const int64_t padding = int64_t(AV_RL32(skip + 4));
        for (auto& c : pcm->channels)
            c.resize(c.size() - size_t(std::clamp<int64_t>(padding, 0, int64_t(c.size()))));
    }
    // An MP3 packet's first sound also needs the bits the packet before it holds for it; a FLAC
    // packet is coded on its own.
    const size_t warm = params->codec_id == AV_CODEC_ID_MP3    ? 2
                        : params->codec_id == AV_CODEC_ID_FLAC ? 0
                                                               : 1;
    pcm->validFrom = packets.size() > warm ? std::max(pcm->from, positions[warm]) : lastEnd;
    return 1;
}

// An encoder like the stream of `p`: its codec, rate, channels, bit rate and packet length.
CodecPtr openEncoder(const AVCodecParameters* p, int64_t bitRate, int frameSamples) {
    const AVCodec* codec = avcodec_find_encoder(p->codec_id);
    if (p->codec_id == AV_CODEC_ID_OPUS)
        codec = avcodec_find_encoder_by_name("libopus");
    CodecPtr enc(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!enc || !codec->sample_fmts)
        return nullptr;
    enc->sample_rate = p->sample_rate;
    if (av_channel_layout_copy(&enc->ch_layout, &p->ch_layout) < 0)
        return nullptr;
    if (enc->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&enc->ch_layout, p->ch_layout.nb_channels);
    enc->sample_fmt = codec->sample_fmts[0];
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_FLTP || (*f == AV_SAMPLE_FMT_S32 && p->bits_per_raw_sample > 16))
            enc->sample_fmt = *f;
    // FLAC keeps the source's sample size and packet length (its encoder would pick its own).
    if (p->codec_id == AV_CODEC_ID_FLAC) {
        enc->bits_per_raw_sample = p->bits_per_raw_sample > 16 ? std::min(p->bits_per_raw_sample, 24) : 16;
        enc->frame_size = frameSamples;
    }
    // The rate and channels are the copied packets' own; the bit rate is one the encoder takes
    // for them (an estimate from packet sizes need not be one of MP2's).
    enc->bit_rate = fitBitRate(codec, p->sample_rate, p->ch_layout.nb_channels, bitRate);
    enc->time_base = AVRational{1, p->sample_rate};
    enc->thread_count = 1;
    AVDictionary* options = nullptr;
    // Each bridge packet holds all of its own bits: the packets before the first one kept are
    // the source's, not the encoder's.
    if (p->codec_id == AV_CODEC_ID_MP3)
        av_dict_set(&options, "reservoir", "0", 0);
    if (p->codec_id == AV_CODEC_ID_OPUS)
        av_dict_set(&options, "frame_duration",
                    std::to_string(double(frameSamples) * 1000.0 / p->sample_rate).c_str(), 0);
    soundEncoderOptions(codec, p->sample_rate, &options);
    const int r = avcodec_open2(enc.get(), codec, &options);
    av_dict_free(&options);
    if (r < 0 || enc->frame_size != frameSamples)
        return nullptr;
    return enc;
}

// The packets `enc` makes of the sound from `from` to `to` (their first sample's place on the
// output timeline in the encoder's ticks), all of it given, then the encoder drained.
int encode(AVCodecContext* enc, const std::vector<std::vector<float>>& sound, int64_t from,
           std::vector<PacketPtr>* out) {
    const int64_t n = int64_t(sound[0].size());
    PacketPtr packet = makePacket();
    const auto drain = [&] {
        int r = 0;
        while ((r = avcodec_receive_packet(enc, packet.get())) == 0) {
            out->push_back(makePacket());
            av_packet_move_ref(out->back().get(), packet.get());
        }
        return r == AVERROR(EAGAIN) || r == AVERROR_EOF ? 0 : r;
    };
    for (int64_t at = 0; at < n; at += enc->frame_size) {
        FramePtr f = makeFrame();
        f->nb_samples = int(std::min<int64_t>(enc->frame_size, n - at));
        f->format = enc->sample_fmt;
        f->sample_rate = enc->sample_rate;
        if (av_channel_layout_copy(&f->ch_layout, &enc->ch_layout) < 0 || av_frame_get_buffer(f.get(), 0) < 0)
            return AVERROR(ENOMEM);
        for (size_t c = 0; c < sound.size(); ++c)
            for (int k = 0; k < f->nb_samples; ++k)
                putSample(f.get(), int(c), k, sound[c][size_t(at + k)]);
        f->pts = from + at;
        int r = avcodec_send_frame(enc, f.get());
        if (r < 0 || (r = drain()) < 0)
            return r;
    }
    int r = avcodec_send_frame(enc, nullptr);
    return r < 0 ? r : drain();
}

int64_t bitRateOf(const AVCodecParameters* p, const std::deque<SoundBridge::Timed>& packets,
                  int frameSamples) {
    if (p->bit_rate > 0)
        return p->bit_rate;
    int64_t bytes = 0;
    for (const auto& t : packets)
        bytes += t.packet->size;
    return packets.empty() ? 128000 : bytes * 8 * p->sample_rate / (int64_t(packets.size()) * frameSamples);
}

// Whether `p` is marked to have all of its `frame` samples skipped.
bool skipsAll(const AVPacket* p, int64_t frame) {
    size_t size = 0;
    const uint8_t* skip = av_packet_get_side_data(p, AV_PKT_DATA_SKIP_SAMPLES, &size);
    return skip && size >= 8 && int64_t(AV_RL32(skip)) + int64_t(AV_RL32(skip + 4)) >= frame;
}

// The packets before `after[resume]` whose bits it and the packet before it take (an MP3 bit
// reservoir reaches back up to 511 bytes of the frames before), copied to go in again after a
// bridge, so that its decoder gives the source's sound from `after[resume]` on.
int primersOf(const std::vector<SoundBridge::Timed>& after, size_t resume, std::vector<PacketPtr>* out) {
    constexpr int kFrameHeader = 36; // header and side information, no main data
    if (resume == 0)
        return 0;
    size_t first = resume - 1;
    for (int reach = 0; first > 0 && reach < SoundBridge::kMp3ReservoirBytes;)
        reach += std::max(0, after[--first].packet->size - kFrameHeader);
    return copiesOf(after, first, resume, out);
}

// An Opus packet's decoding builds on the state its encoder left in the packets before it (the
// energy of each band is coded as a change from the packet before, on top of the transform's
// overlap and the pitch filter): a bridge packet decoded after the copied ones, or a copied one
// after the bridge, comes out up to twice as loud or far quieter for a few packets. Matroska can
// mark a packet's sound skipped: the bridge's encoder's packets before its first one go in before
// it, and the source's before the packet the copy resumes with go in before that one, all
// decoded, none heard, so that each side's decoder is in the state its encoder was in.
int hideSound(AVPacket* p, int64_t at, int64_t frame) {
    if (skipAllSound(p, frame) < 0)
        return AVERROR(ENOMEM);
    p->pts = p->dts = at;
    p->duration = frame;
    return 0;
}

// The source's packets before `after[resume]`: from the part's first on, as its decoder's state
// after them is the nearer the encoder's the more of them it decoded (exact from a packet coded
// on its own, as an encoder's first is).
int opusPrimersOf(const std::vector<SoundBridge::Timed>& after, size_t resume, std::vector<PacketPtr>* out) {
    return copiesOf(after, 0, resume, out);
}

// AAC copied from an MPEG stream carries an ADTS header on every packet, which the muxer then
// expects of the bridge's packets too: each gets the header of `model` (a copied packet), its
// frame length set to its own. 0, or a negative AVERROR.
int frameAsAdts(const AVPacket* model, std::vector<PacketPtr>* packets) {
    constexpr int kHeader = 7; // without a checksum
    if (model->size < kHeader || (AV_RB16(model->data) & 0xfff6) != 0xfff0 || !(model->data[1] & 1))
        return 0;
    for (PacketPtr& p : *packets) {
        PacketPtr framed = makePacket();
        const int length = p->size + kHeader;
        int r = av_new_packet(framed.get(), length);
        if (r < 0 || (r = av_packet_copy_props(framed.get(), p.get())) < 0)
            return r;
        std::memcpy(framed->data, model->data, kHeader);
        framed->data[3] = uint8_t((framed->data[3] & 0xfc) | ((length >> 11) & 0x03));
        framed->data[4] = uint8_t(length >> 3);
        framed->data[5] = uint8_t((framed->data[5] & 0x1f) | ((length & 0x07) << 5));
        std::memcpy(framed->data + kHeader, p->data, size_t(p->size));
        p = std::move(framed);
    }
    return 0;
}

// The sound on either side of a seam, decoded, and where each packet lies on the output
// timeline (in samples). Packets follow one another without gaps; their times may be rounded
// (to milliseconds in Matroska): each side's grid is laid from one packet's time by the frame.
struct Sides {
    bool fromStart = false; // the later part's packets are the first of their stream
    // and MP3: its sound ahead of its picture is its encoder's priming (as ffmpeg writes
    // Matroska), which gives way to the sound before the seam
    bool primed = false;
    Pcm a, b;
    std::vector<int64_t> aAt, bAt;
};

int decodeSides(const AVCodecParameters* beforeParams, const std::deque<SoundBridge::Timed>& before,
                const AVCodecParameters* afterParams, const std::vector<SoundBridge::Timed>& after,
                int64_t afterShiftUs, int64_t frame, Sides* sides) {
    const AVRational samples{1, beforeParams->sample_rate};
    const auto timeOf = [](const AVPacket* p) { return p->pts != AV_NOPTS_VALUE ? p->pts : p->dts; };
    // A part copied into Matroska may begin with packets that only prime the decoder, at the
    // time of its first packet with all their sound skipped: they lie before it.
    size_t primers = 0;
    while (primers + 1 < after.size() && skipsAll(after[primers].packet.get(), frame))
        ++primers;
    const SoundBridge::Timed& last = before.back();
    const SoundBridge::Timed& first = after[primers];
    if (timeOf(last.packet.get()) == AV_NOPTS_VALUE || timeOf(first.packet.get()) == AV_NOPTS_VALUE)
        return 0;
    const int64_t aLast = av_rescale_q(timeOf(last.packet.get()), last.timeBase, samples);
    for (size_t i = 0; i < before.size(); ++i) {
        sides->a.packets.push_back(before[i].packet.get());
        sides->aAt.push_back(aLast - int64_t(before.size() - 1 - i) * frame);
    }
    const int64_t bFirst = av_rescale_q(
        av_rescale_q(timeOf(first.packet.get()), first.timeBase, kMicro) + afterShiftUs, kMicro, samples);
    for (size_t i = 0; i < after.size(); ++i) {
        sides->b.packets.push_back(after[i].packet.get());
        sides->bAt.push_back(bFirst + (int64_t(i) - int64_t(primers)) * frame);
    }
    Pcm& pb = sides->b;
    if (decode(beforeParams, sides->a.packets, sides->aAt, &sides->a) < 1 ||
        decode(afterParams, pb.packets, sides->bAt, &pb) < 1)
        return 0;
    // The primers' sound is not the part's: it lies before the part's start.
    pb.validFrom = std::max(pb.validFrom, bFirst);
    // A part that begins without the packet before its first sample (a container that holds no
    // sound before its first picture): what its first packet gives is all there is of that time.
    // The decoder warms up in silence for MP2 and Opus, over its first block (a sixth of the
    // packet) for AC-3 and E-AC-3, over the whole packet for AAC and MP3.
    if (beforeParams->codec_id == AV_CODEC_ID_AC3 || beforeParams->codec_id == AV_CODEC_ID_EAC3)
        pb.validFrom = std::min(pb.validFrom, std::max(pb.from, bFirst) + kAc3Block);
    // An MP3 stream's first packet takes no bits from before it: decoded from there, the sound
    // is whole from its start.
    sides->primed = sides->fromStart && beforeParams->codec_id == AV_CODEC_ID_MP3;
    if (sides->primed)
        pb.validFrom = std::max(pb.from, bFirst);
    if (beforeParams->codec_id == AV_CODEC_ID_MP2 || beforeParams->codec_id == AV_CODEC_ID_OPUS) {
        int64_t x = pb.from;
        const auto quiet = [&](int64_t at) {
            for (size_t c = 0; c < pb.channels.size(); ++c)
                if (std::abs(pb.at(c, at)) > 1e-3f)
                    return false;
            return true;
        };
        const int64_t secondPacket = sides->bAt.size() > 1 ? sides->bAt[1] : pb.end();
        while (x < std::min(pb.end(), secondPacket) && quiet(x))
            ++x;
        pb.validFrom = x;
    }
    return 1;
}

} // namespace

bool SoundBridge::bridges(const AVCodecParameters* p, const AVOutputFormat* container) {
    switch (p->codec_id) {
    case AV_CODEC_ID_MP3:
        return container && av_match_name(container->name, "matroska,webm") && p->sample_rate > 0 &&
               p->ch_layout.nb_channels > 0;
    case AV_CODEC_ID_AAC:
        // The encoder makes low-complexity AAC only.
        return p->profile == FF_PROFILE_UNKNOWN || p->profile == FF_PROFILE_AAC_LOW;
    case AV_CODEC_ID_OPUS:
    case AV_CODEC_ID_FLAC:
    case AV_CODEC_ID_MP2:
    case AV_CODEC_ID_AC3:
    case AV_CODEC_ID_EAC3:
        return p->sample_rate > 0 && p->ch_layout.nb_channels > 0;
    default:
        return false;
    }
}

namespace {

// The block size a FLAC stream's STREAMINFO (its extradata, bare or after the "fLaC" marker and
// a block header) gives as both its least and its most, or 0: a stream of packets of one length.
int64_t flacBlockSize(const AVCodecParameters* p) {
    constexpr int kStreamInfo = 34, kMarked = 42;
    const uint8_t* info = p->extradata;
    if (!info || (p->extradata_size != kStreamInfo && p->extradata_size < kMarked))
        return 0;
    if (p->extradata_size >= kMarked && std::memcmp(info, "fLaC", 4) == 0)
        info += kMarked - kStreamInfo;
    const int least = AV_RB16(info), most = AV_RB16(info + 2);
    return least == most && least >= 16 ? least : 0;
}

// Samples in a packet of the stream: its codec's frame size, or what the longest of `held`
// lasts (a stream's last packet may be stored shorter than it decodes: MP4 ends Opus there).
int64_t packetSamples(const AVCodecParameters* params, const std::deque<SoundBridge::Timed>& held,
                      AVRational samples) {
    if (params->frame_size > 0)
        return params->frame_size;
    if (params->codec_id == AV_CODEC_ID_FLAC)
        return flacBlockSize(params);
    int64_t longest = 0;
    for (const SoundBridge::Timed& t : held)
        if (t.packet->duration > 0)
            longest = std::max(longest, av_rescale_q(t.packet->duration, t.timeBase, samples));
    return longest;
}

// Where a bridge lies on the output timeline, in samples.
struct Span {
    size_t first = 0;           // the first held packet it replaces
    int64_t lead = 0;           // how much sound before that packet's its encoder takes
    int64_t start = 0;          // that packet's place
    int64_t cut = 0;            // the sound before the seam up to here, the later part's from here on
    int64_t near = 0;           // the later part's sound moves by it up to the splice
    size_t resume = 0;          // the packet of the later part the copy resumes with
    int64_t count = 0, end = 0; // the bridge's packets, and where they end
    int64_t far = 0;            // the later part's sound moves by it after the splice
    int64_t splice = 0;
};

// The bridge starts on a packet before the seam whose encoding the sound decoded before it
// fully primes: the encoder's delay and a packet of overlap, and up to `warmUp` packets more as
// far as the sound held allows (the more, the nearer a decoder that takes them unheard comes to
// the encoder's state). The sound before the seam runs up to where the later part's begins (or
// its own end, if earlier), the later part's from there on: what a decoder gives past a part's
// sound is its encoder's padding, and a whole file's sound stored ahead of its picture begins
// before the seam (MP3's: priming, which gives way to the sound before it). False when the held
// sound is too short.
bool chooseStart(const Sides& s, int64_t seam, int64_t pad, int64_t frame, int64_t warmUp, Span* span) {
    const size_t n = s.aAt.size();
    size_t& first = span->first;
    first = n;
    for (int64_t more = warmUp; more >= 0 && first == n; --more) {
        span->lead = ((pad + frame - 1) / frame + 1 + more) * frame;
        for (first = 1; first < n && s.aAt[first] + pad - span->lead < s.a.validFrom;)
            ++first;
        if (first < n && s.aAt[first] > std::min(seam, s.a.end()) - frame)
            first = n;
    }
    if (first >= n)
        return false;
    span->start = s.aAt[first];
    span->cut = std::min(s.a.end(), std::max({s.b.validFrom, span->start + frame, s.primed ? seam : 0}));
    span->near = span->cut - std::max(span->cut, s.b.validFrom);
    return true;
}

// The bridge ends on a packet of the later part three packets on (`warmUp` more where that part
// has them: the source's packets before it go in unheard), on that part's grid, which lies up to
// half a packet off the seam's: its last packet goes over to that place, so that from there on
// the later part's sound is up to half a packet off its picture. False when the part is too short.
bool chooseEnd(const Sides& s, int64_t tail, int64_t frame, int64_t warmUp, Span* span) {
    const std::vector<int64_t>& bAt = s.bAt;
    for (int64_t on = 3 + warmUp; on >= 3; on -= std::max<int64_t>(1, warmUp)) {
        size_t& resume = span->resume;
        for (resume = 0; resume < bAt.size() && bAt[resume] + span->near < span->cut + on * frame;)
            ++resume;
        if (resume >= bAt.size())
            continue;
        span->count = (bAt[resume] - span->start + frame / 2) / frame;
        span->end = span->start + span->count * frame;
        span->far = span->end - bAt[resume];
        span->splice = span->end - frame;
        // The later part's sound is read at x - near up to the splice and at x - far after it.
        if (span->count >= 3 && span->splice > span->cut &&
            s.b.covers(std::min(span->cut - span->near, span->splice - span->far),
                       std::max(span->splice - span->near, span->end + tail - span->far)))
            return true;
    }
    return false;
}

} // namespace

int SoundBridge::make(const AVOutputFormat* container, const AVCodecParameters* beforeParams,
                      const std::deque<Timed>& before, int64_t seamUs, const AVCodecParameters* afterParams,
                      const std::vector<Timed>& after, int64_t afterShiftUs, Plan* plan, bool fromStart) {
    const int rate = beforeParams->sample_rate;
    if (!bridges(beforeParams, container) || afterParams->codec_id != beforeParams->codec_id ||
        afterParams->sample_rate != rate ||
        afterParams->ch_layout.nb_channels != beforeParams->ch_layout.nb_channels || before.size() < 4 ||
        after.size() < 4)
        return 0;
    const AVRational samples{1, rate};
    const int64_t frame = packetSamples(beforeParams, before, samples);
    Sides sides{.fromStart = fromStart};
    if (frame <= 0 || decodeSides(beforeParams, before, afterParams, after, afterShiftUs, frame, &sides) < 1)
        return 0;
    const Pcm& pa = sides.a;
    const Pcm& pb = sides.b;
    CodecPtr enc = openEncoder(beforeParams, bitRateOf(beforeParams, before, int(frame)), int(frame));
    if (!enc)
        return 0;
    const int64_t seam = av_rescale_q(seamUs, kMicro, samples);
    const int64_t pad = enc->initial_padding;
    int64_t tail = pad + 2 * frame;
    // Opus into Matroska: the encoder's packets before the bridge go in unheard (hideSound), and
    // so do the later part's before the one the copy resumes with.
    const bool hidesOpus = beforeParams->codec_id == AV_CODEC_ID_OPUS && container &&
                           av_match_name(container->name, "matroska,webm");
    Span span;
    if (!chooseStart(sides, seam, pad, frame, hidesOpus ? kOpusWarmUp : 0, &span) ||
        !chooseEnd(sides, tail, frame, hidesOpus ? kOpusWarmUp : 0, &span))
        return 0;
    // A FLAC packet is coded on its own and may be shorter than the others: the bridge ends
    // exactly where the later part's packet it resumes with lies, so that the later part's
    // sound stays on its picture rather than up to half a packet off it.
    if (beforeParams->codec_id == AV_CODEC_ID_FLAC) {
        span.end = sides.bAt[span.resume] + span.near;
        span.far = span.near;
        span.splice = span.end;
        span.count = (span.end - span.start + frame - 1) / frame;
        tail = 0;
    }
    const auto [first, lead, start, cut, near, resume, count, bridgeEnd, far, splice] = span;
    const int64_t from = start + pad - lead;
    std::vector<std::vector<float>> sound(pa.channels.size());
    for (size_t c = 0; c < sound.size(); ++c)
        for (int64_t x = from; x < bridgeEnd + tail; ++x)
            sound[c].push_back(x < cut ? pa.at(c, x) : pb.at(c, x - (x < splice ? near : far)));
    std::vector<PacketPtr> coded;
    if (encode(enc.get(), sound, from, &coded) < 0)
        return 0;
    plan->packets.clear();
    plan->primers.clear();
    std::vector<PacketPtr> warmUp;
    for (PacketPtr& p : coded)
        if (p->pts >= start && p->pts < bridgeEnd) {
            p->dts = p->pts;
            p->duration = std::min(frame, bridgeEnd - p->pts);
            plan->packets.push_back(std::move(p));
        } else if (hidesOpus && p->pts < start) {
            if (hideSound(p.get(), start, frame) < 0)
                return 0;
            warmUp.push_back(std::move(p));
        }
    if (int64_t(plan->packets.size()) != count ||
        (beforeParams->codec_id == AV_CODEC_ID_AAC &&
         frameAsAdts(before.back().packet.get(), &plan->packets) < 0) ||
        (beforeParams->codec_id == AV_CODEC_ID_MP3 && primersOf(after, resume, &plan->primers) < 0) ||
        (hidesOpus && opusPrimersOf(after, resume, &plan->primers) < 0))
        return 0;
    plan->packets.insert(plan->packets.begin(), std::make_move_iterator(warmUp.begin()),
                         std::make_move_iterator(warmUp.end()));
    plan->timeBase = samples;
    plan->copiedBefore = first;
    plan->resumeAt = resume;
    plan->resumeOutputUs = av_rescale_q(bridgeEnd, samples, kMicro);
    return 1;
}

int skipAllSound(AVPacket* packet, int64_t samples) {
    uint8_t* skip = av_packet_new_side_data(packet, AV_PKT_DATA_SKIP_SAMPLES, 10);
    if (!skip)
        return AVERROR(ENOMEM);
    AV_WL32(skip, 0);
    AV_WL32(skip + 4, uint32_t(samples)); // skipped from its end: all of it
    skip[8] = skip[9] = 0;
    return 0;
}

} // namespace mediacore
