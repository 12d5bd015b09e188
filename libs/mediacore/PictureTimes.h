// Settles the times of decoded pictures, which come out of a decoder in the order they are shown.
// Streams that give a time to some pictures only (MPEG program streams and the transport streams
// copied from them, a camera's second fields) leave the decoder to guess the others from decoding
// times, and a picture may even carry the time of the one after it. Two pictures then share a time
// or run backwards, which an encoder and a muxer refuse. Each picture is held until the next one
// is out, so that a late time can be told from an early one by the pictures around it. A picture
// without a time is shown one step after the one before it, as players show it; one that opens
// the stream or follows a seek waits for the first one with a time and is placed back from it,
// or, with none in reach, counts on from the timeline's start when reading from there. Every
// picture comes out with a time: none is left for a caller to guess or drop.
//
// Ownership: owns the held picture. Threading: one thread at a time.
#pragma once

#include <cstdint>
#include <deque>

#include "FfPointers.h"

namespace mediacore {

class PictureTimes {
public:
    // Forgets what was seen (after a seek); `step` is the shortest gap between two pictures, in
    // the stream's time base; `origin` is where the timeline begins when reading from the
    // stream's start (AV_NOPTS_VALUE after a seek elsewhere).
    void reset(int64_t step, int64_t origin = AV_NOPTS_VALUE);
    // Takes a decoded picture. True when the earliest one held is settled and moved into `out`.
    bool take(AVFrame* decoded, AVFrame* out);
    // The pictures held, one a call, at the stream's end. False when none is left.
    bool flush(AVFrame* out);

private:
    bool release(AVFrame* out, bool ending);
    void placeOpening(AVFrame* held, const AVFrame* later, int64_t distance) const;
    void settle(AVFrame* held, const AVFrame* later, int64_t distance);

    std::deque<FramePtr> held_;
    int64_t last_ = AV_NOPTS_VALUE;
    int64_t step_ = 1;
    int64_t origin_ = AV_NOPTS_VALUE;
};

} // namespace mediacore
