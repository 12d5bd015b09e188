#include "Transition.h"

#include <string>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

namespace mediafx {

namespace {

// xfade's slides move both pictures: slideleft pushes the old one out to the left while the
// new one follows from the right; slidedown brings the new one down from the top.
const TransitionEntry kTable[] = {
    {1, "Slide left", "slideleft"},
    {2, "Slide from the top", "slidedown"},
    {3, "Fade", "fade"},
};

} // namespace

const TransitionEntry* transitionTable(size_t* count) {
    *count = sizeof kTable / sizeof kTable[0];
    return kTable;
}

const TransitionEntry* findTransition(int id) {
    for (const TransitionEntry& e : kTable)
        if (e.id == id)
            return &e;
    return nullptr;
}

TransitionGraph::TransitionGraph() = default;
TransitionGraph::~TransitionGraph() = default;

int TransitionGraph::build(const char* sourceFilter, const char* sourceArgs, const char* sinkFilter,
                           const char* middle) {
    graph_.reset(avfilter_graph_alloc());
    if (!graph_)
        return AVERROR(ENOMEM);
    graph_->nb_threads = 1; // one picture at a time: threads would only wait
    const char* names[2] = {"from", "to"};
    for (int i = 0; i < 2; ++i) {
        const int r = avfilter_graph_create_filter(&sources_[i], avfilter_get_by_name(sourceFilter), names[i],
                                                   sourceArgs, nullptr, graph_.get());
        if (r < 0)
            return r;
    }
    int r = avfilter_graph_create_filter(&sink_, avfilter_get_by_name(sinkFilter), "out", nullptr, nullptr,
                                         graph_.get());
    if (r < 0)
        return r;
    AVFilterInOut* outputs = nullptr;
    for (int i = 1; i >= 0; --i) {
        AVFilterInOut* o = avfilter_inout_alloc();
        if (!o) {
            avfilter_inout_free(&outputs);
            return AVERROR(ENOMEM);
        }
        o->name = av_strdup(names[i]);
        o->filter_ctx = sources_[i];
        o->pad_idx = 0;
        o->next = outputs;
        outputs = o;
    }
    AVFilterInOut* inputs = avfilter_inout_alloc();
    if (!inputs) {
        avfilter_inout_free(&outputs);
        return AVERROR(ENOMEM);
    }
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink_;
    inputs->pad_idx = 0;
    r = avfilter_graph_parse_ptr(graph_.get(), middle, &inputs, &outputs, nullptr);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (r < 0)
        return r;
    return avfilter_graph_config(graph_.get(), nullptr);
}

int TransitionGraph::buildVideo(int id, int width, int height, AVPixelFormat format, AVRational frameRate,
                                int frames) {
    const TransitionEntry* entry = findTransition(id);
    const char* pixName = av_get_pix_fmt_name(format);
    if (!entry || !pixName || width <= 0 || height <= 0 || frames <= 0 || frameRate.num <= 0 ||
        frameRate.den <= 0)
        return AVERROR(EINVAL);
    const std::string args = "video_size=" + std::to_string(width) + "x" + std::to_string(height) +
                             ":pix_fmt=" + pixName + ":time_base=" + std::to_string(frameRate.den) + "/" +
                             std::to_string(frameRate.num) + ":frame_rate=" + std::to_string(frameRate.num) +
                             "/" + std::to_string(frameRate.den) + ":pixel_aspect=1/1";
    // The output keeps the inputs' format: xfade takes most formats as they are, and the graph
    // converts the others there and back.
    const double seconds = double(frames) * frameRate.den / frameRate.num;
    const std::string middle = std::string("[from][to]xfade=transition=") + entry->picture +
                               ":duration=" + std::to_string(seconds) +
                               ":offset=0,format=pix_fmts=" + pixName + "[out]";
    return build("buffer", args.c_str(), "buffersink", middle.c_str());
}

int TransitionGraph::buildAudio(int sampleRate, const AVChannelLayout& layout, AVSampleFormat format,
                                int samples) {
    const char* formatName = av_get_sample_fmt_name(format);
    char layoutName[128] = {};
    if (!formatName || sampleRate <= 0 || samples <= 0 ||
        av_channel_layout_describe(&layout, layoutName, sizeof layoutName) < 0)
        return AVERROR(EINVAL);
    const std::string args = "sample_rate=" + std::to_string(sampleRate) + ":sample_fmt=" + formatName +
                             ":channel_layout=" + layoutName + ":time_base=1/" + std::to_string(sampleRate);
    const std::string middle = "[from][to]acrossfade=ns=" + std::to_string(samples) +
                               ":c1=tri:c2=tri,aformat=sample_fmts=" + formatName +
                               ":channel_layouts=" + layoutName + "[out]";
    return build("abuffer", args.c_str(), "abuffersink", middle.c_str());
}

int TransitionGraph::push(Input input, const AVFrame* frame) {
    if (!sources_[input])
        return AVERROR(EINVAL);
    return av_buffersrc_add_frame_flags(sources_[input], const_cast<AVFrame*>(frame),
                                        AV_BUFFERSRC_FLAG_KEEP_REF);
}

int TransitionGraph::pull(AVFrame* frame) {
    return sink_ ? av_buffersink_get_frame(sink_, frame) : AVERROR(EINVAL);
}

} // namespace mediafx
