// MP3 encoded into Matroska or AVI, started with the picture.
//
// An MP3 encoder gives first the priming its decoder needs (its delay: 25 ms at 44.1 kHz, 50 ms
// at 22.05 kHz), timed before the first sample. Matroska holds no time below zero: the muxer
// moves the whole file later by it, so that the pictures start at 25 or 50 ms, one and a half
// frames at 60 or 30 fps, where a player rounds two pictures onto one time. Instead the encoder
// is given silence before the first sample, so that the priming ends on a packet's boundary, and
// the packets before it go in at the time of the first packet of sound, all their sound marked
// skipped (as a copied cut's priming packets): the sound starts with the picture, in step.
// AVI marks nothing skipped and would play the priming, the whole sound 25 ms late at 44.1 kHz
// (138 ms at 8 kHz): there the packets before the first sample are left out, the encoder then
// working without its bit reservoir so that no packet needs bits of the ones left out (the
// decoder still warms up over the first packet's overlap: 10 ms quieter at 44.1 kHz, 60 at 8 kHz).
//
// Threading: one thread; one per encoder.
#pragma once

#include <cstdint>
#include <vector>

#include "FfPointers.h"

namespace mediacore {

class SoundPriming {
public:
    // Whether the priming of `encoder` writing into `container` is taken off so.
    static bool applies(const AVCodecContext* encoder, const AVOutputFormat* container);
    // Samples of silence to give before the first sample (0 where it does not apply).
    static int leadSamples(const AVCodecContext* encoder, const AVOutputFormat* container);

    // The first sample lies at `pts` (encoder ticks): packets before it are priming.
    // `drop`: the packets before it are left out, where the container cannot mark them skipped.
    void begin(int64_t pts, bool drop) {
        firstPts_ = pts;
        drop_ = drop;
    }
    // A packet of the encoder, with its `frameSamples`: held when priming, else written by
    // `write` (0 or a negative AVERROR) after the priming held before it.
    template <class Write> int pass(AVPacket* packet, int frameSamples, Write write) {
        if (firstPts_ == AV_NOPTS_VALUE)
            return write(packet);
        if (packet->pts != AV_NOPTS_VALUE && packet->pts < firstPts_)
            return hold(packet);
        for (PacketPtr& p : held_) {
            if (drop_)
                break;
            int r = markSkipped(p.get(), packet, frameSamples);
            if (r >= 0)
                r = write(p.get());
            if (r < 0)
                return r;
        }
        held_.clear();
        firstPts_ = AV_NOPTS_VALUE;
        return write(packet);
    }

private:
    int hold(const AVPacket* packet);
    static int markSkipped(AVPacket* primer, const AVPacket* first, int frameSamples);

    int64_t firstPts_ = AV_NOPTS_VALUE;
    bool drop_ = false;
    std::vector<PacketPtr> held_;
};

} // namespace mediacore
