#include "VideoFilter.h"

#include "PlayerLog.h"

#include <algorithm>
#include <string>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
}

namespace {

std::string turn(int degrees) {
    switch (((degrees % 360) + 360) % 360) {
    case 90:
        return "transpose=clock,";
    case 180:
        return "hflip,vflip,";
    case 270:
        return "transpose=cclock,";
    default:
        return {};
    }
}

std::string chain(int sourceRotation, const PreviewSettings& s) {
    std::string f = turn(sourceRotation);
    if (s.hflip)
        f += "hflip,";
    if (s.vflip)
        f += "vflip,";
    f += turn(s.rotate);
    if (s.brightness || s.contrast || s.saturation) {
        const double b = std::clamp(s.brightness, -255, 255) / 255.0;
        const double c = 1.0 + std::clamp(s.contrast, -100, 100) / 100.0;
        const double sat = 1.0 + std::clamp(s.saturation, -100, 100) / 100.0;
        f += "eq=brightness=" + std::to_string(b) + ":contrast=" + std::to_string(c) +
             ":saturation=" + std::to_string(sat) + ",";
    }
    if (f.empty())
        return "null";
    f.pop_back();
    return f;
}

} // namespace

VideoFilter::~VideoFilter() {
    reset();
}

void VideoFilter::reset() {
    avfilter_graph_free(&graph_);
    src_ = sink_ = nullptr;
    builtVersion_ = 0;
}

bool VideoFilter::rebuild(const AVFrame* in, const PreviewSettings& s) {
    reset();
    graph_ = avfilter_graph_alloc();
    if (!graph_)
        return false;
    graph_->nb_threads = 2;
    const AVRational sar = in->sample_aspect_ratio.num > 0 ? in->sample_aspect_ratio : AVRational{1, 1};
    const std::string args = "video_size=" + std::to_string(in->width) + "x" + std::to_string(in->height) +
                             ":pix_fmt=" + std::to_string(in->format) +
                             ":time_base=" + std::to_string(tbNum_) + "/" + std::to_string(tbDen_) +
                             ":pixel_aspect=" + std::to_string(sar.num) + "/" + std::to_string(sar.den);
    int err = avfilter_graph_create_filter(&src_, avfilter_get_by_name("buffer"), "in", args.c_str(), nullptr,
                                           graph_);
    if (err >= 0)
        err = avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr,
                                           nullptr, graph_);
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    if (err >= 0 && outputs && inputs) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = src_;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink_;
        const std::string desc = chain(sourceRotation_, s);
        err = avfilter_graph_parse_ptr(graph_, desc.c_str(), &inputs, &outputs, nullptr);
        if (err >= 0)
            err = avfilter_graph_config(graph_, nullptr);
        if (err < 0)
            qCWarning(lcPlayer) << "filter graph" << desc.c_str() << "failed:" << avErrorText(err);
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (err < 0) {
        reset();
        return false;
    }
    builtVersion_ = s.pictureVersion;
    builtW_ = in->width;
    builtH_ = in->height;
    builtFormat_ = in->format;
    return true;
}

AVFrame* VideoFilter::process(const AVFrame* in, const PreviewSettings& s) {
    if (!graph_ || builtVersion_ != s.pictureVersion || builtW_ != in->width || builtH_ != in->height ||
        builtFormat_ != in->format) {
        if (!rebuild(in, s))
            return nullptr;
    }
    AVFrame* copy = av_frame_clone(in);
    if (!copy)
        return nullptr;
    int err = av_buffersrc_add_frame_flags(src_, copy, AV_BUFFERSRC_FLAG_KEEP_REF);
    av_frame_free(&copy);
    AVFrame* out = av_frame_alloc();
    if (err >= 0)
        err = av_buffersink_get_frame(sink_, out);
    if (err < 0) {
        // A graph that holds frames back (none of ours should) or failed: rebuild next time.
        av_frame_free(&out);
        reset();
        return nullptr;
    }
    return out;
}
