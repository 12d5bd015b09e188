// Just enough of the HEVC bitstream for splicing re-encoded frames into a copied stream: the
// decoder configuration record (hvcC) of MP4 and Matroska and the NAL unit header. The framing
// of packets is H.264's (avc::forEachNal, avc::forEachAnnexBNal).
//
// Ownership: plain values. Threading: no shared state.
#pragma once

#include <cstdint>
#include <vector>

#include "AvcBitstream.h"

namespace mediacore::hevc {

enum NalType {
    BrokenLinkWithLeading = 16,
    IdrWithLeading = 19,
    IdrNoLeading = 20,
    CleanRandomAccess = 21,
    Vps = 32,
    Sps = 33,
    Pps = 34,
    PrefixSei = 39,
    SuffixSei = 40
};

// The hvcC record: its fixed header kept as it was, and its arrays of NAL units.
struct HvcConfig {
    struct Array {
        int type = 0;
        std::vector<Bytes> units;
    };
    Bytes header; // the 22 bytes before the array count
    int lengthSize = 4;
    std::vector<Array> arrays;

    // False when `data` is not an hvcC record (Annex B extradata, damaged records).
    bool parse(const uint8_t* data, int size);
    // The record with each array marked incomplete: re-encoded pieces bring parameter sets of
    // their own in-band, which a record that claims to hold them all would forbid.
    Bytes serialise() const;
    // The video, sequence and picture parameter sets as `lengthSize`-prefixed NAL units, to
    // bring the copied frames' sets back after a re-encoded piece.
    Bytes parameterSets() const;
};

inline int nalType(const uint8_t* nal) {
    return (nal[0] >> 1) & 0x3f;
}
inline int temporalId(const uint8_t* nal) {
    return (nal[1] & 7) - 1;
}
inline bool isPicture(const uint8_t* nal) {
    return nalType(nal) < 32;
}
inline bool isIdr(const uint8_t* nal) {
    return nalType(nal) == IdrWithLeading || nalType(nal) == IdrNoLeading;
}
// Sub-layer non-reference pictures (TRAIL_N, TSA_N, ... RSV_VCL_N14): no picture of their own
// temporal layer refers to them.
inline bool isSubLayerNonReference(const uint8_t* nal) {
    return nalType(nal) <= 14 && nalType(nal) % 2 == 0;
}

// Marks the clean random access (CRA) slices of a picture packet, framed by `lengthSize`-byte
// sizes or (0) by Annex B start codes, as broken links (BLA): a decoder then begins a new coded
// sequence there, its picture order counted anew and every picture before it shown first, and
// leaves out the leading pictures that refer to pictures before it. A CRA met after other
// pictures would go on from their order counts, and where those run ahead of its own its
// pictures are shown out of order. Whether any slice was marked.
bool markBrokenLink(uint8_t* data, int size, int lengthSize);

// Annex B output of an encoder as `lengthSize`-prefixed NAL units, without SEI: the encoder's
// notes about itself do not belong to the copied frames that follow.
Bytes toLengthPrefixed(const uint8_t* data, int size, int lengthSize);

} // namespace mediacore::hevc
