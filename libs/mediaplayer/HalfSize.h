// Halves a decoded picture by averaging each 2 x 2 block of every plane: for a view less than
// half the picture's size, the cheapest first step down (a tenth of a scaler's work), and exact
// where a scaler averaging areas would be too.
//
// Threading: no shared state.
#pragma once

#include "FfPointers.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace player {

// Whether pictures of `d` are planar with one byte a sample in every component (no hardware,
// palette, bit-packed or floating-point formats): those the plane-by-plane loops here handle.
bool planarBytes(const AVPixFmtDescriptor* d);
// Whether `frame` can be halved: 8-bit planar formats whose planes all keep whole samples when
// halved (every side a multiple of twice its subsampling).
bool canHalve(const AVFrame* frame);
// The picture at half its width and height, with its properties; null when it cannot be halved
// or memory runs out.
ff::FramePtr halved(const AVFrame* frame);

} // namespace player
