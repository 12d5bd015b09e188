#include "HevcOrder.h"

#include <algorithm>

#include "BitReader.h"
#include "StartCodes.h"

namespace ff {

namespace {

using mediacore::avc::BitReader;

enum NalType {
    RadlN = 6,
    RaslR = 9,
    BlaNoLeading = 18,
    IdrWithLeading = 19,
    IdrNoLeading = 20,
    Cra = 21,
    SpsNal = 33,
    PpsNal = 34,
    EndOfSequence = 36,
};

int nalType(const uint8_t* p) {
    return p[0] >> 1 & 0x3f;
}

// The profile, tier and level of the stream and of each of its `subLayers` sub-layers above the
// lowest: only their lengths matter here.
void skipProfileTierLevel(BitReader& r, int subLayers) {
    r.skip(88 + 8); // the general profile (space, tier, idc, flags) and level
    bool profile[8] = {}, level[8] = {};
    for (int i = 0; i < subLayers; ++i) {
        profile[i] = r.bit() != 0;
        level[i] = r.bit() != 0;
    }
    if (subLayers > 0)
        r.skip(2 * (8 - subLayers));
    for (int i = 0; i < subLayers; ++i)
        r.skip((profile[i] ? 88 : 0) + (level[i] ? 8 : 0));
}

} // namespace

// Each field is read within the range the standard gives it: a damaged one ends the reading of
// this parameter set (an earlier one of its id stays), not of the stream.
void HevcOrder::readSps(const uint8_t* p, int n) {
    BitReader r(p, n, 256);
    r.skip(4); // the video parameter set's id
    const int subLayers = r.u(3);
    r.bit();
    if (subLayers > 6)
        return;
    skipProfileTierLevel(r, subLayers);
    const int id = r.ue(15);
    Sps s;
    if (r.ue(3) == 3)
        s.separatePlanes = r.bit() != 0;
    r.ue(); // width
    r.ue(); // height
    if (r.bit())
        for (int i = 0; i < 4; ++i) // the conformance window
            r.ue();
    r.ue(8); // bit depths
    r.ue(8);
    s.log2MaxPocLsb = r.ue(12) + 4;
    if (!r.failed())
        sps_[id] = s;
}

void HevcOrder::readPps(const uint8_t* p, int n) {
    BitReader r(p, n, 64);
    const int id = r.ue(63);
    Pps s;
    s.sps = r.ue(15);
    r.bit(); // dependent slice segments: a picture's first segment never is one
    s.outputFlag = r.bit() != 0;
    s.extraBits = r.u(3);
    if (!r.failed())
        pps_[id] = s;
}

bool HevcOrder::read(const uint8_t* data, int size, int64_t* key, bool* decodableLeading) {
    bool found = false;
    int at = size; // where the picture's first slice starts
    forEachStartCode(data, size, [&](const uint8_t* p, int n) {
        if (n < 3)
            return false;
        if ((p[0] & 1) != 0 || (p[1] >> 3) != 0)
            return true; // a unit of another layer
        const int type = nalType(p);
        if (type == SpsNal)
            readSps(p + 2, n - 2);
        else if (type == PpsNal)
            readPps(p + 2, n - 2);
        else if (type == EndOfSequence)
            fresh_ = true;
        if (type < 32) {
            at = int(p - data);
            found = slice(p + 2, n - 2, type, (p[1] & 7) - 1, key);
            *decodableLeading = type == RadlN || type == RadlN + 1;
            return false;
        }
        return true;
    });
    // An end of sequence that closes the packet, after its picture: the next picture starts afresh
    // (one that opens a packet is read above, before its slice).
    const int tail = std::max(at + 3, size - 16);
    if (tail < size)
        forEachStartCode(data + tail, size - tail, [&](const uint8_t* p, int n) {
            if (n >= 2 && nalType(p) == EndOfSequence && (p[0] & 1) == 0 && (p[1] >> 3) == 0)
                fresh_ = true;
            return true;
        });
    return found;
}

bool HevcOrder::slice(const uint8_t* p, int n, int type, int temporalId, int64_t* key) {
    if (type > Cra || (type > RaslR && type < 16))
        return false; // reserved kinds
    BitReader r(p, n, 64);
    const bool first = r.bit() != 0, irap = type >= 16;
    if (irap)
        r.bit(); // no output of prior pictures
    const auto pi = pps_.find(r.ue(63));
    if (!first || pi == pps_.end())
        return false;
    const auto si = sps_.find(pi->second.sps);
    if (si == sps_.end())
        return false;
    const Pps& pps = pi->second;
    const Sps& sps = si->second;
    r.skip(pps.extraBits);
    r.ue(2); // slice type
    if (pps.outputFlag)
        r.bit();
    if (sps.separatePlanes)
        r.skip(2);
    const bool idr = type == IdrWithLeading || type == IdrNoLeading;
    const int lsb = idr ? 0 : r.u(sps.log2MaxPocLsb);
    if (r.failed())
        return false;
    const int max = 1 << sps.log2MaxPocLsb;
    int64_t msb = prevMsb_;
    if (irap && (type <= BlaNoLeading || idr || fresh_)) { // decoding starts afresh here
        ++period_;
        msb = 0;
    } else if (lsb < prevLsb_ && prevLsb_ - lsb >= max / 2) {
        msb += max;
    } else if (lsb > prevLsb_ && lsb - prevLsb_ > max / 2) {
        msb -= max;
    }
    fresh_ = fresh_ && !irap;
    // Leading pictures (RADL, RASL) and sub-layer non-reference ones (the even kinds up to 14).
    const bool leading = type >= RadlN && type <= RaslR, nonReference = type <= 14 && type % 2 == 0;
    if (temporalId == 0 && !leading && !nonReference)
        prevMsb_ = msb, prevLsb_ = lsb;
    *key = period_ * (int64_t(1) << 34) + msb + lsb + (int64_t(1) << 33);
    return true;
}

} // namespace ff
