#include "SourceEnd.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "EngineLog.h"
#include "StreamProbe.h"

namespace mediacore {

namespace {

// How far a healthy file's last packet may end before the length its streams claim (rounding,
// sound a little shorter than the picture, a last frame without a duration).
constexpr int64_t kSlackUs = 500000;
// How far a stream's decoding times may go back before they count as started again: far more
// than a damaged packet's or a muxer's rounding, less than any recording worth joining.
constexpr int64_t kRestartUs = 1000000;

// "HH:MM:SS.fraction", as muxers write a stream's DURATION tag; -1 when it is not one.
int64_t parseDurationTag(const char* text) {
    unsigned h = 0, m = 0;
    double s = 0;
    if (!text || std::sscanf(text, "%u:%u:%lf", &h, &m, &s) != 3 || m >= 60 || s < 0 || s >= 61)
        return -1;
    return (int64_t(h) * 3600 + int64_t(m) * 60) * 1000000 + int64_t(s * 1e6);
}

std::string seconds(int64_t us) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", double(us) / 1e6);
    return text;
}

} // namespace

int64_t streamEndUs(const AVFormatContext* format, const AVStream* s) {
    if (s->duration > 0 && s->duration != AV_NOPTS_VALUE) {
        const int64_t start = s->start_time != AV_NOPTS_VALUE ? s->start_time : 0;
        return av_rescale_q(start + s->duration, s->time_base, kMicro) - startTimeUs(format);
    }
    // A stream's DURATION tag (Matroska) and the file's length count from the file's start, not
    // from its first picture, where the engine's times begin: a file whose sound starts before
    // its picture would otherwise seem to run on past its last picture by that lead.
    const AVDictionaryEntry* tag = av_dict_get(s->metadata, "DURATION", nullptr, 0);
    const int64_t tagged = tag ? parseDurationTag(tag->value) : -1;
    if (tagged > 0)
        return tagged - startTimeUs(format);
    const int64_t fileStartUs =
        format->start_time != AV_NOPTS_VALUE ? av_rescale_q(format->start_time, AV_TIME_BASE_Q, kMicro) : 0;
    return fileStartUs + durationUs(format) - startTimeUs(format);
}

int64_t contentEndUs(const AVFormatContext* format, int videoIndex, int audioIndex) {
    int64_t end = 0;
    for (const int i : {videoIndex, audioIndex})
        if (i >= 0 && unsigned(i) < format->nb_streams)
            end = std::max(end, streamEndUs(format, format->streams[i]));
    return end > 0 ? end : durationUs(format);
}

void ReadExtent::reset(const AVFormatContext* format, int64_t originUs) {
    format_ = format;
    originUs_ = originUs;
    reachedUs_ = INT64_MIN;
    restartUs_ = INT64_MIN;
    latestUs_.assign(format ? format->nb_streams : 0, INT64_MIN);
    lastShort_ = false;
    readError_ = false;
}

void ReadExtent::note(const AVPacket* packet) {
    if (!format_ || packet->stream_index < 0 || unsigned(packet->stream_index) >= format_->nb_streams)
        return;
    // A packet read short of its size is the file's end cut through it. Transport streams also
    // mark packets after a lost one this way, which says nothing about the end.
    lastShort_ = (packet->flags & AV_PKT_FLAG_CORRUPT) && std::strcmp(format_->iformat->name, "mpegts") != 0;
    const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (ts == AV_NOPTS_VALUE)
        return;
    const AVStream* s = format_->streams[packet->stream_index];
    const int64_t end =
        av_rescale_q(ts + std::max<int64_t>(0, packet->duration), s->time_base, kMicro) - originUs_;
    reachedUs_ = std::max(reachedUs_, end);
    if (size_t(packet->stream_index) >= latestUs_.size())
        return; // a stream the demuxer found after the reset
    int64_t& latest = latestUs_[size_t(packet->stream_index)];
    const int64_t decodeTs = packet->dts != AV_NOPTS_VALUE ? packet->dts : ts;
    const int64_t t = av_rescale_q(decodeTs, s->time_base, kMicro) - originUs_;
    if (latest != INT64_MIN && t < latest - kRestartUs && restartUs_ == INT64_MIN)
        restartUs_ = latest;
    latest = std::max(latest, t);
}

int ReadExtent::checkRestart(const std::string& path) const {
    if (restartUs_ == INT64_MIN)
        return 0;
    return logFailure(path + " starts its timestamps again after " + seconds(restartUs_) +
                          " (recordings joined end to end): what follows cannot be placed",
                      AVERROR_INVALIDDATA);
}

int ReadExtent::check(int64_t wantedEndUs, int videoIndex, int audioIndex, const std::string& path) const {
    if (!format_)
        return 0;
    if (lastShort_)
        return logFailure(path + " ends in a packet cut short", AVERROR_INVALIDDATA);
    // A length guessed from the bit rate is no promise.
    if (format_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)
        return 0;
    const int64_t expected = std::min(wantedEndUs, contentEndUs(format_, videoIndex, audioIndex));
    if (expected <= 0 || (reachedUs_ != INT64_MIN && reachedUs_ >= expected - kSlackUs))
        return 0;
    const std::string at = reachedUs_ == INT64_MIN ? std::string("its start") : seconds(reachedUs_);
    return logFailure(path + " ends at " + at + ", before " + seconds(expected) +
                          (readError_ ? " (a read failed)" : " (its end is missing)"),
                      readError_ ? AVERROR(EIO) : AVERROR_INVALIDDATA);
}

} // namespace mediacore
