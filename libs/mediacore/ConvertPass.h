// The convert job's pass over its range: packets copied through the stream-copy stage, frames
// through the decode-filter-encode lane, and a size limit that ends the part where both the
// picture and the sound can end together.
//
// Ownership: refers to the job's reader, writer, graph and run; owns none. Threading: one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FieldPackets.h"
#include "FrameLane.h"
#include "JobRun.h"
#include "OutputWriter.h"
#include "SourceReader.h"
#include "StreamCopy.h"

namespace mediafx {
class FxGraph;
}

namespace mediacore {

// What a convert job does with each stream, and the range it reads.
struct ConvertPlan {
    enum Mode { None, Copy, Encode };
    Mode video = None;
    Mode audio = None;
    bool silentMain = false; // the sound is generated silence with music over it
    int64_t start = 0;
    int64_t end = 0;
    // The range runs to the file's end: pictures past the end its times give (the last ones of a
    // stream that carry no time) are kept too.
    bool toFileEnd = false;
    int64_t shift = 0; // source time of output time 0
    // The range starts in a pause of the recording: the source time of the picture held through
    // it, shown from the range's start on (AV_NOPTS_VALUE: none).
    int64_t heldUs = AV_NOPTS_VALUE;
    // The range ends in a pause, with no sound to run on to its end: its last picture is shown
    // again just before the end, so that the part lasts until there.
    bool holdToEnd = false;
    const AVCodec* videoEncoder = nullptr;
    const AVCodec* audioEncoder = nullptr;
    std::vector<int> otherSound; // source sound streams copied beside the main sound
};

class ConvertPass {
public:
    ConvertPass(ConvertPlan& plan, SourceReader& reader, OutputWriter& writer, mediafx::FxGraph& graph,
                AVRational videoTimeBase, int64_t sizeLimit, JobRun& run, const std::string& input);

    // Reads the range through and finishes the output: 1 done (or stopped, the output removed),
    // or a negative AVERROR (logged).
    int run();
    // After run(): the length of the picture written, on the output timeline, up to where the
    // source's next picture begins (0 without a picture); without `held`, up to the end of the
    // last picture's own length, also before a pause.
    int64_t pictureUs(bool held = true) const;

private:
    enum Step { Next, Skip, End }; // go on, go on without the per-packet work, stop reading
    int step();
    int limitStep();
    int copied(AVPacket* packet, SourceReader::Kind kind);
    int otherSound(AVPacket* packet);
    int picture(AVFrame* frame);
    int pushPicture(AVFrame* frame, int64_t t);
    int pushHeld();
    int holdLast();
    int sound(AVFrame* frame);
    bool closePicture();
    int finish();
    int endSoundAt(int64_t untilUs);
    int videoSink(AVFrame* frame);
    int audioSink(AVFrame* frame);
    int drainAudio(int64_t untilUs);
    // Copied sound is held back under a size limit until the picture (encoded or copied) has
    // passed it: the sound lies ahead of the picture in many files, and would run on past a
    // part's end.
    bool holdsSound() const { return sizeLimit_ > 0 && p_.video != ConvertPlan::None && !limitReached_; }
    int releaseSound(bool all);

    ConvertPlan& p_;
    SourceReader& reader_;
    OutputWriter& writer_;
    mediafx::FxGraph& graph_;
    const AVRational videoTb_;
    const int64_t sizeLimit_;
    JobRun& run_;
    const std::string& input_;
    StreamCopy copy_;
    FrameLane lane_;
    FrameLane::Sink videoSink_;
    FrameLane::Sink audioSink_;
    FramePtr frame_ = makeFrame();
    PacketPtr packet_ = makePacket();
    const int64_t total_;
    const int64_t frameUs_;
    int64_t lastVideoUs_ = AV_NOPTS_VALUE;
    int64_t firstVideoUs_ = AV_NOPTS_VALUE;
    bool decodedBefore_ = false;  // decoding began before the range
    FramePtr held_ = makeFrame(); // the picture held through a pause at the range's start
    FramePtr last_ = makeFrame(); // the latest picture given, where the range ends in a pause
    int64_t lastPushedUs_ = AV_NOPTS_VALUE;
    int64_t pulledVideoUs_ = 0;
    bool pictureWritten_ = false;    // a picture came out of the filter graph to the encoder
    int64_t pulledAudioUs_ = 0;      // end of the last sound frame given to the encoder
    int64_t pulledAudioFrameUs_ = 0; // and its length
    bool limitReached_ = false;
    // The latest time of a copied picture, and whether the size limit waits for the pictures
    // that show before it.
    int64_t copiedVideoUs_ = AV_NOPTS_VALUE;
    bool copiedPicture_ = false; // also one without a time (a stream that times none)
    bool limitPending_ = false;
    int64_t runBytes_ = 0;
    int64_t maxRunBytes_ = 0;
    // A picture's second field belongs to it: the part never ends between its two fields.
    FieldPackets fields_;
};

} // namespace mediacore
