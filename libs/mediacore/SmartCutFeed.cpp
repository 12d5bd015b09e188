#include "SmartCutFeed.h"

#include "EngineLog.h"
#include "StreamProbe.h"

namespace mediacore {

namespace {

// More than this held back (a source with very long groups of pictures) and the cut scans first
// instead, so that its memory does not grow with the group.
constexpr int64_t kMaxHeldBytes = int64_t(64) << 20;

int giveUp(const std::string& why) {
    logInfo("capped cut scans its range first: " + why);
    return RangeFeed::kGiveUp;
}

// What it has read so far a scan would have read too: it would decline for the same reason.
int decline(const std::string& why) {
    logInfo("cut re-encodes the whole range: " + why);
    return RangeFeed::kDecline;
}

} // namespace

RangeFeed::RangeFeed(const SmartCutRequest& request, CutInput& in, CutRange& range,
                     const std::atomic<bool>& stop)
    : request_(request), in_(in), range_(range), stop_(stop), scan_(request, in, range) {
    range.tbUs = av_q2d(in.video->time_base) * 1e6;
    frame_ = av_rescale_q(1, av_inv_q(streamFrameRate(in.video)), in.video->time_base);
    // Nothing ends the copy until the range's end is read.
    range.copyEnd = range.tailBegin = SIZE_MAX;
}

int RangeFeed::start() {
    if (in_.seek(request_.startUs + kEpsilonUs) < 0)
        return decline("cannot seek");
    // The other sound streams come with the range's packets.
    for (AVStream* o : in_.otherSound)
        o->discard = AVDISCARD_DEFAULT;
    while (!complete_ && !keyAfterFirst_) {
        if (stop_)
            return 0;
        if (const int r = readOne(); r != 0)
            return r;
    }
    for (CutRange::Packet& p : range_.packets)
        p.reference = p.reference || range_.temporalLayers;
    layers_ = range_.temporalLayers;
    if (!complete_) {
        if (const std::string why = range_.planStart(); !why.empty())
            return decline(why);
    }
    if (!range_.startFits(request_.sizeLimit))
        return decline("the first group alone passes the size limit");
    if (!range_.pickParameterSetId())
        return decline("no free parameter set id");
    planned_ = true;
    logInfo("cut in one reading: " + std::to_string(range_.headFrames()) +
            " frames re-encoded at the start, whole groups copied up to the size limit");
    return 0;
}

int RangeFeed::next(AVPacket* packet) {
    while (ready_ == 0) {
        if (ended_ < 0)
            return ended_;
        if (const int r = readOne(); r != 0)
            return r;
    }
    heldBytes_ -= held_.front()->size;
    av_packet_move_ref(packet, held_.front().get());
    held_.pop_front();
    --ready_;
    return 0;
}

void RangeFeed::endPlanning() {
    planning_ = false;
    ready_ = held_.size();
}

// Reads one packet into the held ones: 0, kGiveUp or a negative AVERROR.
int RangeFeed::readOne() {
    PacketPtr packet = makePacket();
    if (int e = in_.read(packet.get()); e < 0) {
        in_.extent.noteEnd(e);
        if (planning_ && !complete_) {
            if (const int r = in_.checkEnd(range_.endUs, request_.input); r < 0)
                return r;
            if (const int r = completeRange(); r != 0)
                return r;
        }
        ended_ = e;
        ready_ = held_.size();
        return 0;
    }
    in_.extent.note(packet.get());
    if (planning_ && !complete_) {
        const size_t pictures = range_.packets.size();
        if (const std::string why = scan_.take(packet.get()); !why.empty())
            return decline(why);
        range_.audioBytesPerUs = scan_.audioBytesPerUs();
        range_.audioPacketUs = std::max<int64_t>(1, range_.maxAudioPacketUs);
        if (range_.maxAudioPacketUs > kMaxAudioPacketUs)
            return decline("long sound packets");
        int r = 0;
        if (range_.packets.size() > pictures)
            r = addPicture();
        else if (scan_.pictureDone())
            r = completeRange();
        if (r != 0)
            return r;
    }
    heldBytes_ += packet->size;
    held_.push_back(std::move(packet));
    if (complete_ || !planning_)
        ready_ = held_.size(); // nothing is held back any more
    else if (heldBytes_ > kMaxHeldBytes)
        return giveUp("a group of pictures too large to hold");
    return 0;
}

// The picture packet the scan has just added: settled, checked against what the plan assumed,
// and a keyframe lets the group before it go.
int RangeFeed::addPicture() {
    CutRange::Packet& p = range_.packets.back();
    range_.settle(p, frame_);
    if (p.key ? latest_ >= p.pts : p.pts < keyPts_)
        return decline("open groups of pictures");
    latest_ = std::max(latest_, p.pts);
    if (planned_ && range_.temporalLayers != layers_ && range_.hasHead())
        return giveUp("temporal layers found after the start was planned");
    if (planned_ && range_.paramId >= 0 && range_.usedIds.count(range_.paramId))
        return giveUp("the edges' parameter set id is used further on");
    if (!p.key)
        return 0;
    keyPts_ = p.pts;
    ready_ = held_.size();
    if (firstKey_ == SIZE_MAX && p.inRange)
        firstKey_ = range_.packets.size() - 1;
    else if (firstKey_ != SIZE_MAX)
        keyAfterFirst_ = true;
    return 0;
}

// The range's end has been read: the plan up to it.
int RangeFeed::completeRange() {
    complete_ = true;
    ready_ = held_.size();
    if (const std::string why = range_.plan(); !why.empty())
        return decline(why);
    if (range_.hasTail())
        return giveUp("its end is re-encoded");
    return 0;
}

} // namespace mediacore
