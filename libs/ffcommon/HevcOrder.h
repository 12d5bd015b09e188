// The order an HEVC picture is shown in, from its parameter sets and slice header: its picture
// order count, within the run of pictures since the last one that starts decoding afresh (an IDR
// or BLA picture, and a CRA picture that comes first or after an end of sequence).
//
// Ownership: plain values. Threading: one thread at a time.
#pragma once

#include <cstdint>
#include <map>

namespace ff {

class HevcOrder {
public:
    // The order key of the picture an Annex B packet holds, and whether it is a leading picture
    // its keyframe alone decodes (RADL); false when the packet starts no picture whose header
    // can be read (no slice, the picture's later slices, parameter sets not seen yet).
    bool read(const uint8_t* data, int size, int64_t* key, bool* decodableLeading);

private:
    struct Sps {
        int log2MaxPocLsb = 4;
        bool separatePlanes = false;
    };
    struct Pps {
        int sps = 0, extraBits = 0;
        bool outputFlag = false;
    };
    void readSps(const uint8_t* p, int n);
    void readPps(const uint8_t* p, int n);
    bool slice(const uint8_t* p, int n, int type, int temporalId, int64_t* key);

    std::map<int, Sps> sps_;
    std::map<int, Pps> pps_;
    int64_t period_ = 0;
    // The count of the last picture later ones count on from: of temporal layer 0, neither a
    // leading picture nor one no picture of its layer refers to.
    int64_t prevMsb_ = 0;
    int prevLsb_ = 0;
    bool fresh_ = true; // the next IRAP picture starts afresh (the first, after an end of sequence)
};

} // namespace ff
