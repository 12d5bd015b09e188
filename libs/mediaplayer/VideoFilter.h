// Runs decoded pictures through the shared filter graph of libs/mediafx, built from the
// preview settings plus the file's own rotation, so that the preview shows what the export
// writes. The graph starts its timeline at the first frame pushed after a (re)build; it is
// rebuilt after a seek, when the settings or the input format change, and after a redraw.
//
// The subtitle (and the crop that follows it) run in a second graph fed with the file's own
// times: libass reads the frame times, so a subtitle in a graph started at the seek point would
// show the lines of the wrong moment. Playing, a subtitle whose lines cannot change within their
// time is drawn once per stretch between their starts and ends instead (SubtitleLayer.h).
//
// Playing, the picture may be wanted only at the size the view shows it: the graph then scales it
// down right after the turns and effects and lays the marks and the subtitle over the smaller
// picture, which costs a fraction of doing so on the whole one (the view would shrink it anyway).
// Without effects or colour settings, a picture more than twice the view's size is first halved
// by averaging, before the graph.
//
// Threading: not thread-safe; the player guards it with its render lock.
#pragma once

#include "FxGraph.h"
#include "PreviewSettings.h"
#include "SubtitleLayer.h"

#include <QSize>
#include <cstdint>
#include <vector>

#include "FfPointers.h"

// A filtered picture and its time on the file's clock.
struct FilteredFrame {
    ff::FramePtr frame;
    int64_t ptsUs = 0;
    bool reduced = false; // smaller than the picture's own size (made for the view)
};

class VideoFilter {
public:
    VideoFilter() = default;
    VideoFilter(const VideoFilter&) = delete;
    VideoFilter& operator=(const VideoFilter&) = delete;

    // `sourceRotation`: clockwise degrees that turn the stored picture upright.
    void setSource(int sourceRotation) { sourceRotation_ = sourceRotation; }

    // Pushes one decoded frame at `ptsUs`; appends what the graph gives back. `restart` starts
    // a new graph at this frame (after a seek). `box`: the pictures are wanted no larger than
    // fits in it (empty: at their own size). False when no graph can be built for these
    // settings: the caller shows the frame as decoded.
    bool push(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s, bool restart,
              std::vector<FilteredFrame>& out, QSize box = {});
    // Filters one frame alone at its own size (a redraw while paused); null on failure.
    ff::FramePtr renderOnce(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s);
    // Whether the pictures of the latest graph come out smaller than their own size.
    bool reduces() const { return built_ && reduces_; }

private:
    bool build(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s, QSize box);
    bool buildLate(const mediafx::FxSettings& late, int layoutWidth, int layoutHeight);
    // The second graph's input: the first graph's pictures on the file's clock.
    mediafx::VideoInput lateInput(int layoutWidth, int layoutHeight) const;
    void pull(std::vector<FilteredFrame>& out);
    // Runs one picture of the first graph through the subtitle graph; null when that fails.
    ff::FramePtr throughLate(ff::FramePtr frame, int64_t ptsUs);

    mediafx::FxGraph graph_;
    mediafx::FxGraph late_; // subtitle and crop, on the file's clock; unused without a subtitle
    bool useLate_ = false;
    SubtitleLayer layer_; // the subtitle while playing, in place of `late_` where it can be
    bool useLayer_ = false;
    int sourceRotation_ = 0;
    bool built_ = false;
    int64_t baseUs_ = 0;
    uint64_t builtVersion_ = 0;
    int builtW_ = 0, builtH_ = 0, builtFormat_ = -1;
    QSize builtBox_;
    bool reduces_ = false;
    int halvings_ = 0;           // times each picture is halved before the graph (HalfSize.h)
    uint64_t failedVersion_ = 0; // settings whose graph failed: not retried frame after frame
};
