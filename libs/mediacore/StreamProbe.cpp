#include "StreamProbe.h"

#include <cmath>
#include <sys/stat.h>

#include "EngineLog.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

namespace mediacore {

namespace {

std::string metadata(const AVDictionary* dict, const char* key) {
    const AVDictionaryEntry* e = av_dict_get(dict, key, nullptr, 0);
    return e && e->value ? e->value : "";
}

// Beyond 16K on a side or 8K x 8K in all, a picture size is a damaged header.
constexpr int kMaxPictureSide = 16384;
constexpr int64_t kMaxPictureArea = int64_t(8192) * 8192;

bool isPicture(const AVStream* s) {
    return s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(s->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

} // namespace

int openInput(const std::string& path, InputPtr* out) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return logFailure("cannot open " + path, AVERROR(ENOENT));
    if (!S_ISREG(st.st_mode))
        return logFailure("not a file: " + path, AVERROR(EINVAL));
    if (st.st_size == 0)
        return logFailure("empty file " + path, AVERROR_INVALIDDATA);
    AVFormatContext* raw = nullptr;
    int r = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (r < 0)
        return logFailure("cannot open " + path, r);
    InputPtr format(raw);
    r = avformat_find_stream_info(format.get(), nullptr);
    if (r < 0)
        return logFailure("cannot read streams of " + path, r);
    if (firstVideoStream(format.get()) < 0 && firstAudioStream(format.get()) < 0)
        return logFailure("no sound or picture in " + path, AVERROR_STREAM_NOT_FOUND);
    // A damaged header can declare pictures that no camera makes and no memory holds.
    if (const int v = firstVideoStream(format.get()); v >= 0) {
        const AVCodecParameters* p = format->streams[v]->codecpar;
        if (p->width > kMaxPictureSide || p->height > kMaxPictureSide ||
            int64_t(p->width) * p->height > kMaxPictureArea)
            return logFailure("picture size " + std::to_string(p->width) + "x" + std::to_string(p->height) +
                                  " in " + path,
                              AVERROR_INVALIDDATA);
    }
    *out = std::move(format);
    return 0;
}

int firstVideoStream(const AVFormatContext* format) {
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (isPicture(format->streams[i]) && format->streams[i]->codecpar->width > 0)
            return int(i);
    return -1;
}

int firstAudioStream(const AVFormatContext* format) {
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            return int(i);
    return -1;
}

int streamRotation(const AVStream* stream) {
    const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (!matrix) {
        const std::string tag = metadata(stream->metadata, "rotate");
        if (tag.empty())
            return 0;
        const int d = std::atoi(tag.c_str()) % 360;
        return ((d + 360 + 45) / 90 % 4) * 90;
    }
    // The matrix holds the counter-clockwise angle; displays turn the picture the other way.
    const double ccw = av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (std::isnan(ccw))
        return 0;
    int d = int(std::lround(-ccw)) % 360;
    if (d < 0)
        d += 360;
    return ((d + 45) / 90 % 4) * 90;
}

AVRational streamFrameRate(const AVStream* stream) {
    if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0)
        return stream->avg_frame_rate;
    if (stream->r_frame_rate.num > 0 && stream->r_frame_rate.den > 0)
        return stream->r_frame_rate;
    return {25, 1};
}

int64_t durationUs(const AVFormatContext* format) {
    if (format->duration > 0)
        return av_rescale_q(format->duration, AV_TIME_BASE_Q, {1, 1000000});
    int64_t best = 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* s = format->streams[i];
        if (s->duration > 0)
            best = std::max(best, av_rescale_q(s->duration, s->time_base, {1, 1000000}));
    }
    return best;
}

int64_t startTimeUs(const AVFormatContext* format) {
    return format->start_time == AV_NOPTS_VALUE
               ? 0
               : av_rescale_q(format->start_time, AV_TIME_BASE_Q, {1, 1000000});
}

void fillAudioInfo(const AVFormatContext* format, int index, MEDIA_AUDIO_STREAM_INFO* info) {
    *info = {};
    if (index < 0 || unsigned(index) >= format->nb_streams)
        return;
    const AVStream* s = format->streams[index];
    const AVCodecParameters* p = s->codecpar;
    info->exist = 1;
    info->index = index;
    mediarecords::writeText(info->codec, avcodec_get_name(p->codec_id));
    info->samplerate = p->sample_rate;
    info->channel = p->ch_layout.nb_channels;
    info->bitrate = int32_t(std::min<int64_t>(p->bit_rate, INT32_MAX));
    info->fmt = p->format;
    mediarecords::writeText(info->lang, metadata(s->metadata, "language"));
    mediarecords::writeText(info->title, metadata(s->metadata, "title"));
    const char* sf = av_get_sample_fmt_name(static_cast<AVSampleFormat>(p->format));
    mediarecords::writeText(info->apsect, sf ? sf : "");
}

void fillVideoInfo(const AVFormatContext* format, int index, MEDIA_VIDEO_STREAM_INFO* info) {
    *info = {};
    if (index < 0 || unsigned(index) >= format->nb_streams)
        return;
    const AVStream* s = format->streams[index];
    const AVCodecParameters* p = s->codecpar;
    info->exist = 1;
    info->index = index;
    mediarecords::writeText(info->codec, avcodec_get_name(p->codec_id));
    char tag[AV_FOURCC_MAX_STRING_SIZE] = {};
    if (p->codec_tag)
        av_fourcc_make_string(tag, p->codec_tag);
    mediarecords::writeText(info->codecTag, tag);
    info->width = p->width;
    info->height = p->height;
    info->fps = av_q2d(streamFrameRate(s));
    int64_t bitrate = p->bit_rate;
    if (bitrate <= 0 && format->bit_rate > 0)
        bitrate = format->bit_rate;
    info->bitrate = int32_t(std::min<int64_t>(bitrate, INT32_MAX));
    const AVRational sar = p->sample_aspect_ratio.num > 0 ? p->sample_aspect_ratio : AVRational{1, 1};
    info->aspect = p->height > 0 ? double(p->width) * av_q2d(sar) / p->height : 0.0;
    info->angle = streamRotation(s);
    mediarecords::writeText(info->lang, metadata(s->metadata, "language"));
    mediarecords::writeText(info->title, metadata(s->metadata, "title"));
    const char* pf = av_get_pix_fmt_name(static_cast<AVPixelFormat>(p->format));
    mediarecords::writeText(info->apsect, pf ? pf : "");
}

} // namespace mediacore
