// FFmpeg's filter library, loaded when the engine first builds a filter graph instead of when the
// engine is loaded. With what it depends on it is some thirty libraries, a third of the start of
// a process and 12 MB of its memory, which every job paid before doing anything, though a
// keep-format cut, a copy join and a probe never filter.
//
// The engine's code (and the filter graph code linked into it) calls the functions below, which
// stay inside the engine (hidden like all its symbols) and forward to the library's own. A
// process that loaded the library already (the program's player) shares that copy. Without the
// library a graph cannot be made: the allocations fail as without memory and the job reports it.
#include <dlfcn.h>
#include <string>

#include "EngineLog.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace {

void* library() {
    static void* const handle = [] {
        const char* const name = "libavfilter.so." AV_STRINGIFY(LIBAVFILTER_VERSION_MAJOR);
        void* h = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (!h) {
            const char* why = dlerror(); // NOLINT(concurrency-mt-unsafe): glibc keeps it per thread
            mediacore::logError(std::string("cannot load ") + name + ": " + (why ? why : "?"));
        }
        return h;
    }();
    return handle;
}

template <typename F> F resolve(const char* name) {
    void* const h = library();
    void* const s = h ? dlsym(h, name) : nullptr;
    if (h && !s)
        mediacore::logError(std::string("no ") + name + " in FFmpeg's filter library");
    return reinterpret_cast<F>(s);
}

} // namespace

// A forwarding function: `fallback` is its result when the library or the function is missing.
// The arguments are a type, a name and parameter lists, which parentheses would break.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define FORWARD(ret, name, params, args, fallback)                                                           \
    extern "C" ret name params {                                                                             \
        static const auto f = resolve<ret(*) params>(#name);                                                 \
        if (!f)                                                                                              \
            return fallback;                                                                                 \
        return f args;                                                                                       \
    }
// NOLINTEND(bugprone-macro-parentheses)

FORWARD(const AVFilter*, avfilter_get_by_name, (const char* name), (name), nullptr)
FORWARD(AVFilterGraph*, avfilter_graph_alloc, (void), (), nullptr)
FORWARD(AVFilterContext*, avfilter_graph_alloc_filter,
        (AVFilterGraph * graph, const AVFilter* filter, const char* name), (graph, filter, name), nullptr)
FORWARD(int, avfilter_graph_config, (AVFilterGraph * graph, void* log), (graph, log), AVERROR(ENOSYS))
FORWARD(int, avfilter_graph_create_filter,
        (AVFilterContext * *out, const AVFilter* filter, const char* name, const char* args, void* opaque,
         AVFilterGraph* graph),
        (out, filter, name, args, opaque, graph), AVERROR(ENOSYS))
FORWARD(void, avfilter_graph_free, (AVFilterGraph * *graph), (graph), void())
FORWARD(int, avfilter_graph_parse_ptr,
        (AVFilterGraph * graph, const char* filters, AVFilterInOut** inputs, AVFilterInOut** outputs,
         void* log),
        (graph, filters, inputs, outputs, log), AVERROR(ENOSYS))
FORWARD(int, avfilter_init_str, (AVFilterContext * ctx, const char* args), (ctx, args), AVERROR(ENOSYS))
FORWARD(AVFilterInOut*, avfilter_inout_alloc, (void), (), nullptr)
FORWARD(void, avfilter_inout_free, (AVFilterInOut * *inout), (inout), void())
FORWARD(int, avfilter_link, (AVFilterContext * src, unsigned srcPad, AVFilterContext* dst, unsigned dstPad),
        (src, srcPad, dst, dstPad), AVERROR(ENOSYS))
FORWARD(int, av_buffersink_get_ch_layout, (const AVFilterContext* ctx, AVChannelLayout* layout),
        (ctx, layout), AVERROR(ENOSYS))
FORWARD(int, av_buffersink_get_format, (const AVFilterContext* ctx), (ctx), -1)
FORWARD(int, av_buffersink_get_frame, (AVFilterContext * ctx, AVFrame* frame), (ctx, frame), AVERROR(ENOSYS))
FORWARD(AVRational, av_buffersink_get_frame_rate, (const AVFilterContext* ctx), (ctx), (AVRational{0, 1}))
FORWARD(int, av_buffersink_get_h, (const AVFilterContext* ctx), (ctx), 0)
FORWARD(AVRational, av_buffersink_get_sample_aspect_ratio, (const AVFilterContext* ctx), (ctx),
        (AVRational{0, 1}))
FORWARD(int, av_buffersink_get_sample_rate, (const AVFilterContext* ctx), (ctx), 0)
FORWARD(AVRational, av_buffersink_get_time_base, (const AVFilterContext* ctx), (ctx), (AVRational{0, 1}))
FORWARD(int, av_buffersink_get_w, (const AVFilterContext* ctx), (ctx), 0)
FORWARD(void, av_buffersink_set_frame_size, (AVFilterContext * ctx, unsigned size), (ctx, size), void())
FORWARD(int, av_buffersrc_add_frame, (AVFilterContext * ctx, AVFrame* frame), (ctx, frame), AVERROR(ENOSYS))
FORWARD(int, av_buffersrc_add_frame_flags, (AVFilterContext * ctx, AVFrame* frame, int flags),
        (ctx, frame, flags), AVERROR(ENOSYS))
FORWARD(int, av_buffersrc_close, (AVFilterContext * ctx, int64_t pts, unsigned flags), (ctx, pts, flags),
        AVERROR(ENOSYS))
