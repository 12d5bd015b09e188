// The decode-filter-encode lane of the re-encoding jobs: decoded frames go into the filter
// graph, filtered frames come out to a sink (an encoder, or a join's transition), with one
// drain and one end-of-stream protocol, and sound cut at the range's edges to the sample.
//
// Threading: one thread, like the graph.
#pragma once

#include <cstdint>
#include <functional>

#include "FfPointers.h"

namespace mediafx {
class FxGraph;
}

namespace mediacore {

class FrameLane {
public:
    enum Kind { Video, Audio };
    // Takes one filtered frame (its data may be moved out); 0 or a negative AVERROR.
    using Sink = std::function<int(AVFrame*)>;

    explicit FrameLane(mediafx::FxGraph& graph) : graph_(graph) {}

    // Pushes one decoded frame (or nullptr: the end of that kind) and drains what it gives.
    int push(Kind kind, AVFrame* frame, const Sink& sink);
    // Hands every ready frame of a kind to `sink`, while `more` (when given) allows: 0 when the
    // graph waits for input or has ended, else the first error.
    int drain(Kind kind, const Sink& sink, const std::function<bool()>& more = {});
    // The end of a kind's input: the graph is flushed and drained.
    int end(Kind kind, const Sink& sink, const std::function<bool()>& more = {});

    // The part of a decoded sound frame starting at source time `tUs` that lies in
    // [fromUs, toUs): 1 with `*use` set (the frame itself, or a slice held in `slice`), its pts
    // in samples from `fromUs`; 0 when nothing of it lies there; or a negative AVERROR.
    static int trimSound(AVFrame* frame, int64_t tUs, int64_t fromUs, int64_t toUs, FramePtr* slice,
                         AVFrame** use);

private:
    mediafx::FxGraph& graph_;
    FramePtr filtered_ = makeFrame();
};

} // namespace mediacore
