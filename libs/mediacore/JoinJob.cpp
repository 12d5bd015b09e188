#include "JoinJob.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <sys/stat.h>

#include "EngineLog.h"
#include "RisingValue.h"
#include "FfPointers.h"
#include "FxGraph.h"
#include "JoinBlend.h"
#include "OutputWriter.h"
#include "SourceEnd.h"
#include "SourceReader.h"
#include "StreamProbe.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace mediacore {

namespace {

constexpr AVRational kMicro{1, 1000000};
constexpr int64_t kEpsilon = 1000;

bool sameBytes(const uint8_t* a, int na, const uint8_t* b, int nb) {
    return na == nb && (na == 0 || std::memcmp(a, b, size_t(na)) == 0);
}

// Opens `codec` through `open`; when that fails and the codec was not named by the caller but
// taken from the first clip (a picture format, a camera's Motion JPEG), the container's own
// encoder takes its place.
template <class Open>
int openWithFallback(const CodecSetting& setting, const AVCodec* codec, const AVCodec* fallback, Open open) {
    if (!codec)
        return AVERROR_ENCODER_NOT_FOUND;
    int r = open(codec);
    if (r < 0 && setting.kind != CodecSetting::Named && fallback && fallback != codec) {
        logInfo(std::string("the join is encoded with ") + fallback->name + " instead of " + codec->name);
        r = open(fallback);
    }
    return r;
}

} // namespace

JoinJob::~JoinJob() {
    stop_ = true;
    std::unique_lock lock(runMutex_);
    runEnded_.wait(lock, [this] { return !running_; });
}

int JoinJob::setOutput(const std::string& path) {
    struct stat st {};
    if (path.empty())
        return logFailure("empty output path", AVERROR(EINVAL));
    if (::stat(path.c_str(), &st) == 0)
        return logFailure("the output exists already: " + path, AVERROR(EEXIST));
    if (!av_guess_format(nullptr, path.c_str(), nullptr))
        return logFailure("no container for the name " + path, AVERROR_MUXER_NOT_FOUND);
    output_ = path;
    return 1;
}

uint64_t JoinJob::addClip(const std::string& path, int64_t startUs, int64_t endUs) {
    InputPtr probe;
    if (openInput(path, &probe) < 0)
        return 0;
    // The clip holds what its streams hold: a header may claim far more.
    const int64_t d = contentEndUs(probe.get(), firstVideoStream(probe.get()), firstAudioStream(probe.get()));
    if (d <= 0) {
        logFailure("no duration in " + path, AVERROR_INVALIDDATA);
        return 0;
    }
    Clip c;
    c.path = path;
    c.start = std::max<int64_t>(0, startUs);
    c.end = endUs == 0 ? d : std::min(endUs, d);
    c.toFileEnd = c.end >= d - kEpsilon;
    if (c.end - c.start < 1000) {
        logFailure("empty clip range of " + path, AVERROR(EINVAL));
        return 0;
    }
    c.hasVideo = firstVideoStream(probe.get()) >= 0;
    c.hasAudio = firstAudioStream(probe.get()) >= 0;
    c.id = nextId_++;
    clips_.push_back(c);
    return c.id;
}

JoinJob::Clip* JoinJob::find(uint64_t id) {
    for (Clip& c : clips_)
        if (c.id == id)
            return &c;
    return nullptr;
}

int JoinJob::setVolume(uint64_t clip, int percent) {
    Clip* c = find(clip);
    if (!c)
        return logFailure("no clip " + std::to_string(clip), AVERROR(EINVAL));
    if (percent < 0)
        return logFailure("clip volume", AVERROR(EINVAL));
    c->volume = std::min(percent, 200);
    return 1;
}

int JoinJob::setTransition(uint64_t clip, int effect, int64_t lengthUs) {
    Clip* c = find(clip);
    if (!c)
        return logFailure("no clip " + std::to_string(clip), AVERROR(EINVAL));
    if (effect < 0 || effect > 3 || lengthUs < 0)
        return logFailure("transition", AVERROR(EINVAL));
    c->transition = effect;
    c->transitionUs = effect == 0 ? 0 : lengthUs;
    return 1;
}

void JoinJob::reportProgress(int64_t doneUs) {
    if (totalUs_ <= 0)
        return;
    const double p = std::clamp(double(doneUs) * 100.0 / double(totalUs_), 0.0, 99.9);
    raiseTo(progress_, p);
}

int JoinJob::start() {
    {
        std::lock_guard lock(runMutex_);
        if (running_)
            return logFailure("the join runs already", AVERROR(EBUSY));
        running_ = true;
    }
    const int r = stop_ ? 0 : run();
    {
        std::lock_guard lock(runMutex_);
        running_ = false;
    }
    runEnded_.notify_all();
    return r;
}

int JoinJob::run() {
    if (output_.empty())
        return logFailure("no output path", AVERROR(EINVAL));
    if (clips_.empty())
        return logFailure("no clips to join", AVERROR(EINVAL));
    totalUs_ = 0;
    for (const Clip& c : clips_)
        totalUs_ += c.end - c.start;
    OutputWriter writer;
    int r = writer.create(output_);
    if (r < 0)
        return r;
    r = canCopy() ? runCopy(writer) : runEncode(writer);
    if (r < 0)
        return r;
    if (stop_) {
        logInfo("join stopped; " + output_ + " removed");
        writer.discard();
        return 0;
    }
    if ((r = writer.finish()) < 0)
        return r;
    progress_ = 100.0;
    return 0;
}

// Packets can be copied when the streams of every clip are alike, each clip begins on a
// keyframe (otherwise the copy would bring back what lies before its start) and nothing is
// mixed or blended.
bool JoinJob::canCopy() const {
    const auto copyish = [](const CodecSetting& s) {
        return s.kind == CodecSetting::Copy || s.kind == CodecSetting::Keep;
    };
    if (!copyish(format_.videoCodec) || !copyish(format_.audioCodec))
        return false;
    if (format_.width > 0 || format_.fps > 0 || format_.videoKbps > 0 || format_.channels > 0 ||
        format_.sampleRate > 0)
        return false;
    InputPtr first;
    if (openInput(clips_[0].path, &first) < 0)
        return false;
    const int v0 = firstVideoStream(first.get()), a0 = firstAudioStream(first.get());
    const AVOutputFormat* container = av_guess_format(nullptr, output_.c_str(), nullptr);
    if (v0 >= 0 && !containerAccepts(container, first->streams[v0]->codecpar->codec_id))
        return false;
    if (a0 >= 0 && !containerAccepts(container, first->streams[a0]->codecpar->codec_id))
        return false;
    for (size_t i = 0; i < clips_.size(); ++i) {
        const Clip& c = clips_[i];
        if (c.volume != 100 || (c.transition != 0 && i + 1 < clips_.size()))
            return false;
        SourceReader reader;
        if (reader.open(c.path, -1, true, true, false, false) < 0)
            return false;
        const AVStream* v = reader.video();
        const AVStream* a = reader.audio();
        if ((v != nullptr) != (v0 >= 0) || (a != nullptr) != (a0 >= 0))
            return false;
        if (v) {
            const AVCodecParameters *p = v->codecpar, *q = first->streams[v0]->codecpar;
            if (p->codec_id != q->codec_id || p->width != q->width || p->height != q->height ||
                p->format != q->format ||
                !sameBytes(p->extradata, p->extradata_size, q->extradata, q->extradata_size) ||
                streamRotation(v) != streamRotation(first->streams[v0]))
                return false;
            if (c.start > 0) {
                // The copy begins at the keyframe a seek lands on: it must not lie before the start
                // (that would bring back cut frames) nor a whole frame after it.
                const int64_t key = reader.firstVideoPacketUs(c.start, true);
                if (key == AV_NOPTS_VALUE || key < c.start - kEpsilon ||
                    key >= c.start + reader.frameDurationUs()) {
                    logInfo("clip " + c.path + " does not start on a keyframe: the join is re-encoded");
                    return false;
                }
            }
            // With frames stored out of display order, a copy cut by decoding time keeps frames
            // shown after the end (and the pictures they need); only a range that runs to the file's
            // end, or a stream without reordering, ends exactly.
            if (!c.toFileEnd && v->codecpar->video_delay > 0) {
                logInfo("clip " + c.path + " ends inside reordered frames: the join is re-encoded");
                return false;
            }
        }
        if (a) {
            const AVCodecParameters *p = a->codecpar, *q = first->streams[a0]->codecpar;
            if (p->codec_id != q->codec_id || p->sample_rate != q->sample_rate ||
                p->ch_layout.nb_channels != q->ch_layout.nb_channels ||
                !sameBytes(p->extradata, p->extradata_size, q->extradata, q->extradata_size))
                return false;
        }
    }
    return true;
}

int JoinJob::runCopy(OutputWriter& writer) {
    int r = 0;
    PacketPtr packet = makePacket();
    int64_t offsetUs = 0; // output time of the current clip's start
    int64_t lastDts[2] = {INT64_MIN, INT64_MIN};
    for (size_t i = 0; i < clips_.size() && !stop_; ++i) {
        const Clip& c = clips_[i];
        SourceReader reader;
        if ((r = reader.open(c.path, -1, true, true, false, false)) < 0)
            return r;
        if (i == 0) {
            if (reader.video() && (r = writer.addCopy(OutputWriter::Video, reader.video())) < 0)
                return r;
            if (reader.audio() && (r = writer.addCopy(OutputWriter::Audio, reader.audio())) < 0)
                return r;
            if ((r = writer.start()) < 0)
                return r;
        }
        reader.seek(c.start, true);
        int64_t clipShift = offsetUs - c.start; // added to file times
        bool seamChecked[2] = {false, false};
        SourceReader::Kind kind;
        while (!stop_ && (r = reader.next(nullptr, &kind, packet.get())) == 1) {
            const AVStream* s = kind == SourceReader::Video ? reader.video() : reader.audio();
            const int64_t t = reader.packetTimeUs(packet.get(), kind);
            const int64_t dts = packet->dts != AV_NOPTS_VALUE
                                    ? av_rescale_q(packet->dts, s->time_base, kMicro) - reader.originUs()
                                    : t;
            if ((kind == SourceReader::Video ? dts : t) >= c.end - kEpsilon) {
                reader.finish(kind);
                av_packet_unref(packet.get());
                continue;
            }
            if (kind == SourceReader::Audio && t + kEpsilon < c.start) {
                av_packet_unref(packet.get());
                continue;
            }
            // Keep decoding times rising across the seam of two clips: the first real decoding
            // time of each stream in a clip may push the whole clip later, never earlier.
            const int k = kind == SourceReader::Video ? 0 : 1;
            const bool realDts = packet->dts != AV_NOPTS_VALUE;
            if (realDts && !seamChecked[k]) {
                seamChecked[k] = true;
                if (lastDts[k] != INT64_MIN && dts + clipShift <= lastDts[k])
                    clipShift = lastDts[k] - dts + 1;
            }
            if (realDts)
                lastDts[k] = std::max(lastDts[k], dts + clipShift);
            const int64_t shift = av_rescale_q(clipShift - reader.originUs(), kMicro, s->time_base);
            if (packet->pts != AV_NOPTS_VALUE)
                packet->pts += shift;
            if (packet->dts != AV_NOPTS_VALUE)
                packet->dts += shift;
            r = writer.writePacket(kind == SourceReader::Video ? OutputWriter::Video : OutputWriter::Audio,
                                   packet.get(), s->time_base);
            av_packet_unref(packet.get());
            if (r < 0)
                return r;
            reportProgress(writer.writtenUs());
        }
        if (stop_)
            break;
        if (r < 0 && r != AVERROR_EOF)
            return r;
        if ((r = reader.checkEnd(c.end)) < 0)
            return r;
        offsetUs += c.end - c.start;
    }
    return 0;
}

int JoinJob::runEncode(OutputWriter& writer) {
    // The common format: the settings, else the first clip's.
    InputPtr first;
    int r = openInput(clips_[0].path, &first);
    if (r < 0)
        return r;
    bool anyVideo = false, anyAudio = false;
    for (const Clip& c : clips_) {
        anyVideo |= c.hasVideo;
        anyAudio |= c.hasAudio;
    }
    const AVOutputFormat* container = writer.container();
    anyVideo &= holdsMovingPictures(container);
    anyAudio &= container->audio_codec != AV_CODEC_ID_NONE;
    const int v0 = firstVideoStream(first.get()), a0 = firstAudioStream(first.get());

    const auto encoderFor = [&](const CodecSetting& s, AVMediaType type, int sourceIndex) -> const AVCodec* {
        const AVCodec* c = s.kind == CodecSetting::Named ? s.encoder
                           : sourceIndex >= 0
                               ? preferredEncoder(first->streams[sourceIndex]->codecpar->codec_id)
                               : nullptr;
        if (c && containerAccepts(container, c->id))
            return c;
        if (s.kind == CodecSetting::Named) {
            logError(std::string("the container cannot hold ") + c->name);
            return nullptr;
        }
        return containerDefaultEncoder(container, type);
    };

    int width = 0, height = 0, rate = 0, channels = 0;
    AVRational fps{25, 1};
    AVPixelFormat pix = AV_PIX_FMT_YUV420P;
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_FLTP;
    if (anyVideo) {
        if (v0 >= 0) {
            const AVStream* s = first->streams[v0];
            const int turn = streamRotation(s);
            width = turn == 90 || turn == 270 ? s->codecpar->height : s->codecpar->width;
            height = turn == 90 || turn == 270 ? s->codecpar->width : s->codecpar->height;
            fps = streamFrameRate(s);
        } else {
            width = 640;
            height = 360;
        }
        if (format_.width > 0) {
            width = format_.width;
            height = format_.height;
        }
        width = std::max(2, width & ~1);
        height = std::max(2, height & ~1);
        if (format_.fps > 0)
            fps = av_d2q(format_.fps, 100000);
        const AVRational wantedFps = fps;
        const auto openVideo = [&](const AVCodec* codec) {
            fps = codec->supported_framerates
                      ? codec->supported_framerates[av_find_nearest_q_idx(wantedFps, codec->supported_framerates)]
                      : wantedFps;
            pix = pickPixelFormat(codec, AV_PIX_FMT_YUV420P);
            VideoEncoding encoding;
            encoding.codec = codec;
            encoding.width = width;
            encoding.height = height;
            encoding.format = pix;
            encoding.timeBase = av_inv_q(fps);
            encoding.frameRate = fps;
            encoding.bitRate = int64_t(format_.videoKbps) * 1000;
            return writer.addVideoEncoder(encoding);
        };
        if ((r = openWithFallback(format_.videoCodec, encoderFor(format_.videoCodec, AVMEDIA_TYPE_VIDEO, v0),
                                  containerDefaultEncoder(container, AVMEDIA_TYPE_VIDEO), openVideo)) < 0)
            return r;
    }
    if (anyAudio) {
        const AVCodecParameters* p = a0 >= 0 ? first->streams[a0]->codecpar : nullptr;
        const auto openAudio = [&](const AVCodec* codec) {
            AudioEncoding encoding;
            encoding.codec = codec;
            encoding.sampleRate = pickSampleRate(
                codec, format_.sampleRate > 0 ? format_.sampleRate : (p ? p->sample_rate : 44100));
            encoding.channels = pickChannels(
                codec, format_.channels > 0 ? format_.channels : (p ? std::min(p->ch_layout.nb_channels, 8) : 2));
            encoding.format = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
            encoding.bitRate = int64_t(format_.audioKbps) * 1000;
            return writer.addAudioEncoder(encoding);
        };
        if ((r = openWithFallback(format_.audioCodec, encoderFor(format_.audioCodec, AVMEDIA_TYPE_AUDIO, a0),
                                  containerDefaultEncoder(container, AVMEDIA_TYPE_AUDIO), openAudio)) < 0)
            return r;
        // The encoder may take fewer channels or a lower rate than asked.
        const AVCodecContext* encoder = writer.encoder(OutputWriter::Audio);
        rate = encoder->sample_rate;
        channels = encoder->ch_layout.nb_channels;
        sampleFormat = encoder->sample_fmt;
    }
    first.reset();
    if ((r = writer.start()) < 0)
        return r;

    // Output bookkeeping: frames and samples written so far keep picture and sound together.
    int64_t framesOut = 0, samplesOut = 0;
    std::deque<FramePtr> heldFrames; // the tail of the previous clip, for its transition
    AVAudioFifo* heldSound = anyAudio ? av_audio_fifo_alloc(sampleFormat, channels, 1) : nullptr;
    std::unique_ptr<AVAudioFifo, void (*)(AVAudioFifo*)> heldSoundOwner(heldSound, [](AVAudioFifo* f) {
        if (f)
            av_audio_fifo_free(f);
    });
    FramePtr lastFrame;
    const bool canBlend = blendable(pix);

    const auto writeVideo = [&](AVFrame* f) -> int {
        f->pts = framesOut++;
        return writer.writeFrame(OutputWriter::Video, f);
    };
    const auto soundFrame = [&](int samples) {
        FramePtr f = makeFrame();
        f->format = sampleFormat;
        f->sample_rate = rate;
        av_channel_layout_default(&f->ch_layout, channels);
        f->nb_samples = samples;
        if (av_frame_get_buffer(f.get(), 0) < 0)
            return FramePtr();
        av_samples_set_silence(f->extended_data, 0, samples, channels, sampleFormat);
        return f;
    };
    const auto writeSound = [&](AVFrame* f) -> int {
        f->pts = samplesOut;
        samplesOut += f->nb_samples;
        return writer.writeFrame(OutputWriter::Audio, f);
    };

    int64_t doneUs = 0;
    for (size_t i = 0; i < clips_.size() && !stop_; ++i) {
        const Clip& c = clips_[i];
        const int64_t length = c.end - c.start;
        const int64_t clipFrames =
            anyVideo ? std::max<int64_t>(1, av_rescale_q(length, kMicro, av_inv_q(fps))) : 0;
        // Transition into this clip (set on the previous clip), in frames.
        int64_t blendIn = 0;
        if (i > 0 && clips_[i - 1].transition != 0 && canBlend)
            blendIn = std::min<int64_t>(int64_t(heldFrames.size()), clipFrames - 1);
        int64_t blendOut = 0;
        if (i + 1 < clips_.size() && c.transition != 0 && canBlend && anyVideo)
            blendOut =
                std::clamp<int64_t>(av_rescale_q(c.transitionUs, kMicro, av_inv_q(fps)), 0, clipFrames / 2);

        SourceReader reader;
        if ((r = reader.open(c.path)) < 0)
            return r;
        mediafx::FxSettings fx;
        fx.volume = c.volume / 100.0;
        fx.timelineDurationUs = length;
        mediafx::FxGraph graph;
        if (anyVideo && reader.video()) {
            fx.rotation = streamRotation(reader.video());
            AVCodecContext* dec = reader.videoDecoder();
            mediafx::VideoInput in;
            in.width = dec->width;
            in.height = dec->height;
            in.format = dec->pix_fmt;
            in.timeBase = reader.video()->time_base;
            in.sampleAspect = pictureAspect(reader.format(), reader.video());
            in.frameRate = streamFrameRate(reader.video());
            mediafx::VideoOutput out;
            out.width = width;
            out.height = height;
            out.fit = true;
            out.frameRate = fps;
            out.formats = {pix};
            if ((r = graph.buildVideo(fx, in, out)) < 0)
                return logFailure("picture of " + c.path, r);
        }
        if (anyAudio) {
            mediafx::AudioOutput out;
            out.sampleRate = rate;
            out.channels = channels;
            out.formats = {sampleFormat};
            if (AVCodecContext* dec = reader.audioDecoder()) {
                mediafx::AudioInput in;
                in.sampleRate = dec->sample_rate;
                in.layout = dec->ch_layout;
                in.format = dec->sample_fmt;
                in.timeBase = {1, dec->sample_rate};
                r = graph.buildAudio(fx, &in, out);
            } else {
                r = graph.buildAudio(fx, nullptr, out); // a clip without sound gets silence
            }
            if (r < 0)
                return logFailure("sound of " + c.path, r);
        }
        // Sound samples this clip contributes, so that sound ends where the picture does.
        const int64_t framesAtEnd = framesOut + int64_t(heldFrames.size()) + clipFrames - blendIn;
        // Held frames beyond the overlap belong to the previous clip as they are.
        while (int64_t(heldFrames.size()) > blendIn) {
            if ((r = writeVideo(heldFrames.front().get())) < 0)
                return r;
            heldFrames.pop_front();
        }
        const int64_t heldSamples = heldSound ? av_audio_fifo_size(heldSound) : 0;
        const int64_t samplesAtEnd = anyVideo ? av_rescale_q(framesAtEnd, av_inv_q(fps), {1, rate})
                                              : samplesOut + heldSamples + av_rescale(length, rate, 1000000);
        const int64_t blendSamples =
            anyVideo && blendIn > 0 ? std::min(heldSamples, av_rescale_q(blendIn, av_inv_q(fps), {1, rate}))
                                    : 0;
        // Samples of this clip to take: they overlap the held tail by blendSamples.
        int64_t clipSamplesWanted = samplesAtEnd - samplesOut - heldSamples + blendSamples;
        int64_t clipSamplesTaken = 0;
        const int64_t tailSamples = anyVideo ? av_rescale_q(blendOut, av_inv_q(fps), {1, rate}) : 0;
        std::vector<FramePtr> pendingBlend; // first frames of this clip, blended with the held tail
        int64_t clipFramesTaken = 0;
        AVAudioFifo* clipSound = anyAudio ? av_audio_fifo_alloc(sampleFormat, channels, 1) : nullptr;
        std::unique_ptr<AVAudioFifo, void (*)(AVAudioFifo*)> clipSoundOwner(clipSound, [](AVAudioFifo* f) {
            if (f)
                av_audio_fifo_free(f);
        });

        // Moves one filtered picture into the output: blended, held for the next transition, or written.
        const auto takeFrame = [&](FramePtr f) -> int {
            if (clipFramesTaken >= clipFrames)
                return 0;
            ++clipFramesTaken;
            if (int64_t(pendingBlend.size()) < blendIn) {
                const size_t k = pendingBlend.size();
                FramePtr out = makeFrame();
                out->format = f->format;
                out->width = f->width;
                out->height = f->height;
                if (av_frame_get_buffer(out.get(), 0) < 0)
                    return AVERROR(ENOMEM);
                blendPictures(heldFrames[k].get(), f.get(), out.get(), clips_[i - 1].transition,
                              double(k + 1) / double(blendIn + 1));
                pendingBlend.push_back(std::move(out));
                if (int64_t(pendingBlend.size()) == blendIn) {
                    for (FramePtr& b : pendingBlend) {
                        if ((r = writeVideo(b.get())) < 0)
                            return r;
                    }
                    heldFrames.clear();
                }
                lastFrame = std::move(f);
                return 0;
            }
            heldFrames.push_back(makeFrame());
            av_frame_ref(heldFrames.back().get(), f.get());
            lastFrame = std::move(f);
            while (int64_t(heldFrames.size()) > blendOut) {
                int e = writeVideo(heldFrames.front().get());
                heldFrames.pop_front();
                if (e < 0)
                    return e;
            }
            return 0;
        };
        const auto pullPictures = [&]() -> int {
            for (;;) {
                FramePtr f = makeFrame();
                const int e = graph.pullVideo(f.get());
                if (e == AVERROR(EAGAIN) || e == AVERROR_EOF)
                    return 0;
                if (e < 0)
                    return e;
                if (int t = takeFrame(std::move(f)); t < 0)
                    return t;
            }
        };
        const auto pullSound = [&]() -> int {
            for (;;) {
                FramePtr f = makeFrame();
                const int e = graph.pullAudio(f.get());
                if (e == AVERROR(EAGAIN) || e == AVERROR_EOF)
                    return 0;
                if (e < 0)
                    return e;
                const int take = int(std::min<int64_t>(f->nb_samples, clipSamplesWanted - clipSamplesTaken));
                if (take > 0) {
                    av_audio_fifo_write(clipSound, reinterpret_cast<void**>(f->extended_data), take);
                    clipSamplesTaken += take;
                }
            }
        };

        reader.seek(c.start);
        FramePtr frame = makeFrame();
        SourceReader::Kind kind;
        bool anyPicture = false; // decoded, wherever it lies
        while (!stop_ && (r = reader.next(frame.get(), &kind)) >= 0) {
            int64_t t = reader.frameTimeUs(frame.get(), kind);
            if (kind == SourceReader::Video) {
                anyPicture = true;
                if (!graph.hasVideo() || t == AV_NOPTS_VALUE || t < c.start - kEpsilon) {
                    av_frame_unref(frame.get());
                    continue;
                }
                if (t >= c.end - kEpsilon) {
                    reader.finish(kind);
                    av_frame_unref(frame.get());
                    continue;
                }
                frame->pts = av_rescale_q(t - c.start, kMicro, reader.video()->time_base);
                r = graph.pushVideo(frame.get());
                av_frame_unref(frame.get());
                if (r < 0 || (r = pullPictures()) < 0)
                    return logFailure("picture of " + c.path, r);
            } else {
                if (!graph.hasAudio() || t == AV_NOPTS_VALUE) {
                    av_frame_unref(frame.get());
                    continue;
                }
                const int sr = frame->sample_rate;
                const int64_t len = av_rescale(frame->nb_samples, 1000000, sr);
                if (t >= c.end) {
                    reader.finish(kind);
                    av_frame_unref(frame.get());
                    continue;
                }
                if (t + len <= c.start) {
                    av_frame_unref(frame.get());
                    continue;
                }
                // The frame's pts places it; the graph's sound buffer cuts nothing, so trim here.
                const int skip = t < c.start ? int(av_rescale(c.start - t, sr, 1000000)) : 0;
                if (skip > 0 && skip < frame->nb_samples) {
                    const int n = frame->nb_samples - skip;
                    av_samples_copy(frame->extended_data, frame->extended_data, 0, skip, n,
                                    frame->ch_layout.nb_channels, static_cast<AVSampleFormat>(frame->format));
                    frame->nb_samples = n;
                    t = c.start;
                }
                frame->pts = av_rescale(t - c.start, sr, 1000000);
                frame->time_base = {1, sr};
                r = graph.pushAudio(frame.get());
                av_frame_unref(frame.get());
                if (r < 0 || (r = pullSound()) < 0)
                    return logFailure("sound of " + c.path, r);
            }
            reportProgress(doneUs + std::max<int64_t>(0, t - c.start));
        }
        if (stop_)
            return 0;
        if (r < 0 && r != AVERROR_EOF)
            return r;
        // A clip is padded below only where one of its streams ends before the other, never
        // over a source that ended early.
        if ((r = reader.checkEnd(c.end)) < 0)
            return r;
        if (graph.hasVideo()) {
            graph.pushVideo(nullptr);
            if ((r = pullPictures()) < 0)
                return r;
            // A picture stream that gives no picture where it claims some is damaged, not a
            // black clip (a range past its end is shown black or frozen).
            if (!anyPicture && c.start < streamEndUs(reader.format(), reader.video()))
                return logFailure("no picture could be read from " + c.path, AVERROR_INVALIDDATA);
        }
        if (graph.hasAudio()) {
            graph.pushAudio(nullptr);
            if ((r = pullSound()) < 0)
                return r;
        }
        // A clip without picture (or one shorter than its range) shows black or its last frame.
        if (anyVideo) {
            while (clipFramesTaken < clipFrames && !stop_) {
                FramePtr f = makeFrame();
                if (lastFrame) {
                    av_frame_ref(f.get(), lastFrame.get());
                } else {
                    f->format = pix;
                    f->width = width;
                    f->height = height;
                    if (av_frame_get_buffer(f.get(), 0) < 0)
                        return AVERROR(ENOMEM);
                    const ptrdiff_t ls[4] = {f->linesize[0], f->linesize[1], f->linesize[2], f->linesize[3]};
                    av_image_fill_black(f->data, ls, pix, AVCOL_RANGE_MPEG, width, height);
                }
                if ((r = takeFrame(std::move(f))) < 0)
                    return r;
            }
        }
        if (stop_)
            return 0;
        // Sound: pad with silence to the picture's end, crossfade with the held tail, hold our tail.
        if (anyAudio) {
            while (clipSamplesTaken < clipSamplesWanted && !stop_) {
                FramePtr s = soundFrame(int(std::min<int64_t>(rate, clipSamplesWanted - clipSamplesTaken)));
                if (!s || av_audio_fifo_write(clipSound, reinterpret_cast<void**>(s->extended_data), s->nb_samples) < 0)
                    return AVERROR(ENOMEM);
                clipSamplesTaken += s->nb_samples;
            }
            if (stop_)
                return 0;
            // Held tail of the previous clip: its part before the overlap is written as is.
            const int64_t plainHeld = av_audio_fifo_size(heldSound) - blendSamples;
            if (plainHeld > 0) {
                FramePtr s = soundFrame(int(plainHeld));
                av_audio_fifo_read(heldSound, reinterpret_cast<void**>(s->extended_data), int(plainHeld));
                if ((r = writeSound(s.get())) < 0)
                    return r;
            }
            if (blendSamples > 0) {
                FramePtr a = soundFrame(int(blendSamples)), b = soundFrame(int(blendSamples));
                av_audio_fifo_read(heldSound, reinterpret_cast<void**>(a->extended_data), int(blendSamples));
                av_audio_fifo_read(clipSound, reinterpret_cast<void**>(b->extended_data), int(blendSamples));
                FramePtr mixed = soundFrame(int(blendSamples));
                crossfadeSound(a.get(), b.get(), mixed.get());
                if ((r = writeSound(mixed.get())) < 0)
                    return r;
            }
            av_audio_fifo_reset(heldSound);
            const int64_t plain = av_audio_fifo_size(clipSound) - tailSamples;
            if (plain > 0) {
                FramePtr s = soundFrame(int(plain));
                av_audio_fifo_read(clipSound, reinterpret_cast<void**>(s->extended_data), int(plain));
                if ((r = writeSound(s.get())) < 0)
                    return r;
            }
            const int rest = av_audio_fifo_size(clipSound);
            if (rest > 0) {
                FramePtr s = soundFrame(rest);
                av_audio_fifo_read(clipSound, reinterpret_cast<void**>(s->extended_data), rest);
                av_audio_fifo_write(heldSound, reinterpret_cast<void**>(s->extended_data), rest);
            }
        }
        doneUs += length;
        reportProgress(doneUs);
    }
    if (stop_)
        return 0;
    for (FramePtr& f : heldFrames)
        if ((r = writeVideo(f.get())) < 0)
            return r;
    if (heldSound && av_audio_fifo_size(heldSound) > 0) {
        FramePtr s = soundFrame(av_audio_fifo_size(heldSound));
        av_audio_fifo_read(heldSound, reinterpret_cast<void**>(s->extended_data), s->nb_samples);
        if ((r = writeSound(s.get())) < 0)
            return r;
    }
    return 0;
}

} // namespace mediacore
