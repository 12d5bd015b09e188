// One set of picture and sound settings as FFmpeg filter graphs: the engine runs its export
// through it and the player its preview, so both show the same picture and sound.
//
// Use: build the video graph for the decoded frame format (and the audio graph for the decoded
// sound), push decoded frames, pull filtered ones. Frames pushed carry pts in the input time
// base, with pts 0 at FxSettings::timelineStartUs of the source. Pushing null ends a stream;
// pulling then drains it and reports AVERROR_EOF. Build again whenever settings or the input
// format change (the old graph and any frames inside it are dropped).
//
// Ownership: FxGraph owns its graphs and every frame inside them. Pushed frames stay the
// caller's (they are referenced, not taken); pulled frames are moved into the caller's frame,
// which the caller unreferences. Overlay pictures are loaded and text is drawn while building.
// Threading: not thread-safe. Build, push and pull one graph on one thread at a time; two
// FxGraph objects are independent. The text and picture callbacks are called on the thread
// that builds.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "FfPointers.h"
#include "FxSettings.h"
#include "mediacore/MediaRecords.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/samplefmt.h>
}

namespace mediafx {

struct VideoInput {
    int width = 0;
    int height = 0;
    AVPixelFormat format = AV_PIX_FMT_NONE;
    AVRational timeBase = ff::kMicro;
    AVRational sampleAspect{0, 1};
    AVRational frameRate{0, 1};
    // The size of the upright picture the settings place their marks and subtitle on, when the
    // input is a smaller copy of it (a preview's second graph); 0: the input's own upright size.
    int layoutWidth = 0;
    int layoutHeight = 0;
};

// What the consumer needs at the end of the chain; zero / empty members leave that property as
// the filters make it.
struct VideoOutput {
    int width = 0;
    int height = 0;
    std::vector<AVPixelFormat> formats;
    AVRational frameRate{0, 1}; // constant output rate when set
    // With a constant rate: a pause in the pictures (a gap of more than a few pictures) stays a
    // pause, not filled with copies of the picture before it, for containers that keep each
    // picture's time.
    bool keepPauses = false;
    bool fit = false; // keep the aspect inside width x height, black bars around
    // Without `fit`: a picture whose display aspect is not the first picture's (a recording whose
    // size or shape changes on the way) keeps its own inside width x height, black bars around,
    // at the first picture's pixel shape, rather than being stretched to fill it.
    bool keepAspect = false;
    // A preview shown smaller than the picture: scaled to this size right after the turns,
    // effects and colour settings, so that the marks and the subtitle, placed and sized as on
    // the whole picture, are laid over the smaller one (0: the picture's own size).
    int reduceWidth = 0;
    int reduceHeight = 0;
};

struct AudioInput {
    int sampleRate = 0;
    AVChannelLayout layout{}; // borrowed for the call
    AVSampleFormat format = AV_SAMPLE_FMT_NONE;
    AVRational timeBase = ff::kMicro;
};

struct AudioOutput {
    int sampleRate = 0;
    int channels = 0;
    std::vector<AVSampleFormat> formats;
    int frameSize = 0; // fixed number of samples per pulled frame (the last may be shorter)
};

// A one-picture source (a watermark picture, drawn text) of a graph being built, and the
// picture it gets once the graph is configured.
struct PendingPicture {
    AVFilterContext* source = nullptr;
    ff::FramePtr frame;
};

class FxGraph {
public:
    FxGraph();
    ~FxGraph();
    FxGraph(const FxGraph&) = delete;
    FxGraph& operator=(const FxGraph&) = delete;

    // Text watermarks are drawn through this function (RGBA premultiplied, top row first); without
    // it they are left out. Pictures are decoded by FFmpeg unless a loader is set.
    void setDrawTextCallback(DRAW_TEXT_CALLBACK callback) { drawText_ = callback; }
    void setLoadImageCallback(LOAD_IMAGE_CALLBACK callback) { loadImage_ = callback; }

    // Returns 0 or a negative AVERROR (the graph is then empty).
    int buildVideo(const FxSettings& settings, const VideoInput& input, const VideoOutput& output);
    // `input` null: the source has no sound; a silent main track of timelineDurationUs is made so
    // that music can still be mixed (requires output sampleRate and channels).
    int buildAudio(const FxSettings& settings, const AudioInput* input, const AudioOutput& output);
    void reset();

    bool hasVideo() const { return videoSink_ != nullptr; }
    bool hasAudio() const { return audioSink_ != nullptr; }

    int pushVideo(const AVFrame* frame);
    int pullVideo(AVFrame* frame); // 0, AVERROR(EAGAIN) or AVERROR_EOF
    // One picture through a graph that gives one for each: `frame` is let go once pushed, so
    // that the graph holds its only reference and can draw on it in place. Null when the graph
    // gives none.
    ff::FramePtr throughVideo(ff::FramePtr frame);
    int pushAudio(const AVFrame* frame);
    int pullAudio(AVFrame* frame);

    // Properties of the pulled frames (valid after a successful build).
    AVRational videoTimeBase() const;
    AVRational videoFrameRate() const;
    int videoWidth() const;
    int videoHeight() const;
    AVPixelFormat videoFormat() const;
    AVRational videoSampleAspect() const;
    AVRational audioTimeBase() const;
    int audioSampleRate() const;
    AVSampleFormat audioFormat() const;
    int audioChannelLayout(AVChannelLayout* layout) const;

private:
    // Where the marks go: the picture they are laid on, and the picture their settings are
    // given on.
    struct Layout {
        int width = 0, height = 0;
        int layoutWidth = 0, layoutHeight = 0;
    };
    int addPictureChain(const FxSettings& settings, void* chain, Layout layout, const VideoOutput& out);
    int addOverlays(const FxSettings& settings, void* chain, const Layout& layout);

    ff::FilterGraphPtr videoGraph_;
    ff::FilterGraphPtr audioGraph_;
    // Owned here only during a build.
    std::vector<PendingPicture> pendingPictures_;
    int64_t lastVideoPts_ = AV_NOPTS_VALUE;
    int64_t lastVideoStep_ = 0;
    int64_t frameStep_ = 0; // one frame period of the input's rate, in its time base (0: unknown)
    // Where pauses are kept: the times of the pictures given to the graph (in the input's time
    // base) that its output has not passed, the gap that is a pause, and half an output period.
    void keepPauses(const VideoInput& in, const VideoOutput& out);
    bool fillsPause(const AVFrame& frame);
    std::deque<int64_t> pushedPts_;
    AVRational inTimeBase_{1, 1};
    // With VideoOutput::keepAspect: the input's size and pixel shape (0/1: none to give).
    AVRational keptShape_{0, 1};
    int keptWidth_ = 0, keptHeight_ = 0;
    int64_t pauseTicks_ = 0, halfOutTicks_ = 0;
    AVFilterContext* videoSource_ = nullptr;
    AVFilterContext* videoSink_ = nullptr;
    AVFilterContext* audioSource_ = nullptr;
    AVFilterContext* audioSink_ = nullptr;
    const char* overlayFormat_ = "auto"; // the overlay filter's blending format for this build
    DRAW_TEXT_CALLBACK drawText_ = nullptr;
    LOAD_IMAGE_CALLBACK loadImage_ = nullptr;
};

} // namespace mediafx
