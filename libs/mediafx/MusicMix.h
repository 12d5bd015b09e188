// Background music mixed with the main sound: each track is read from its file, cut to its
// range, repeated to fill its slot, faded, set to its volume, placed on the timeline and mixed.
//
// Threading: building only; no shared state.
#pragma once

#include <string>

#include "FilterChain.h"
#include "FxSettings.h"

namespace mediafx {

// Mixes every track that falls inside the timeline into the chain's tail (the main sound,
// already at sampleRate / layout). Tracks wholly outside the timeline are skipped. Returns 0 or
// a negative AVERROR.
int addMusicMix(FilterChain& chain, const FxSettings& settings, int sampleRate, const std::string& layout);

// True when the file opens and holds a sound stream: a track of anything else would only fail
// once the job runs.
bool hasSound(const std::string& path);

} // namespace mediafx
