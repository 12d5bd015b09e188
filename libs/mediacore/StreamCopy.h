// The stream-copy stage: packets of a source part copied onto the output timeline.
//
// Each part maps source time `fromUs` to output time `outputUs`. Packets decoded at or after
// the part's end finish their stream (a copy ends by decoding time: a picture decoded earlier
// may still show later); sound before `soundFromUs` is dropped (a copied picture may begin on
// the keyframe before the cut, sound need not). Decoding times keep rising across the seams of
// parts: the first real decoding time of each stream in a part may push that part later.
//
// Ownership: refers to the writer and, for one part at a time, the reader; owns neither.
// Threading: one thread.
#pragma once

#include <algorithm>
#include <cstdint>

#include "OutputWriter.h"
#include "SourceReader.h"

namespace mediacore {

class StreamCopy {
public:
    explicit StreamCopy(OutputWriter& writer) : writer_(writer) {}

    void beginPart(SourceReader& reader, int64_t fromUs, int64_t outputUs, int64_t soundFromUs,
                   int64_t endUs);
    // Moves the part's end earlier (a size limit reached).
    void endBy(int64_t endUs) { endUs_ = std::min(endUs_, endUs); }
    // Writes or drops one packet read from the part's reader (unreferenced either way): 0, or
    // a negative AVERROR from the writer.
    int take(AVPacket* packet, SourceReader::Kind kind);
    // Source time of a packet by its decoding time (its presentation time without one).
    static int64_t decodeTimeUs(const SourceReader& reader, const AVPacket* packet, SourceReader::Kind kind);

private:
    OutputWriter& writer_;
    SourceReader* reader_ = nullptr;
    int64_t shiftUs_ = 0; // added to source times
    int64_t soundFromUs_ = 0;
    int64_t endUs_ = 0;
    bool seamChecked_[2] = {false, false};
    int64_t lastDts_[2] = {INT64_MIN, INT64_MIN}; // output decoding times so far
};

} // namespace mediacore
