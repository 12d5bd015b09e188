// The re-encoding join: every clip decoded through its own filter graph into one common
// picture and sound format, with transitions blended at the seams, and picture and sound kept
// the same length clip by clip (a clip's missing picture or sound is padded). Every sound
// stream is kept where the container holds several: output stream k takes sound stream k of
// each clip (silence for a clip without one) and the language of the first clip that has it.
//
// Picture and sound are written as they are decoded: what is held back is only what the seams
// need (a transition's frames and sound), so memory does not grow with a clip's length.
//
// Ownership: refers to the clips, the writer and the run; owns the frames and sound it holds
// back for a transition. Threading: one thread.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "JobRun.h"
#include "JoinClip.h"
#include "OutputFormat.h"
#include "OutputWriter.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

namespace mediafx {
class FxGraph;
}

namespace mediacore {

class JoinEncode {
public:
    using Clip = JoinClip;
    JoinEncode(const std::vector<Clip>& clips, const OutputFormat& format, OutputWriter& writer, JobRun& run,
               int64_t totalUs)
        : clips_(clips), format_(format), writer_(writer), run_(run), totalUs_(totalUs) {}

    // Opens the encoders, writes every clip and the last held frames: 0 (also when stopped) or a
    // negative AVERROR (logged).
    int run();

private:
    struct ClipPass;
    struct OtherSound;
    int openEncoders();
    int openVideo(const AVFormatContext* first, const AVOutputFormat* container);
    int openAudio(const AVFormatContext* first, const AVOutputFormat* container);
    void openOtherSounds(const AVOutputFormat* container);
    bool copiesSound(const AVFormatContext* first, const AVOutputFormat* container) const;
    int copySoundPacket(const Clip& c, class SourceReader& reader, AVPacket* packet);
    const AVCodec* otherSoundEncoder(const AVCodecParameters* p, const AVOutputFormat* container,
                                     const AVCodec* main) const;
    int writeClip(size_t i);
    int64_t framesIn(int64_t lengthUs) const;
    Clip pictureRange(const Clip& clip, class SourceReader& reader) const;
    void soundOnlyOverlap(ClipPass& p, size_t i, int64_t heldSamples) const;
    int buildGraph(const Clip& c, class SourceReader& reader, mediafx::FxGraph& graph) const;
    int readClip(ClipPass& p, class SourceReader& reader, mediafx::FxGraph& graph);
    int openClipSounds(ClipPass& p, SourceReader& reader, std::vector<OtherSound>& others) const;
    int decodeOtherSound(ClipPass& p, OtherSound& o, const SourceReader& reader);
    // A packet of a further sound stream (those are decoded here, not by the reader) into the pass.
    int takeOtherPacket(ClipPass& p, std::vector<OtherSound>& others, const SourceReader& reader,
                        AVPacket* packet);
    std::function<int(AVFrame*)> soundSink(ClipPass& p, size_t track);
    int takePicture(ClipPass& p, AVFrame* filtered);
    int takeFrame(ClipPass& p, FramePtr f);
    int padPicture(ClipPass& p);
    int startSound(ClipPass& p);
    int takeSound(ClipPass& p, size_t track, AVFrame* f);
    int soundLead(ClipPass& p, const AVFrame& first);
    int fadeIn(ClipPass& p, size_t track);
    int endSound(ClipPass& p, bool followed);
    int writeVideo(AVFrame* f);
    int writeSound(size_t track, AVFrame* f);
    int writeFromFifo(size_t track, AVAudioFifo* fifo, int64_t samples);
    FramePtr soundFrame(int samples, int channels) const;

    const std::vector<Clip>& clips_;
    const OutputFormat& format_;
    OutputWriter& writer_;
    JobRun& run_;
    const int64_t totalUs_;

    // The common format.
    bool anyVideo_ = false;
    bool anyAudio_ = false;
    int width_ = 0;
    int height_ = 0;
    AVRational fps_{25, 1};
    AVPixelFormat pix_ = AV_PIX_FMT_YUV420P;
    int rate_ = 0;
    AVSampleFormat sampleFormat_ = AV_SAMPLE_FMT_FLTP;

    // One output sound stream: the writer's main one or another, fed by the clips' sound
    // stream of the number `source` (0: their first).
    struct SoundTrack {
        int source = 0;
        int writerNumber = -1; // -1: the main sound; else the writer's other encoder
        int channels = 0;
        int64_t samplesOut = 0;
        AudioFifoPtr held; // the tail of the previous clip, for its transition
    };
    std::vector<SoundTrack> tracks_;

    // Frames and samples written so far keep picture and sound together (every sound stream
    // is written to the same length).
    int64_t framesOut_ = 0;
    std::deque<FramePtr> heldFrames_; // the tail of the previous clip, for its transition
    FramePtr lastFrame_;
    int64_t doneUs_ = 0;

    // The sound copied as it is (copiesSound): where the current clip starts in the output, and
    // where the last packet written ends.
    bool copySound_ = false;
    int64_t clipOutUs_ = 0;
    int64_t copiedSoundEndUs_ = 0;
};

} // namespace mediacore
