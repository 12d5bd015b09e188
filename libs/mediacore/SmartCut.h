// A keep-format cut that copies what it can and re-encodes only where it must, so that the
// output still starts on the requested frame:
//   - sound packets of the range are copied (a packet is 20-50 ms, below a frame's length
//     in effect; decoding and re-encoding them would only lose quality);
//   - whole groups of pictures inside the range are copied;
//   - the frames from the cut start to the next keyframe are re-encoded, and at the end the
//     frames that a copy cannot end on (B-frames whose references lie past the end).
// The re-encoded pieces come from libx264 with their own parameter-set id, written both into
// the stream's configuration record and in-band, at the source's profile, level, size, chroma
// format and bit depth: decoders switch sets at each re-encoded IDR and back at the copied one.
//
// HEVC pieces come from libx265 with its parameter sets in-band (x265 numbers them 0, like most
// sources): the record keeps the source's sets, marked as not the only ones, and the first copied
// frame after a re-encoded start brings them back in-band. MP4 then marks the stream 'hev1'.
//
// Only H.264 (avcC) or HEVC (hvcC) framing into MP4, MOV or Matroska, with closed groups of
// pictures that start with IDR frames and progressive frames, is cut this way; everything else
// declines and the caller re-encodes.
//
// Ownership: owns its input and the output it creates while run() works; on failure or stop
// the output is removed. Threading: run() on one thread; `stop` may be set from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "FfPointers.h"
#include "SmartCutRequest.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace mediacore {

struct CutRange;
struct CutInput;
class RangeFeed;

class SmartCut {
public:
    // run() result when the cut cannot be done this way; nothing is left on disk then.
    static constexpr int kDeclined = 0;

    // Why this file cannot be cut smartly into `container`, or an empty text when it can as far
    // as its streams tell (the range itself is examined by run()).
    static std::string obstacle(const AVFormatContext* input, int audioIndex,
                                const AVOutputFormat* container);

    SmartCut(SmartCutRequest request, const std::atomic<bool>& stop,
             std::function<void(int64_t doneUs, int64_t totalUs)> progress)
        : request_(std::move(request)), stop_(stop), progress_(std::move(progress)) {}

    // Reads from `input`, the caller's open input of the request's file (anywhere in it),
    // instead of opening the file again; releaseInput() gives it back after run().
    void useInput(InputPtr input) { input_ = std::move(input); }
    InputPtr releaseInput() { return std::move(input_); }

    // 1 when the output is written (or the job was stopped and it is removed), kDeclined, or a
    // negative AVERROR (logged).
    int run();
    // The length of the output run() finished; 0 when it wrote none.
    int64_t writtenUs() const { return writtenUs_; }

private:
    int cut(CutInput& w);
    int cutInOneReading(CutInput& w);
    int scan(CutInput& w, CutRange* range);
    int examine(CutInput& w, CutRange* range);
    // Writes the planned range, read again from the input, or from `feed` as it plans it (then
    // RangeFeed::kGiveUp is a result too).
    int write(CutInput& w, const CutRange& range, RangeFeed* feed = nullptr);

    SmartCutRequest request_;
    InputPtr input_;
    const std::atomic<bool>& stop_;
    std::function<void(int64_t, int64_t)> progress_;
    int64_t writtenUs_ = 0;
};

} // namespace mediacore
