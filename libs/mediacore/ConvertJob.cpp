#include "ConvertJob.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

#include "EngineLog.h"
#include "FrameLane.h"
#include "FxGraph.h"
#include "MusicMix.h"
#include "OutputWriter.h"
#include "SmartCut.h"
#include "SourceReader.h"
#include "StreamCopy.h"
#include "StreamProbe.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace mediacore {

namespace {

constexpr AVRational kMicro{1, 1000000};
std::atomic<DRAW_TEXT_CALLBACK> gDrawText{nullptr};

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
        return a == b;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

struct ConvertJob::Plan {
    enum Mode { None, Copy, Encode };
    Mode video = None;
    Mode audio = None;
    bool silentMain = false; // the sound is generated silence with music over it
    int64_t start = 0;
    int64_t end = 0;
    int64_t shift = 0; // source time of output time 0
    const AVCodec* videoEncoder = nullptr;
    const AVCodec* audioEncoder = nullptr;
};

void ConvertJob::setDrawTextCallback(DRAW_TEXT_CALLBACK callback) {
    gDrawText = callback;
}

int ConvertJob::setInput(const std::string& path) {
    InputPtr probe;
    const int r = openInput(path, &probe);
    if (r < 0)
        return r;
    if (durationUs(probe.get()) <= 0)
        return logFailure("no duration in " + path, AVERROR_INVALIDDATA);
    input_ = path;
    probe_ = std::move(probe);
    return 1;
}

int ConvertJob::setOutput(const std::string& path) {
    if (path.empty())
        return logFailure("empty output path", AVERROR(EINVAL));
    if (!input_.empty() && sameFile(path, input_))
        return logFailure("the output would replace the input " + path, AVERROR(EEXIST));
    if (fileExists(path))
        return logFailure("the output exists already: " + path, AVERROR(EEXIST));
    if (!av_guess_format(nullptr, path.c_str(), nullptr))
        return logFailure("no container for the name " + path, AVERROR_MUXER_NOT_FOUND);
    output_ = path;
    return 1;
}

int ConvertJob::setCut(int64_t startUs, int64_t endUs) {
    if (startUs < 0 || endUs <= startUs)
        return logFailure("cut range", AVERROR(EINVAL));
    const int64_t d = duration();
    if (d > 0 && startUs >= d)
        return logFailure("the cut starts after the end", AVERROR(EINVAL));
    const int64_t end = d > 0 ? std::min(endUs, d) : endUs;
    // A file's sound may run on past its last picture: a range there would give a part of a
    // picture file without any picture.
    if (!input_.empty() && firstVideoStream(probe_.get()) >= 0 && !rangeHoldsPicture(startUs, end))
        return logFailure("no picture of " + input_ + " lies in the cut range", AVERROR_STREAM_NOT_FOUND);
    cutStart_ = startUs;
    cutEnd_ = end;
    return 1;
}

int ConvertJob::setSizeLimit(int64_t bytes) {
    if (bytes <= 0)
        return logFailure("size limit", AVERROR(EINVAL));
    sizeLimit_ = bytes;
    return 1;
}

int ConvertJob::setAudioIndex(int index) {
    audioIndex_ = index;
    return 1;
}

int ConvertJob::setMainVolume(double volume) {
    if (!std::isfinite(volume))
        return logFailure("volume", AVERROR(EINVAL));
    fx_.volume = std::clamp(volume, 0.0, 2.0);
    return 1;
}

int ConvertJob::disableMainAudio() {
    fx_.mainAudioDisabled = true;
    return 1;
}

int ConvertJob::setSubtitle(const SUBTITLE_PARAM& param) {
    const std::string path = mediarecords::readText(param.path);
    if (!path.empty() && !fileExists(path))
        return logFailure("subtitle file " + path, AVERROR(ENOENT));
    fx_.subtitle = param;
    return 1;
}

int ConvertJob::addEffect(int id) {
    if (std::find(fx_.effects.begin(), fx_.effects.end(), id) == fx_.effects.end())
        fx_.effects.push_back(id);
    return 1;
}

int ConvertJob::setBCS(int brightness, int contrast, int saturation) {
    fx_.brightness = std::clamp(brightness, -255, 255);
    fx_.contrast = std::clamp(contrast, -100, 100);
    fx_.saturation = std::clamp(saturation, -100, 100);
    return 1;
}

int ConvertJob::setCrop(const RECT& margins) {
    if (margins.left < 0 || margins.top < 0 || margins.right < 0 || margins.bottom < 0)
        return logFailure("crop margins", AVERROR(EINVAL));
    fx_.crop = margins;
    return 1;
}

int ConvertJob::setHFlip(bool on) {
    fx_.hflip = on;
    return 1;
}

int ConvertJob::setVFlip(bool on) {
    fx_.vflip = on;
    return 1;
}

int ConvertJob::setRotation(int degrees) {
    fx_.rotation = mediafx::normalisedRotation(degrees);
    rotationSet_ = true;
    return 1;
}

int ConvertJob::addImageMark(const IMAGE_WATERMARK_PARAM& param) {
    if (!fileExists(mediarecords::readText(param.path)))
        return logFailure("watermark picture", AVERROR(ENOENT));
    fx_.imageMarks.push_back(param);
    return 1;
}

int ConvertJob::addTextMark(const TEXT_WATERMARK_PARAM& param) {
    fx_.textMarks.push_back(param);
    return 1;
}

int ConvertJob::addVideoMark(const VIDEO_WATERMARK_PARAM& param) {
    if (!fileExists(mediarecords::readText(param.path)))
        return logFailure("watermark video", AVERROR(ENOENT));
    fx_.videoMarks.push_back(param);
    return 1;
}

int ConvertJob::addMusic(const mediafx::MusicTrack& track) {
    if (!fileExists(track.path))
        return logFailure("music file " + track.path, AVERROR(ENOENT));
    if (track.musicEndUs <= track.musicStartUs || track.videoEndUs <= track.videoStartUs ||
        track.musicStartUs < 0)
        return logFailure("music ranges", AVERROR(EINVAL));
    if (!mediafx::hasSound(track.path))
        return logFailure("music file without sound " + track.path, AVERROR_INVALIDDATA);
    fx_.music.push_back(track);
    return 1;
}

int ConvertJob::audioInfo(int* count, MEDIA_AUDIO_STREAM_INFO* buffer) const {
    if (!count || !probe_)
        return AVERROR(EINVAL);
    int n = 0;
    const int capacity = *count;
    for (unsigned i = 0; i < probe_->nb_streams; ++i) {
        if (probe_->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        if (buffer && n < capacity)
            fillAudioInfo(probe_.get(), int(i), &buffer[n]);
        ++n;
    }
    if (!buffer)
        *count = n;
    return 1;
}

int ConvertJob::videoInfo(int* count, MEDIA_VIDEO_STREAM_INFO* buffer) const {
    if (!count || !probe_)
        return AVERROR(EINVAL);
    int n = 0;
    const int capacity = *count;
    for (unsigned i = 0; i < probe_->nb_streams; ++i) {
        const AVStream* s = probe_->streams[i];
        if (s->codecpar->codec_type != AVMEDIA_TYPE_VIDEO || (s->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        if (buffer && n < capacity)
            fillVideoInfo(probe_.get(), int(i), &buffer[n]);
        ++n;
    }
    if (!buffer)
        *count = n;
    return 1;
}

int64_t ConvertJob::duration() const {
    return probe_ ? durationUs(probe_.get()) : 0;
}

int ConvertJob::start() {
    return run_.run([this] { return runWithinLimit(); }, 1);
}

int ConvertJob::plan(SourceReader& reader, OutputWriter& writer, Plan* p) {
    const AVOutputFormat* container = writer.container();
    AVStream* vs = probe_->streams[0];
    const int vIndex = firstVideoStream(probe_.get());
    vs = vIndex >= 0 ? probe_->streams[vIndex] : nullptr;
    int aIndex = audioIndex_;
    if (aIndex < 0 || unsigned(aIndex) >= probe_->nb_streams ||
        probe_->streams[aIndex]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
        aIndex = firstAudioStream(probe_.get());
    AVStream* as = aIndex >= 0 ? probe_->streams[aIndex] : nullptr;

    const int64_t d = duration();
    p->start = cutStart_;
    p->end = cutEnd_ > 0 ? cutEnd_ : d;
    if (p->end <= p->start)
        return logFailure("empty range", AVERROR(EINVAL));
    const bool cut = p->start > 0 || p->end < d;

    // Picture.
    if (vs && holdsMovingPictures(container)) {
        const AVCodecID source = vs->codecpar->codec_id;
        const bool changes = fx_.changesPicture() || format_.changesPicture();
        switch (format_.videoCodec.kind) {
        case CodecSetting::Invalid:
            return logFailure("unknown video codec " + format_.videoCodec.name, AVERROR_ENCODER_NOT_FOUND);
        case CodecSetting::Copy:
            if (!changes && containerAccepts(container, source)) {
                p->video = Plan::Copy;
                break;
            }
            if (!changes)
                return logFailure(std::string("the container cannot hold ") + avcodec_get_name(source),
                                  AVERROR(EINVAL));
            p->videoEncoder = preferredEncoder(source);
            break;
        case CodecSetting::Keep:
            if (!cut && !changes && containerAccepts(container, source)) {
                p->video = Plan::Copy;
                break;
            }
            p->videoEncoder = preferredEncoder(source);
            break;
        case CodecSetting::Named:
            p->videoEncoder = format_.videoCodec.encoder;
            break;
        }
        if (p->video != Plan::Copy) {
            if (!p->videoEncoder || !containerAccepts(container, p->videoEncoder->id)) {
                if (format_.videoCodec.kind == CodecSetting::Named)
                    return logFailure(std::string("the container cannot hold ") +
                                          format_.videoCodec.encoder->name,
                                      AVERROR(EINVAL));
                p->videoEncoder = containerDefaultEncoder(container, AVMEDIA_TYPE_VIDEO);
            }
            if (!p->videoEncoder)
                return logFailure("no video encoder", AVERROR_ENCODER_NOT_FOUND);
            p->video = Plan::Encode;
        }
    }

    // Sound.
    const bool wantSound = (as && !fx_.mainAudioDisabled) || !fx_.music.empty();
    if (wantSound && container->audio_codec != AV_CODEC_ID_NONE) {
        p->silentMain = !as || fx_.mainAudioDisabled;
        const AVCodecID source = as ? as->codecpar->codec_id : AV_CODEC_ID_NONE;
        const bool changes = fx_.changesSound() || format_.changesSound();
        switch (format_.audioCodec.kind) {
        case CodecSetting::Invalid:
            return logFailure("unknown audio codec " + format_.audioCodec.name, AVERROR_ENCODER_NOT_FOUND);
        case CodecSetting::Copy:
            if (!p->silentMain && !changes && containerAccepts(container, source)) {
                p->audio = Plan::Copy;
                break;
            }
            p->audioEncoder = source != AV_CODEC_ID_NONE ? preferredEncoder(source) : nullptr;
            break;
        case CodecSetting::Keep:
            if (!p->silentMain && !cut && !changes && containerAccepts(container, source)) {
                p->audio = Plan::Copy;
                break;
            }
            p->audioEncoder = source != AV_CODEC_ID_NONE ? preferredEncoder(source) : nullptr;
            break;
        case CodecSetting::Named:
            p->audioEncoder = format_.audioCodec.encoder;
            break;
        }
        if (p->audio != Plan::Copy) {
            if (!p->audioEncoder || !containerAccepts(container, p->audioEncoder->id)) {
                if (format_.audioCodec.kind == CodecSetting::Named)
                    return logFailure(std::string("the container cannot hold ") +
                                          format_.audioCodec.encoder->name,
                                      AVERROR(EINVAL));
                p->audioEncoder = containerDefaultEncoder(container, AVMEDIA_TYPE_AUDIO);
            }
            if (!p->audioEncoder)
                return logFailure("no audio encoder", AVERROR_ENCODER_NOT_FOUND);
            p->audio = Plan::Encode;
        }
    }
    if (p->video == Plan::None && p->audio == Plan::None)
        return logFailure("nothing of " + input_ + " fits into " + output_, AVERROR(EINVAL));

    const bool readSound = p->audio != Plan::None && !p->silentMain;
    int r = reader.open(input_, aIndex, p->video != Plan::None, readSound, p->video == Plan::Encode,
                        p->audio == Plan::Encode);
    if (r < 0)
        return r;
    p->shift = p->start;
    if (p->video == Plan::Copy && p->start > 0) {
        // A copied picture can only begin on the keyframe before the cut.
        const int64_t key = reader.firstVideoPacketUs(p->start);
        if (key != AV_NOPTS_VALUE)
            p->shift = std::min(key, p->start);
    }
    return 0;
}

int ConvertJob::run() {
    if (input_.empty() || !probe_)
        return logFailure("no input", AVERROR(EINVAL));
    if (output_.empty())
        return logFailure("no output path", AVERROR(EINVAL));
    SmartCutRequest request;
    if (canCutSmartly(&request)) {
        SmartCut cut(request, run_.stopFlag(), [this](int64_t done, int64_t total) { run_.report(done, total); });
        const int r = cut.run();
        if (r != SmartCut::kDeclined) {
            if (r >= 1 && !run_.stopped())
                run_.finished();
            return r;
        }
    }
    OutputWriter writer;
    int r = writer.create(output_);
    if (r < 0)
        return r;
    SourceReader reader;
    Plan p;
    if ((r = plan(reader, writer, &p)) < 0)
        return r;

    mediafx::FxSettings fx = fx_;
    fx.timelineStartUs = p.shift;
    fx.timelineDurationUs = p.end - p.shift;
    // Without an explicit turn the picture keeps its pixels and its display rotation.
    int keepRotation = 0;
    if (!rotationSet_) {
        fx.rotation = 0;
        if (reader.video())
            keepRotation = streamRotation(reader.video());
    }
    mediafx::FxGraph graph;
    graph.setDrawTextCallback(gDrawText.load());
    AVRational videoTb{1, 1};

    if (p.video == Plan::Copy) {
        if ((r = writer.addCopy(OutputWriter::Video, reader.video())) < 0)
            return r;
    } else if (p.video == Plan::Encode) {
        // A codec kept from the source that cannot be written here gives way to the container's.
        r = openVideoEncoder(p.videoEncoder, reader, writer, fx, keepRotation, graph);
        const AVCodec* fallback = containerDefaultEncoder(writer.container(), AVMEDIA_TYPE_VIDEO);
        if (r < 0 && format_.videoCodec.kind != CodecSetting::Named && fallback && fallback != p.videoEncoder) {
            logInfo(std::string("the picture is encoded with ") + fallback->name + " instead of " +
                    p.videoEncoder->name);
            r = openVideoEncoder(fallback, reader, writer, fx, keepRotation, graph);
        }
        if (r < 0)
            return r;
        videoTb = graph.videoTimeBase();
    }

    if (p.audio == Plan::Copy) {
        if ((r = writer.addCopy(OutputWriter::Audio, reader.audio())) < 0)
            return r;
    } else if (p.audio == Plan::Encode) {
        AVCodecContext* dec = reader.audioDecoder();
        const int sourceRate = dec ? dec->sample_rate : 44100;
        const int sourceChannels = dec ? dec->ch_layout.nb_channels : 2;
        AudioEncoding encoding;
        encoding.codec = p.audioEncoder;
        encoding.sampleRate =
            pickSampleRate(p.audioEncoder, format_.sampleRate > 0 ? format_.sampleRate : sourceRate);
        encoding.channels = pickChannels(p.audioEncoder,
                                     format_.channels > 0 ? format_.channels : std::min(sourceChannels, 8));
        encoding.format = p.audioEncoder->sample_fmts ? p.audioEncoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        encoding.bitRate = int64_t(format_.audioKbps) * 1000;
        if (encoding.bitRate == 0 && dec && format_.audioCodec.kind == CodecSetting::Keep)
            encoding.bitRate = reader.audio()->codecpar->bit_rate;
        // The encoder may take a lower rate or fewer channels than asked: the sound is made to fit.
        if ((r = writer.addAudioEncoder(encoding)) < 0)
            return r;
        const AVCodecContext* encoder = writer.encoder(OutputWriter::Audio);
        mediafx::AudioOutput out;
        out.sampleRate = encoder->sample_rate;
        out.channels = encoder->ch_layout.nb_channels;
        out.formats = {encoder->sample_fmt};
        if (dec) {
            mediafx::AudioInput in;
            in.sampleRate = dec->sample_rate;
            in.layout = dec->ch_layout;
            in.format = dec->sample_fmt;
            in.timeBase = {1, dec->sample_rate};
            r = graph.buildAudio(fx, &in, out);
        } else {
            r = graph.buildAudio(fx, nullptr, out);
        }
        if (r < 0)
            return logFailure("sound settings", r);
    }
    if ((r = writer.start()) < 0)
        return r;
    if (p.shift > 0 || p.start > 0)
        reader.seek(p.shift);
    StreamCopy copy(writer);
    copy.beginPart(reader, p.shift, 0, p.shift, p.end);

    const int64_t total = p.end - p.shift;
    const int64_t frameUs = std::max<int64_t>(1, reader.frameDurationUs());
    const int64_t epsilon = 1000; // timestamps are rounded to their time base
    FramePtr frame = makeFrame();
    PacketPtr packet = makePacket();
    int64_t lastVideoUs = AV_NOPTS_VALUE, firstVideoUs = AV_NOPTS_VALUE;
    bool decodedBefore = false; // decoding began before the range
    int64_t pulledVideoUs = 0, pulledAudioUs = 0;
    bool limitReached = false;
    // The latest time of a copied picture, and whether the size limit waits for the pictures
    // that show before it.
    int64_t copiedVideoUs = AV_NOPTS_VALUE;
    bool limitPending = false;
    int64_t runBytes = 0, maxRunBytes = 0;

    FrameLane lane(graph);
    const FrameLane::Sink videoSink = [&](AVFrame* f) {
        if (f->pts != AV_NOPTS_VALUE) {
            pulledVideoUs = av_rescale_q(f->pts, videoTb, kMicro);
            f->pts = av_rescale_q(f->pts, videoTb, writer.encoder(OutputWriter::Video)->time_base);
        }
        return writer.writeFrame(OutputWriter::Video, f);
    };
    const FrameLane::Sink audioSink = [&](AVFrame* f) {
        if (f->pts != AV_NOPTS_VALUE)
            pulledAudioUs = av_rescale_q(f->pts + f->nb_samples, graph.audioTimeBase(), kMicro);
        return writer.writeFrame(OutputWriter::Audio, f);
    };
    const auto drainAudio = [&](int64_t untilUs) {
        return lane.drain(FrameLane::Audio, audioSink, [&] { return pulledAudioUs <= untilUs; });
    };

    // At the size limit the picture ends; the sound read so far may lag behind it (MPEG
    // streams store it late), so reading goes on for the sound alone up to the picture's end.
    const auto closePicture = [&]() -> bool {
        limitReached = true;
        const int64_t last = p.video == Plan::Copy ? copiedVideoUs
                             : graph.hasVideo() && lastVideoUs != AV_NOPTS_VALUE ? pulledVideoUs + p.shift
                                                                                 : AV_NOPTS_VALUE;
        if (p.audio == Plan::None || p.silentMain || reader.finished(SourceReader::Audio) ||
            last == AV_NOPTS_VALUE)
            return false;
        p.end = std::min(p.end, last + frameUs);
        copy.endBy(p.end);
        reader.finish(SourceReader::Video);
        return true;
    };

    for (;;) {
        if (run_.stopped())
            break;
        // Copied pictures come in decoding order: a part may only end where every picture
        // shown before the latest one copied is in, or those would be lost to this part and
        // the next one alike. Such a run of pictures is kept room for under the limit.
        if (sizeLimit_ > 0 && !limitReached && writer.estimatedFinalBytes() + maxRunBytes >= sizeLimit_) {
            if (copiedVideoUs == AV_NOPTS_VALUE) {
                if (!closePicture())
                    break;
                continue;
            }
            limitPending = true;
        }
        SourceReader::Kind kind;
        r = reader.next(frame.get(), &kind, packet.get());
        if (r == AVERROR_EOF)
            break;
        if (r < 0)
            return r;
        if (r == 1) { // a copied packet
            const int64_t t = reader.packetTimeUs(packet.get(), kind);
            if (limitPending && !limitReached && kind == SourceReader::Video && t != AV_NOPTS_VALUE &&
                t > copiedVideoUs) {
                av_packet_unref(packet.get());
                if (!closePicture())
                    break;
                continue;
            }
            if (kind == SourceReader::Video && t != AV_NOPTS_VALUE) {
                if (copiedVideoUs == AV_NOPTS_VALUE || t > copiedVideoUs)
                    runBytes = 0;
                runBytes += packet->size + 24;
                maxRunBytes = std::max(maxRunBytes, runBytes);
                copiedVideoUs = copiedVideoUs == AV_NOPTS_VALUE ? t : std::max(copiedVideoUs, t);
            }
            if ((r = copy.take(packet.get(), kind)) < 0)
                return r;
        } else if (kind == SourceReader::Video) {
            int64_t t = reader.frameTimeUs(frame.get(), kind);
            if (t == AV_NOPTS_VALUE)
                t = lastVideoUs == AV_NOPTS_VALUE ? p.shift : lastVideoUs + frameUs;
            lastVideoUs = t;
            if (t < p.start - epsilon) {
                decodedBefore = true;
                av_frame_unref(frame.get());
                continue;
            }
            if (t >= p.end - epsilon) {
                av_frame_unref(frame.get());
                reader.finish(kind);
                continue;
            }
            // The first picture must be the one asked for: decoding that begins later (a seek
            // that landed past a keyframe) would give a part that misses its start.
            if (firstVideoUs == AV_NOPTS_VALUE) {
                firstVideoUs = t;
                if (!decodedBefore && p.shift > 0 && t > p.start + frameUs + epsilon)
                    return logFailure("the first picture of the range could not be decoded from " + input_,
                                      AVERROR_INVALIDDATA);
            }
            frame->pts = av_rescale_q(t - p.shift, kMicro, reader.video()->time_base);
            r = graph.pushVideo(frame.get());
            av_frame_unref(frame.get());
            if (r < 0)
                return logFailure("picture settings", r);
            if ((r = lane.drain(FrameLane::Video, videoSink)) < 0)
                return r;
        } else {
            int64_t t = reader.frameTimeUs(frame.get(), kind);
            if (t == AV_NOPTS_VALUE)
                t = pulledAudioUs + p.shift;
            if (t >= p.end)
                reader.finish(kind);
            FramePtr part;
            AVFrame* use = nullptr;
            if ((r = FrameLane::trimSound(frame.get(), t, p.shift, p.end, &part, &use)) <= 0) {
                av_frame_unref(frame.get());
                if (r < 0)
                    return r;
                continue;
            }
            r = graph.pushAudio(use);
            av_frame_unref(frame.get());
            if (r < 0)
                return logFailure("sound settings", r);
            // Under a size limit the sound waits for the picture, so that when the limit
            // ends the part both end together rather than the sound running on alone.
            if ((r = drainAudio(sizeLimit_ > 0 && graph.hasVideo() ? pulledVideoUs : INT64_MAX)) < 0)
                return r;
        }
        if (p.silentMain && (r = drainAudio(p.video == Plan::None ? INT64_MAX : pulledVideoUs + 500000)) < 0)
            return r;
        run_.report(writer.writtenUs(), total);
    }

    if (run_.stopped()) {
        logInfo("convert stopped; " + output_ + " removed");
        writer.discard();
        return 1;
    }
    if (!limitReached) {
        // A source that ends before the range does fails the job rather than give a part of it.
        if ((r = reader.checkEnd(p.end)) < 0)
            return r;
        if ((r = lane.end(FrameLane::Video, videoSink)) < 0 || (r = lane.end(FrameLane::Audio, audioSink)) < 0)
            return r;
    } else {
        // The sound was read up to where the picture stopped, so both end together.
        // Sound read ahead of the picture stays out.
        const int64_t until = p.video == Plan::Copy ? p.end - p.shift - frameUs : pulledVideoUs;
        if ((r = lane.end(FrameLane::Audio, audioSink, [&] { return pulledAudioUs <= until; })) < 0)
            return r;
    }
    // A part of a file with pictures that holds none would play as a blank or not at all.
    if (p.video == Plan::Encode && firstVideoUs == AV_NOPTS_VALUE)
        return logFailure("no picture of " + input_ + " lies in the range", AVERROR_STREAM_NOT_FOUND);
    if ((r = writer.finish()) < 0)
        return r;
    run_.finished();
    return 1;
}

} // namespace mediacore
