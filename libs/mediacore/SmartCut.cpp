#include "SmartCut.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>

#include "AvcReferences.h"
#include "CodecChoice.h"
#include "EngineLog.h"
#include "KeptInput.h"
#include "SmartCutFeed.h"
#include "SmartCutPlan.h"
#include "StreamProbe.h"

namespace mediacore {

namespace {

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

// The same for HEVC; `layers` is set when a frame lies above temporal layer 0 (its pictures may
// then refer to sub-layer non-reference ones).
bool describeHevc(const AVPacket* packet, int lengthSize, PicturePacket* p, bool* layers) {
    bool idr = false, referred = false;
    const bool wellFormed =
        avc::forEachNal(packet->data, packet->size, lengthSize, [&](const uint8_t* nal, int n) {
            if (n < 2 || !hevc::isPicture(nal))
                return;
            idr = idr || hevc::isIdr(nal);
            referred = referred || !hevc::isSubLayerNonReference(nal);
            *layers = *layers || hevc::temporalId(nal) > 0;
        });
    p->idr = p->key && idr;
    p->reference = p->key || referred;
    return wellFormed;
}

// Why libx265 cannot re-encode the edges of this HEVC stream; empty when it can.
std::string hevcObstacle(const AVCodecParameters* par) {
    hevc::HvcConfig config;
    if (!config.parse(par->extradata, par->extradata_size))
        return "HEVC without a 4-byte hvcC record";
    if (par->profile != FF_PROFILE_HEVC_MAIN && par->profile != FF_PROFILE_HEVC_MAIN_10 &&
        par->profile != FF_PROFILE_HEVC_REXT)
        return "the HEVC profile " + std::to_string(par->profile);
    const AVCodec* encoder = avcodec_find_encoder_by_name(kHevcSeamEncoder);
    if (!encoder || !encoderTakes(encoder, AVPixelFormat(par->format)))
        return "no encoder for the frame format";
    return {};
}

} // namespace

std::string SmartCut::obstacle(const AVFormatContext* input, int audioIndex,
                               const AVOutputFormat* container) {
    if (!container || !takesAvcRecord(container))
        return std::string("the container ") + (container ? container->name : "?");
    const int v = firstVideoStream(input);
    if (v < 0)
        return "no picture";
    const AVCodecParameters* par = input->streams[v]->codecpar;
    if (par->field_order != AV_FIELD_PROGRESSIVE && par->field_order != AV_FIELD_UNKNOWN)
        return "interlaced frames";
    if (par->width <= 0 || par->height <= 0)
        return "no frame size";
    if (par->codec_id == AV_CODEC_ID_HEVC) {
        if (std::string why = hevcObstacle(par); !why.empty())
            return why;
    } else if (par->codec_id != AV_CODEC_ID_H264) {
        return std::string("the picture codec ") + avcodec_get_name(par->codec_id);
    } else {
        avc::AvcConfig config;
        if (!config.parse(par->extradata, par->extradata_size) || config.lengthSize != 4)
            return "H.264 without a 4-byte avcC record";
        if (!x264Profile(par->profile))
            return "the H.264 profile " + std::to_string(par->profile);
        const AVCodec* encoder = avcodec_find_encoder_by_name(kSeamEncoder);
        if (!encoder || !encoderTakes(encoder, AVPixelFormat(par->format)))
            return "no encoder for the frame format";
    }
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
    CutInput w;
    w.input = std::move(input_);
    const bool own = !w.input;
    if (own) {
        if (const int r = openInput(request_.input, &w.input); r < 0)
            return r;
    }
    const int r = cut(w);
    if (own)
        keepOpen(request_.input, std::move(w.input));
    else
        input_ = std::move(w.input);
    return r;
}

int SmartCut::cut(CutInput& w) {
    int r = 0;
    const int v = firstVideoStream(w.input.get());
    if (v < 0)
        return kDeclined;
    w.video = w.input->streams[v];
    if (request_.audioIndex >= 0 && unsigned(request_.audioIndex) < w.input->nb_streams)
        w.audio = w.input->streams[request_.audioIndex];
    w.soundLeadUs =
        std::max(StreamCopy::primingUs(w.audio, av_guess_format(nullptr, request_.output.c_str(), nullptr)),
                 soundWarmUpUs(w.audio));
    for (unsigned i = 0; i < w.input->nb_streams; ++i) {
        AVStream* s = w.input->streams[i];
        s->discard = (s == w.video || s == w.audio) ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    for (const int other : request_.otherSound)
        if (unsigned(other) < w.input->nb_streams && w.input->streams[other] != w.audio)
            w.otherSound.push_back(w.input->streams[other]);
    w.originUs = startTimeUs(w.input.get());
    const AVCodecParameters* par = w.video->codecpar;
    w.isHevc = par->codec_id == AV_CODEC_ID_HEVC;
    if (w.isHevc ? !w.hvc.parse(par->extradata, par->extradata_size)
                 : !w.config.parse(par->extradata, par->extradata_size))
        return kDeclined;
    // A split's part runs to the file's end unless its cap ends it first: it is cut in one reading.
    // A capped range that ends inside the file would more often end on a re-encoded tail, which
    // one reading cannot write.
    if (request_.sizeLimit > 0 && request_.endUs >= durationUs(w.input.get())) {
        if ((r = cutInOneReading(w)) != RangeFeed::kGiveUp)
            return r;
        for (AVStream* o : w.otherSound)
            o->discard = AVDISCARD_ALL; // the scan reads the picture and the main sound only
    }
    CutRange range;
    range.hevc = w.isHevc;
    if ((r = examine(w, &range)) != 1)
        return r;
    if (stop_) {
        logInfo("cut stopped before it wrote anything");
        return 1;
    }
    return write(w, range);
}

// A capped part plans each group of pictures as it writes it, so that its packets are read once.
// 1, kDeclined, RangeFeed::kGiveUp (nothing left on disk) or a negative AVERROR.
int SmartCut::cutInOneReading(CutInput& w) {
    CutRange range;
    range.hevc = w.isHevc;
    RangeFeed feed(request_, w, range, stop_);
    if (const int r = feed.start(); r != 0)
        return r == RangeFeed::kDecline ? kDeclined : r;
    if (stop_) {
        logInfo("cut stopped before it wrote anything");
        return 1;
    }
    return write(w, range, &feed);
}

namespace {

int decline(const std::string& why) {
    logInfo("cut re-encodes the whole range: " + why);
    return SmartCut::kDeclined;
}

} // namespace

RangeScan::RangeScan(const SmartCutRequest& request, const CutInput& in, CutRange& range)
    : request_(request), in_(in), range_(range), audioDone_(in.audio == nullptr) {
    for (const std::vector<Bytes>* sets : {&in.config.sps, &in.config.pps}) {
        for (const Bytes& s : *sets) {
            collectIds(s.data(), int(s.size()), &range.usedIds);
            sets_.add(s.data(), int(s.size()));
        }
    }
    range.endUs = request.endUs;
}

std::string RangeScan::take(const AVPacket* packet) {
    const bool isVideo = packet->stream_index == in_.video->index;
    if (!isVideo && !(in_.audio && packet->stream_index == in_.audio->index))
        return {}; // another sound stream copied beside the main one
    const AVStream* s = isVideo ? in_.video : in_.audio;
    if (packet->pts == AV_NOPTS_VALUE)
        return "packets without times";
    const int64_t t = in_.toUs(packet->pts, s);
    if (isVideo && !videoDone_) {
        CutRange::Packet p;
        p.pts = packet->pts;
        p.duration = packet->duration;
        p.size = packet->size;
        p.key = packet->flags & AV_PKT_FLAG_KEY;
        p.inRange = t >= request_.startUs - kEpsilonUs && t < range_.endUs - kEpsilonUs;
        if (!(in_.isHevc ? describeHevc(packet, in_.hvc.lengthSize, &p, &range_.temporalLayers)
                         : describe(packet, in_.config.lengthSize, &p, &range_.usedIds)))
            return "damaged picture packets";
        if (!in_.isHevc)
            p.header = avc::readPicture(packet->data, packet->size, in_.config.lengthSize, sets_);
        // A keyframe after the start is right when it is the first picture of the file (the
        // picture often starts a few ms after the sound): nothing lies before it.
        const bool first = in_.video->start_time != AV_NOPTS_VALUE && packet->pts <= in_.video->start_time;
        if (range_.packets.empty() && (!p.key || (t > request_.startUs + kEpsilonUs && !first)))
            return "the seek missed the keyframe before the start";
        const bool limitPassed = request_.sizeLimit > 0 && copiedBytes_ > request_.sizeLimit;
        if (p.key && (t >= range_.endUs - kEpsilonUs || limitPassed)) {
            range_.endUs = std::min(range_.endUs, t);
            videoDone_ = true;
            return {};
        }
        copying_ = copying_ || (p.key && p.inRange);
        copiedBytes_ += copying_ ? p.size : 0;
        if (p.key && !range_.packets.empty()) {
            // Only the first group and the last (where the range ends) are decoded at the edges:
            // the headers of a group in between go when the next one begins, so that a long
            // range holds no more of them than a short one.
            if (groupStart_ > 0)
                for (size_t i = groupStart_; i < range_.packets.size(); ++i)
                    range_.packets[i].header.reset();
            groupStart_ = range_.packets.size();
        }
        range_.packets.push_back(p);
    } else if (!isVideo && !audioDone_) {
        const int64_t length = av_rescale_q(packet->duration, s->time_base, kMicro);
        if (t >= range_.endUs)
            audioDone_ = true;
        else if (t + length >= request_.startUs) {
            range_.maxAudioPacketUs = std::max(range_.maxAudioPacketUs, length);
            audioBytes_ += packet->size;
            audioUs_ += length;
        }
    }
    return {};
}

// Reads the range's packets once: the picture packets from the keyframe at or before the start,
// and what the sound packets weigh. Under a size limit the reading stops at the keyframe after
// the copied pictures alone have passed the limit: the part ends before that group anyway.
int SmartCut::scan(CutInput& w, CutRange* range) {
    // The seek lands on the keyframe at or before the start; a keyframe a rounding error
    // after the start counts as on it.
    if (w.seek(request_.startUs + kEpsilonUs) < 0)
        return decline("cannot seek");
    RangeScan look(request_, w, *range);
    PacketPtr packet = makePacket();
    while (!look.done()) {
        av_packet_unref(packet.get());
        if (stop_)
            return 1;
        if (int e = w.read(packet.get()); e < 0) {
            w.extent.noteEnd(e);
            if ((e = w.checkEnd(range->endUs, request_.input)) < 0)
                return e;
            break;
        }
        w.extent.note(packet.get());
        if (const std::string why = look.take(packet.get()); !why.empty())
            return decline(why);
    }
    range->audioBytesPerUs = look.audioBytesPerUs();
    return 1;
}

int SmartCut::examine(CutInput& w, CutRange* range) {
    if (int r = scan(w, range); r != 1 || stop_)
        return r;
    if (range->maxAudioPacketUs > kMaxAudioPacketUs)
        return decline("long sound packets");
    range->audioPacketUs = std::max<int64_t>(1, range->maxAudioPacketUs);
    range->tbUs = av_q2d(w.video->time_base) * 1e6;
    const int64_t frame = av_rescale_q(1, av_inv_q(streamFrameRate(w.video)), w.video->time_base);
    for (CutRange::Packet& p : range->packets)
        range->settle(p, frame);
    const std::string why = range->plan();
    if (!why.empty())
        return decline(why);
    if (request_.sizeLimit > 0 && !range->startFits(request_.sizeLimit))
        return decline("the first group alone passes the size limit");
    if (!range->pickParameterSetId())
        return decline("no free parameter set id");
    range->leaveOutUnreferenced(w.lengthSize());
    logInfo("cut: " + std::to_string(range->headFrames()) + " frames re-encoded at the start, " +
            std::to_string(range->copyEnd - range->copyBegin) + " copied, " +
            std::to_string(range->tailFrames()) + " re-encoded at the end");
    return 1;
}

std::string CutRange::planStart() {
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
    size_t first = 0;
    while (first < n && !(packets[first].key && packets[first].inRange))
        ++first;
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
    return {};
}

std::string CutRange::planEnd() {
    const size_t n = packets.size();
    size_t last = n;
    for (size_t i = copyBegin; i < n; ++i)
        if (packets[i].key && packets[i].inRange)
            last = i;

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

void CutRange::leaveOutUnreferenced(int lengthSize) {
    if (hevc)
        return;
    // The stand-ins bring a picture parameter set of their own, under an id the source leaves free.
    int ppsId = 255;
    while (ppsId >= 0 && usedIds.count(ppsId))
        --ppsId;
    if (ppsId < 0)
        return;
    int left = 0;
    const auto group = [&](size_t begin, size_t end, const std::function<bool(const Packet&)>& reencoded) {
        std::vector<const avc::PictureHeader*> headers;
        std::vector<bool> wanted;
        for (size_t i = begin; i < end; ++i) {
            if (!packets[i].header)
                return;
            headers.push_back(packets[i].header.get());
            wanted.push_back(reencoded(packets[i]));
        }
        const std::vector<bool> decode = avc::picturesToDecode(headers, wanted);
        for (size_t i = 0; i < decode.size(); ++i) {
            Packet& p = packets[begin + i];
            if (!p.reference || decode[i])
                continue;
            Bytes standIn = avc::standIn(*p.header, ppsId, lengthSize);
            if (!standIn.empty()) {
                p.standIn = std::make_shared<const Bytes>(std::move(standIn));
                ++left;
            }
        }
    };
    group(0, headEnd, [](const Packet& p) { return p.inRange; });
    if (hasTail())
        group(tailBegin, tailEnd, [&](const Packet& p) { return p.inRange && p.pts > tailAfter; });
    if (left > 0)
        logInfo("cut: " + std::to_string(left) + " reference pictures at the edges decoded as stand-ins");
}

} // namespace mediacore
