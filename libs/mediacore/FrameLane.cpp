#include "FrameLane.h"

#include <algorithm>

#include "FxGraph.h"

namespace mediacore {

int FrameLane::push(Kind kind, AVFrame* frame, const Sink& sink) {
    const int r = kind == Video ? graph_.pushVideo(frame) : graph_.pushAudio(frame);
    if (r < 0)
        return r;
    return drain(kind, sink);
}

int FrameLane::drain(Kind kind, const Sink& sink, const std::function<bool()>& more) {
    int e = 0;
    while ((!more || more()) &&
           (e = kind == Video ? graph_.pullVideo(filtered_.get()) : graph_.pullAudio(filtered_.get())) >= 0) {
        e = sink(filtered_.get());
        av_frame_unref(filtered_.get());
        if (e < 0)
            return e;
    }
    return e == AVERROR(EAGAIN) || e == AVERROR_EOF || e >= 0 ? 0 : e;
}

int FrameLane::end(Kind kind, const Sink& sink, const std::function<bool()>& more) {
    const bool has = kind == Video ? graph_.hasVideo() : graph_.hasAudio();
    if (!has)
        return 0;
    if (kind == Video)
        graph_.pushVideo(nullptr);
    else
        graph_.pushAudio(nullptr);
    return drain(kind, sink, more);
}

int FrameLane::trimSound(AVFrame* frame, int64_t tUs, int64_t fromUs, int64_t toUs, FramePtr* slice,
                         AVFrame** use) {
    const int rate = frame->sample_rate;
    if (rate <= 0 || tUs >= toUs || tUs + av_rescale(frame->nb_samples, 1000000, rate) <= fromUs)
        return 0;
    const int skip = tUs < fromUs ? int(av_rescale(fromUs - tUs, rate, 1000000)) : 0;
    const int keep = int(std::min<int64_t>(frame->nb_samples, av_rescale(toUs - tUs, rate, 1000000))) - skip;
    if (keep <= 0)
        return 0;
    *use = frame;
    if (skip > 0 || keep < frame->nb_samples) {
        FramePtr out = makeFrame();
        out->format = frame->format;
        out->sample_rate = rate;
        av_channel_layout_copy(&out->ch_layout, &frame->ch_layout);
        out->nb_samples = keep;
        if (av_frame_get_buffer(out.get(), 0) < 0)
            return AVERROR(ENOMEM);
        av_samples_copy(out->extended_data, frame->extended_data, 0, skip, keep, frame->ch_layout.nb_channels,
                        static_cast<AVSampleFormat>(frame->format));
        *slice = std::move(out);
        *use = slice->get();
    }
    (*use)->pts = av_rescale(tUs + av_rescale(skip, 1000000, rate) - fromUs, rate, 1000000);
    (*use)->time_base = {1, rate};
    return 1;
}

} // namespace mediacore
