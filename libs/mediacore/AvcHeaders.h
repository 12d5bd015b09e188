// What H.264 parameter sets and slice headers say about references: enough to rebuild, picture
// by picture, the reference lists and the decoded picture buffer of a group of pictures.
// Streams the reading leaves out (fields, long-term references, slice groups, picture order
// count type 1, redundant slices) come back as unreadable, and their pictures are then all
// decoded as before.
//
// Ownership: plain values. Threading: no shared state.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "AvcBitstream.h"

namespace mediacore::avc {

struct SeqParams {
    int log2MaxFrameNum = 4;
    int pocType = 0;
    int log2MaxPocLsb = 4;
    int maxRefFrames = 0;
    int chromaArrayType = 1;
    bool gapsAllowed = false;
    bool frameMbsOnly = true;
    int widthMbs = 0;
    int heightMbs = 0; // in map units: macroblock rows of a frame when frameMbsOnly
};

struct PicParams {
    int spsId = 0;
    int refIdxDefault[2] = {1, 1};
    bool weightedPred = false;
    int weightedBipred = 0;
    bool bottomPocPresent = false;
    bool redundantCount = false;
};

// The parameter sets in force, by id, as a stream brings them.
class ParameterSets {
public:
    // Takes a sequence or picture parameter set NAL unit; others are ignored. A set that cannot
    // be read drops any earlier one of its id.
    void add(const uint8_t* nal, int size);
    const SeqParams* sps(int id) const;
    const PicParams* pps(int id) const;
    // The picture parameter set NAL unit of `id` as the stream gave it.
    std::shared_ptr<const Bytes> ppsUnit(int id) const;

private:
    std::map<int, SeqParams> sps_;
    std::map<int, PicParams> pps_;
    std::map<int, std::shared_ptr<const Bytes>> ppsUnits_;
};

// A reference list modification (modification_of_pic_nums_idc 0 or 1 and its value).
using ListChange = std::pair<int, int>;

// One slice's reference lists as its header shapes them.
struct SliceRefs {
    int type = 2;          // 0 P (and SP), 1 B, 2 I (and SI)
    int count[2] = {0, 0}; // active entries of list 0 and list 1
    std::vector<ListChange> changes[2];
};

// One picture, from all its slices.
struct PictureHeader {
    SeqParams seq;
    bool idr = false;
    bool reference = false;
    int frameNum = 0;
    int pocLsb = 0;
    int pocBottom = 0; // delta_pic_order_cnt_bottom
    bool adaptive = false;
    std::vector<int> unmark; // difference_of_pic_nums_minus1 of each short-term unmarking
    int refIdc = 0;
    std::shared_ptr<const Bytes> ppsUnit; // the picture parameter set its slices use
    std::vector<SliceRefs> slices;
};

// The picture of a packet of `lengthSize`-prefixed NAL units; parameter sets in the packet go
// into `sets` first. Null when a slice cannot be read or uses what this reading leaves out.
std::shared_ptr<const PictureHeader> readPicture(const uint8_t* data, int size, int lengthSize,
                                                 ParameterSets& sets);

// Which field a slice NAL unit codes: 0 a frame, 1 the top field, 2 the bottom one, -1 unreadable
// (its parameter sets not in `sets`). `frameNum` gets its frame number, and `framesOnly` whether
// its sequence codes frames only.
int sliceField(const uint8_t* nal, int size, const ParameterSets& sets, int* frameNum, bool* framesOnly);

// A stand-in for a reference picture that is not IDR, as a packet of `lengthSize`-prefixed NAL
// units: a picture parameter set with id `ppsId` (unused by the stream) and one P slice of
// skipped macroblocks under it, without deblocking, with the picture's frame number, order
// count and reference marking. Decoded, it leaves the decoder's reference pictures as the
// picture itself does for a fraction of the work; its own pixels are a copy of another
// reference picture. Empty when the picture cannot have one.
Bytes standIn(const PictureHeader& h, int ppsId, int lengthSize);

} // namespace mediacore::avc
