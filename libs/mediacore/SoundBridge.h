// The sound across a seam of two copied parts, re-encoded.
//
// Whole copied packets do not meet cleanly at a seam: a packet's decoder builds on the packet
// before it (the overlap of the transform), so the first packet after the
// seam decodes against sound it was not made with, and a part that was encoded begins with
// priming that decodes as a fade-in. Heard: a dropout of a few milliseconds to a packet. As the
// picture's edges are re-encoded by a smart cut, the last packets before the seam and the first
// after it are decoded, joined at the seam to the sample and encoded again with the codec and
// settings of the stream, aligned to the packets copied on either side.
//
// The packets after the bridge go on on their own grid, which lies up to half a packet off the
// seam's: the sound after the seam is up to half a packet off its picture, as before, but whole.
//
// Threading: one thread; no state between calls.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "FfPointers.h"

namespace mediacore {

// Marks all `samples` of a sound packet skipped (decoded, never heard), as Matroska and MP4
// store a decoder's warm-up. 0 or AVERROR(ENOMEM).
int skipAllSound(AVPacket* packet, int64_t samples);

class SoundBridge {
public:
    // Packets before the seam the copy keeps back for a bridge, and after it the bridge reads.
    static constexpr size_t kHeldPackets = 10;
    static constexpr size_t kPacketsAfter = 16;
    // How far back an MP3 frame's bits may lie in the frames before it (its bit reservoir).
    static constexpr int kMp3ReservoirBytes = 511;

    // Whether sound of `p` copied into `container` is bridged: AAC (low complexity), Opus, MP2,
    // AC-3 and E-AC-3, whose packets build on the ones before them and which can be encoded
    // alike; MP3 into
    // Matroska. A copied MP3 packet takes bits from the packets before it (its bit reservoir),
    // which a bridge replaces: after the bridge the packets it needs go in again with all their
    // sound marked skipped, which only Matroska can store.
    static bool bridges(const AVCodecParameters* p, const AVOutputFormat* container);

    // A packet on some timeline, in its stream's ticks.
    struct Timed {
        PacketPtr packet;
        AVRational timeBase{1, 1};
    };

    struct Plan {
        size_t copiedBefore = 0; // the first held packets, written as they are
        // The bridge, in `timeBase`, on the output timeline.
        std::vector<PacketPtr> packets;
        AVRational timeBase{1, 1};
        // For MP3: the packets of `after` before `resumeAt` whose bits it takes, as they are
        // (their own ticks): the copy writes them at its time with their sound skipped.
        std::vector<PacketPtr> primers;
        size_t resumeAt = 0;        // the part after the seam goes on with this packet of `after`
        int64_t resumeOutputUs = 0; // placed here on the output timeline
    };

    // `before`: the held packets of the sound before the seam, on the output timeline, decoded
    // by `beforeParams`; `seamUs`: where the part after the seam begins on it. `after`: the first
    // sound packets of the part after the seam, timed so that their time in microseconds plus
    // `afterShiftUs` is where they belong on the output timeline; `fromStart` when they are
    // the first of their stream (a whole file). 1 with a plan, 0 when the seam cannot be bridged
    // (too little sound on a side, a codec that will not open): the caller copies on then.
    static int make(const AVOutputFormat* container, const AVCodecParameters* beforeParams,
                    const std::deque<Timed>& before, int64_t seamUs, const AVCodecParameters* afterParams,
                    const std::vector<Timed>& after, int64_t afterShiftUs, Plan* plan,
                    bool fromStart = false);
};

} // namespace mediacore
