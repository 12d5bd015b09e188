// The transitions between two clips, on libavfilter's own (xfade for the picture, acrossfade
// for the sound): one table from the transition's id to its filter, and a small graph that
// blends the end of one clip with the start of the next. The join's export and a preview build
// the same graph from the same id, for any picture or sound format (the graph converts to what
// the filters take and back).
//
// Ownership: a TransitionGraph owns its filter graph. Threading: one thread at a time.
#pragma once

#include <cstddef>
#include <memory>

#include "FfPointers.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/samplefmt.h>
}

namespace mediafx {

struct TransitionEntry {
    int id;              // 1 slide left, 2 slide from the top, 3 fade
    const char* name;    // English name
    const char* picture; // xfade's transition
};

// The whole table, in id order.
const TransitionEntry* transitionTable(size_t* count);
// The entry of an id, or null for none (0) or an unknown id.
const TransitionEntry* findTransition(int id);

class TransitionGraph {
public:
    enum Input { From = 0, To = 1 }; // the clip that ends, the clip that begins

    TransitionGraph();
    ~TransitionGraph();
    TransitionGraph(const TransitionGraph&) = delete;
    TransitionGraph& operator=(const TransitionGraph&) = delete;

    // A picture transition of `frames` frames of this size and format at `frameRate`: both
    // inputs take `frames` frames (pts 0, 1, ... in frames), the output gives as many, in the
    // same format. 0 or a negative AVERROR.
    int buildVideo(int id, int width, int height, AVPixelFormat format, AVRational frameRate, int frames);
    // A crossfade of `samples` samples: both inputs take that many, the output gives as many.
    int buildAudio(int sampleRate, const AVChannelLayout& layout, AVSampleFormat format, int samples);

    // Frames into an input (nullptr ends it) and out of the output: pull gives 0,
    // AVERROR(EAGAIN) until both inputs are in, then AVERROR_EOF.
    int push(Input input, const AVFrame* frame);
    int pull(AVFrame* frame);

private:
    int build(const char* sourceFilter, const char* sourceArgs, const char* sinkFilter, const char* middle);

    ff::FilterGraphPtr graph_;
    AVFilterContext* sources_[2] = {nullptr, nullptr};
    AVFilterContext* sink_ = nullptr;
};

} // namespace mediafx
