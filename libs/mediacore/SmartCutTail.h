// The end edge of a smart cut re-encoded on a thread of its own, beside the pass that copies the
// range and re-encodes its start: the two edges are the cut's whole decoding and encoding, and
// one after the other they leave a second processor idle. The thread reads the end's packets
// from an input of its own and holds the re-encoded packets until the pass has copied every
// packet before them.
//
// Ownership: owns its input, the edge's codecs and the thread. Threading: start(), finish() and
// drop() on the pass's thread; the destructor stops the thread and waits for it.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "SmartCutEdge.h"

namespace mediacore {

class TailWorker {
public:
    TailWorker(const CutRange& range, int lengthSize, OutputWriter& writer, const AVStream* video)
        : range_(range), edge_(range, false, lengthSize, writer, video->time_base), video_(video) {}
    ~TailWorker() { drop(); }
    TailWorker(const TailWorker&) = delete;
    TailWorker& operator=(const TailWorker&) = delete;

    // Opens the end's encoder (`openEncoder`: false when it cannot give the record's parameter
    // sets), an input of `path` and the end's decoder, and re-encodes the end, all on the
    // thread: the pass opens its output and the start's decoder meanwhile. 0, or a negative
    // AVERROR (logged) when there is no thread; then drop() it and re-encode the end in the pass.
    int start(const std::string& path, std::function<bool(CodecPtr*)> openEncoder);
    // Waits for the thread and writes the end's packets: 1 when written, SmartCut::kDeclined
    // when the end cannot be cut this way, or a negative AVERROR.
    int finish();
    // Stops the thread and drops what it re-encoded (the part ends before the edge).
    void drop();
    // The edge, once finish() returned.
    const CutEdge& edge() const { return edge_; }

private:
    void run();
    bool open();
    int readAndCode();

    const CutRange& range_;
    CutEdge edge_;
    const AVStream* video_;
    std::string path_;
    std::function<bool(CodecPtr*)> openEncoder_;
    InputPtr input_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};
    int result_ = 0;
};

} // namespace mediacore
