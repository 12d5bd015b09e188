// The reading of a size-capped smart cut that plans its range while it writes it, so that each
// packet of the source is read once, not once by a scan and again by the writing. The packets of
// a group of pictures are held back until the next group begins (or the range ends): the size
// limit then weighs the whole group before any of it is written, as it would after a scan.
//
// What it cannot do in one reading (a re-encoded end, a group too large to hold, a fact found
// late that would have changed the plan), it gives up, and the cut is made with a scan first.
//
// Ownership: refers to the request, the input and the plan it fills; owns the packets it holds.
// Threading: one thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>

#include "FfPointers.h"
#include "SmartCutPlan.h"

namespace mediacore {

class RangeFeed {
public:
    // Results of start() and next() besides 0 and a negative AVERROR. kGiveUp: the range does
    // not suit one reading after all; the caller drops what it wrote and scans the range before
    // writing it. kDecline: the range cannot be cut smartly (a scan would find the same).
    static constexpr int kGiveUp = 2;
    static constexpr int kDecline = 3;

    RangeFeed(const SmartCutRequest& request, CutInput& in, CutRange& range, const std::atomic<bool>& stop);

    // Reads from the range's start until the first copied group is whole (or the range ends) and
    // plans the start of the cut: 0 (also when stopped), kGiveUp, kDecline or a negative AVERROR.
    int start();
    // The next packet in file order, once its group is whole: 0, kGiveUp, kDecline, or the result
    // of the read that met the input's end once every packet is out.
    int next(AVPacket* packet);
    // Whether the range's end has been read, and the plan made up to it.
    bool complete() const { return complete_; }
    // The writing has ended its pictures: the rest is passed on as it is read, unplanned.
    void endPlanning();

private:
    int readOne();
    int addPicture();
    int completeRange();

    const SmartCutRequest& request_;
    CutInput& in_;
    CutRange& range_;
    const std::atomic<bool>& stop_;
    RangeScan scan_;
    int64_t frame_ = 1; // one frame in the picture's time base
    std::deque<PacketPtr> held_;
    size_t ready_ = 0; // packets at the front of held_ whose groups are whole
    int64_t heldBytes_ = 0;
    int ended_ = 0; // the result of the read that met the input's end
    bool planning_ = true, complete_ = false, planned_ = false;
    size_t firstKey_ = SIZE_MAX; // the first keyframe in the range
    bool keyAfterFirst_ = false;
    int64_t latest_ = INT64_MIN, keyPts_ = INT64_MIN; // for the check of closed groups
    bool layers_ = false;                             // temporal layers as planned
};

} // namespace mediacore
