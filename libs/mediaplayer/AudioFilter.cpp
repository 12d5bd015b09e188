#include "AudioFilter.h"

#include "PlayerLog.h"

#include <algorithm>

#include "FfPointers.h"

bool AudioFilter::build(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s) {
    built_ = false;
    mediafx::FxSettings fx = s.fx;
    // The editor's original-sound level rides on the preview gain.
    fx.volume = std::clamp(s.fx.volume, 0.0, 2.0) * std::clamp(s.mainVolume, 0.0, 1.0);
    fx.timelineStartUs = ptsUs;
    fx.timelineDurationUs = 0;
    mediafx::AudioInput input;
    input.sampleRate = in->sample_rate;
    input.layout = in->ch_layout;
    input.format = AVSampleFormat(in->format);
    input.timeBase = ff::kMicro;
    mediafx::AudioOutput output;
    output.sampleRate = outRate_;
    output.channels = 2;
    output.formats = {AV_SAMPLE_FMT_S16};
    builtRate_ = in->sample_rate;
    builtFormat_ = in->format;
    builtChannels_ = in->ch_layout.nb_channels;
    builtVersion_ = s.soundVersion;
    const int err = graph_.buildAudio(fx, &input, output);
    if (err < 0) {
        player::logWarning("preview sound graph failed: %s", qUtf8Printable(avErrorText(err)));
        return false;
    }
    baseUs_ = ptsUs;
    built_ = true;
    return true;
}

bool AudioFilter::push(const AVFrame* in, int64_t ptsUs, const PreviewSettings& s, bool restart,
                       std::vector<PcmChunk>& out) {
    const bool changed = builtVersion_ != s.soundVersion || builtRate_ != in->sample_rate ||
                         builtFormat_ != in->format || builtChannels_ != in->ch_layout.nb_channels;
    if (restart || changed || ptsUs < baseUs_) {
        if (!build(in, ptsUs, s))
            return false;
    }
    if (!built_)
        return false;
    const ff::FramePtr copy = ff::cloneFrame(in);
    if (!copy)
        return false;
    copy->pts = ptsUs - baseUs_;
    const int err = graph_.pushAudio(copy.get());
    if (err < 0) {
        built_ = false;
        return false;
    }
    const AVRational tb = graph_.audioTimeBase();
    const ff::FramePtr f = ff::makeFrame();
    while (f && graph_.pullAudio(f.get()) >= 0) {
        const int64_t pts = f->pts == AV_NOPTS_VALUE ? 0 : av_rescale_q(f->pts, tb, ff::kMicro);
        PcmChunk chunk{baseUs_ + pts,
                       QByteArray(reinterpret_cast<const char*>(f->data[0]), qsizetype(f->nb_samples) * 4)};
        out.push_back(std::move(chunk));
        av_frame_unref(f.get());
    }
    return true;
}
