// The packets of an H.264 stream coded in fields, as interlaced cameras store it: each picture
// is two packets, one field each, the second with a time of its own or none. The second field
// is no picture of its own: a job that counts, cuts or places pictures takes it with the first.
//
// Ownership: plain values. Threading: one thread at a time.
#pragma once

#include <cstdint>

#include "AvcHeaders.h"
#include "FfPointers.h"

namespace mediacore {

class SourceReader;

// Where the pictures of an interlaced H.264 recording begin on the reader's timeline: a camera's
// recording may open on pictures shown before its first keyframe, whose time the file's start
// is, and a copy from its start that began there would put them before the output's start
// (MP4 then hides them). Their time (below 0), or 0. The reader is left at the file's start.
int64_t leadingPicturesUs(SourceReader& reader);

class FieldPackets {
public:
    // For the packets of a stream of `par`; streams of other codecs never hold fields.
    explicit FieldPackets(const AVCodecParameters* par);

    // Takes the stream's next packet (in decoding order): whether it holds the second field of
    // the picture whose first field came just before it.
    bool secondField(const AVPacket* packet);
    // Whether any packet taken so far held a field.
    bool fieldsSeen() const { return fieldsSeen_; }
    // Packets are read from another position (a seek): no first field waits for its second.
    void restart() { pendingNum_ = -1; }

private:
    int fieldOf(const AVPacket* packet, int* frameNum, bool* framesOnly);

    avc::ParameterSets sets_;
    bool h264_ = false;
    int lengthSize_ = 0; // 0: start codes (Annex B)
    bool fieldsSeen_ = false;
    bool frames_ = false; // the stream codes frames only
    // The first field that waits for its second: its frame number (-1: none) and parity.
    int pendingNum_ = -1;
    int pendingField_ = 0;
};

} // namespace mediacore
