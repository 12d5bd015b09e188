#include "OutputWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "CodecChoice.h"
#include "EncoderSend.h"
#include "EngineLog.h"

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/display.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
}

namespace mediacore {

namespace {

// Matroska's muxer writes an Opus packet at its time and stores the encoder's priming as the
// track's codec delay, which its reader takes off every time it reads (so that a stream starts
// with its first sample heard, not with the priming): written as it is, Opus comes back that
// much early, again with each copy. It is written that much later: in ticks of `st`.
int64_t readBackDelay(const AVFormatContext* format, const AVStream* st) {
    const AVCodecParameters* p = st->codecpar;
    if (p->codec_id != AV_CODEC_ID_OPUS || p->initial_padding <= 0 ||
        !av_match_name(format->oformat->name, "matroska,webm"))
        return 0;
    return av_rescale_q(p->initial_padding, AVRational{1, 48000}, st->time_base); // Opus counts at 48 kHz
}

void delayBy(AVPacket* packet, int64_t ticks) {
    if (packet->pts != AV_NOPTS_VALUE)
        packet->pts += ticks;
    if (packet->dts != AV_NOPTS_VALUE)
        packet->dts += ticks;
}

// Encoder settings: speed presets always, and quality defaults when no bit rate is asked for
// (close to the source by eye, and fast). `programStream`: the output times only the first
// picture of each pack.
void qualityDefaults(const AVCodec* codec, AVCodecContext* ctx, AVDictionary** options, bool haveBitRate,
                     bool sizeCapped, bool programStream) {
    const std::string name = codec->name;
    if (name == "libx264") {
        av_dict_set(options, "preset", "veryfast", 0);
        // libx264's lookahead hands decided frames to the frame threads through a queue of one
        // group of B-frames (four frames at this preset): the threads then often wait while it
        // decides the next group. Three groups keep them fed, about 4 % faster at 1080p on two
        // CPUs, with the same output; each queued frame holds ~6 MB at 1080p, so larger
        // pictures keep the short queue, and so do size-capped parts (frames inside the encoder
        // are weighed by a guess, and more of them end a part further under its cap).
        if (!sizeCapped && int64_t{ctx->width} * ctx->height <= int64_t{1920} * 1088)
            av_dict_set(options, "x264-params", "sync-lookahead=12", 0);
        if (!haveBitRate)
            av_dict_set(options, "crf", "20", 0);
    } else if (name == "libx265") {
        av_dict_set(options, "preset", "superfast", 0);
        av_dict_set(options, "x265-params", "log-level=error", 0);
        if (!haveBitRate)
            av_dict_set(options, "crf", "24", 0);
    } else if (name == "libvpx" || name == "libvpx-vp9") {
        av_dict_set(options, "deadline", "realtime", 0);
        // In real time VP8 takes a positive speed as a start and then chooses its own by how long
        // each picture took to encode: the same part came out of other sizes under other loads
        // (a size-capped part ended on another picture). A negative one is kept as it is.
        av_dict_set(options, "cpu-used", name == "libvpx" ? "-8" : "8", 0);
        if (name == "libvpx-vp9")
            av_dict_set(options, "row-mt", "1", 0);
        if (!haveBitRate) {
            av_dict_set(options, "crf", "32", 0);
            ctx->bit_rate = name == "libvpx" ? int64_t(ctx->width) * ctx->height * 4 : 0;
        }
    } else {
        // MPEG-1/2 into a program stream: two B-frames between anchors, as discs have them.
        // Without them these encoders still decode each picture a frame before it shows, and a
        // program stream, which times only the first picture of a pack, is read back with two
        // pictures at one time where an untimed one meets a timed one. Other containers time
        // every picture, and the B-frames would only slow the encoder (by half at 1080p).
        if (programStream && (name == "mpeg1video" || name == "mpeg2video"))
            ctx->max_b_frames = 2;
        // Codecs without a quality mode: about 0.15 bit per pixel and frame.
        const double fps = ctx->framerate.num > 0 ? av_q2d(ctx->framerate) : 25.0;
        if (!haveBitRate)
            ctx->bit_rate = int64_t(ctx->width * double(ctx->height) * fps * 0.15);
        // A size-capped part is short, and these encoders' rate control starts generous and
        // settles only after a few dozen pictures: a part of a dozen would come out at several
        // times its rate. A buffer of half a second, a quarter full at the start, holds every
        // stretch near it.
        if (sizeCapped && (name == "mpeg1video" || name == "mpeg2video" || name == "mpeg4")) {
            // (At least two pictures' share: a slide show of a picture a second has larger ones.)
            const int64_t picture = int64_t(double(ctx->bit_rate) * std::max(av_q2d(ctx->time_base), 0.0));
            ctx->rc_buffer_size =
                int(std::clamp<int64_t>(std::max(ctx->bit_rate / 2, 2 * picture), 1, INT_MAX / 2));
            ctx->rc_max_rate = ctx->bit_rate + ctx->bit_rate / 4;
            ctx->rc_initial_buffer_occupancy = ctx->rc_buffer_size / 4;
        }
    }
}

} // namespace

OutputWriter::~OutputWriter() {
    if (!finished_)
        discard();
}

int OutputWriter::create(const std::string& path) {
    path_ = path;
    const AVOutputFormat* guess = av_guess_format(nullptr, path.c_str(), nullptr);
    if (!guess)
        return logFailure("no container for the name " + path, AVERROR_MUXER_NOT_FOUND);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0)
        return logFailure("the output exists already: " + path, AVERROR(EEXIST));
    int r = createTemporary();
    if (r < 0)
        return r;
    AVFormatContext* format = nullptr;
    r = avformat_alloc_output_context2(&format, guess, nullptr, temporary_.c_str());
    if (r < 0)
        return logFailure("output container", r);
    format_.reset(format);
    return 0;
}

std::string OutputWriter::temporaryPath(const std::string& path, const std::string& unique) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty())
        return {};
    // Names may use 255 bytes: a long one is shortened so that its temporary name fits too.
    constexpr size_t kRoom = 255 - 1 - 1 - 16 - 7;
    if (name.size() > kRoom)
        name.resize(kRoom);
    return folder + "." + name + "." + unique + kTemporarySuffix;
}

int OutputWriter::createTemporary() {
    std::random_device device;
    std::mt19937_64 random((uint64_t(device()) << 32) ^ device() ^ uint64_t(::getpid()));
    for (int attempt = 0; attempt < 64; ++attempt) {
        char unique[17];
        std::snprintf(unique, sizeof unique, "%016llx", static_cast<unsigned long long>(random()));
        const std::string candidate = temporaryPath(path_, unique);
        if (candidate.empty())
            return logFailure("no file name in " + path_, AVERROR(EINVAL));
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            temporary_ = candidate;
            created_ = true;
            return 0;
        }
        if (errno != EEXIST)
            return logFailure("cannot create a file beside " + path_, AVERROR(errno));
    }
    return logFailure("no free temporary name beside " + path_, AVERROR(EEXIST));
}

// Gives the complete file its final name without ever replacing a file that took the name
// meanwhile: an exclusive rename, else (file systems without one) a hard link, else (file
// systems without links) a check just before a plain rename.
int OutputWriter::moveIntoPlace() {
    if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, path_.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    int e = errno;
    if (e == EINVAL || e == ENOSYS) {
        if (::link(temporary_.c_str(), path_.c_str()) == 0) {
            ::unlink(temporary_.c_str());
            return 0;
        }
        e = errno;
        if (e == EPERM || e == ENOSYS || e == EOPNOTSUPP) {
            struct stat st {};
            if (::lstat(path_.c_str(), &st) == 0)
                e = EEXIST;
            else if (::rename(temporary_.c_str(), path_.c_str()) == 0)
                return 0;
            else
                e = errno;
        }
    }
    return logFailure("cannot name the finished file " + path_, AVERROR(e));
}

const AVOutputFormat* OutputWriter::container() const {
    return format_ ? format_->oformat : nullptr;
}

int OutputWriter::openEncoderStream(AVCodecContext* ctx, AVDictionary** options, int* streamIndex) {
    if (format_->oformat->flags & AVFMT_GLOBALHEADER)
        ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // A failed open clears the context's codec: keep the name for the message.
    const AVCodec* codec = ctx->codec;
    int r = avcodec_open2(ctx, codec, options);
    av_dict_free(options);
    if (r < 0)
        return logFailure(std::string("cannot open the encoder ") + codec->name, r);
    AVStream* st = avformat_new_stream(format_.get(), nullptr);
    if (!st)
        return AVERROR(ENOMEM);
    r = avcodec_parameters_from_context(st->codecpar, ctx);
    if (r < 0)
        return logFailure("encoder parameters", r);
    st->time_base = ctx->time_base;
    *streamIndex = st->index;
    return 0;
}

int OutputWriter::addVideoEncoder(const VideoEncoding& encoding) {
    if (!format_ || !encoding.codec)
        return AVERROR(EINVAL);
    video_.reset(avcodec_alloc_context3(encoding.codec));
    if (!video_)
        return AVERROR(ENOMEM);
    AVCodecContext* c = video_.get();
    c->width = encoding.width;
    c->height = encoding.height;
    c->pix_fmt = encoding.format;
    c->time_base = encoding.timeBase;
    c->framerate = encoding.frameRate;
    c->sample_aspect_ratio = encoding.sampleAspect.num > 0 ? encoding.sampleAspect : AVRational{1, 1};
    c->thread_count = 0;
    if (encoding.bitRate > 0)
        c->bit_rate = encoding.bitRate;
    if (encoding.fieldOrder != AV_FIELD_PROGRESSIVE && encoding.fieldOrder != AV_FIELD_UNKNOWN &&
        (encoding.codec->id == AV_CODEC_ID_MPEG2VIDEO || encoding.codec->id == AV_CODEC_ID_H264)) {
        // Field motion search would make a 1080i MPEG-2 encode nearly twice as slow: the
        // pictures are coded and flagged as fields, their motion searched as frames.
        c->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
        c->field_order = encoding.fieldOrder;
    }
    AVDictionary* options = nullptr;
    qualityDefaults(encoding.codec, c, &options, encoding.bitRate > 0, encoding.sizeCapped,
                    av_match_name(format_->oformat->name, "mpeg,vob,dvd,svcd,vcd") != 0);
    const int r = openEncoderStream(c, &options, &videoStream_);
    if (r < 0) {
        video_.reset();
        return r;
    }
    AVStream* st = format_->streams[videoStream_];
    st->avg_frame_rate = encoding.frameRate;
    st->sample_aspect_ratio = c->sample_aspect_ratio;
    if (encoding.rotation % 360 != 0) {
        auto* matrix = reinterpret_cast<int32_t*>(
            av_stream_new_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
        if (matrix)
            // The matrix is set by a clockwise angle (and read back counter-clockwise).
            av_display_rotation_set(matrix, encoding.rotation);
    }
    return 0;
}

int OutputWriter::openAudioEncoder(const AudioEncoding& encoding) {
    audio_.reset(avcodec_alloc_context3(encoding.codec));
    if (!audio_)
        return AVERROR(ENOMEM);
    AVCodecContext* c = audio_.get();
    c->sample_rate = encoding.sampleRate;
    c->ch_layout = pickChannelLayout(encoding.codec, encoding.channels);
    c->sample_fmt = encoding.format;
    c->time_base = {1, encoding.sampleRate};
    if (encoding.quality >= -1) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = encoding.quality * FF_QP2LAMBDA;
    } else {
        c->bit_rate = fitBitRate(encoding.codec, encoding.sampleRate, encoding.channels, encoding.bitRate);
    }
    AVDictionary* options = nullptr;
    // Into AVI the encoder's priming packets are left out (SoundPriming): the packets after them
    // must hold all of their own bits.
    if (encoding.codec->id == AV_CODEC_ID_MP3 && std::strcmp(format_->oformat->name, "avi") == 0)
        av_dict_set(&options, "reservoir", "0", 0);
    soundEncoderOptions(encoding.codec, encoding.sampleRate, &options);
    const int r = openEncoderStream(c, &options, &audioStream_);
    if (r < 0)
        audio_.reset();
    return r;
}

int OutputWriter::addAudioEncoder(const AudioEncoding& encoding) {
    if (!format_ || !encoding.codec)
        return AVERROR(EINVAL);
    // The rate and channels the encoder takes, nearest to those asked; the sound graph is built
    // for what the encoder was opened with.
    AudioEncoding e = encoding;
    e.sampleRate = pickSampleRate(e.codec, e.sampleRate);
    e.channels = pickChannels(e.codec, e.channels);
    int r = openAudioEncoder(e);
    // Encoders that list no rates or layouts may still refuse high rates or many channels: the
    // sound is then resampled, and if need be down-mixed, to what every such encoder takes.
    if (r < 0 && e.sampleRate > 48000) {
        e.sampleRate = e.sampleRate % 11025 == 0 ? 44100 : 48000;
        logInfo("sound resampled to " + std::to_string(e.sampleRate) + " Hz for " + e.codec->name);
        r = openAudioEncoder(e);
    }
    // Vorbis takes a bit rate only within what its tables allow for the rate and channels (a
    // mono 22.05 kHz stream 16 to 64 kbit/s): outside them, a quality of about that rate.
    if (r < 0) {
        e.quality =
            qualityForBitRate(e.codec, e.channels, fitBitRate(e.codec, e.sampleRate, e.channels, e.bitRate));
        if (e.quality >= -1) {
            logInfo(std::string("sound encoded with ") + e.codec->name + " at quality " +
                    std::to_string(e.quality));
            r = openAudioEncoder(e);
        }
    }
    if (r < 0 && e.channels > 2) {
        e.channels = 2;
        logInfo(std::string("sound down-mixed to stereo for ") + e.codec->name);
        r = openAudioEncoder(e);
    }
    if (r < 0)
        return r;
    fifo_.reset(av_audio_fifo_alloc(audio_->sample_fmt, audio_->ch_layout.nb_channels, 4096));
    return fifo_ ? 0 : AVERROR(ENOMEM);
}

int OutputWriter::addCopy(Kind kind, const AVStream* source, bool aspectInPictures) {
    if (!format_.get())
        return AVERROR(EINVAL);
    AVStream* st = avformat_new_stream(format_.get(), nullptr);
    if (!st)
        return AVERROR(ENOMEM);
    int r = avcodec_parameters_copy(st->codecpar, source->codecpar);
    if (r < 0)
        return logFailure("stream copy", r);
    // The source container's tag may mean something else here; the muxer picks its own.
    st->codecpar->codec_tag = 0;
    st->time_base = source->time_base;
    st->avg_frame_rate = source->avg_frame_rate;
    st->r_frame_rate = source->r_frame_rate;
    // The container's pixel shape, when it gives one, is the one players use: the copy keeps
    // it in both places, which muxers require to agree.
    st->sample_aspect_ratio = source->sample_aspect_ratio;
    if (source->sample_aspect_ratio.num > 0 && source->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
        st->codecpar->sample_aspect_ratio = source->sample_aspect_ratio;
    if (aspectInPictures)
        st->sample_aspect_ratio = st->codecpar->sample_aspect_ratio = {0, 1};
    size_t size = 0;
    if (const uint8_t* m = av_stream_get_side_data(source, AV_PKT_DATA_DISPLAYMATRIX, &size)) {
        if (uint8_t* d = av_stream_new_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, size))
            std::memcpy(d, m, size);
    }
    if (kind == Audio)
        keepFrameTiming(st->codecpar);
    (kind == Video ? videoStream_ : audioStream_) = st->index;
    copied_[kind == Video ? 0 : 1] = true;
    if (kind == Video)
        fields_.emplace(st->codecpar);
    copyTags(kind, source);
    return 0;
}

// AVI gives AAC a block size (the most bytes a frame may take, for its header), and MP3 and
// AC-3 one of a frame's samples or 1, which is no sample size: copied into an AVI with it, the
// sound would be timed by its bytes and play its packets of varying size at the wrong times (an
// MP3 at 8 kHz two or three packets on one time). Without it the sound is timed frame by frame.
void OutputWriter::keepFrameTiming(AVCodecParameters* par) {
    const int b = par->block_align;
    if ((par->codec_id == AV_CODEC_ID_AAC && par->frame_size > 0) || par->codec_id == AV_CODEC_ID_AC3 ||
        (par->codec_id == AV_CODEC_ID_MP3 && (b == 1 || b == 576 || b == 1152)))
        par->block_align = 0;
}

void OutputWriter::copyTags(Kind kind, const AVStream* source) {
    const int index = kind == Video ? videoStream_ : audioStream_;
    if (!format_ || index < 0 || !source)
        return;
    AVStream* st = format_->streams[index];
    for (const char* key : {"language", "title"})
        if (const AVDictionaryEntry* e = av_dict_get(source->metadata, key, nullptr, 0))
            av_dict_set(&st->metadata, key, e->value, 0);
    st->disposition = source->disposition & (AV_DISPOSITION_DEFAULT | AV_DISPOSITION_FORCED);
}

int OutputWriter::addOtherCopy(const AVStream* source) {
    // Added like the main sound's copy, then moved aside: the main slots stay as they were.
    const int mainAudio = audioStream_;
    const bool mainCopied = copied_[1];
    const int r = addCopy(Audio, source);
    if (r >= 0)
        others_.push_back({source->index, audioStream_, AV_NOPTS_VALUE});
    audioStream_ = mainAudio;
    copied_[1] = mainCopied;
    return r;
}

int OutputWriter::writeOtherPacket(int sourceIndex, AVPacket* packet, AVRational timeBase) {
    auto o = std::find_if(others_.begin(), others_.end(),
                          [&](const OtherStream& x) { return x.source == sourceIndex; });
    if (!started_ || o == others_.end())
        return AVERROR(EINVAL);
    AVStream* st = format_->streams[o->output];
    packet->stream_index = st->index;
    av_packet_rescale_ts(packet, timeBase, st->time_base);
    if (packet->dts == AV_NOPTS_VALUE)
        packet->dts = packet->pts;
    if (o->lastDts != AV_NOPTS_VALUE && packet->dts != AV_NOPTS_VALUE && packet->dts <= o->lastDts)
        return 0; // a repeat across a seek would break the muxer's order
    o->lastDts = packet->dts;
    packetBytes_ += packet->size;
    ++packets_;
    delayBy(packet, readBackDelay(format_.get(), st));
    const int r = av_interleaved_write_frame(format_.get(), packet);
    return r < 0 ? logFailure("writing " + path_, r) : 0;
}

// Runs `body` with `other`'s encoder in the main sound's place, so that the main sound's
// encoding path (its fifo of whole frames, its flush) serves every sound stream.
template <class Body> int OutputWriter::asMainSound(OtherEncoder& other, Body body) {
    bool copied = false;
    const auto exchange = [&] {
        std::swap(audio_, other.codec);
        std::swap(fifo_, other.fifo);
        std::swap(audioNextPts_, other.nextPts);
        std::swap(priming_, other.priming);
        std::swap(audioStream_, other.stream);
        std::swap(copied_[1], copied);
    };
    exchange();
    const int r = body();
    exchange();
    return r;
}

int OutputWriter::addOtherAudioEncoder(const AudioEncoding& encoding, const AVStream* source) {
    if (!format_ || started_)
        return AVERROR(EINVAL);
    otherEncoders_.emplace_back();
    const int r = asMainSound(otherEncoders_.back(), [&] {
        const int e = addAudioEncoder(encoding);
        if (e >= 0)
            copyTags(Audio, source);
        return e;
    });
    if (r < 0) {
        otherEncoders_.pop_back();
        return r;
    }
    return int(otherEncoders_.size()) - 1;
}

AVCodecContext* OutputWriter::otherEncoder(int number) const {
    return number >= 0 && size_t(number) < otherEncoders_.size() ? otherEncoders_[size_t(number)].codec.get()
                                                                 : nullptr;
}

int OutputWriter::writeOtherFrame(int number, AVFrame* frame) {
    if (number < 0 || size_t(number) >= otherEncoders_.size())
        return AVERROR(EINVAL);
    return asMainSound(otherEncoders_[size_t(number)], [&] { return writeFrame(Audio, frame); });
}

void OutputWriter::releaseOtherEncoders() {
    otherEncoders_.clear();
}

int OutputWriter::setCopyExtradata(Kind kind, const uint8_t* data, int size) {
    const int index = kind == Video ? videoStream_ : audioStream_;
    if (!format_ || started_ || index < 0 || size <= 0)
        return AVERROR(EINVAL);
    AVCodecParameters* par = format_->streams[index]->codecpar;
    auto* copy = static_cast<uint8_t*>(av_mallocz(size_t(size) + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!copy)
        return AVERROR(ENOMEM);
    std::memcpy(copy, data, size_t(size));
    av_freep(&par->extradata);
    par->extradata = copy;
    par->extradata_size = size;
    return 0;
}

int OutputWriter::start() {
    if (!format_.get())
        return AVERROR(EINVAL);
    // The temporary file was just created empty: opened again without truncating it, since on
    // ext4 a file truncated to nothing is flushed to the disk as soon as it is closed (a guard for
    // programs that rewrite a file in place), which would stall every finished output.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "truncate", "0", 0);
    int r = avio_open2(&format_->pb, temporary_.c_str(), AVIO_FLAG_WRITE, nullptr, &options);
    av_dict_free(&options);
    if (r < 0)
        return logFailure("cannot write " + path_, r);
    r = avformat_write_header(format_.get(), nullptr);
    if (r < 0)
        return logFailure("cannot start " + path_, r);
    started_ = true;
    headerBytes_ = avio_tell(format_->pb);
    return 0;
}

// Copied streams get their decoding times rebuilt from the presentation times: some demuxers
// leave them unset for reordered frames, and clips joined from several files must rise across
// the seams. The oldest of the last (delay + 1) presentation times is the one to decode now.
// Some packets carry no presentation time (MPEG program streams give one only now and then, AVI
// none at all): such a packet still takes its turn of decoding time, a tick after the one
// before it, and its decoder places it among the pictures shown. Its place is not guessed: a
// guess past the pictures so far is wrong for a B-frame, and the reordering built on it then
// decoded a later picture before an earlier one.
void OutputWriter::rebuildDts(int k, AVPacket* packet, const AVStream* st) {
    if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO && packet->pts != AV_NOPTS_VALUE) {
        // A packet whose sound is all skipped, which only primes the decoder for the one after
        // it, goes in at that one's time (its length in the container's clock may be rounded up
        // by a millisecond).
        size_t size = 0;
        const uint8_t* skip = av_packet_get_side_data(packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
        const int rate = st->codecpar->sample_rate;
        if (skip && size >= 10 && packet->duration > 0 && rate > 0 &&
            AV_RL32(skip + 4) + rate / 500 >= av_rescale_q(packet->duration, st->time_base, {1, rate})) {
            packet->dts = packet->pts;
            return;
        }
        // Sound is decoded in the order it plays: each packet at its own time. A decoding time
        // rebuilt as a picture's lags a packet behind: an MP4 (which times sound by its decoding
        // times) would play every packet one packet early, and MPEG streams' readers would give
        // two packets one time.
        if (lastDts_[k] != AV_NOPTS_VALUE && packet->pts <= lastDts_[k])
            packet->pts = lastDts_[k] + 1;
        packet->dts = lastDts_[k] = packet->pts;
        return;
    }
    // MPEG streams give pictures their decoding times, also pictures they give no presentation
    // time (MPEG-1/2, and MPEG-4 Part 2's B pictures, whose decoding times a rebuild would put a
    // picture late: a program stream's reader then gives two of them one time), or leave both out (H.264, the
    // second field of a camera's interlaced picture). Readers place such a picture by the times around it:
    // these are the source's (from such a picture on, when the caller did not ask for them), as a rebuilt
    // decoding time a frame later than the source's would have readers give it the time of another picture.
    // So are a stream's coded in fields, even where each field has a time: decoding times rebuilt
    // from those would take the two packets of one picture for two pictures in display order.
    // AVI places a picture by its decoding time alone (a chunk per frame, gaps filled with empty
    // ones): a copy keeps the source's, as one rebuilt from the shown times lags behind them.
    const AVCodecID id = st->codecpar->codec_id;
    const bool avi = std::strcmp(format_->oformat->name, "avi") == 0 && packet->dts != AV_NOPTS_VALUE;
    ownDts_[k] = ownDts_[k] || id == AV_CODEC_ID_MPEG1VIDEO || id == AV_CODEC_ID_MPEG2VIDEO ||
                 id == AV_CODEC_ID_MPEG4 || packet->pts == AV_NOPTS_VALUE || copiesFields(packet) || avi;
    if (ownDts_[k] && packet->dts != AV_NOPTS_VALUE) {
        if (lastDts_[k] != AV_NOPTS_VALUE && packet->dts <= lastDts_[k])
            packet->dts = lastDts_[k] + 1;
        if (packet->pts != AV_NOPTS_VALUE && packet->dts > packet->pts)
            packet->pts = packet->dts;
        lastDts_[k] = packet->dts;
        return;
    }
    std::vector<int64_t>& buffer = ptsBuffer_[k];
    const int64_t step = packet->duration > 0 ? packet->duration : 1;
    if (packet->pts == AV_NOPTS_VALUE) {
        // A stream's first picture goes in with a time (a transport stream's muxer refuses one
        // without): a copy starts on a keyframe, shown first, at the start of the output. MPEG-1
        // and MPEG-2 copies keep the source's decoding times, which a time made up here would
        // not fit.
        if (packet->dts == AV_NOPTS_VALUE && lastDts_[k] == AV_NOPTS_VALUE && id != AV_CODEC_ID_MPEG1VIDEO &&
            id != AV_CODEC_ID_MPEG2VIDEO)
            packet->pts = packet->dts = 0;
        // The source's decoding time when it gives one (AVI's), kept rising.
        if (lastDts_[k] != AV_NOPTS_VALUE &&
            (!buffer.empty() || packet->dts == AV_NOPTS_VALUE || packet->dts <= lastDts_[k]))
            packet->dts = lastDts_[k] + 1;
        if (packet->dts != AV_NOPTS_VALUE)
            lastDts_[k] = packet->dts;
        return;
    }
    const size_t size = size_t(std::max(0, st->codecpar->video_delay)) + 1;
    if (buffer.empty())
        for (size_t i = 0; i < size; ++i)
            buffer.push_back(packet->pts - int64_t(size - i) * step);
    buffer.push_back(packet->pts);
    std::sort(buffer.begin(), buffer.end());
    packet->dts = buffer.front();
    buffer.erase(buffer.begin());
    if (lastDts_[k] != AV_NOPTS_VALUE && packet->dts <= lastDts_[k])
        packet->dts = lastDts_[k] + 1;
    if (packet->pts != AV_NOPTS_VALUE && packet->dts > packet->pts)
        packet->dts = packet->pts;
    lastDts_[k] = packet->dts;
}

// Whether the copied picture stream is coded in fields, by its packets so far and `packet`.
bool OutputWriter::copiesFields(const AVPacket* packet) {
    if (!fields_)
        return false;
    fields_->secondField(packet);
    return fields_->fieldsSeen();
}

// Copied pictures that keep the source's decoding times go out one packet late. Streams copied
// from MPEG program streams give two neighbouring pictures one presentation time now and then (one
// picture took the time of the next): a decoder then shows two pictures at one time. Neither of
// the two can be told to be right, so both lose it and are placed by their decoding times, as the
// pictures that carry no time are.
int OutputWriter::mux(Kind kind, AVPacket* packet, AVRational timeBase) {
    AVStream* st = format_->streams[kind == Video ? videoStream_ : audioStream_];
    packet->stream_index = st->index;
    av_packet_rescale_ts(packet, timeBase, st->time_base);
    if (kind != Video || !copied_[0] || !ownDts_[0])
        return muxRescaled(kind, packet, st);
    if (!heldPicture_) {
        heldPicture_ = makePacket();
        av_packet_move_ref(heldPicture_.get(), packet);
        return 0;
    }
    if (heldPicture_->pts != AV_NOPTS_VALUE && heldPicture_->pts == packet->pts)
        heldPicture_->pts = packet->pts = AV_NOPTS_VALUE;
    const int r = muxRescaled(kind, heldPicture_.get(), st);
    av_packet_move_ref(heldPicture_.get(), packet);
    return r;
}

int OutputWriter::muxHeldPicture() {
    if (!heldPicture_ || !heldPicture_->data)
        return 0;
    const int r = muxRescaled(Video, heldPicture_.get(), format_->streams[videoStream_]);
    heldPicture_.reset();
    return r;
}

int OutputWriter::muxRescaled(Kind kind, AVPacket* packet, AVStream* st) {
    const int k = kind == Video ? 0 : 1;
    if (copied_[k])
        rebuildDts(k, packet, st);
    const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (ts != AV_NOPTS_VALUE)
        writtenUs_ = std::max(
            writtenUs_, av_rescale_q(ts + std::max<int64_t>(0, packet->duration), st->time_base, kMicro));
    packetBytes_ += packet->size;
    ++packets_;
    if (kind == Video) {
        if (videoPacketsOut_++ == 0)
            firstVideoBytes_ = packet->size;
        else
            leastVideoBytes_ =
                leastVideoBytes_ > 0 ? std::min<int64_t>(leastVideoBytes_, packet->size) : packet->size;
        videoBytes_ += packet->size;
    }
    delayBy(packet, readBackDelay(format_.get(), st));
    const int r = av_interleaved_write_frame(format_.get(), packet);
    if (r < 0)
        return logFailure("writing " + path_, r);
    return 0;
}

int OutputWriter::drain(Kind kind) {
    AVCodecContext* c = encoder(kind);
    for (;;) {
        int r = avcodec_receive_packet(c, packet_.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return 0;
        if (r < 0)
            return logFailure(std::string("encoding with ") + c->codec->name, r);
        if (kind == Audio)
            r = priming_.pass(packet_.get(), c->frame_size,
                              [&](AVPacket* p) { return mux(kind, p, c->time_base); });
        else
            r = mux(kind, packet_.get(), c->time_base);
        av_packet_unref(packet_.get());
        if (r < 0)
            return r;
    }
}

int OutputWriter::encodeAudioFromFifo(bool flush) {
    AVCodecContext* c = audio_.get();
    const bool variable = c->frame_size <= 0 || (c->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    const int chunk = variable ? 1024 : c->frame_size;
    while (av_audio_fifo_size(fifo_.get()) >= chunk || (flush && av_audio_fifo_size(fifo_.get()) > 0)) {
        const int n = std::min(chunk, av_audio_fifo_size(fifo_.get()));
        FramePtr f = makeFrame();
        f->nb_samples = n;
        f->format = c->sample_fmt;
        f->sample_rate = c->sample_rate;
        av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
        int r = av_frame_get_buffer(f.get(), 0);
        if (r < 0)
            return r;
        av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(f->data), n);
        f->pts = audioNextPts_;
        audioNextPts_ += n;
        r = avcodec_send_frame(c, f.get());
        if (r < 0)
            return logFailure(std::string("encoding with ") + c->codec->name, r);
        if ((r = drain(Audio)) < 0)
            return r;
    }
    return 0;
}

// `samples` of silence after the sound in the FIFO.
int OutputWriter::putSilence(int samples) {
    uint8_t** silence = nullptr;
    const int channels = audio_->ch_layout.nb_channels;
    int r = av_samples_alloc_array_and_samples(&silence, nullptr, channels, samples, audio_->sample_fmt, 0);
    if (r < 0)
        return r;
    av_samples_set_silence(silence, 0, samples, channels, audio_->sample_fmt);
    r = av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(silence), samples) < samples
            ? AVERROR(ENOMEM)
            : 0;
    av_freep(&silence[0]);
    av_freep(&silence);
    return r;
}

// The sound's clock starts at its first frame; an encoder whose priming is taken off (see
// SoundPriming) is given silence before it.
int OutputWriter::beginSound(const AVFrame* first) {
    audioNextPts_ = first->pts != AV_NOPTS_VALUE ? first->pts : 0;
    const int lead = SoundPriming::leadSamples(audio_.get(), container());
    if (lead <= 0)
        return 0;
    const int r = putSilence(lead);
    priming_.begin(audioNextPts_, !av_match_name(container()->name, "matroska,webm"));
    audioNextPts_ -= lead;
    return r;
}

// Sound that pauses with the pictures (a recording paused and resumed) keeps its pause: the
// samples are encoded one after another, so a frame that starts well after the samples before
// it end is given silence before it. Small gaps, a packet lost or times rounded, close up.
int OutputWriter::keepSoundPause(const AVFrame* frame) {
    if (frame->pts == AV_NOPTS_VALUE || audioNextPts_ == AV_NOPTS_VALUE)
        return 0;
    const int64_t end = audioNextPts_ + av_audio_fifo_size(fifo_.get());
    const int64_t gap = frame->pts - end;
    constexpr int64_t kMostSilence = 60; // seconds: further on, the times are broken, not paused
    const int64_t rate = audio_->sample_rate;
    if (gap <= std::max<int64_t>(rate / 10, 2 * int64_t(frame->nb_samples)) || gap > kMostSilence * rate)
        return 0;
    // A second of silence at a time, encoded as it goes, so that the pause takes little memory.
    int r = 0;
    for (int64_t left = gap; left > 0 && r >= 0; left -= rate)
        if ((r = putSilence(int(std::min(left, rate)))) >= 0)
            r = encodeAudioFromFifo(false);
    return r;
}

int OutputWriter::writeFrame(Kind kind, AVFrame* frame) {
    AVCodecContext* c = encoder(kind);
    if (!c || !started_)
        return AVERROR(EINVAL);
    int r = 0;
    if (kind == Audio) {
        if (frame) {
            if (audioNextPts_ == AV_NOPTS_VALUE && (r = beginSound(frame)) < 0)
                return r;
            if ((r = keepSoundPause(frame)) < 0)
                return r;
            if (av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(frame->extended_data),
                                    frame->nb_samples) < 0)
                return AVERROR(ENOMEM);
            return encodeAudioFromFifo(false);
        }
        if (audioNextPts_ == AV_NOPTS_VALUE)
            audioNextPts_ = 0;
        r = encodeAudioFromFifo(true);
        if (r < 0)
            return r;
        r = avcodec_send_frame(c, nullptr);
        if (r < 0 && r != AVERROR_EOF)
            return logFailure("flushing the sound encoder", r);
        return drain(Audio);
    }
    if (frame) {
        frame->pict_type = AV_PICTURE_TYPE_NONE;
        ++videoFramesIn_;
    }
    r = sendPicture(c, frame);
    if (r < 0 && !(r == AVERROR_EOF && !frame))
        return logFailure(std::string("encoding with ") + c->codec->name, r);
    // libx265 with B-frames dates the decoding of its first frames back by the time from its
    // first picture to its second or third (as deep as it reorders), which it learns only once
    // it is given that many: given fewer, their decoding times are whatever its memory held (the
    // MP4 muxer refuses such a pair, other containers would start the file that far back).
    if (!frame && videoFramesIn_ < 3 && videoPacketsOut_ == 0 && std::strcmp(c->codec->name, "libx265") == 0)
        return drainRetimed();
    return drain(Video);
}

// The last few frames of an encoder whose decoding times cannot be trusted, with decoding times
// made from their presentation times: in the order they come, the earliest presentation times,
// moved back together by as little as keeps every frame decoded at or before it is shown.
int OutputWriter::drainRetimed() {
    AVCodecContext* c = video_.get();
    std::vector<PacketPtr> packets;
    std::vector<int64_t> times;
    for (;;) {
        PacketPtr p = makePacket();
        const int r = avcodec_receive_packet(c, p.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            break;
        if (r < 0)
            return logFailure(std::string("encoding with ") + c->codec->name, r);
        if (p->pts == AV_NOPTS_VALUE)
            return logFailure(std::string("encoding with ") + c->codec->name, AVERROR_INVALIDDATA);
        times.push_back(p->pts);
        packets.push_back(std::move(p));
    }
    std::sort(times.begin(), times.end());
    int64_t back = 0;
    for (size_t i = 0; i < packets.size(); ++i)
        back = std::max(back, times[i] - packets[i]->pts);
    for (size_t i = 0; i < packets.size(); ++i) {
        packets[i]->dts = times[i] - back;
        if (const int r = mux(Video, packets[i].get(), c->time_base); r < 0)
            return r;
    }
    return 0;
}

int OutputWriter::writePacket(Kind kind, AVPacket* packet, AVRational timeBase) {
    if (!started_)
        return AVERROR(EINVAL);
    return mux(kind, packet, timeBase);
}

int OutputWriter::finish() {
    if (!started_)
        return AVERROR(EINVAL);
    int r = 0;
    if (video_ && (r = writeFrame(Video, nullptr)) < 0)
        return r;
    if (audio_ && (r = writeFrame(Audio, nullptr)) < 0)
        return r;
    for (size_t i = 0; i < otherEncoders_.size(); ++i)
        if ((r = writeOtherFrame(int(i), nullptr)) < 0)
            return r;
    if ((r = muxHeldPicture()) < 0)
        return r;
    // A file without a single packet holds nothing of its source (which could not be read).
    if (packets_ == 0)
        return logFailure("nothing could be written to " + path_, AVERROR_INVALIDDATA);
    r = av_write_trailer(format_.get());
    if (r < 0)
        return logFailure("finishing " + path_, r);
    r = avio_closep(&format_->pb);
    if (r < 0)
        return logFailure("closing " + path_, r);
    if ((r = moveIntoPlace()) < 0)
        return r;
    format_.reset();
    fifo_.reset();
    releaseOtherEncoders();
    finished_ = true;
    return 0;
}

void OutputWriter::discard() {
    format_.reset();
    fifo_.reset();
    releaseOtherEncoders();
    video_.reset();
    audio_.reset();
    if (created_ && !finished_) {
        ::unlink(temporary_.c_str());
        created_ = false;
    }
}

int64_t OutputWriter::estimatedFinalBytes(bool least) const {
    // Index tables grow by a few bytes per packet (sizes, times, offsets); frames still inside
    // the video encoder will come out at about the average size so far, leaving out the opening
    // keyframe, which weighs as much as many of the frames after it (or, for the least the file
    // may come to, at the smallest so far).
    const int64_t pending = std::max<int64_t>(0, videoFramesIn_ - videoPacketsOut_);
    int64_t average = least && leastVideoBytes_ > 0 ? leastVideoBytes_
                      : videoPacketsOut_ > 1 ? (videoBytes_ - firstVideoBytes_) / (videoPacketsOut_ - 1)
                      : videoPacketsOut_ > 0 ? videoBytes_
                                             : 0;
    if (videoPacketsOut_ == 0 && video_)
        average = int64_t(video_->width) * video_->height / 10;
    // Containers that wrap every packet (MPEG-TS cells of 188 bytes, pack headers, fixed-size
    // packets) add to it in proportion: the ratio the file shows so far is applied to the rest.
    double wrapping = 1.0;
    const int64_t written = format_ && format_->pb ? avio_tell(format_->pb) - headerBytes_ : 0;
    // Small pictures (a few dozen bytes each) weigh several times as much once wrapped: a part
    // capped at a few kilobytes measures it from its first packets.
    if ((packetBytes_ > 16384 || packets_ >= 16) && written > packetBytes_)
        wrapping = double(written) / double(packetBytes_);
    const int64_t held = heldPicture_ && heldPicture_->data ? heldPicture_->size : 0;
    const double payload = double(packetBytes_ + held + pending * average) * wrapping;
    return headerBytes_ + int64_t(payload) + (packets_ + pending) * 24 + 4096;
}

} // namespace mediacore
