// Runs decoded sound through the shared filter graph of libs/mediafx (the file's own sound at
// its volume, or left out, mixed with the background music) and hands back interleaved signed
// 16-bit stereo at the device rate. Rebuilt after a seek and when the sound settings or the
// input format change; the graph's timeline starts at the first frame pushed.
//
// Threading: used by the audio thread only.
#pragma once

#include "FxGraph.h"
#include "PreviewSettings.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

struct AVFrame;

struct PcmChunk {
    int64_t ptsUs = 0;
    QByteArray pcm;
};

class AudioFilter {
public:
    explicit AudioFilter(int outRate) : outRate_(outRate) {}
    AudioFilter(const AudioFilter&) = delete;
    AudioFilter& operator=(const AudioFilter&) = delete;

    // False when no graph can be built: the caller drops the sound.
    bool push(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s, bool restart,
              std::vector<PcmChunk>& out);

private:
    bool build(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s);

    const int outRate_;
    mediafx::FxGraph graph_;
    bool built_ = false;
    int64_t baseUs_ = 0;
    uint64_t builtVersion_ = 0;
    int builtRate_ = 0, builtFormat_ = -1, builtChannels_ = 0;
};
