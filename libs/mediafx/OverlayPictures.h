// Pictures laid over the video: watermark pictures and drawn text, as RGBA frames.
//
// Ownership: returned frames belong to the caller. Threading: no shared state;
// the callbacks are called on the calling thread.
#pragma once

#include <cstdint>
#include <string>

#include "FfPointers.h"
#include "mediacore/MediaRecords.h"

namespace mediafx {

// Loads a picture file scaled to width x height (its own size when either is <= 0) as RGBA.
// With a loader the pixels come from it (premultiplied), otherwise FFmpeg decodes the file
// (straight alpha). *premultiplied tells which. Null on failure.
ff::FramePtr loadPicture(const std::string& path, int width, int height, LOAD_IMAGE_CALLBACK loader,
                         bool* premultiplied);

// Draws one text watermark through the callback onto a clear width x height RGBA premultiplied
// canvas and returns only the box around what was drawn (with a clear margin, on even
// coordinates so that 4:2:0 blending matches blending the whole canvas); the box's place on
// the canvas goes to *left and *top. Blending that box costs the text's size, not the
// frame's. Null on failure.
ff::FramePtr drawTextPicture(const TEXT_WATERMARK_PARAM& param, int width, int height,
                             DRAW_TEXT_CALLBACK draw, int* left, int* top);

// An RGBA picture (straight or premultiplied) at width x height, averaged over areas so that a
// shrunk picture keeps its weight and no pixel overshoots its alpha. Null on failure.
ff::FramePtr scaledPicture(const AVFrame* rgba, int width, int height);

// Scales the alpha (and, premultiplied, the colour) of an RGBA frame by 1 - transparence / 100.
void applyTransparency(AVFrame* rgba, int transparence, bool premultiplied);

// The program packs colours with red in bits 24-31, green 16-23, blue 8-15; the drawing
// callbacks read red from bits 8-15, green 16-23, blue 24-31. Converts the first to the second.
uint32_t callbackColour(uint32_t programWord);

} // namespace mediafx
