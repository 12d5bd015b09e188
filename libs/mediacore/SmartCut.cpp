#include "SmartCut.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <vector>

#include "AvcBitstream.h"
#include "CodecChoice.h"
#include "EngineLog.h"
#include "FfPointers.h"
#include "OutputWriter.h"
#include "SourceEnd.h"
#include "SourceReader.h"
#include "StreamProbe.h"

namespace mediacore {

namespace {

constexpr AVRational kMicro{1, 1000000};
constexpr int64_t kEpsilonUs = 1000; // timestamps are rounded to their time base
// Sound packets longer than this would make the copied sound noticeably shorter or longer
// than the picture at the range's edges (AAC, MP3, AC-3 and Opus packets are 20-50 ms).
constexpr int64_t kMaxAudioPacketUs = 64000;
const char* const kSeamEncoder = "libx264";
// File size estimates: index entries per packet (size, time, offset) and the headers.
constexpr int64_t kIndexBytes = 24;
constexpr int64_t kHeaderBytes = 4096;

// The libx264 profile that keeps the re-encoded frames within what the source declares.
const char* x264Profile(int profile) {
    switch (profile) {
    case FF_PROFILE_H264_BASELINE:
    case FF_PROFILE_H264_CONSTRAINED_BASELINE:
        return "baseline";
    case FF_PROFILE_H264_MAIN:
        return "main";
    case FF_PROFILE_H264_HIGH:
        return "high";
    case FF_PROFILE_H264_HIGH_10:
        return "high10";
    case FF_PROFILE_H264_HIGH_422:
        return "high422";
    case FF_PROFILE_H264_HIGH_444_PREDICTIVE:
        return "high444";
    default:
        return nullptr;
    }
}

bool encoderTakes(const AVCodec* codec, AVPixelFormat format) {
    if (!codec->pix_fmts)
        return false;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
        if (*f == format)
            return true;
    return false;
}

// Muxers that store H.264 as length-prefixed NAL units with an avcC record.
bool takesAvcRecord(const AVOutputFormat* f) {
    for (const char* name : {"mp4", "mov", "matroska", "ipod"})
        if (std::strcmp(f->name, name) == 0)
            return true;
    return false;
}

// Adds the ids of the parameter sets inside a packet or record to `ids`.
void collectIds(const uint8_t* nal, int size, std::set<int>* ids) {
    const int type = avc::nalType(nal);
    if (type == avc::Sps || type == avc::Pps)
        ids->insert(avc::parameterSetId(nal, size));
}

// One picture packet of the range as the scan saw it.
struct PicturePacket {
    int64_t pts = 0;
    int64_t duration = 0;
    int size = 0;
    bool key = false;
    bool idr = false;
    bool reference = true; // other frames may refer to it
    bool inRange = false;
};

// Reads the NAL units of a picture packet: whether it is an IDR frame, whether other frames
// may refer to it, and the parameter set ids it brings. False when its units are damaged.
bool describe(const AVPacket* packet, int lengthSize, PicturePacket* p, std::set<int>* ids) {
    bool idr = false, referred = false;
    const bool wellFormed =
        avc::forEachNal(packet->data, packet->size, lengthSize, [&](const uint8_t* nal, int n) {
            collectIds(nal, n, ids);
            idr = idr || avc::nalType(nal) == avc::Idr;
            referred = referred || (avc::isSlice(nal) && avc::nalRefIdc(nal) != 0);
        });
    p->idr = p->key && idr;
    p->reference = p->key || referred;
    return wellFormed;
}

} // namespace

// What the scan of the range found and decided. Indices count the picture packets in decoding
// order from the keyframe at or before the cut start.
struct SmartCut::Range {
    using Packet = PicturePacket;
    std::vector<Packet> packets;
    std::map<int64_t, int64_t> wanted; // pts -> duration of every frame in the range
    size_t headEnd = 0;                // [0, headEnd) decoded for the head; 0 = no head
    int64_t headBefore = 0;            // head frames lie before this pts (the first copied keyframe)
    size_t copyBegin = 0, copyEnd = 0; // copied packets
    size_t tailBegin = 0;              // [tailBegin, tailEnd) decoded for the tail; size = no tail
    size_t tailEnd = 0;
    int64_t tailAfter = INT64_MIN; // tail frames lie after this pts
    int64_t shift = 0;             // pts of the first frame: output time 0
    int64_t maxAudioPacketUs = 0;
    int64_t audioPacketUs = 1;
    double audioBytesPerUs = 0;
    double tbUs = 1; // microseconds per tick of the picture's time base
    std::set<int> usedIds;
    int paramId = -1;

    bool hasHead() const { return headEnd > 0; }
    bool hasTail() const { return tailBegin < packets.size(); }
    // Frames re-encoded at the start and at the end.
    size_t headFrames() const {
        return size_t(std::count_if(packets.begin(), packets.begin() + long(headEnd),
                                    [](const Packet& p) { return p.inRange; }));
    }
    size_t tailFrames() const {
        return size_t(std::count_if(packets.begin() + long(copyEnd), packets.end(),
                                    [&](const Packet& p) { return p.inRange && p.pts > tailAfter; }));
    }
    std::string plan();

    // What the group from keyframe `key` adds to the output file with its sound: packets and
    // their index entries.
    int64_t groupBytes(size_t key) const {
        int64_t bytes = 0, last = packets[key].pts;
        size_t i = key;
        for (; i < packets.size() && (i == key || !packets[i].key); ++i) {
            bytes += packets[i].size + kIndexBytes;
            last = std::max(last, packets[i].pts + packets[i].duration);
        }
        if (i < packets.size())
            last = packets[i].pts;
        const double us = double(last - packets[key].pts) * tbUs;
        return bytes + int64_t(us * audioBytesPerUs) + int64_t(us / double(audioPacketUs) + 1) * kIndexBytes;
    }
};

struct SmartCut::Work {
    InputPtr input;
    AVStream* video = nullptr;
    AVStream* audio = nullptr;
    int64_t originUs = 0;
    avc::AvcConfig config;
    ReadExtent extent;

    int64_t toUs(int64_t ts, const AVStream* s) const {
        return av_rescale_q(ts, s->time_base, kMicro) - originUs;
    }
    int seek(int64_t us) {
        extent.reset(input.get(), originUs);
        const int64_t ts = av_rescale_q(us + originUs, kMicro, AV_TIME_BASE_Q);
        return avformat_seek_file(input.get(), -1, INT64_MIN, ts, ts, AVSEEK_FLAG_BACKWARD);
    }
    // Whether a read that met the input's end covered the range up to `endUs`.
    int checkEnd(int64_t endUs, const std::string& path) const {
        return extent.check(endUs, video->index, audio ? audio->index : -1, path);
    }
};

std::string SmartCut::obstacle(const AVFormatContext* input, int audioIndex,
                               const AVOutputFormat* container) {
    if (!container || !takesAvcRecord(container))
        return std::string("the container ") + (container ? container->name : "?");
    const int v = firstVideoStream(input);
    if (v < 0)
        return "no picture";
    const AVCodecParameters* par = input->streams[v]->codecpar;
    if (par->codec_id != AV_CODEC_ID_H264)
        return std::string("the picture codec ") + avcodec_get_name(par->codec_id);
    avc::AvcConfig config;
    if (!config.parse(par->extradata, par->extradata_size) || config.lengthSize != 4)
        return "H.264 without a 4-byte avcC record";
    if (!x264Profile(par->profile))
        return "the H.264 profile " + std::to_string(par->profile);
    if (par->field_order != AV_FIELD_PROGRESSIVE && par->field_order != AV_FIELD_UNKNOWN)
        return "interlaced frames";
    const AVCodec* encoder = avcodec_find_encoder_by_name(kSeamEncoder);
    if (!encoder || !encoderTakes(encoder, AVPixelFormat(par->format)) || par->width <= 0 || par->height <= 0)
        return "no encoder for the frame format";
    if (audioIndex >= 0) {
        if (unsigned(audioIndex) >= input->nb_streams ||
            input->streams[audioIndex]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
            return "the sound stream";
        if (!containerAccepts(container, input->streams[audioIndex]->codecpar->codec_id))
            return "the container cannot hold the sound";
    }
    return {};
}

int SmartCut::run() {
    Work w;
    int r = openInput(request_.input, &w.input);
    if (r < 0)
        return r;
    const int v = firstVideoStream(w.input.get());
    if (v < 0)
        return kDeclined;
    w.video = w.input->streams[v];
    if (request_.audioIndex >= 0 && unsigned(request_.audioIndex) < w.input->nb_streams)
        w.audio = w.input->streams[request_.audioIndex];
    for (unsigned i = 0; i < w.input->nb_streams; ++i) {
        AVStream* s = w.input->streams[i];
        s->discard = (s == w.video || s == w.audio) ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    w.originUs = startTimeUs(w.input.get());
    if (!w.config.parse(w.video->codecpar->extradata, w.video->codecpar->extradata_size))
        return kDeclined;
    Range range;
    if ((r = examine(w, &range)) != 1)
        return r;
    if (stop_) {
        logInfo("cut stopped before it wrote anything");
        return 1;
    }
    return write(w, range);
}

int SmartCut::examine(Work& w, Range* range) {
    const auto decline = [](const std::string& why) {
        logInfo("cut re-encodes the whole range: " + why);
        return kDeclined;
    };
    for (const Bytes& s : w.config.sps)
        collectIds(s.data(), int(s.size()), &range->usedIds);
    for (const Bytes& p : w.config.pps)
        collectIds(p.data(), int(p.size()), &range->usedIds);

    // The seek lands on the keyframe at or before the start; a keyframe a rounding error
    // after the start counts as on it.
    if (w.seek(request_.startUs + kEpsilonUs) < 0)
        return decline("cannot seek");
    PacketPtr packet = makePacket();
    bool videoDone = false, audioDone = w.audio == nullptr;
    int64_t audioBytes = 0, audioUs = 0, rangeBytes = 0;
    // Ends the range at `us`, a keyframe's time: what was read after it leaves the range.
    const auto endAt = [&](int64_t us) {
        request_.endUs = us;
        for (Range::Packet& q : range->packets)
            q.inRange = q.inRange && w.toUs(q.pts, w.video) < us - kEpsilonUs;
    };
    while (!(videoDone && audioDone)) {
        av_packet_unref(packet.get());
        if (stop_)
            return 1;
        if (int e = av_read_frame(w.input.get(), packet.get()); e < 0) {
            w.extent.noteEnd(e);
            if ((e = w.checkEnd(request_.endUs, request_.input)) < 0)
                return e;
            break;
        }
        w.extent.note(packet.get());
        const bool isVideo = packet->stream_index == w.video->index;
        const AVStream* s = isVideo ? w.video : w.audio;
        if (packet->pts == AV_NOPTS_VALUE)
            return decline("packets without times");
        const int64_t t = w.toUs(packet->pts, s);
        if (isVideo && !videoDone) {
            Range::Packet p;
            p.pts = packet->pts;
            p.duration = packet->duration;
            p.size = packet->size;
            p.key = packet->flags & AV_PKT_FLAG_KEY;
            p.inRange = t >= request_.startUs - kEpsilonUs && t < request_.endUs - kEpsilonUs;
            if (!describe(packet.get(), w.config.lengthSize, &p, &range->usedIds))
                return decline("damaged picture packets");
            if (range->packets.empty() && (!p.key || t > request_.startUs + kEpsilonUs))
                return decline("the seek missed the keyframe before the start");
            if (p.inRange)
                rangeBytes += p.size;
            // Under a size limit the part ends before this group at the latest once the range
            // read so far passes the limit: the rest of the range is never read.
            if (request_.sizeLimit > 0 && p.key && p.inRange && t > request_.startUs + kEpsilonUs &&
                rangeBytes - p.size > request_.sizeLimit)
                endAt(t);
            if (p.key && t >= request_.endUs - kEpsilonUs)
                videoDone = true;
            else
                range->packets.push_back(p);
        } else if (!isVideo && !audioDone) {
            const int64_t length = av_rescale_q(packet->duration, s->time_base, kMicro);
            if (t >= request_.endUs)
                audioDone = true;
            else if (t + length >= request_.startUs) {
                range->maxAudioPacketUs = std::max(range->maxAudioPacketUs, length);
                rangeBytes += packet->size;
                audioBytes += packet->size;
                audioUs += length;
            }
        }
    }
    if (range->maxAudioPacketUs > kMaxAudioPacketUs)
        return decline("long sound packets");
    range->audioBytesPerUs = audioUs > 0 ? double(audioBytes) / double(audioUs) : 0;
    range->audioPacketUs = std::max<int64_t>(1, range->maxAudioPacketUs);
    range->tbUs = av_q2d(w.video->time_base) * 1e6;
    const int64_t frame = av_rescale_q(1, av_inv_q(streamFrameRate(w.video)), w.video->time_base);
    for (Range::Packet& p : range->packets) {
        if (p.duration <= 0)
            p.duration = std::max<int64_t>(1, frame);
        if (p.inRange)
            range->wanted[p.pts] = p.duration;
    }
    const std::string why = range->plan();
    if (!why.empty())
        return decline(why);
    // With a size limit the output ends before the first group that would pass it; the groups
    // before the first copied one (re-encoded, estimated at twice their size) and that one
    // must fit, or the frame-by-frame re-encode decides where to end.
    if (request_.sizeLimit > 0) {
        int64_t head = 0;
        for (size_t i = 0; i < range->headEnd; ++i)
            head += range->packets[i].inRange ? 2 * range->packets[i].size : 0;
        if (kHeaderBytes + head + range->groupBytes(range->copyBegin) > request_.sizeLimit)
            return decline("the first group alone passes the size limit");
    }
    for (int id = 1; id < 32 && range->paramId < 0; ++id)
        if (!range->usedIds.count(id))
            range->paramId = id;
    if (range->paramId < 0)
        return decline("no free parameter set id");
    logInfo("cut: " + std::to_string(range->headFrames()) + " frames re-encoded at the start, " +
            std::to_string(range->copyEnd - range->copyBegin) + " copied, " +
            std::to_string(range->tailFrames()) + " re-encoded at the end");
    return 1;
}

std::string SmartCut::Range::plan() {
    const size_t n = packets.size();
    if (wanted.empty())
        return "no frames in the range";
    // Closed groups only: every frame decoded before a keyframe is shown before it, every
    // frame decoded after it is shown after it. Then a group can be copied without its
    // neighbours and re-encoded pieces can sit next to it.
    int64_t latest = INT64_MIN, key = INT64_MIN;
    for (const Packet& p : packets) {
        if (p.key) {
            if (latest >= p.pts)
                return "open groups of pictures";
            key = p.pts;
        } else if (p.pts < key) {
            return "open groups of pictures";
        }
        latest = std::max(latest, p.pts);
    }
    size_t first = n, last = n;
    for (size_t i = 0; i < n; ++i) {
        if (packets[i].key && packets[i].inRange) {
            if (first == n)
                first = i;
            last = i;
        }
    }
    if (first == n)
        return "the range lies inside one group of pictures";
    if (!packets[first].idr)
        return "the first whole group does not start with an IDR frame";
    shift = wanted.begin()->first;
    copyBegin = first;
    headBefore = packets[first].pts;
    headEnd =
        std::any_of(packets.begin(), packets.begin() + long(first), [](const Packet& p) { return p.inRange; })
            ? first
            : 0;

    // The copy goes on in decoding order while the frames lie in the range: a prefix in decoding
    // order always decodes. Frames of the last group that come later (B-frames shown before an
    // anchor past the end) are re-encoded, when they are all shown after the copied ones.
    size_t prefixEnd = last;
    while (prefixEnd < n && packets[prefixEnd].inRange)
        ++prefixEnd;
    int64_t copiedMax = INT64_MIN, restMin = INT64_MAX;
    for (size_t i = last; i < n; ++i) {
        if (i < prefixEnd)
            copiedMax = std::max(copiedMax, packets[i].pts);
        else if (packets[i].inRange)
            restMin = std::min(restMin, packets[i].pts);
    }
    tailBegin = n;
    copyEnd = prefixEnd;
    if (restMin != INT64_MAX) {
        tailBegin = last;
        if (restMin > copiedMax) {
            tailAfter = copiedMax;
        } else {
            copyEnd = last;
            tailAfter = INT64_MIN;
        }
        // Packets after the last wanted frame's own are not needed to decode it.
        for (size_t i = last; i < n; ++i)
            if (packets[i].inRange && packets[i].pts > tailAfter)
                tailEnd = i + 1;
    }
    for (size_t i = copyBegin; i < copyEnd; ++i)
        if (!packets[i].inRange)
            return "frames outside the range inside the copied groups";
    return {};
}

namespace {

int openSeamEncoder(const AVStream* s, int paramId, const char* profile, int threads, CodecPtr* out) {
    const AVCodec* codec = avcodec_find_encoder_by_name(kSeamEncoder);
    if (!codec)
        return AVERROR_ENCODER_NOT_FOUND;
    CodecPtr c(avcodec_alloc_context3(codec));
    if (!c)
        return AVERROR(ENOMEM);
    const AVCodecParameters* par = s->codecpar;
    c->width = par->width;
    c->height = par->height;
    c->pix_fmt = AVPixelFormat(par->format);
    c->time_base = s->time_base;
    c->framerate = streamFrameRate(s);
    c->sample_aspect_ratio = par->sample_aspect_ratio.num > 0 ? par->sample_aspect_ratio : AVRational{1, 1};
    c->color_range = par->color_range;
    c->color_primaries = par->color_primaries;
    c->color_trc = par->color_trc;
    c->colorspace = par->color_space;
    c->chroma_sample_location = par->chroma_location;
    c->field_order = AV_FIELD_PROGRESSIVE;
    // The pieces reorder frames as deeply as the source (x264: none, B-frames, or a B-pyramid
    // of depth 2): their first parameter set then tells demuxers and decoders the stream's
    // depth, and decoding times rebuilt for the source's depth stay valid across the seams.
    const int depth = std::min(par->video_delay, 2);
    c->max_b_frames = depth > 0 ? 3 : 0;
    if (par->level > 0)
        c->level = par->level;
    c->thread_count = threads;
    // The parameter sets go into the stream's record as well as in-band.
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", "veryfast", 0);
    av_dict_set(&options, "crf", "18", 0);
    av_dict_set(&options, "profile", profile, 0);
    const std::string params = "sps-id=" + std::to_string(paramId) +
                               ":repeat-headers=1:b-pyramid=" + (depth >= 2 ? "normal" : "none");
    av_dict_set(&options, "x264-params", params.c_str(), 0);
    const int r = avcodec_open2(c.get(), codec, &options);
    av_dict_free(&options);
    if (r < 0)
        return logFailure("cannot open the encoder for the cut's edges", r);
    *out = std::move(c);
    return 0;
}

// Adds the encoder's parameter sets to the record; false when they are not the id asked for.
bool addEncoderSets(const AVCodecContext* encoder, int paramId, avc::AvcConfig* config) {
    bool sps = false, pps = false, ok = true;
    avc::forEachAnnexBNal(encoder->extradata, encoder->extradata_size, [&](const uint8_t* nal, int n) {
        const int type = avc::nalType(nal);
        if (type != avc::Sps && type != avc::Pps)
            return;
        ok = ok && avc::parameterSetId(nal, n) == paramId;
        (type == avc::Sps ? config->sps : config->pps).emplace_back(nal, nal + n);
        (type == avc::Sps ? sps : pps) = true;
    });
    return ok && sps && pps;
}

// Threads for an edge of `frames` frames: each frame thread holds pictures and delays the
// output by one frame, which a short edge cannot use.
int edgeThreads(size_t frames) {
    return int(std::clamp<size_t>(frames / 6, 1, 6));
}

// Opens the encoder of one edge and checks its parameter sets against the record's (`config`
// empty: adds them). False when the encoder cannot be used for the seams.
bool openEdgeEncoder(const AVStream* video, int paramId, size_t frames, CodecPtr* encoder, avc::AvcConfig* config,
                     size_t recordSets) {
    if (openSeamEncoder(video, paramId, x264Profile(video->codecpar->profile), edgeThreads(frames), encoder) < 0)
        return false;
    avc::AvcConfig sets;
    if (!addEncoderSets(encoder->get(), paramId, &sets))
        return false;
    // Both edges share one parameter set in the record, after the source's own sets.
    if (config->sps.size() == recordSets) {
        config->sps.insert(config->sps.end(), sets.sps.begin(), sets.sps.end());
        config->pps.insert(config->pps.end(), sets.pps.begin(), sets.pps.end());
        return config->sps.size() < 32 && config->pps.size() < 256;
    }
    return std::equal(sets.sps.begin(), sets.sps.end(), config->sps.begin() + long(recordSets), config->sps.end()) &&
           sets.pps.size() <= config->pps.size() &&
           std::equal(sets.pps.begin(), sets.pps.end(), config->pps.end() - long(sets.pps.size()), config->pps.end());
}

} // namespace

int SmartCut::write(Work& w, const Range& range) {
    const AVRational tb = w.video->time_base;
    CodecPtr headEncoder, tailEncoder, decoder;
    avc::AvcConfig config = w.config;
    const size_t sourceSets = config.sps.size();
    // The record needs the edges' parameter sets before anything is written, but an encoder
    // only when its edge is reached: the first one opened gives the sets, and the other edge's
    // encoder, opened later with the same settings, must give the same.
    const bool wanted[2] = {range.headFrames() > 0, range.tailFrames() > 0};
    if (wanted[0] || wanted[1]) {
        CodecPtr first;
        const size_t frames = wanted[0] ? range.headFrames() : range.tailFrames();
        if (!openEdgeEncoder(w.video, range.paramId, frames, &first, &config, sourceSets)) {
            logInfo("cut re-encodes the whole range: no fitting encoder for the edges");
            return kDeclined;
        }
        if (wanted[0])
            headEncoder = std::move(first);
    }
    bool tailOpened = false;
    if ((range.hasHead() || range.hasTail()) && openStreamDecoder(w.video, request_.input, &decoder) < 0)
        return kDeclined;

    OutputWriter writer;
    int r = writer.create(request_.output);
    if (r < 0)
        return r;
    if ((r = writer.addCopy(OutputWriter::Video, w.video)) < 0)
        return r;
    const Bytes record = config.serialise();
    if ((r = writer.setCopyExtradata(OutputWriter::Video, record.data(), int(record.size()))) < 0)
        return r;
    if (w.audio && (r = writer.addCopy(OutputWriter::Audio, w.audio)) < 0)
        return r;
    if ((r = writer.start()) < 0)
        return r;

    const size_t n = range.packets.size();
    const int64_t shiftUs = w.toUs(range.shift, w.video);
    const int64_t totalUs = std::max<int64_t>(1, request_.endUs - shiftUs);
    PacketPtr packet = makePacket(), encoded = makePacket();
    FramePtr frame = makeFrame();
    bool mismatch = false;
    size_t reencoded[2] = {0, 0}; // frames given to the head and the tail encoder

    // Encoder output as length-prefixed packets on the output timeline.
    const auto writeEncoded = [&](AVCodecContext* encoder) -> int {
        int e;
        while ((e = avcodec_receive_packet(encoder, encoded.get())) == 0) {
            const Bytes data = avc::toLengthPrefixed(encoded->data, encoded->size, config.lengthSize);
            PacketPtr out = makePacket();
            if (av_new_packet(out.get(), int(data.size())) < 0)
                return AVERROR(ENOMEM);
            std::memcpy(out->data, data.data(), data.size());
            const auto d = range.wanted.find(encoded->pts);
            out->pts = out->dts = encoded->pts - range.shift;
            out->duration = d != range.wanted.end() ? d->second : 0;
            out->flags = encoded->flags & AV_PKT_FLAG_KEY;
            av_packet_unref(encoded.get());
            if ((e = writer.writePacket(OutputWriter::Video, out.get(), tb)) < 0)
                return e;
        }
        return e == AVERROR(EAGAIN) || e == AVERROR_EOF ? 0 : logFailure("encoding the cut's edges", e);
    };
    // Decoded frames of the wanted ones (those `take` accepts) into `encoder`.
    const auto encodeDecoded = [&](AVCodecContext* encoder, bool head) -> int {
        int e;
        while ((e = avcodec_receive_frame(decoder.get(), frame.get())) == 0) {
            const int64_t pts = frame->best_effort_timestamp;
            bool take = range.wanted.count(pts) && (head ? pts < range.headBefore : pts > range.tailAfter);
            if (frame->width != encoder->width || frame->height != encoder->height ||
                frame->format != encoder->pix_fmt || frame->interlaced_frame) {
                mismatch = true;
                take = false;
            }
            if (take) {
                ++reencoded[head ? 0 : 1];
                frame->pts = pts;
                frame->pict_type = AV_PICTURE_TYPE_NONE;
                if ((e = avcodec_send_frame(encoder, frame.get())) < 0)
                    return logFailure("encoding the cut's edges", e);
                if ((e = writeEncoded(encoder)) < 0)
                    return e;
            }
            av_frame_unref(frame.get());
        }
        return e == AVERROR(EAGAIN) || e == AVERROR_EOF ? 0 : logFailure("decoding the cut's edges", e);
    };
    const auto decode = [&](AVPacket* p, AVCodecContext* encoder, bool head) -> int {
        const int e = avcodec_send_packet(decoder.get(), p);
        if (e < 0 && e != AVERROR_EOF)
            logFailure("decoding a packet at the cut's edges", e);
        return encodeDecoded(encoder, head);
    };
    // Ends a re-encoded piece: the last frames out of the decoder and the encoder.
    const auto finishPiece = [&](CodecPtr& encoder, bool head) -> int {
        if (!encoder)
            return 0;
        int e = decode(nullptr, encoder.get(), head);
        if (e >= 0)
            e = avcodec_send_frame(encoder.get(), nullptr);
        if (e >= 0)
            e = writeEncoded(encoder.get());
        avcodec_flush_buffers(decoder.get());
        encoder.reset();
        return e;
    };

    if (w.seek(request_.startUs + kEpsilonUs) < 0)
        return logFailure("seek in " + request_.input, AVERROR(EIO));
    size_t index = 0, videoEnd = n;
    int64_t endUs = request_.endUs;
    bool audioDone = w.audio == nullptr;
    const int64_t audioShift = w.audio ? av_rescale_q(range.shift, tb, w.audio->time_base) : 0;
    // Sound waits until the picture read has passed it, so that an early end (size limit)
    // can still leave it out.
    std::deque<PacketPtr> pendingSound;
    int64_t pictureReadUs = INT64_MIN;
    // Under a size limit the part can only end at the start of a group, and packets read in
    // decoding order run ahead of the pictures shown: sound then waits for the group start.
    int64_t groupStartUs = INT64_MIN;
    const auto writeSound = [&](int64_t beforeUs) -> int {
        while (!pendingSound.empty()) {
            AVPacket* a = pendingSound.front().get();
            const int64_t t = w.toUs(a->pts, w.audio);
            if (t >= beforeUs)
                break;
            const int64_t half = av_rescale_q(a->duration, w.audio->time_base, kMicro) / 2;
            if (t >= shiftUs - kEpsilonUs && t + half <= endUs) {
                a->pts -= audioShift;
                if (a->dts != AV_NOPTS_VALUE)
                    a->dts -= audioShift;
                const int e = writer.writePacket(OutputWriter::Audio, a, w.audio->time_base);
                if (e < 0)
                    return e;
            }
            pendingSound.pop_front();
        }
        return 0;
    };
    while (!(index >= videoEnd && audioDone)) {
        if (stop_) {
            logInfo("cut stopped; " + request_.output + " removed");
            writer.discard();
            return 1;
        }
        if ((r = av_read_frame(w.input.get(), packet.get())) < 0) {
            if (r != AVERROR_EOF)
                logFailure("reading " + request_.input + " (taken as its end)", r);
            // The first read saw the whole range: a source that ends now was cut short since.
            w.extent.noteEnd(r);
            if (index < videoEnd)
                return logFailure(request_.input + " ended while it was read", AVERROR_INVALIDDATA);
            if ((r = w.checkEnd(endUs, request_.input)) < 0)
                return r;
            break;
        }
        w.extent.note(packet.get());
        if (packet->stream_index == w.video->index && index < videoEnd) {
            const size_t i = index++;
            if (packet->pts != range.packets[i].pts) {
                logInfo("cut re-encodes the whole range: the file reads differently the second time");
                return kDeclined;
            }
            if (request_.sizeLimit > 0 && i > range.copyBegin && range.packets[i].key &&
                writer.estimatedFinalBytes() + range.groupBytes(i) > request_.sizeLimit) {
                // The part ends before this group, sound with it; the end re-encode is left out.
                videoEnd = i;
                endUs = w.toUs(range.packets[i].pts, w.video);
                tailEncoder.reset();
                av_packet_unref(packet.get());
                continue;
            }
            pictureReadUs = std::max(pictureReadUs, w.toUs(packet->pts, w.video));
            if (range.packets[i].key)
                groupStartUs = w.toUs(packet->pts, w.video);
            if (i == range.headEnd && (r = finishPiece(headEncoder, true)) < 0)
                return r;
            // Frames that are neither re-encoded nor referred to need no decoding.
            const Range::Packet& p = range.packets[i];
            const bool head = i < range.headEnd, tail = i >= range.tailBegin && i < range.tailEnd;
            const bool needed = p.reference || (p.inRange && (head || p.pts > range.tailAfter));
            if (needed && head && (r = decode(packet.get(), headEncoder.get(), true)) < 0)
                return r;
            if (tail && wanted[1] && !tailOpened) {
                tailOpened = true;
                if (!openEdgeEncoder(w.video, range.paramId, range.tailFrames(), &tailEncoder, &config, sourceSets))
                    return logFailure("the encoder of the cut's end differs from its start's", AVERROR_BUG);
            }
            if (needed && tail && (r = decode(packet.get(), tailEncoder.get(), false)) < 0)
                return r;
            if (i >= range.copyBegin && i < range.copyEnd) {
                packet->pts -= range.shift;
                if (packet->dts != AV_NOPTS_VALUE)
                    packet->dts -= range.shift;
                packet->duration = range.packets[i].duration;
                if ((r = writer.writePacket(OutputWriter::Video, packet.get(), tb)) < 0)
                    return r;
            }
        } else if (w.audio && packet->stream_index == w.audio->index && !audioDone) {
            if (w.toUs(packet->pts, w.audio) >= endUs)
                audioDone = true;
            else
                pendingSound.push_back(PacketPtr(av_packet_clone(packet.get())));
        }
        av_packet_unref(packet.get());
        const int64_t soundBefore = request_.sizeLimit > 0 ? groupStartUs : pictureReadUs;
        if ((r = writeSound(index >= videoEnd ? INT64_MAX : soundBefore)) < 0)
            return r;
        if (mismatch) {
            logInfo("cut re-encodes the whole range: the frames change format");
            return kDeclined;
        }
        if (progress_)
            progress_(writer.writtenUs(), totalUs);
    }
    if ((r = finishPiece(headEncoder, true)) < 0 || (r = finishPiece(tailEncoder, false)) < 0 ||
        (r = writeSound(INT64_MAX)) < 0)
        return r;
    if (mismatch) {
        logInfo("cut re-encodes the whole range: the frames change format");
        return kDeclined;
    }
    // Every frame of the edges must have come out of the decoder with its own time.
    if (reencoded[0] != range.headFrames() || (videoEnd == n && reencoded[1] != range.tailFrames())) {
        logInfo("cut re-encodes the whole range: the decoder did not give all frames of the edges");
        return kDeclined;
    }
    if ((r = writer.finish()) < 0)
        return r;
    return 1;
}

} // namespace mediacore
