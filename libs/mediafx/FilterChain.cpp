#include "FilterChain.h"

#include "FfPointers.h"
#include "FxLog.h"

#include <cstdio>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace mediafx {

AVFilterContext* FilterChain::create(const char* filter, const FilterOptions& options) {
    if (!ok())
        return nullptr;
    const AVFilter* f = avfilter_get_by_name(filter);
    if (!f) {
        ff::log(mediafx::kLog, AV_LOG_ERROR, "filter %s is not available", filter);
        error_ = AVERROR_FILTER_NOT_FOUND;
        return nullptr;
    }
    const std::string name = std::string(filter) + "_" + std::to_string(counter_++);
    AVFilterContext* ctx = avfilter_graph_alloc_filter(graph_, f, name.c_str());
    if (!ctx) {
        error_ = AVERROR(ENOMEM);
        return nullptr;
    }
    for (const auto& [key, value] : options) {
        const int r = av_opt_set(ctx, key, value.c_str(), AV_OPT_SEARCH_CHILDREN);
        if (r < 0) {
            ff::log(mediafx::kLog, AV_LOG_ERROR, "%s: option %s refused: %s", filter, key,
                    ff::errorText(r).c_str());
            error_ = r;
            return nullptr;
        }
    }
    const int r = avfilter_init_str(ctx, nullptr);
    if (r < 0) {
        ff::log(mediafx::kLog, AV_LOG_ERROR, "%s: %s", filter, ff::errorText(r).c_str());
        error_ = r;
        return nullptr;
    }
    return ctx;
}

bool FilterChain::link(AVFilterContext* from, AVFilterContext* to, unsigned toPad, unsigned fromPad) {
    if (!ok() || !from || !to)
        return false;
    const int r = avfilter_link(from, fromPad, to, toPad);
    if (r < 0) {
        ff::log(mediafx::kLog, AV_LOG_ERROR, "link %s -> %s: %s", from->name, to->name,
                ff::errorText(r).c_str());
        error_ = r;
        return false;
    }
    return true;
}

AVFilterContext* FilterChain::append(const char* filter, const FilterOptions& options) {
    AVFilterContext* ctx = create(filter, options);
    if (!ctx)
        return nullptr;
    if (tail_ && !link(tail_, ctx))
        return nullptr;
    tail_ = ctx;
    return ctx;
}

std::string seconds(int64_t us) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", static_cast<double>(us) / 1e6);
    return text;
}

} // namespace mediafx
