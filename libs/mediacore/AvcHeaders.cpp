#include "AvcHeaders.h"

#include "AvcBitstream.h"
#include "BitReader.h"

namespace mediacore::avc {

namespace {

// A slice header with a full weight table for 32 references in both lists fits in this.
constexpr int kHeaderBytes = 1024;

bool highProfile(int profile) {
    for (const int p : {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135})
        if (profile == p)
            return true;
    return false;
}

void skipScalingList(BitReader& r, int size) {
    int last = 8, next = 8;
    for (int j = 0; j < size; ++j) {
        if (next != 0)
            next = (last + r.se(-128, 127) + 256) % 256;
        last = next == 0 ? last : next;
    }
}

bool readSps(BitReader& r, int* id, SeqParams* s) {
    const int profile = r.u(8);
    r.skip(16); // constraint flags, level
    *id = r.ue(31);
    if (highProfile(profile)) {
        const int chroma = r.ue(3);
        if (chroma == 3 && r.bit()) // colour planes coded apart
            return false;
        s->chromaArrayType = chroma;
        r.ue(6); // bit depths
        r.ue(6);
        r.skip(1);
        if (r.bit()) {
            for (int i = 0; i < (chroma != 3 ? 8 : 12); ++i)
                if (r.bit())
                    skipScalingList(r, i < 6 ? 16 : 64);
        }
    }
    // Each field within its standard range: a damaged one ends the reading (no sum or shift of
    // it overflows).
    s->log2MaxFrameNum = r.ue(12) + 4;
    s->pocType = r.ue(2);
    if (s->pocType == 0)
        s->log2MaxPocLsb = r.ue(12) + 4;
    else if (s->pocType != 2)
        return false;
    s->maxRefFrames = r.ue(16);
    s->gapsAllowed = r.bit();
    s->widthMbs = r.ue(4095) + 1; // up to 65520 pixels each way
    s->heightMbs = r.ue(4095) + 1;
    s->frameMbsOnly = r.bit();
    return !r.failed() && *id >= 0 && *id < 32 && s->log2MaxFrameNum <= 16 && s->log2MaxPocLsb <= 16;
}

bool readPps(BitReader& r, int* id, PicParams* p) {
    *id = r.ue();
    p->spsId = r.ue();
    r.skip(1); // entropy coding
    p->bottomPocPresent = r.bit();
    if (r.ue() != 0) // slice groups
        return false;
    p->refIdxDefault[0] = r.ue(31) + 1;
    p->refIdxDefault[1] = r.ue(31) + 1;
    p->weightedPred = r.bit();
    p->weightedBipred = r.u(2);
    r.se(); // initial quantisers and chroma offset
    r.se();
    r.se();
    r.skip(2); // deblocking control, constrained intra
    p->redundantCount = r.bit();
    return !r.failed() && *id >= 0 && *id < 256;
}

bool readChanges(BitReader& r, std::vector<ListChange>* changes) {
    if (!r.bit())
        return true;
    for (int n = 0; n < 66; ++n) {
        const int op = r.ue();
        if (op == 3)
            return true;
        if (op != 0 && op != 1) // long-term pictures, or damage
            return false;
        changes->emplace_back(op, r.ue());
    }
    return false;
}

void skipWeights(BitReader& r, const SliceRefs& s, int chromaArrayType) {
    r.ue();
    if (chromaArrayType != 0)
        r.ue();
    for (int list = 0; list < (s.type == 1 ? 2 : 1); ++list) {
        for (int i = 0; i < s.count[list]; ++i) {
            if (r.bit()) {
                r.se();
                r.se();
            }
            if (chromaArrayType != 0 && r.bit())
                for (int k = 0; k < 4; ++k)
                    r.se();
        }
    }
}

// One slice's header up to its reference marking, into `pic` (the first slice) or checked
// against it (the others).
bool readSlice(const uint8_t* nal, int size, const ParameterSets& sets, bool first, PictureHeader* pic) {
    BitReader r(nal + 1, size - 1, kHeaderBytes);
    const bool idr = nalType(nal) == Idr, reference = nalRefIdc(nal) != 0;
    r.ue(); // first macroblock
    SliceRefs s;
    const int type = r.ue() % 5;
    s.type = type == 3 ? 0 : type == 4 ? 2 : type;
    const int ppsId = r.ue();
    const PicParams* pps = sets.pps(ppsId);
    const SeqParams* sps = pps ? sets.sps(pps->spsId) : nullptr;
    if (!sps)
        return false;
    const int frameNum = r.u(sps->log2MaxFrameNum);
    if (!sps->frameMbsOnly && r.bit()) // a field
        return false;
    if (idr)
        r.ue();
    int lsb = 0, bottom = 0;
    if (sps->pocType == 0) {
        lsb = r.u(sps->log2MaxPocLsb);
        if (pps->bottomPocPresent)
            bottom = r.se();
    }
    if (pps->redundantCount && r.ue() != 0)
        return false;
    if (s.type == 1)
        r.skip(1); // direct prediction
    if (s.type != 2) {
        s.count[0] = pps->refIdxDefault[0];
        s.count[1] = s.type == 1 ? pps->refIdxDefault[1] : 0;
        if (r.bit()) {
            s.count[0] = r.ue(31) + 1;
            if (s.type == 1)
                s.count[1] = r.ue(31) + 1;
        }
        if (s.count[0] > 32 || s.count[1] > 32 || !readChanges(r, &s.changes[0]) ||
            (s.type == 1 && !readChanges(r, &s.changes[1])))
            return false;
    }
    if ((pps->weightedPred && s.type == 0) || (pps->weightedBipred == 1 && s.type == 1))
        skipWeights(r, s, sps->chromaArrayType);
    bool adaptive = false;
    std::vector<int> unmark;
    if (reference) {
        if (idr) {
            r.skip(1);
            if (r.bit()) // long-term
                return false;
        } else if ((adaptive = r.bit())) {
            for (int n = 0;; ++n) {
                const int op = r.ue();
                if (op == 0)
                    break;
                if (op != 1 || n > 64) // long-term pictures, a reset, or damage
                    return false;
                unmark.push_back(r.ue());
            }
        }
    }
    if (r.failed())
        return false;
    if (first) {
        pic->seq = *sps;
        pic->idr = idr;
        pic->reference = reference;
        pic->frameNum = frameNum;
        pic->pocLsb = lsb;
        pic->pocBottom = bottom;
        pic->adaptive = adaptive;
        pic->unmark = std::move(unmark);
        pic->refIdc = nalRefIdc(nal);
        pic->ppsUnit = sets.ppsUnit(ppsId);
    } else if (pic->idr != idr || pic->reference != reference || pic->frameNum != frameNum ||
               pic->pocLsb != lsb || pic->adaptive != adaptive || pic->unmark != unmark) {
        return false;
    }
    pic->slices.push_back(std::move(s));
    return true;
}

// Writes the fields of a NAL unit's payload.
class BitWriter {
public:
    void bit(int b) {
        if (used_ % 8 == 0)
            bytes_.push_back(0);
        if (b)
            bytes_.back() = uint8_t(bytes_.back() | (0x80 >> (used_ % 8)));
        ++used_;
    }
    void u(int bits, int value) {
        for (int i = bits - 1; i >= 0; --i)
            bit((value >> i) & 1);
    }
    void ue(int value) {
        const uint32_t x = uint32_t(value) + 1;
        int length = 0;
        while ((x >> length) > 1)
            ++length;
        for (int i = 0; i < length; ++i)
            bit(0);
        for (int i = length; i >= 0; --i)
            bit(int((x >> i) & 1));
    }
    void se(int value) { ue(value > 0 ? 2 * value - 1 : -2 * value); }
    // The trailing bits, then the NAL unit: `header` and the payload with emulation prevention.
    Bytes unit(uint8_t header) {
        bit(1);
        while (used_ % 8 != 0)
            bit(0);
        Bytes out{header};
        int zeros = 0;
        for (const uint8_t b : bytes_) {
            if (zeros >= 2 && b <= 3) {
                out.push_back(3);
                zeros = 0;
            }
            out.push_back(b);
            zeros = b == 0 ? zeros + 1 : 0;
        }
        return out;
    }

private:
    Bytes bytes_;
    size_t used_ = 0;
};

// The picture parameter set `unit` under `id`, with CAVLC, without weighted prediction or
// redundant pictures, and with deblocking set per slice; `bottomPoc` gets whether slices carry
// the bottom field's order count. Empty when it cannot be read.
Bytes standInPps(const Bytes& unit, int id, bool* bottomPoc) {
    if (unit.size() < 2)
        return {};
    BitReader r(unit.data() + 1, int(unit.size()) - 1);
    r.ue();
    const int sps = r.ue();
    r.skip(1);
    *bottomPoc = r.bit();
    const int groups = r.ue(), l0 = r.ue(), l1 = r.ue();
    r.skip(3);
    const int qp = r.se(), qs = r.se(), chromaOffset = r.se();
    r.skip(1);
    const int constrainedIntra = r.bit();
    r.skip(1);
    const size_t stop = r.stopBit();
    if (r.failed() || groups != 0 || stop < r.position())
        return {};
    BitWriter w;
    w.ue(id);
    w.ue(sps);
    w.bit(0);
    w.bit(*bottomPoc);
    w.ue(0);
    w.ue(l0);
    w.ue(l1);
    w.u(3, 0);
    w.se(qp);
    w.se(qs);
    w.se(chromaOffset);
    w.bit(1);
    w.bit(constrainedIntra);
    w.bit(0);
    while (r.position() < stop) // the rest as it was: 8x8 transforms, scaling lists
        w.bit(r.bit());
    return w.unit(unit[0]);
}

} // namespace

void ParameterSets::add(const uint8_t* nal, int size) {
    if (size < 2)
        return;
    BitReader r(nal + 1, size - 1, kHeaderBytes);
    int id = -1;
    if (nalType(nal) == Sps) {
        SeqParams s;
        const bool ok = readSps(r, &id, &s);
        if (ok)
            sps_[id] = s;
        else if (id >= 0)
            sps_.erase(id);
    } else if (nalType(nal) == Pps) {
        PicParams p;
        const bool ok = readPps(r, &id, &p);
        if (ok) {
            pps_[id] = p;
            ppsUnits_[id] = std::make_shared<const Bytes>(nal, nal + size);
        } else if (id >= 0) {
            pps_.erase(id);
            ppsUnits_.erase(id);
        }
    }
}

const SeqParams* ParameterSets::sps(int id) const {
    const auto it = sps_.find(id);
    return it == sps_.end() ? nullptr : &it->second;
}

const PicParams* ParameterSets::pps(int id) const {
    const auto it = pps_.find(id);
    return it == pps_.end() ? nullptr : &it->second;
}

std::shared_ptr<const Bytes> ParameterSets::ppsUnit(int id) const {
    const auto it = ppsUnits_.find(id);
    return it == ppsUnits_.end() ? nullptr : it->second;
}

int sliceField(const uint8_t* nal, int size, const ParameterSets& sets, int* frameNum, bool* framesOnly) {
    if (size < 2)
        return -1;
    BitReader r(nal + 1, size - 1, 64);
    r.ue(); // first macroblock
    r.ue(); // slice type
    const PicParams* pps = sets.pps(r.ue());
    const SeqParams* sps = pps ? sets.sps(pps->spsId) : nullptr;
    if (!sps)
        return -1;
    *frameNum = r.u(sps->log2MaxFrameNum);
    *framesOnly = sps->frameMbsOnly;
    const int field = !sps->frameMbsOnly && r.bit() ? 1 + r.bit() : 0;
    return r.failed() ? -1 : field;
}

Bytes standIn(const PictureHeader& h, int ppsId, int lengthSize) {
    bool bottomPoc = false;
    const Bytes pps = h.ppsUnit ? standInPps(*h.ppsUnit, ppsId, &bottomPoc) : Bytes();
    if (pps.empty() || h.idr || !h.reference || h.seq.pocType != 0 || !h.seq.frameMbsOnly)
        return {};
    BitWriter w;
    w.ue(0); // first macroblock
    w.ue(0); // P
    w.ue(ppsId);
    w.u(h.seq.log2MaxFrameNum, h.frameNum);
    w.u(h.seq.log2MaxPocLsb, h.pocLsb);
    if (bottomPoc)
        w.se(h.pocBottom);
    w.bit(1); // one picture in list 0, unmodified
    w.ue(0);
    w.bit(0);
    w.bit(h.adaptive);
    if (h.adaptive) {
        for (const int d : h.unmark) {
            w.ue(1);
            w.ue(d);
        }
        w.ue(0);
    }
    w.se(0);                                // quantiser as the set's
    w.ue(1);                                // no deblocking
    w.ue(h.seq.widthMbs * h.seq.heightMbs); // every macroblock skipped
    Bytes out;
    const Bytes slice = w.unit(uint8_t(h.refIdc << 5 | 1));
    appendLengthPrefixed(&out, pps.data(), int(pps.size()), lengthSize);
    appendLengthPrefixed(&out, slice.data(), int(slice.size()), lengthSize);
    return out;
}

std::shared_ptr<const PictureHeader> readPicture(const uint8_t* data, int size, int lengthSize,
                                                 ParameterSets& sets) {
    auto pic = std::make_shared<PictureHeader>();
    bool ok = true;
    const bool whole = forEachNal(data, size, lengthSize, [&](const uint8_t* nal, int n) {
        if (n < 2)
            return;
        const int type = nalType(nal);
        if (type == Sps || type == Pps)
            sets.add(nal, n);
        else if (type == 1 || type == Idr)
            ok = ok && readSlice(nal, n, sets, pic->slices.empty(), pic.get());
        else if (type >= 2 && type <= 4) // data partitioning
            ok = false;
    });
    if (!whole || !ok || pic->slices.empty())
        return nullptr;
    return pic;
}

} // namespace mediacore::avc
