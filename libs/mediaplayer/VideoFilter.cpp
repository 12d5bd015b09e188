#include "VideoFilter.h"

#include "PlayerLog.h"

bool VideoFilter::build(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s) {
    built_ = false;
    if (failedVersion_ == s.pictureVersion && builtW_ == in->width && builtH_ == in->height &&
        builtFormat_ == in->format)
        return false;
    mediafx::FxSettings fx = s.fx;
    fx.rotation = mediafx::normalisedRotation(s.fx.rotation + sourceRotation_);
    fx.timelineStartUs = ptsUs;
    fx.timelineDurationUs = 0;
    // The subtitle and the crop after it move to the second graph, in the same order.
    mediafx::FxSettings late;
    useLate_ = fx.subtitle.path[0] != '\0';
    if (useLate_) {
        late.subtitle = fx.subtitle;
        late.crop = fx.crop;
        fx.subtitle = SUBTITLE_PARAM{};
        fx.crop = RECT{};
    }
    graph_.setDrawTextCallback(s.drawText);
    graph_.setLoadImageCallback(s.loadImage);
    mediafx::VideoInput input;
    input.width = in->width;
    input.height = in->height;
    input.format = AVPixelFormat(in->format);
    input.timeBase = ff::kMicro;
    input.sampleAspect = in->sample_aspect_ratio;
    builtW_ = in->width;
    builtH_ = in->height;
    builtFormat_ = in->format;
    int err = graph_.buildVideo(fx, input, mediafx::VideoOutput{});
    if (err >= 0 && useLate_ && !buildLate(late))
        err = AVERROR(EINVAL);
    if (err < 0) {
        player::logWarning("preview filter graph failed: %s", qUtf8Printable(avErrorText(err)));
        failedVersion_ = s.pictureVersion;
        return false;
    }
    built_ = true;
    failedVersion_ = 0;
    baseUs_ = ptsUs;
    builtVersion_ = s.pictureVersion;
    return true;
}

bool VideoFilter::buildLate(const mediafx::FxSettings& late) {
    mediafx::VideoInput input;
    input.width = graph_.videoWidth();
    input.height = graph_.videoHeight();
    input.format = graph_.videoFormat();
    input.timeBase = ff::kMicro;
    input.sampleAspect = graph_.videoSampleAspect();
    const int err = late_.buildVideo(late, input, mediafx::VideoOutput{});
    if (err < 0)
        player::logWarning("preview subtitle graph failed: %s", qUtf8Printable(avErrorText(err)));
    return err >= 0;
}

ff::FramePtr VideoFilter::throughLate(ff::FramePtr frame, int64_t ptsUs) {
    frame->pts = ptsUs; // the file's own clock, which the subtitle lines are timed on
    const int err = late_.pushVideo(frame.get());
    frame.reset();
    ff::FramePtr f = ff::makeFrame();
    if (err < 0 || !f || late_.pullVideo(f.get()) < 0)
        return nullptr;
    return f;
}

void VideoFilter::pull(std::vector<FilteredFrame>& out) {
    const AVRational tb = graph_.videoTimeBase();
    while (true) {
        ff::FramePtr f = ff::makeFrame();
        if (!f || graph_.pullVideo(f.get()) < 0)
            return;
        const int64_t pts = baseUs_ + (f->pts == AV_NOPTS_VALUE ? 0 : av_rescale_q(f->pts, tb, ff::kMicro));
        if (useLate_ && !(f = throughLate(std::move(f), pts)))
            continue;
        out.push_back({std::move(f), pts});
    }
}

bool VideoFilter::push(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s, bool restart,
                       std::vector<FilteredFrame>& out) {
    if (restart || !built_ || builtVersion_ != s.pictureVersion || builtW_ != in->width ||
        builtH_ != in->height || builtFormat_ != in->format || ptsUs < baseUs_) {
        if (!build(in, ptsUs, s))
            return false;
    }
    const ff::FramePtr copy = ff::cloneFrame(in);
    if (!copy)
        return false;
    copy->pts = ptsUs - baseUs_;
    const int err = graph_.pushVideo(copy.get());
    if (err < 0) {
        built_ = false;
        return false;
    }
    pull(out);
    return true;
}

ff::FramePtr VideoFilter::renderOnce(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s) {
    failedVersion_ = 0;
    if (!build(in, ptsUs, s))
        return nullptr;
    std::vector<FilteredFrame> out;
    if (const ff::FramePtr copy = ff::cloneFrame(in)) {
        copy->pts = 0;
        if (graph_.pushVideo(copy.get()) >= 0) {
            pull(out);
            // A filter that waits for the next picture gives this one up at the end of stream.
            if (out.empty() && graph_.pushVideo(nullptr) >= 0)
                pull(out);
        }
    }
    built_ = false; // this graph has seen its one frame: playback starts a new one
    return out.empty() ? nullptr : std::move(out.front().frame);
}
