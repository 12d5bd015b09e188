// Seeking in files that store their sound ahead of their picture (phones, by up to a second or
// more). A demuxer that seeks by file position (Matroska, files without an index per stream)
// lands on the picture's keyframe, and the sound of the time after it lies earlier in the file:
// reading from there would start the sound late. The seek then goes back further, and the
// picture packets read before the keyframe it first landed on are left out, so that a reader
// gets the same pictures as before and the sound of their time.
//
// Threading: one thread, like the input it reads.
#pragma once

#include <cstdint>
#include <functional>

#include "FfPointers.h"

namespace mediacore {

// The picture packets to leave out after a seek that went back for the sound.
class LeadSkip {
public:
    LeadSkip() = default;
    LeadSkip(int videoIndex, int64_t keyPts) : videoIndex_(videoIndex), keyPts_(keyPts) {}
    // Whether `packet` is a picture before the keyframe the seek landed on first.
    bool skips(const AVPacket* packet);
    // av_read_frame, past the packets this leaves out.
    int read(AVFormatContext* input, AVPacket* packet);

private:
    int videoIndex_ = -1;
    int64_t keyPts_ = AV_NOPTS_VALUE; // in the picture stream's time base; none: nothing to skip
};

// How much sound before a time a decoder of `sound` is to be given so that it gives that time's
// sound as its encoder heard it: an Opus packet decodes on from the state the packets before it
// left (a band's energy is coded as a change from the packet before), and a decoder that starts
// on it dips to a fraction of the level and takes some 80 ms to come back. Twice the codec's
// 80 ms pre-roll brings the decoder to its encoder's state within a few hundredths. 0: none.
int64_t soundWarmUpUs(const AVStream* sound);

// After `seekTo(landingUs)` positioned `input` (source times, from the file's start time
// `originUs`): when the first sound packet read from there begins after `soundUs` by more than
// its own length, seeks back further with seekTo (up to 8 s), then by the sound stream's own
// positions, until the sound is reached with the landing's keyframe still after it. The input is
// left where reading is to begin; the result leaves out what lies before the landing's keyframe.
// Streams without both a picture and a sound index need nothing.
LeadSkip reachSoundAhead(AVFormatContext* input, int videoIndex, int audioIndex, int64_t originUs,
                         int64_t landingUs, int64_t soundUs, const std::function<void(int64_t)>& seekTo);

} // namespace mediacore
