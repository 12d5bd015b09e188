// Just enough of the H.264 bitstream for splicing re-encoded frames into a copied stream: the
// decoder configuration record (avcC) of MP4 and Matroska, the NAL units of a packet in either
// framing, and the ids of parameter sets.
//
// Ownership: plain values. Threading: no shared state.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace mediacore {

using Bytes = std::vector<uint8_t>;

namespace avc {

enum NalType { Idr = 5, Sei = 6, Sps = 7, Pps = 8 };

// The avcC record: parameter sets plus the bytes around them, kept as they were.
struct AvcConfig {
    uint8_t profile = 0;
    uint8_t compatibility = 0;
    uint8_t level = 0;
    int lengthSize = 4; // bytes of the NAL size prefix in packets
    std::vector<Bytes> sps;
    std::vector<Bytes> pps;
    Bytes trailer; // the High-profile extension (chroma format, bit depths), unchanged

    // False when `data` is not an avcC record (Annex B extradata, damaged records).
    bool parse(const uint8_t* data, int size);
    Bytes serialise() const;
};

// Calls `visit(nal, size)` for each NAL unit of a packet with `lengthSize`-byte size prefixes;
// false when the sizes run past the packet.
bool forEachNal(const uint8_t* data, int size, int lengthSize,
                const std::function<void(const uint8_t*, int)>& visit);
// The same for Annex B framing (start codes).
void forEachAnnexBNal(const uint8_t* data, int size, const std::function<void(const uint8_t*, int)>& visit);

inline int nalType(const uint8_t* nal) {
    return nal[0] & 0x1f;
}
// Zero when no other picture refers to this one.
inline int nalRefIdc(const uint8_t* nal) {
    return (nal[0] >> 5) & 3;
}
inline bool isSlice(const uint8_t* nal) {
    return nalType(nal) >= 1 && nalType(nal) <= 5;
}

// Appends one NAL unit to `out` after its size in `lengthSize` bytes (the framing of MP4 and
// Matroska, for H.264 and HEVC alike).
void appendLengthPrefixed(Bytes* out, const uint8_t* nal, int size, int lengthSize);

// The id of a sequence or picture parameter set NAL unit, -1 when it cannot be read.
int parameterSetId(const uint8_t* nal, int size);

// Annex B output of an encoder as `lengthSize`-prefixed NAL units, without SEI: the encoder's
// notes about itself would otherwise steer the decoder's workarounds for the copied frames.
Bytes toLengthPrefixed(const uint8_t* data, int size, int lengthSize);

} // namespace avc
} // namespace mediacore
