// Halves a decoded picture by averaging each 2 x 2 block of every plane: for a view less than
// half the picture's size, the cheapest first step down (a tenth of a scaler's work), and exact
// where a scaler averaging areas would be too.
//
// Threading: no shared state.
#pragma once

#include "FfPointers.h"

namespace player {

// Whether `frame` can be halved: 8-bit planar formats whose planes all keep whole samples when
// halved (every side a multiple of twice its subsampling).
bool canHalve(const AVFrame* frame);
// The picture at half its width and height, with its properties; null when it cannot be halved
// or memory runs out.
ff::FramePtr halved(const AVFrame* frame);

} // namespace player
