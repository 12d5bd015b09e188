// What a source's decoders feed into an effects graph, described once for every job that
// re-encodes.
#pragma once

#include "FxGraph.h"

struct AVCodecContext;

namespace mediacore {

class SourceReader;

// The decoded pictures of `reader`'s video stream as the graph's input (size, pixel format,
// stream time base, pixel shape and frame rate). The reader must have a video decoder.
mediafx::VideoInput decodedVideoInput(const SourceReader& reader);

// Builds the sound chain of `graph` from `dec`'s decoded sound, or from silence when `dec` is
// null (a source without sound, or one whose sound is left out). Returns the graph's result.
int buildSourceAudio(mediafx::FxGraph& graph, const mediafx::FxSettings& fx, const AVCodecContext* dec,
                     const mediafx::AudioOutput& out);

} // namespace mediacore
