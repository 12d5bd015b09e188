// The picture and sound mixing of a join's transitions: two pictures blended into one, and two
// stretches of sound crossfaded.
#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace mediacore {

// Blends two pictures of the same planar 8-bit format into `out` for a transition at
// progress p (0..1): 1 slides the new picture in from the right, 2 from the top, 3 fades.
void blendPictures(const AVFrame* from, const AVFrame* to, AVFrame* out, int effect, double p);
// Whether blendPictures() takes pictures of that format.
bool blendable(AVPixelFormat f);

// Crossfades sound `from` into `to` (same format, channels and length) into `out`, allocated
// alike: `from` fades out while `to` fades in.
void crossfadeSound(const AVFrame* from, const AVFrame* to, AVFrame* out);

} // namespace mediacore
