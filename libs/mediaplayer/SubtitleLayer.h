// The subtitle laid over the pictures of a playing preview from a drawing kept while it stays
// the same. The renderer blends every glyph of the line into every picture, at tens of
// instructions a pixel (as much as the rest of the preview beside the decoding); yet a line
// of a subtitle file without animation looks the same from the moment it starts to the moment
// it, or another, starts or ends. So the renderer draws each such stretch once, with the same
// graph and options, on two plain canvases (black and white): per sample, the black one gives
// what the line adds and the difference of the two how much of the picture shows through, and
// the pictures of the stretch get exactly that blend inside the line's box.
//
// Only for files whose lines cannot move or change within their time (not .ass / .ssa
// scripts, no animating tags in a line) and 8-bit planar pictures without transparency; the
// caller otherwise runs the subtitle graph itself.
//
// Threading: not thread-safe; one per video filter.
#pragma once

#include "FxGraph.h"

#include <cstdint>
#include <vector>

#include "FfPointers.h"

class SubtitleLayer {
public:
    // Prepares the subtitle of `late` (its subtitle alone) over pictures of `input` on the file's
    // clock (micro seconds). False when this subtitle or picture format cannot be drawn so.
    bool build(const mediafx::FxSettings& late, const mediafx::VideoInput& input);
    // Lays the subtitle due at `ptsUs` over `frame` (made writable first). False on failure.
    bool apply(AVFrame* frame, int64_t ptsUs);

    // The times (ms) at which a line of `path` starts or ends, sorted; false when the file
    // cannot be read or a line may change within its time.
    static bool lineChanges(const std::string& path, std::vector<int64_t>* changes);

private:
    bool draw(const AVFrame* like, int64_t ptsUs);
    ff::FramePtr drawnOn(const AVFrame* like, int64_t ptsUs, uint8_t value);

    mediafx::FxGraph graph_;
    std::vector<int64_t> changes_;
    int64_t stretch_ = -1; // the stretch between two changes the drawing is of; -1: none
    ff::FramePtr dark_, light_;
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0; // the line's box (empty: nothing shown)
};
