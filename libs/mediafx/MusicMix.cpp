#include "MusicMix.h"

#include <algorithm>
#include <vector>

#include "FfPointers.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

namespace mediafx {

namespace {

// Ranges starting within this much of the file's start are decoded from its first sample;
// later ones seek to this much before the range.
constexpr int64_t kDecodeFromStartUs = 10000000;
constexpr int64_t kSeekMarginUs = 2000000;

// Where the file's sound starts on its own clock (microseconds; 0 when it does not say).
int64_t soundStartUs(const std::string& path) {
    const ff::InputPtr fmt = ff::openInput(path.c_str());
    if (!fmt || avformat_find_stream_info(fmt.get(), nullptr) < 0)
        return 0;
    const int i = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    const AVStream* st = i >= 0 ? fmt->streams[i] : nullptr;
    if (st && st->start_time != AV_NOPTS_VALUE)
        return av_rescale_q(st->start_time, st->time_base, ff::kMicro);
    return fmt->start_time != AV_NOPTS_VALUE ? fmt->start_time : 0;
}

// One track's branch, ending in a filter whose output is the track on the timeline (pts 0 =
// timeline start). Null when the track does not reach the timeline or fails to build.
AVFilterContext* musicBranch(FilterChain& chain, const MusicTrack& t, const FxSettings& s, int rate,
                             const std::string& layout) {
    const int64_t rangeLen = t.musicEndUs - t.musicStartUs;
    const int64_t slotLen = t.videoEndUs - t.videoStartUs;
    if (rangeLen <= 0 || slotLen <= 0 || t.path.empty())
        return nullptr;
    const int64_t slotStart = t.videoStartUs - s.timelineStartUs; // on the timeline
    const int64_t slotEnd = slotStart + slotLen;
    if (slotEnd <= 0)
        return nullptr;
    if (s.timelineDurationUs > 0 && slotStart >= s.timelineDurationUs)
        return nullptr;
    const int64_t skip = std::max<int64_t>(0, -slotStart);
    const int64_t delay = std::max<int64_t>(0, slotStart);

    const std::string rateText = std::to_string(rate);
    // The range is cut from the decoded sound by the file's own timestamps, counted from its
    // first sample: a seek lands where the container allows, so it only skips what lies well
    // before the range, and near starts are decoded from the beginning.
    FilterOptions source{{"filename", t.path}};
    if (t.musicStartUs > kDecodeFromStartUs)
        source.emplace_back("seek_point", seconds(t.musicStartUs - kSeekMarginUs));
    chain.start(chain.create("amovie", source));
    chain.append("asetpts", {{"expr", "PTS-" + seconds(soundStartUs(t.path)) + "/TB"}});
    chain.append("aresample", {{"out_sample_rate", rateText}});
    chain.append("aformat",
                 {{"sample_fmts", "fltp"}, {"sample_rates", rateText}, {"channel_layouts", layout}});
    chain.append("atrim", {{"start", seconds(t.musicStartUs)}, {"end", seconds(t.musicEndUs)}});
    chain.append("asetpts", {{"expr", "N/SR/TB"}});
    if (slotLen > rangeLen) {
        const int64_t samples = rangeLen * rate / 1000000;
        chain.append("aloop", {{"loop", "-1"}, {"size", std::to_string(std::max<int64_t>(1, samples))}});
        chain.append("asetpts", {{"expr", "N/SR/TB"}});
    }
    chain.append("atrim", {{"end", seconds(slotLen)}});
    if (t.fadeInUs > 0)
        chain.append(
            "afade",
            {{"type", "in"}, {"start_time", "0"}, {"duration", seconds(std::min(t.fadeInUs, slotLen))}});
    if (t.fadeOutUs > 0) {
        const int64_t fo = std::min(t.fadeOutUs, slotLen);
        chain.append("afade",
                     {{"type", "out"}, {"start_time", seconds(slotLen - fo)}, {"duration", seconds(fo)}});
    }
    chain.append("volume", {{"volume", std::to_string(std::clamp(t.volume, 0.0, 4.0))}});
    if (skip > 0) {
        chain.append("atrim", {{"start", seconds(skip)}});
        chain.append("asetpts", {{"expr", "PTS-STARTPTS"}});
    }
    if (delay > 0)
        chain.append("adelay", {{"delays", std::to_string(delay / 1000)}, {"all", "1"}});
    return chain.ok() ? chain.tail() : nullptr;
}

} // namespace

bool hasSound(const std::string& path) {
    if (path.empty())
        return false;
    const ff::InputPtr fmt = ff::openInput(path.c_str());
    return fmt && avformat_find_stream_info(fmt.get(), nullptr) >= 0 &&
           av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
}

int addMusicMix(FilterChain& chain, const FxSettings& settings, int sampleRate, const std::string& layout) {
    AVFilterContext* main = chain.tail();
    std::vector<AVFilterContext*> branches;
    for (const MusicTrack& t : settings.music) {
        AVFilterContext* b = musicBranch(chain, t, settings, sampleRate, layout);
        if (!chain.ok())
            return chain.error();
        if (b)
            branches.push_back(b);
    }
    chain.setTail(main);
    if (branches.empty())
        return 0;
    AVFilterContext* mix = chain.create("amix", {{"inputs", std::to_string(branches.size() + 1)},
                                                 {"duration", "first"},
                                                 {"dropout_transition", "0"},
                                                 {"normalize", "0"}});
    if (!mix || !chain.link(main, mix, 0))
        return chain.error() < 0 ? chain.error() : AVERROR(EINVAL);
    for (size_t i = 0; i < branches.size(); ++i)
        if (!chain.link(branches[i], mix, unsigned(i + 1)))
            return chain.error();
    chain.setTail(mix);
    return 0;
}

} // namespace mediafx
