// Copied pictures of an MPEG program or transport stream in the order they are shown. Such a
// stream gives a time to some pictures only, and copied packets come in decoding order: a picture
// without a time may be an anchor shown after the B-pictures stored behind it. A part that ended
// behind it would show it in their place, and one that went by the times alone would misjudge its
// own length. A decoder beside the copy (its pictures unused) puts the packets in the order they
// are shown: a run of packets is settled once every picture shown before any of them is in, and
// such a run is where a part may end. A picture without a time is shown one picture after the one
// shown before it.
//
// Ownership: owns its decoder and the packets it holds. Threading: one thread at a time.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "FfPointers.h"

namespace mediacore {

class PictureOrder {
public:
    // For `stream` of `path`, whose timeline starts at `originUs`; `frameUs` places pictures
    // without a time. 0 or a negative AVERROR (logged).
    int open(const AVStream* stream, const std::string& path, int64_t originUs, int64_t frameUs);
    // Takes the next picture packet (its reference moves in). 0 or a negative AVERROR.
    int add(AVPacket* packet);
    // At the stream's end: everything held is settled.
    void end();
    // Where a settled packet is shown, whether a part may end before it, and whether its time
    // is a guess (the decoder gave no picture for it).
    struct Place {
        int64_t shownUs = 0;
        bool boundary = false;
        bool guessed = false;
    };
    // The next settled packet, moved into `out`, and its place. False when none is settled.
    bool next(AVPacket* out, Place* place);
    // Whether the decoder gives one picture for two packets, as for a stream of fields apart:
    // the order then tells nothing about where a part may end.
    bool pairsFields() const { return sent_ >= kFieldsAfter && out_ * 3 < (sent_ - kFieldsAfter / 2) * 2; }
    // Settles everything held without waiting for the decoder.
    void release();
    // The bytes of the packets held, not yet settled.
    int64_t heldBytes() const { return heldBytes_; }

    // Gives a copied picture without a time the time `shownUs` it is shown at, and, without a
    // decoding time, one a picture after the one before (never past its own); *lastDts follows
    // the decoding times, in the stream's ticks.
    void stamp(AVPacket* packet, const Place& place, int64_t* lastDts) const;
    static void stamp(AVPacket* packet, int64_t pts, int64_t step, int64_t* lastDts);

    // Where the last picture of `path` shown from `fromUs` on ends, on the file's timeline, for
    // an MPEG stream whose last pictures may carry no time; AV_NOPTS_VALUE when none tells. The
    // pictures without a time after the last one with a time get theirs in *untimed, in the
    // stream's ticks by their place in the file.
    static int64_t shownEndUs(const std::string& path, int64_t fromUs, std::map<int64_t, int64_t>* untimed);

private:
    struct Held {
        PacketPtr packet;
        int64_t timeUs;  // its own time, if any
        int64_t shownUs; // known once the decoder gave its picture out
        bool boundary = false;
        bool guessed = false;
    };
    static constexpr int64_t kFieldsAfter = 24; // packets sent before pairsFields() tells
    void receive();
    void show(int64_t seq);
    void settle(bool forced);

    CodecPtr decoder_;
    FramePtr frame_ = makeFrame();
    AVRational timeBase_{1, 90000};
    int64_t originUs_ = 0;
    int64_t frameUs_ = 40000;
    std::deque<Held> held_;
    int64_t firstSeq_ = 0;   // of held_.front()
    int64_t settled_ = 0;    // packets before this sequence number are settled
    int64_t latestOut_ = -1; // the latest packet whose picture came out
    int64_t lastShownUs_ = AV_NOPTS_VALUE;
    int64_t heldBytes_ = 0;
    int64_t sent_ = 0; // packets sent to the decoder
    int64_t out_ = 0;  // pictures it gave out
};

} // namespace mediacore
