// Runs decoded pictures through the preview's filter graph: the file's own rotation, then the
// user's flips, rotation and picture settings. The graph is rebuilt when the settings or the
// input format change.
#pragma once

#include "PreviewSettings.h"

#include <cstdint>

struct AVFilterGraph;
struct AVFilterContext;
struct AVFrame;

class VideoFilter {
public:
    VideoFilter() = default;
    ~VideoFilter();
    VideoFilter(const VideoFilter&) = delete;
    VideoFilter& operator=(const VideoFilter&) = delete;

    // `sourceRotation`: clockwise degrees that turn the stored picture upright.
    void setSource(int sourceRotation, int timeBaseNum, int timeBaseDen) {
        sourceRotation_ = sourceRotation;
        tbNum_ = timeBaseNum;
        tbDen_ = timeBaseDen;
    }
    // A new filtered frame (the caller frees it), or null when the graph fails.
    AVFrame* process(const AVFrame* in, const PreviewSettings& settings);

private:
    bool rebuild(const AVFrame* in, const PreviewSettings& settings);
    void reset();

    int sourceRotation_ = 0;
    int tbNum_ = 1, tbDen_ = 1000000;
    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* src_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    uint64_t builtVersion_ = 0;
    int builtW_ = 0, builtH_ = 0, builtFormat_ = -1;
};
