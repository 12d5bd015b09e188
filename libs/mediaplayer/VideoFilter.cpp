#include "VideoFilter.h"

#include "FrameConverter.h"
#include "HalfSize.h"
#include "PlayerLog.h"

namespace {

// The size the upright picture is shown at in `box`, or empty when it is shown whole.
QSize reducedSize(const mediafx::FxSettings& fx, const AVFrame* in, QSize box) {
    if (box.isEmpty())
        return {};
    int w = 0, h = 0;
    mediafx::filteredSize(fx, in->width, in->height, &w, &h);
    AVRational sar = in->sample_aspect_ratio.num > 0 && in->sample_aspect_ratio.den > 0
                         ? in->sample_aspect_ratio
                         : AVRational{1, 1};
    if (w != in->width) // a quarter turn: the pixels' shape turns too
        sar = av_inv_q(sar);
    const QSize shown = FrameConverter::fitted(w * av_q2d(sar) / h, box);
    return shown.width() < w && shown.height() < h ? shown : QSize();
}

// How many times a decoded picture can be halved and stay at least `reduced` upright (`turned`
// is a quarter turn). The effects and colour settings act on the whole picture: none then.
int halvingsFor(const mediafx::FxSettings& fx, const AVFrame* in, QSize reduced, bool turned) {
    if (reduced.isEmpty() || !fx.effects.empty() || fx.brightness || fx.contrast || fx.saturation)
        return 0;
    const QSize upright = turned ? reduced.transposed() : reduced;
    int n = 0;
    ff::FramePtr probe = ff::makeFrame();
    if (!probe)
        return 0;
    probe->format = in->format;
    for (int w = in->width, h = in->height; w / 2 >= upright.width() && h / 2 >= upright.height();
         w /= 2, h /= 2) {
        probe->width = w;
        probe->height = h;
        if (!player::canHalve(probe.get()))
            break;
        ++n;
    }
    return n;
}

} // namespace

bool VideoFilter::build(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s, QSize box) {
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
    int layoutW = 0, layoutH = 0;
    mediafx::filteredSize(fx, in->width, in->height, &layoutW, &layoutH);
    // A crop would need its margins at the smaller scale too: cropped previews are not reduced.
    const QSize reduced = s.fx.hasCrop() ? QSize() : reducedSize(fx, in, box);
    reduces_ = !reduced.isEmpty();
    halvings_ = halvingsFor(fx, in, reduced, layoutW != in->width);
    mediafx::VideoInput input;
    input.width = in->width >> halvings_;
    input.height = in->height >> halvings_;
    input.layoutWidth = layoutW;
    input.layoutHeight = layoutH;
    input.format = AVPixelFormat(in->format);
    input.timeBase = ff::kMicro;
    input.sampleAspect = in->sample_aspect_ratio;
    builtW_ = in->width;
    builtH_ = in->height;
    builtFormat_ = in->format;
    builtBox_ = box;
    mediafx::VideoOutput output;
    output.reduceWidth = reduced.width();
    output.reduceHeight = reduced.height();
    int err = graph_.buildVideo(fx, input, output);
    // Playing, a subtitle that stays the same between its lines' starts and ends is drawn once
    // for each such stretch and laid over the pictures from there.
    useLayer_ = err >= 0 && useLate_ && reduces_ && layer_.build(late, lateInput(layoutW, layoutH));
    if (err >= 0 && useLate_ && !useLayer_ && !buildLate(late, layoutW, layoutH))
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

mediafx::VideoInput VideoFilter::lateInput(int layoutWidth, int layoutHeight) const {
    mediafx::VideoInput input;
    input.layoutWidth = layoutWidth;
    input.layoutHeight = layoutHeight;
    input.width = graph_.videoWidth();
    input.height = graph_.videoHeight();
    input.format = graph_.videoFormat();
    input.timeBase = ff::kMicro;
    input.sampleAspect = graph_.videoSampleAspect();
    return input;
}

bool VideoFilter::buildLate(const mediafx::FxSettings& late, int layoutWidth, int layoutHeight) {
    const int err = late_.buildVideo(late, lateInput(layoutWidth, layoutHeight), mediafx::VideoOutput{});
    if (err < 0)
        player::logWarning("preview subtitle graph failed: %s", qUtf8Printable(avErrorText(err)));
    return err >= 0;
}

ff::FramePtr VideoFilter::throughLate(ff::FramePtr frame, int64_t ptsUs) {
    frame->pts = ptsUs; // the file's own clock, which the subtitle lines are timed on
    return late_.throughVideo(std::move(frame));
}

void VideoFilter::pull(std::vector<FilteredFrame>& out) {
    const AVRational tb = graph_.videoTimeBase();
    while (true) {
        ff::FramePtr f = ff::makeFrame();
        if (!f || graph_.pullVideo(f.get()) < 0)
            return;
        const int64_t pts = baseUs_ + (f->pts == AV_NOPTS_VALUE ? 0 : av_rescale_q(f->pts, tb, ff::kMicro));
        if (useLayer_ ? !layer_.apply(f.get(), pts) : useLate_ && !(f = throughLate(std::move(f), pts)))
            continue;
        out.push_back({std::move(f), pts, reduces_});
    }
}

bool VideoFilter::push(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s, bool restart,
                       std::vector<FilteredFrame>& out, QSize box) {
    if (restart || !built_ || builtVersion_ != s.pictureVersion || builtW_ != in->width ||
        builtH_ != in->height || builtFormat_ != in->format || builtBox_ != box || ptsUs < baseUs_) {
        if (!build(in, ptsUs, s, box))
            return false;
    }
    ff::FramePtr copy = ff::cloneFrame(in);
    for (int i = 0; i < halvings_ && copy; ++i)
        copy = player::halved(copy.get());
    if (!copy)
        return false;
    copy->pts = ptsUs - baseUs_;
    const int err = graph_.pushVideo(copy.get());
    // The graph holds the picture alone from here: a halved one is then drawn on in place,
    // where a second holder would make the marks' filter copy it first.
    copy.reset();
    if (err < 0) {
        built_ = false;
        return false;
    }
    pull(out);
    return true;
}

ff::FramePtr VideoFilter::renderOnce(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s) {
    failedVersion_ = 0;
    if (!build(in, ptsUs, s, QSize()))
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
