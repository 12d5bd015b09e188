#include "StreamProbe.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <vector>

#include "EngineLog.h"
#include "KeptInput.h"
#include "SourceIndex.h"

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

// Where each stream's packets begin and end, and how many there are.
struct PacketSpans {
    std::vector<int64_t> first, latest, end, count;
};

bool scanPackets(const std::string& path, unsigned n, PacketSpans* spans) {
    const InputPtr scan = ff::openInput(path.c_str());
    if (!scan || avformat_find_stream_info(scan.get(), nullptr) < 0 || scan->nb_streams != n)
        return false;
    std::vector<int64_t>&first = spans->first, &latest = spans->latest, &end = spans->end,
    &count = spans->count;
    first.assign(n, AV_NOPTS_VALUE);
    latest.assign(n, AV_NOPTS_VALUE);
    end.assign(n, AV_NOPTS_VALUE);
    count.assign(n, 0);
    PacketPtr packet = makePacket();
    while (av_read_frame(scan.get(), packet.get()) >= 0) {
        const unsigned i = unsigned(packet->stream_index);
        const int64_t t = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (i < n && t != AV_NOPTS_VALUE) {
            first[i] = first[i] == AV_NOPTS_VALUE ? t : std::min(first[i], t);
            latest[i] = latest[i] == AV_NOPTS_VALUE ? t : std::max(latest[i], t);
            end[i] = end[i] == AV_NOPTS_VALUE ? t + packet->duration : std::max(end[i], t + packet->duration);
            ++count[i];
        }
        av_packet_unref(packet.get());
    }
    return true;
}

// A job opens its input several times (probe, plan, cut): the scan of an unchanged file is
// done once.
bool cachedPacketSpans(const std::string& path, unsigned n, PacketSpans* spans) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    const std::string key = path + '\n' + std::to_string(st.st_size) + '\n' +
                            std::to_string(st.st_mtim.tv_sec) + '.' + std::to_string(st.st_mtim.tv_nsec);
    static std::mutex mutex;
    static std::map<std::string, PacketSpans> cache;
    {
        std::lock_guard lock(mutex);
        const auto found = cache.find(key);
        if (found != cache.end() && found->second.first.size() == n) {
            *spans = found->second;
            return true;
        }
    }
    if (!scanPackets(path, n, spans))
        return false;
    std::lock_guard lock(mutex);
    if (cache.size() >= 64)
        cache.clear();
    cache[key] = *spans;
    return true;
}

// Files written live (a browser's or camera's recording, a stream saved from a pipe) carry no
// duration in their header: it is read from the packets instead, on a second opening so that
// the caller's input stays at its start. The picture's average rate comes from the same count,
// since such files only give the time base (1 ms) as their rate.
void measureFromPackets(const std::string& path, AVFormatContext* format) {
    const unsigned n = format->nb_streams;
    PacketSpans spans;
    if (!cachedPacketSpans(path, n, &spans))
        return;
    const std::vector<int64_t>&first = spans.first, &latest = spans.latest, &end = spans.end,
          &count = spans.count;
    const int64_t origin = format->start_time == AV_NOPTS_VALUE ? 0 : format->start_time;
    int64_t last = AV_NOPTS_VALUE;
    for (unsigned i = 0; i < n; ++i) {
        AVStream* s = format->streams[i];
        if (end[i] == AV_NOPTS_VALUE)
            continue;
        s->duration = end[i] - first[i];
        if (isPicture(s) && count[i] > 1 && latest[i] > first[i]) {
            // Frame intervals over the time from the first picture to the last one (their
            // own lengths are often not stored).
            const double seconds = double(latest[i] - first[i]) * av_q2d(s->time_base);
            s->avg_frame_rate = av_d2q(double(count[i] - 1) / seconds, 1001000);
            const double frameTicks = double(latest[i] - first[i]) / double(count[i] - 1);
            s->duration = std::max(s->duration, latest[i] - first[i] + int64_t(std::llround(frameTicks)));
        }
        const int64_t e = av_rescale_q(first[i] + s->duration, s->time_base, AV_TIME_BASE_Q);
        last = last == AV_NOPTS_VALUE ? e : std::max(last, e);
    }
    if (last != AV_NOPTS_VALUE && last > origin)
        format->duration = last - origin;
}

// The file key of an unchanged file: its path, size and modification time.
bool fileKey(const std::string& path, std::string* key) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    *key = path + '\n' + std::to_string(st.st_size) + '\n' + std::to_string(st.st_mtim.tv_sec) + '.' +
           std::to_string(st.st_mtim.tv_nsec);
    return true;
}

constexpr int kMaxKeptExtradata = 1 << 16;

// Matroska indexes only its pictures' keyframes up front: the places of the other streams'
// packets join the index as their clusters are read. A file opened again without reading its
// first packets would miss the places of the sound read then, and a seek back to the start by
// the sound would land on the first picture, after the sound stored ahead of it.
bool indexGrowsWhileRead(const AVFormatContext* f) {
    return std::string(f->iformat->name).rfind("matroska", 0) == 0;
}

// What reading the first packets found about an input's streams, to be given to the same
// unchanged file when it is opened again.
class ProbedStreams {
public:
    struct Stream {
        std::unique_ptr<AVCodecParameters, void (*)(AVCodecParameters*)> par{nullptr, freeParameters};
        AVRational avgRate{}, realRate{}, aspect{};
        int64_t start = 0, duration = 0;
        std::vector<AVIndexEntry> index;
    };

    bool take(const AVFormatContext* f) {
        for (unsigned i = 0; i < f->nb_streams; ++i) {
            const AVStream* s = f->streams[i];
            // Attachments (fonts in Matroska) carry whole files: not worth keeping.
            if (s->codecpar->extradata_size > kMaxKeptExtradata)
                return false;
            Stream c;
            c.par.reset(avcodec_parameters_alloc());
            if (!c.par || avcodec_parameters_copy(c.par.get(), s->codecpar) < 0)
                return false;
            c.avgRate = s->avg_frame_rate;
            c.realRate = s->r_frame_rate;
            c.aspect = s->sample_aspect_ratio;
            c.start = s->start_time;
            c.duration = s->duration;
            if (indexGrowsWhileRead(f))
                for (int k = 0; k < avformat_index_get_entries_count(s); ++k)
                    c.index.push_back(*avformat_index_get_entry(f->streams[i], k));
            streams_.push_back(std::move(c));
        }
        start_ = f->start_time;
        duration_ = f->duration;
        bitRate_ = f->bit_rate;
        return true;
    }
    // False when `f` does not have the same streams (then nothing is changed), or when reading
    // its first packets found a sound stream's rate other than its header's (Opus in Matroska
    // names the rate it was encoded from, its packets count at 48 kHz): the demuxer times the
    // packets it reads by a rate of its own, set only by that reading (given the header's, it
    // made 20 ms packets of a 24 kHz source 40 ms long, and their times went back).
    bool give(AVFormatContext* f) const {
        if (f->nb_streams != streams_.size())
            return false;
        for (unsigned i = 0; i < f->nb_streams; ++i)
            if (f->streams[i]->codecpar->codec_type != streams_[i].par->codec_type ||
                f->streams[i]->codecpar->codec_id != streams_[i].par->codec_id ||
                f->streams[i]->codecpar->sample_rate != streams_[i].par->sample_rate)
                return false;
        for (unsigned i = 0; i < f->nb_streams; ++i) {
            AVStream* s = f->streams[i];
            const Stream& c = streams_[i];
            if (avcodec_parameters_copy(s->codecpar, c.par.get()) < 0)
                return false;
            s->avg_frame_rate = c.avgRate;
            s->r_frame_rate = c.realRate;
            s->sample_aspect_ratio = c.aspect;
            s->start_time = c.start;
            s->duration = c.duration;
            for (const AVIndexEntry& e : c.index)
                av_add_index_entry(s, e.pos, e.timestamp, e.size, e.min_distance, e.flags);
        }
        f->start_time = start_;
        f->duration = duration_;
        f->bit_rate = bitRate_;
        return true;
    }

private:
    static void freeParameters(AVCodecParameters* p) { avcodec_parameters_free(&p); }
    std::vector<Stream> streams_;
    int64_t start_ = 0, duration_ = 0, bitRate_ = 0;
};

// Containers that describe every stream in their header, with an index to read by: opening
// one again needs no decoding of its first frames.
bool headerDescribesStreams(const AVFormatContext* f) {
    if (f->ctx_flags & AVFMTCTX_NOHEADER)
        return false;
    const std::string name = f->iformat->name;
    return name.rfind("mov,", 0) == 0 || name.rfind("matroska", 0) == 0;
}

std::mutex gProbedMutex;
std::map<std::string, std::shared_ptr<const ProbedStreams>> gProbed;

// Reads the first packets of `f` (avformat_find_stream_info) unless the same unchanged file
// was read so before: a job and the windows open a file several times (probe, range check,
// cut, snapshot, the parts of a split).
int findStreamInfo(const std::string& path, AVFormatContext* f) {
    std::string key;
    const bool reusable = headerDescribesStreams(f) && fileKey(path, &key);
    if (reusable) {
        std::shared_ptr<const ProbedStreams> found;
        {
            std::lock_guard lock(gProbedMutex);
            const auto it = gProbed.find(key);
            if (it != gProbed.end())
                found = it->second;
        }
        if (found && found->give(f))
            return 0;
    }
    // The pictures decoded here only tell the stream's parameters, which the loop filter does
    // not change: a third less decoding on the path every job and window waits on.
    std::vector<AVDictionary*> options(f->nb_streams, nullptr);
    for (unsigned i = 0; i < f->nb_streams; ++i)
        if (f->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            av_dict_set(&options[i], "skip_loop_filter", "all", 0);
    const int r = avformat_find_stream_info(f, options.data());
    for (AVDictionary*& o : options)
        av_dict_free(&o);
    if (r < 0 || !reusable)
        return r;
    auto probed = std::make_shared<ProbedStreams>();
    if (probed->take(f)) {
        std::lock_guard lock(gProbedMutex);
        if (gProbed.size() >= 64)
            gProbed.clear();
        gProbed[key] = std::move(probed);
    }
    return r;
}

} // namespace

int openInput(const std::string& path, InputPtr* out, const std::atomic<bool>* stop,
              const std::function<void(int64_t read, int64_t total)>& progress, SourceIndex::Need need) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return logFailure("cannot open " + path, AVERROR(ENOENT));
    if (!S_ISREG(st.st_mode))
        return logFailure("not a file: " + path, AVERROR(EINVAL));
    if (st.st_size == 0)
        return logFailure("empty file " + path, AVERROR_INVALIDDATA);
    if (InputPtr kept = takeKeptInput(path)) {
        *out = std::move(kept);
        return 0;
    }
    int r = 0;
    InputPtr format = ff::openInput(path.c_str(), &r);
    if (!format)
        return logFailure("cannot open " + path, r);
    r = findStreamInfo(path, format.get());
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
    if (format->duration <= 0 || format->duration == AV_NOPTS_VALUE)
        measureFromPackets(path, format.get());
    // An MPEG stream's pictures are read by their index: each job and the player then place
    // every picture where every other reading places it. Film flagged 3:2 (NTSC discs and
    // broadcasts) gets the rate its pictures start at, not its sequence's: an encoder fed at the
    // sequence's rate would repeat some pictures and drop others, and a copy's container would
    // promise a picture every 1001/30000 s.
    if (const int v = firstVideoStream(format.get());
        v >= 0 && SourceIndex::attach(format.get(), v, stop, progress, need))
        if (const AVRational rate = SourceIndex::get(format.get())->flaggedRate(); rate.num > 0)
            format->streams[v]->avg_frame_rate = rate;
    // Also where the program's end stopped the reading of an index the opening needs.
    if (const int v = firstVideoStream(format.get());
        (stop && stop->load()) ||
        (v >= 0 && SourceIndex::readingStopped() && !SourceIndex::get(format.get()) &&
         SourceIndex::needed(format.get(), v, need)))
        return logFailure("stopped while reading " + path, AVERROR_EXIT);
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

AVRational pictureAspect(const AVFormatContext* format, const AVStream* stream) {
    // The container's value first (a phone's 4:3 clip may say so only there), then the stream's.
    const AVRational sar = av_guess_sample_aspect_ratio(const_cast<AVFormatContext*>(format),
                                                        const_cast<AVStream*>(stream), nullptr);
    return sar.num > 0 && sar.den > 0 ? sar : AVRational{1, 1};
}

int64_t durationUs(const AVFormatContext* format) {
    if (format->duration > 0)
        return av_rescale_q(format->duration, AV_TIME_BASE_Q, kMicro);
    int64_t best = 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* s = format->streams[i];
        if (s->duration > 0)
            best = std::max(best, av_rescale_q(s->duration, s->time_base, kMicro));
    }
    return best;
}

int64_t pictureDurationUs(const AVStream* stream) {
    const AVRational rate = streamFrameRate(stream);
    return rate.num > 0 && rate.den > 0 ? av_rescale_q(1, av_inv_q(rate), kMicro) : 0;
}

int64_t startTimeUs(const AVFormatContext* format) {
    return ff::timelineOriginUs(format, firstVideoStream(format));
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
    const AVRational sar = pictureAspect(format, s);
    info->aspect = p->height > 0 ? double(p->width) * av_q2d(sar) / p->height : 0.0;
    info->angle = streamRotation(s);
    mediarecords::writeText(info->lang, metadata(s->metadata, "language"));
    mediarecords::writeText(info->title, metadata(s->metadata, "title"));
    const char* pf = av_get_pix_fmt_name(static_cast<AVPixelFormat>(p->format));
    mediarecords::writeText(info->apsect, pf ? pf : "");
}

} // namespace mediacore
