// The plan of a smart cut, shared by its scan (SmartCut.cpp) and its writing (SmartCutWrite.cpp):
// the picture packets of the range, which are copied and which re-encoded, and the open input.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AvcBitstream.h"
#include "AvcHeaders.h"
#include "FfPointers.h"
#include "HevcBitstream.h"
#include "SmartCutRequest.h"
#include "SoundLead.h"
#include "SourceEnd.h"
#include "StreamCopy.h"

namespace mediacore {

constexpr int64_t kEpsilonUs = 1000; // timestamps are rounded to their time base
// Sound packets longer than this would make the copied sound noticeably shorter or longer
// than the picture at the range's edges (AAC, MP3, AC-3 and Opus packets are 20-50 ms).
constexpr int64_t kMaxAudioPacketUs = 64000;
inline const char* const kSeamEncoder = "libx264";
inline const char* const kHevcSeamEncoder = "libx265";
// File size estimates: index entries per packet (size, time, offset) and the headers.
constexpr int64_t kIndexBytes = 24;
constexpr int64_t kHeaderBytes = 4096;

// The libx264 profile that keeps the re-encoded frames within what the source declares.
inline const char* x264Profile(int profile) {
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

// One picture packet of the range as the scan saw it.
struct PicturePacket {
    int64_t pts = 0;
    int64_t duration = 0;
    int size = 0;
    bool key = false;
    bool idr = false;
    bool reference = true; // other frames may refer to it
    bool inRange = false;
    // H.264: what its slice headers say of references (null when unread).
    std::shared_ptr<const avc::PictureHeader> header;
    // For a reference picture that no frame an edge re-encodes refers to, even through
    // others: what the edge's decoder is given instead (avc::standIn).
    std::shared_ptr<const Bytes> standIn;
};

// What the scan of the range found and decided. Indices count the picture packets in decoding
// order from the keyframe at or before the cut start.
struct CutRange {
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
    int64_t endUs = 0;             // where the part ends at the latest (source timeline)
    int64_t maxAudioPacketUs = 0;
    int64_t audioPacketUs = 1;
    double audioBytesPerUs = 0;
    double tbUs = 1; // microseconds per tick of the picture's time base
    std::set<int> usedIds;
    int paramId = -1;
    // HEVC: the re-encoded pieces bring their own parameter sets in-band, and the first copied
    // frame after a re-encoded start brings the source's back.
    bool hevc = false;
    bool temporalLayers = false; // some frame lies above temporal layer 0

    bool hasHead() const { return headEnd > 0; }
    bool hasTail() const { return tailBegin < packets.size(); }
    // Frames re-encoded at the start and at the end.
    size_t headFrames() const {
        return size_t(std::count_if(packets.begin(), packets.begin() + long(headEnd),
                                    [](const Packet& p) { return p.inRange; }));
    }
    size_t tailFrames() const {
        return size_t(std::count_if(packets.begin() + long(std::min(copyEnd, packets.size())), packets.end(),
                                    [&](const Packet& p) { return p.inRange && p.pts > tailAfter; }));
    }
    // What is copied and what re-encoded; an empty text, or why the range cannot be cut so.
    std::string plan() {
        std::string why = planStart();
        return why.empty() ? planEnd() : why;
    }
    // The start alone (the head and the first copied keyframe), from the packets up to the end
    // of the first copied group.
    std::string planStart();
    // The end of the copy and the tail, once the packets of the whole range are known.
    std::string planEnd();
    // Gives stand-ins to the reference pictures of the edges' groups that need no decoding.
    void leaveOutUnreferenced(int lengthSize);
    // With a size limit the output ends before the first group that would pass it; the groups
    // before the first copied one (re-encoded, estimated at twice their size) and that one must
    // fit in `limit` bytes, or the frame-by-frame re-encode decides where to end.
    bool startFits(int64_t limit) const {
        int64_t head = 0;
        for (size_t i = 0; i < headEnd; ++i)
            head += packets[i].inRange ? 2 * packets[i].size : 0;
        return kHeaderBytes + head + groupBytes(copyBegin) <= limit;
    }
    // The id of the edges' parameter sets: the lowest one the source does not use. False when
    // an H.264 source uses them all.
    bool pickParameterSetId() {
        for (int id = 1; id < 32 && paramId < 0; ++id)
            if (!usedIds.count(id))
                paramId = id;
        return paramId >= 0 || hevc;
    }
    // A scanned packet made ready for the plan: its length when the file gives none (`frame`
    // ticks), and its frame wanted when it lies in the range.
    void settle(Packet& p, int64_t frame) {
        p.reference = p.reference || temporalLayers;
        if (p.duration <= 0)
            p.duration = std::max<int64_t>(1, frame);
        if (p.inRange)
            wanted[p.pts] = p.duration;
    }

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

struct CutInput {
    InputPtr input;
    AVStream* video = nullptr;
    AVStream* audio = nullptr;
    std::vector<AVStream*> otherSound; // copied beside the main sound
    int64_t originUs = 0;
    avc::AvcConfig config;
    hevc::HvcConfig hvc;
    bool isHevc = false;
    ReadExtent extent;
    LeadSkip lead; // after a seek that went back for the sound
    // How far before the start the sound is read: what the copy keeps to prime its decoder.
    int64_t soundLeadUs = 0;

    int lengthSize() const { return isHevc ? hvc.lengthSize : config.lengthSize; }
    // The streams as the stream-copy stage reads them.
    StreamCopy::Source copySource() const {
        StreamCopy::Source source{input.get(), video, audio, {}, originUs};
        for (const AVStream* o : otherSound)
            source.otherSound.push_back(o->index);
        return source;
    }

    int64_t toUs(int64_t ts, const AVStream* s) const {
        return av_rescale_q(ts, s->time_base, kMicro) - originUs;
    }
    // Positions the input on the keyframe at or before `us`; sound stored ahead of the picture
    // is read from before it (see SoundLead.h).
    int seek(int64_t us) {
        extent.reset(input.get(), originUs);
        const auto to = [&](int64_t t) {
            const int64_t ts = av_rescale_q(t + originUs, kMicro, AV_TIME_BASE_Q);
            return avformat_seek_file(input.get(), -1, INT64_MIN, ts, ts, AVSEEK_FLAG_BACKWARD);
        };
        const int r = to(us);
        lead = r < 0 ? LeadSkip()
                     : reachSoundAhead(input.get(), video->index, audio ? audio->index : -1, originUs, us,
                                       us - soundLeadUs, [&](int64_t t) { to(t); });
        return r;
    }
    // The next packet from where the seek left the input.
    int read(AVPacket* packet) { return lead.read(input.get(), packet); }
    // Whether a read that met the input's end covered the range up to `endUs`.
    int checkEnd(int64_t endUs, const std::string& path) const {
        return extent.check(endUs, video->index, audio ? audio->index : -1, path);
    }
};

// The scan's look at each packet read from the range: picture packets described into the range
// (from the keyframe at or before the start until the keyframe at its end, or the one after
// the copied pictures alone have passed the size limit), sound packets weighed.
class RangeScan {
public:
    RangeScan(const SmartCutRequest& request, const CutInput& in, CutRange& range);
    // An empty text, or why the range cannot be cut smartly.
    std::string take(const AVPacket* packet);
    bool pictureDone() const { return videoDone_; }
    bool done() const { return videoDone_ && audioDone_; }
    // The sound's bytes per microsecond among the packets weighed so far.
    double audioBytesPerUs() const { return audioUs_ > 0 ? double(audioBytes_) / double(audioUs_) : 0; }

private:
    const SmartCutRequest& request_;
    const CutInput& in_;
    CutRange& range_;
    avc::ParameterSets sets_;
    size_t groupStart_ = 0; // the first picture packet of the group being read
    bool videoDone_ = false, audioDone_, copying_ = false;
    int64_t audioBytes_ = 0, audioUs_ = 0, copiedBytes_ = 0;
};

} // namespace mediacore
