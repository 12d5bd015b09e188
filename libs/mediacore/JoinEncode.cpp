#include "JoinEncode.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "CodecChoice.h"
#include "EngineLog.h"
#include "FrameLane.h"
#include "FxGraph.h"
#include "SourceEnd.h"
#include "SourceGraph.h"
#include "SourceReader.h"
#include "StreamProbe.h"
#include "Transition.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace mediacore {

namespace {

constexpr int64_t kEpsilon = 1000;

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

using FrameWriter = std::function<int(AVFrame*)>;

// Starts the picture transition from the held tail of the previous clip: its frames are the
// transition's first input.
int startBlend(mediafx::TransitionGraph& blend, int effect, std::deque<FramePtr>& tail, AVRational fps) {
    const AVFrame* f = tail.front().get();
    int r = blend.buildVideo(effect, f->width, f->height, static_cast<AVPixelFormat>(f->format), fps,
                             int(tail.size()));
    for (size_t k = 0; r >= 0 && k < tail.size(); ++k) {
        tail[k]->pts = int64_t(k);
        r = blend.push(mediafx::TransitionGraph::From, tail[k].get());
    }
    if (r >= 0)
        r = blend.push(mediafx::TransitionGraph::From, nullptr);
    if (r < 0)
        logFailure("a transition is left out", r); // the clips then meet with a cut
    return 0;
}

// Writes the blended frames the transition has made so far, each in place of the new clip's
// frame it stands for (dropped from `head`): the fade holds no more pictures than it must.
int writeBlended(mediafx::TransitionGraph& blend, std::deque<FramePtr>& head, const FrameWriter& write) {
    FramePtr out = makeFrame();
    while (!head.empty() && blend.pull(out.get()) >= 0) {
        const int r = write(out.get());
        av_frame_unref(out.get());
        head.pop_front();
        if (r < 0)
            return r;
    }
    return 0;
}

// Ends the picture transition once the new clip's first frames are in: writes what it gives,
// and the new clip's own frames where it gave fewer (a cut instead of a failed transition).
int finishBlend(mediafx::TransitionGraph& blend, std::deque<FramePtr>& head, const FrameWriter& write) {
    blend.push(mediafx::TransitionGraph::To, nullptr);
    size_t written = 0;
    FramePtr out = makeFrame();
    while (written < head.size() && blend.pull(out.get()) >= 0) {
        const int r = write(out.get());
        av_frame_unref(out.get());
        if (r < 0)
            return r;
        ++written;
    }
    for (; written < head.size(); ++written)
        if (const int r = write(head[written].get()); r < 0)
            return r;
    return 0;
}

// Crossfades the held sound `from` into `to` (same format and length) and writes the result,
// always as many samples as went in. The end of `to` is told only once the fade asks for more:
// told at once, the fade ends before it has mixed anything.
int crossfade(const AVFrame* from, const AVFrame* to, const FrameWriter& write) {
    mediafx::TransitionGraph fade;
    int r = fade.buildAudio(from->sample_rate, from->ch_layout, static_cast<AVSampleFormat>(from->format),
                            from->nb_samples);
    if (r >= 0 && (r = fade.push(mediafx::TransitionGraph::From, from)) >= 0 &&
        (r = fade.push(mediafx::TransitionGraph::From, nullptr)) >= 0)
        r = fade.push(mediafx::TransitionGraph::To, to);
    if (r < 0)
        logFailure("a sound crossfade is left out", r);
    int done = 0;
    bool toEnded = false;
    FramePtr out = makeFrame();
    while (r >= 0 && done < from->nb_samples) {
        const int pulled = fade.pull(out.get());
        if (pulled == AVERROR(EAGAIN) && !toEnded) {
            toEnded = true;
            r = fade.push(mediafx::TransitionGraph::To, nullptr);
            continue;
        }
        if (pulled < 0)
            break;
        const int n = std::min(out->nb_samples, from->nb_samples - done);
        out->nb_samples = n;
        done += n;
        r = write(out.get());
        av_frame_unref(out.get());
    }
    if (r < 0 && done > 0)
        return r;
    if (done < from->nb_samples) { // the rest of the new clip's sound, as it is
        FramePtr rest = makeFrame();
        rest->format = to->format;
        rest->sample_rate = to->sample_rate;
        av_channel_layout_copy(&rest->ch_layout, &to->ch_layout);
        rest->nb_samples = from->nb_samples - done;
        if (av_frame_get_buffer(rest.get(), 0) < 0)
            return AVERROR(ENOMEM);
        av_samples_copy(rest->extended_data, to->extended_data, 0, done, rest->nb_samples,
                        to->ch_layout.nb_channels, static_cast<AVSampleFormat>(to->format));
        return write(rest.get());
    }
    return 0;
}

} // namespace

// One clip on its way into the output: how it meets its neighbours, and what of it is taken.
struct JoinEncode::ClipPass {
    const Clip& clip;
    int64_t frames = 0;   // picture frames the clip gives
    int64_t blendIn = 0;  // frames of the transition into it
    int64_t blendOut = 0; // frames held back for the transition out of it
    int64_t framesTaken = 0;
    std::deque<FramePtr> pendingBlend; // its first frames in the transition, not yet blended out
    int64_t blendPushed = 0;           // frames of it given to the transition
    mediafx::TransitionGraph blend;
    // What it gives to one sound track, by its place in the clip: the first blendSamples into
    // the crossfade with the held tail, up to writeEnd written as it comes, the rest held back.
    struct Sound {
        AudioFifoPtr head; // its start, until the crossfade has all of it
        AudioFifoPtr tail; // its end, for the transition out of it
        int64_t taken = 0;
    };
    std::vector<Sound> sounds;
    int64_t blendSamples = 0;             // the held sound it crossfades with
    int64_t samplesWanted = 0;            // of every sound track
    int64_t tailSamples = 0;              // sound held back for the next transition
    int64_t writeEnd = 0;                 // where its held-back end starts
    int64_t clipSamples = 0;              // the range's length in samples, for a join without picture
    bool anyPicture = false;              // decoded, wherever it lies
    bool soundBegun = false;              // the clip's first sound has been taken
    bool closesUp = false;                // its sound closes up on the sound before, when a packet late
    int64_t lastPicture = AV_NOPTS_VALUE; // the graph's last picture, in frames of the output
};

// A further sound stream of a clip on its way to its track: decoded from the packets the
// reader passes on, through a graph of its own into the track's common format.
struct JoinEncode::OtherSound {
    size_t track = 0;
    int source = -1; // the stream's index in the clip's file
    CodecPtr decoder;
    std::unique_ptr<mediafx::FxGraph> graph;
    std::unique_ptr<FrameLane> lane;
};

namespace {

// The index of a file's sound stream number `k` (0: the first), or -1.
int soundStreamIndex(const AVFormatContext* format, int k) {
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && k-- == 0)
            return int(i);
    return -1;
}

// Containers of one sound stream (mp3, wav, flac, adts, ...) take no further ones.
bool holdsSeveralSounds(const AVOutputFormat* container) {
    return container->video_codec != AV_CODEC_ID_NONE && std::strcmp(container->name, "mp3") != 0 &&
           std::strcmp(container->name, "flac") != 0;
}

} // namespace

int JoinEncode::run() {
    int r = openEncoders();
    if (r < 0 || (r = writer_.start()) < 0)
        return r;
    for (SoundTrack& t : tracks_)
        t.held.reset(av_audio_fifo_alloc(sampleFormat_, t.channels, 1));
    for (size_t i = 0; i < clips_.size() && !run_.stopped(); ++i)
        if ((r = writeClip(i)) < 0)
            return r;
    if (run_.stopped())
        return 0;
    for (FramePtr& f : heldFrames_)
        if ((r = writeVideo(f.get())) < 0)
            return r;
    for (size_t k = 0; k < tracks_.size(); ++k)
        if ((r = writeFromFifo(k, tracks_[k].held.get(), av_audio_fifo_size(tracks_[k].held.get()))) < 0)
            return r;
    return 0;
}

// The common format: the settings, else the first clip's.
int JoinEncode::openEncoders() {
    InputPtr first;
    int r = openInput(clips_[0].path, &first);
    if (r < 0)
        return r;
    for (const Clip& c : clips_) {
        anyVideo_ |= c.hasVideo;
        anyAudio_ |= c.hasAudio;
    }
    const AVOutputFormat* container = writer_.container();
    anyVideo_ &= holdsMovingPictures(container, writer_.path());
    anyAudio_ &= container->audio_codec != AV_CODEC_ID_NONE;
    if (anyVideo_ && (r = openVideo(first.get(), container)) < 0)
        return r;
    if (anyAudio_ && anyVideo_ && copiesSound(first.get(), container)) {
        // Its packets go in as they are, beside the encoded pictures: no sound is encoded.
        if ((r = writer_.addCopy(OutputWriter::Audio, first->streams[firstAudioStream(first.get())])) < 0)
            return r;
        copySound_ = true;
        anyAudio_ = false;
        return 0;
    }
    if (anyAudio_ && (r = openAudio(first.get(), container)) < 0)
        return r;
    if (anyAudio_)
        openOtherSounds(container);
    return 0;
}

// Whether the clips' sound is kept by copying its packets: where it is to be kept, this build
// cannot encode its codec (DTS) but the container holds it, and every clip has one sound stream
// alike, at its own volume and without a crossfade. Its seams then meet on whole packets.
bool JoinEncode::copiesSound(const AVFormatContext* first, const AVOutputFormat* container) const {
    const CodecSetting::Kind kind = format_.audioCodec.kind;
    const int a0 = firstAudioStream(first);
    if ((kind != CodecSetting::Keep && kind != CodecSetting::Copy) || format_.changesSound() || a0 < 0)
        return false;
    const AVCodecParameters* q = first->streams[a0]->codecpar;
    if (preferredEncoder(q->codec_id) || !containerAccepts(container, q->codec_id))
        return false;
    for (size_t i = 0; i < clips_.size(); ++i) {
        const Clip& c = clips_[i];
        if (!c.hasAudio || c.soundStreams != 1 || c.volume != 100 ||
            (c.transition != 0 && i + 1 < clips_.size()))
            return false;
        InputPtr input;
        const int a = openInput(c.path, &input) < 0 ? -1 : firstAudioStream(input.get());
        if (a < 0)
            return false;
        const AVCodecParameters* p = input->streams[a]->codecpar;
        if (p->codec_id != q->codec_id || p->sample_rate != q->sample_rate ||
            p->ch_layout.nb_channels != q->ch_layout.nb_channels || p->extradata_size != q->extradata_size ||
            (p->extradata_size > 0 &&
             std::memcmp(p->extradata, q->extradata, size_t(p->extradata_size)) != 0))
            return false;
    }
    return true;
}

// A sound packet of the clip copied to its place against the clip's pictures, when the middle
// of it lies in the range: each seam is met on whole packets, one that would overlap the sound
// before by more than half its length left out, a smaller overlap closed up.
int JoinEncode::copySoundPacket(const Clip& c, SourceReader& reader, AVPacket* packet) {
    const AVStream* s = reader.audio();
    const int64_t t = reader.packetTimeUs(packet, SourceReader::Audio);
    const int64_t length = packet->duration > 0 ? av_rescale_q(packet->duration, s->time_base, kMicro) : 0;
    if (t != AV_NOPTS_VALUE && t >= c.end)
        reader.finish(SourceReader::Audio);
    if (t == AV_NOPTS_VALUE || t + length / 2 < c.start || t + length / 2 >= c.end ||
        clipOutUs_ + t - c.start + length / 2 < copiedSoundEndUs_) {
        av_packet_unref(packet);
        return 0;
    }
    const int64_t at = std::max(clipOutUs_ + t - c.start, copiedSoundEndUs_);
    copiedSoundEndUs_ = at + length;
    packet->pts = packet->dts = av_rescale_q(at, kMicro, s->time_base);
    const int r = writer_.writePacket(OutputWriter::Audio, packet, s->time_base);
    av_packet_unref(packet);
    return r;
}

namespace {

const AVCodec* encoderFor(const CodecSetting& s, AVMediaType type, const AVFormatContext* first,
                          int sourceIndex, const AVOutputFormat* container) {
    const AVCodec* c = s.kind == CodecSetting::Named ? s.encoder
                       : sourceIndex >= 0 ? preferredEncoder(first->streams[sourceIndex]->codecpar->codec_id)
                                          : nullptr;
    if (c && containerAccepts(container, c->id))
        return c;
    if (s.kind == CodecSetting::Named) {
        logError(std::string("the container cannot hold ") + c->name);
        return nullptr;
    }
    const AVCodec* fallback = containerDefaultEncoder(container, type);
    if (fallback && sourceIndex >= 0)
        logWarning(std::string("the join is written as ") + fallback->name + ": " +
                   avcodec_get_name(first->streams[sourceIndex]->codecpar->codec_id) +
                   " cannot be encoded or held here");
    return fallback;
}

} // namespace

int JoinEncode::openVideo(const AVFormatContext* first, const AVOutputFormat* container) {
    const int v0 = firstVideoStream(first);
    if (v0 >= 0) {
        const AVStream* s = first->streams[v0];
        const int turn = streamRotation(s);
        width_ = turn == 90 || turn == 270 ? s->codecpar->height : s->codecpar->width;
        height_ = turn == 90 || turn == 270 ? s->codecpar->width : s->codecpar->height;
        fps_ = streamFrameRate(s);
    } else {
        width_ = 640;
        height_ = 360;
    }
    if (format_.width > 0) {
        width_ = format_.width;
        height_ = format_.height;
    }
    width_ = std::max(2, width_ & ~1);
    height_ = std::max(2, height_ & ~1);
    if (format_.fps > 0)
        fps_ = av_d2q(format_.fps, 100000);
    const AVRational wantedFps = fps_;
    const auto open = [&](const AVCodec* codec) {
        fps_ =
            codec->supported_framerates
                ? codec->supported_framerates[av_find_nearest_q_idx(wantedFps, codec->supported_framerates)]
                : wantedFps;
        pix_ = pickPixelFormat(codec, AV_PIX_FMT_YUV420P);
        VideoEncoding encoding;
        encoding.codec = codec;
        encoding.width = width_;
        encoding.height = height_;
        encoding.format = pix_;
        encoding.timeBase = av_inv_q(fps_);
        encoding.frameRate = fps_;
        encoding.bitRate = int64_t(format_.videoKbps) * 1000;
        return writer_.addVideoEncoder(encoding);
    };
    return openWithFallback(format_.videoCodec,
                            encoderFor(format_.videoCodec, AVMEDIA_TYPE_VIDEO, first, v0, container),
                            containerDefaultEncoder(container, AVMEDIA_TYPE_VIDEO), open);
}

int JoinEncode::openAudio(const AVFormatContext* first, const AVOutputFormat* container) {
    const int a0 = firstAudioStream(first);
    const AVCodecParameters* p = a0 >= 0 ? first->streams[a0]->codecpar : nullptr;
    const auto open = [&](const AVCodec* codec) {
        AudioEncoding encoding;
        encoding.codec = codec;
        encoding.sampleRate =
            pickSampleRate(codec, format_.sampleRate > 0 ? format_.sampleRate : (p ? p->sample_rate : 44100));
        encoding.channels = pickChannels(
            codec, format_.channels > 0 ? format_.channels : (p ? std::min(p->ch_layout.nb_channels, 8) : 2));
        encoding.format = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        encoding.bitRate = int64_t(format_.audioKbps) * 1000;
        return writer_.addAudioEncoder(encoding);
    };
    const int r = openWithFallback(format_.audioCodec,
                                   encoderFor(format_.audioCodec, AVMEDIA_TYPE_AUDIO, first, a0, container),
                                   containerDefaultEncoder(container, AVMEDIA_TYPE_AUDIO), open);
    if (r < 0)
        return r;
    // The first sound stream speaks the first clip's language.
    if (a0 >= 0)
        writer_.copyTags(OutputWriter::Audio, first->streams[a0]);
    // The encoder may take fewer channels or a lower rate than asked.
    const AVCodecContext* encoder = writer_.encoder(OutputWriter::Audio);
    rate_ = encoder->sample_rate;
    sampleFormat_ = encoder->sample_fmt;
    tracks_.clear();
    tracks_.push_back(SoundTrack{0, -1, encoder->ch_layout.nb_channels, 0, nullptr});
    return 0;
}

// The encoder of a further sound stream of codec `p`: its own where the source codecs are kept
// and it takes the first stream's rate and sample format (all tracks are mixed in those), else
// the first stream's `main`.
const AVCodec* JoinEncode::otherSoundEncoder(const AVCodecParameters* p, const AVOutputFormat* container,
                                             const AVCodec* main) const {
    if (format_.audioCodec.kind != CodecSetting::Keep)
        return main;
    const AVCodec* own = preferredEncoder(p->codec_id);
    if (!own || own == main || !containerAccepts(container, own->id) || pickSampleRate(own, rate_) != rate_)
        return main;
    for (const AVSampleFormat* f = own->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == sampleFormat_)
            return own;
    return main;
}

// The clips' further sound streams (other languages, commentary), each encoded at the first's
// rate with its own codec where the codecs are kept (else the first's), with the channels and
// the language of the first clip that has it. One that cannot be opened is left out, not the join.
void JoinEncode::openOtherSounds(const AVOutputFormat* container) {
    if (!holdsSeveralSounds(container))
        return;
    int streams = 0;
    for (const Clip& c : clips_)
        streams = std::max(streams, c.soundStreams);
    const AVCodec* codec = writer_.encoder(OutputWriter::Audio)->codec;
    for (int k = 1; k < streams; ++k) {
        const auto holder =
            std::find_if(clips_.begin(), clips_.end(), [k](const Clip& c) { return c.soundStreams > k; });
        InputPtr input;
        int index = -1;
        if (openInput(holder->path, &input) < 0 || (index = soundStreamIndex(input.get(), k)) < 0)
            continue;
        const AVStream* source = input->streams[index];
        AudioEncoding encoding;
        encoding.codec = otherSoundEncoder(source->codecpar, container, codec);
        encoding.sampleRate = rate_;
        encoding.channels =
            pickChannels(codec, format_.channels > 0 ? format_.channels
                                                     : std::min(source->codecpar->ch_layout.nb_channels, 8));
        encoding.format = sampleFormat_;
        encoding.bitRate = int64_t(format_.audioKbps) * 1000;
        const int number = writer_.addOtherAudioEncoder(encoding, source);
        if (number < 0) {
            logFailure("sound stream " + std::to_string(k) + " of the join is left out", number);
            continue;
        }
        const int channels = writer_.otherEncoder(number)->ch_layout.nb_channels;
        tracks_.push_back(SoundTrack{k, number, channels, 0, nullptr});
    }
}

int JoinEncode::writeVideo(AVFrame* f) {
    f->pts = framesOut_++;
    return writer_.writeFrame(OutputWriter::Video, f);
}

int JoinEncode::writeSound(size_t track, AVFrame* f) {
    SoundTrack& t = tracks_[track];
    f->pts = t.samplesOut;
    t.samplesOut += f->nb_samples;
    return t.writerNumber < 0 ? writer_.writeFrame(OutputWriter::Audio, f)
                              : writer_.writeOtherFrame(t.writerNumber, f);
}

FramePtr JoinEncode::soundFrame(int samples, int channels) const {
    FramePtr f = makeFrame();
    f->format = sampleFormat_;
    f->sample_rate = rate_;
    av_channel_layout_default(&f->ch_layout, channels);
    f->nb_samples = samples;
    if (av_frame_get_buffer(f.get(), 0) < 0)
        return FramePtr();
    av_samples_set_silence(f->extended_data, 0, samples, channels, sampleFormat_);
    return f;
}

// Writes the first `samples` of `fifo` to a sound track as they are.
int JoinEncode::writeFromFifo(size_t track, AVAudioFifo* fifo, int64_t samples) {
    if (samples <= 0)
        return 0;
    FramePtr s = soundFrame(int(samples), tracks_[track].channels);
    if (!s)
        return AVERROR(ENOMEM);
    av_audio_fifo_read(fifo, reinterpret_cast<void**>(s->extended_data), int(samples));
    return writeSound(track, s.get());
}

int JoinEncode::buildGraph(const Clip& c, SourceReader& reader, mediafx::FxGraph& graph) const {
    mediafx::FxSettings fx;
    fx.volume = c.volume / 100.0;
    fx.timelineDurationUs = c.end - c.start;
    int r;
    if (anyVideo_ && reader.video()) {
        fx.rotation = streamRotation(reader.video());
        const mediafx::VideoInput in = decodedVideoInput(reader);
        mediafx::VideoOutput out;
        out.width = width_;
        out.height = height_;
        out.fit = true;
        out.frameRate = fps_;
        out.keepPauses = keepsPauses(writer_.container());
        out.formats = {pix_};
        if ((r = graph.buildVideo(fx, in, out)) < 0)
            return logFailure("picture of " + c.path, r);
    }
    if (!anyAudio_)
        return 0;
    mediafx::AudioOutput out;
    out.sampleRate = rate_;
    out.channels = tracks_[0].channels;
    out.formats = {sampleFormat_};
    r = buildSourceAudio(graph, fx, reader.audioDecoder(), out); // a clip without sound gets silence
    return r < 0 ? logFailure("sound of " + c.path, r) : 0;
}

// Frames of the output's rate that start within `lengthUs`: a picture that starts before a
// clip's end is kept, one a rounding error before it is not.
int64_t JoinEncode::framesIn(int64_t lengthUs) const {
    const AVRational frame = av_inv_q(fps_);
    const int64_t n = av_rescale_q_rnd(lengthUs - kEpsilon, kMicro, frame, AV_ROUND_UP);
    return std::max<int64_t>(1, n);
}

// The range a clip is written from. A start between two pictures shows the next one, and the
// clip's sound begins with it rather than at the time typed; its end is where its last kept
// picture ends, which shows that long although it starts before the range's end, and the
// sound goes on with it.
JoinEncode::Clip JoinEncode::pictureRange(const Clip& clip, SourceReader& reader) const {
    Clip c = clip;
    if (!anyVideo_ || !reader.video())
        return c;
    if (c.start > 0) {
        const int64_t first = reader.firstPictureFromUs(c.start);
        if (first != AV_NOPTS_VALUE && first > c.start && first < c.end)
            c.start = first;
    }
    if (!c.toFileEnd)
        c.end = std::max(c.end, c.start + av_rescale_q(framesIn(c.end - c.start), av_inv_q(fps_), kMicro));
    // A whole MPEG stream holds the pictures after its last one with a time too.
    constexpr int64_t kTailUs = 2000000;
    if (!c.toFileEnd || !reader.mpegStream())
        return c;
    // A stretch of damaged times far ahead would make the clip that much longer.
    if (const int64_t stored = reader.storedPictureEndUs();
        stored != AV_NOPTS_VALUE && stored + kTailUs < c.end)
        c.end = std::max(c.start + kTailUs, stored);
    c.end = std::max(c.end, reader.decodedPictureEndUs(std::max(c.start, c.end - kTailUs)));
    return c;
}

int JoinEncode::writeClip(size_t i) {
    SourceReader reader;
    int r = reader.open(clips_[i].path, -1, true, true, true, !copySound_);
    if (r < 0)
        return r;
    clipOutUs_ = av_rescale_q(framesOut_ + int64_t(heldFrames_.size()), av_inv_q(fps_), kMicro);
    const Clip c = pictureRange(clips_[i], reader);
    ClipPass p{c};
    p.closesUp = i > 0;
    const int64_t length = c.end - c.start;
    // A whole file ends where its picture does (JoinClip), a time its container may have
    // rounded: counted to the nearest picture there, or that rounding would add one more.
    p.frames = !anyVideo_            ? 0
               : clips_[i].toFileEnd ? std::max<int64_t>(1, av_rescale_q(length, kMicro, av_inv_q(fps_)))
                                     : framesIn(length);
    // Transition into this clip (set on the previous clip), in frames. Without a picture there
    // is nothing to blend: the sound alone crossfades over the transition's length.
    if (anyVideo_ && i > 0 && clips_[i - 1].transition != 0)
        p.blendIn = std::min<int64_t>(int64_t(heldFrames_.size()), p.frames - 1);
    if (i + 1 < clips_.size() && c.transition != 0 && anyVideo_)
        p.blendOut =
            std::clamp<int64_t>(av_rescale_q(c.transitionUs, kMicro, av_inv_q(fps_)), 0, p.frames / 2);

    mediafx::FxGraph graph;
    // Its pictures come as its range's first (a recording's size may change on the way); the
    // reading starts again at the range (readClip).
    reader.takeRangeShape(c.start, c.end);
    if ((r = buildGraph(c, reader, graph)) < 0)
        return r;
    // Sound samples this clip contributes, so that sound ends where the picture does.
    const int64_t framesAtEnd = framesOut_ + int64_t(heldFrames_.size()) + p.frames - p.blendIn;
    // Held frames beyond the overlap belong to the previous clip as they are.
    while (int64_t(heldFrames_.size()) > p.blendIn) {
        if ((r = writeVideo(heldFrames_.front().get())) < 0)
            return r;
        heldFrames_.pop_front();
    }
    // Every sound track holds as many samples as the first.
    const int64_t heldSamples = tracks_.empty() ? 0 : av_audio_fifo_size(tracks_[0].held.get());
    const int64_t samplesOut = tracks_.empty() ? 0 : tracks_[0].samplesOut;
    const AVRational frame = av_inv_q(fps_), sample{1, rate_};
    if (anyVideo_) {
        p.blendSamples = p.blendIn > 0 ? std::min(heldSamples, av_rescale_q(p.blendIn, frame, sample)) : 0;
        p.tailSamples = av_rescale_q(p.blendOut, frame, sample);
    } else if (anyAudio_) {
        soundOnlyOverlap(p, i, heldSamples);
    }
    const int64_t samplesAtEnd = anyVideo_ ? av_rescale_q(framesAtEnd, frame, sample)
                                           : samplesOut + heldSamples + p.clipSamples - p.blendSamples;
    // Samples of this clip to take: they overlap the held tail by blendSamples.
    p.samplesWanted = std::max(p.blendSamples, samplesAtEnd - samplesOut - heldSamples + p.blendSamples);
    p.writeEnd = std::max(p.blendSamples, p.samplesWanted - p.tailSamples);
    // The first frames of this clip go into the transition with the held tail.
    if (p.blendIn > 0 && (r = startBlend(p.blend, clips_[i - 1].transition, heldFrames_, fps_)) < 0)
        return r;
    if ((r = startSound(p)) < 0 || (r = readClip(p, reader, graph)) < 0 || run_.stopped())
        return r < 0 ? r : 0;
    // A clip without picture (or one shorter than its range) shows black or its last frame.
    if (anyVideo_ && (r = padPicture(p)) < 0)
        return r;
    if (run_.stopped())
        return 0;
    if ((r = endSound(p, i + 1 < clips_.size())) < 0)
        return r;
    doneUs_ += clips_[i].end - clips_[i].start;
    run_.report(doneUs_, totalUs_);
    return 0;
}

// Without a picture a transition is a sound crossfade of its length: the held tail of the
// previous clip overlaps this clip's start, and this clip's tail is held for the next one.
void JoinEncode::soundOnlyOverlap(ClipPass& p, size_t i, int64_t heldSamples) const {
    const Clip& c = p.clip;
    p.clipSamples = av_rescale(c.end - c.start, rate_, 1000000);
    if (i > 0 && clips_[i - 1].transition != 0)
        p.blendSamples = std::min(heldSamples, std::max<int64_t>(0, p.clipSamples - 1));
    if (i + 1 < clips_.size() && c.transition != 0)
        p.tailSamples = std::clamp<int64_t>(av_rescale(c.transitionUs, rate_, 1000000), 0, p.clipSamples / 2);
}

// A picture of the clip's graph into the output. A pause in the clip's pictures, which its graph
// leaves unfilled, stays one: the frames it spans count as the clip's, and none is written for
// them (but where a transition holds frames back).
int JoinEncode::takePicture(ClipPass& p, AVFrame* filtered) {
    FramePtr f = makeFrame();
    av_frame_move_ref(f.get(), filtered);
    const int64_t gap =
        p.lastPicture == AV_NOPTS_VALUE || f->pts == AV_NOPTS_VALUE ? 0 : f->pts - p.lastPicture - 1;
    if (f->pts != AV_NOPTS_VALUE)
        p.lastPicture = f->pts;
    if (const int64_t skip = std::min(gap, p.frames - p.framesTaken - 1);
        skip > 0 && heldFrames_.empty() && p.blendPushed >= p.blendIn) {
        framesOut_ += skip;
        p.framesTaken += skip;
    }
    return takeFrame(p, std::move(f));
}

// Moves one filtered picture into the output: blended, held for the next transition, or written.
int JoinEncode::takeFrame(ClipPass& p, FramePtr f) {
    if (p.framesTaken >= p.frames)
        return 0;
    ++p.framesTaken;
    if (p.blendPushed < p.blendIn) {
        f->pts = p.blendPushed++;
        if (p.blend.push(mediafx::TransitionGraph::To, f.get()) < 0)
            logError("a transition into " + p.clip.path + " is left out");
        lastFrame_ = makeFrame();
        av_frame_ref(lastFrame_.get(), f.get());
        p.pendingBlend.push_back(std::move(f));
        const FrameWriter write = [this](AVFrame* b) { return writeVideo(b); };
        int r = writeBlended(p.blend, p.pendingBlend, write);
        if (r >= 0 && p.blendPushed == p.blendIn) {
            r = finishBlend(p.blend, p.pendingBlend, write);
            heldFrames_.clear();
        }
        return r < 0 ? r : 0;
    }
    heldFrames_.push_back(makeFrame());
    av_frame_ref(heldFrames_.back().get(), f.get());
    lastFrame_ = std::move(f);
    while (int64_t(heldFrames_.size()) > p.blendOut) {
        const int e = writeVideo(heldFrames_.front().get());
        heldFrames_.pop_front();
        if (e < 0)
            return e;
    }
    return 0;
}

// Takes filtered sound into a track, up to the samples the clip gives.
std::function<int(AVFrame*)> JoinEncode::soundSink(ClipPass& p, size_t track) {
    return [this, &p, track](AVFrame* f) { return takeSound(p, track, f); };
}

// Decoders and graphs for the clip's further sound streams, whose packets the reader then
// passes on; a track whose stream the clip lacks, or cannot decode, gets silence.
int JoinEncode::openClipSounds(ClipPass& p, SourceReader& reader, std::vector<OtherSound>& others) const {
    const Clip& c = p.clip;
    for (size_t k = 1; k < tracks_.size(); ++k) {
        OtherSound o;
        o.track = k;
        o.source = soundStreamIndex(reader.format(), tracks_[k].source);
        if (o.source < 0 || openStreamDecoder(reader.format()->streams[o.source], c.path, &o.decoder, 1) < 0)
            continue;
        mediafx::FxSettings fx;
        fx.volume = c.volume / 100.0;
        fx.timelineDurationUs = c.end - c.start;
        mediafx::AudioOutput out;
        out.sampleRate = rate_;
        out.channels = tracks_[k].channels;
        out.formats = {sampleFormat_};
        o.graph = std::make_unique<mediafx::FxGraph>();
        if (const int r = buildSourceAudio(*o.graph, fx, o.decoder.get(), out); r < 0)
            return logFailure("sound stream " + std::to_string(tracks_[k].source) + " of " + c.path, r);
        o.lane = std::make_unique<FrameLane>(*o.graph);
        reader.addOtherSound(o.source);
        others.push_back(std::move(o));
    }
    return 0;
}

// Moves the frames a further sound stream's decoder has ready into its track, cut to the range.
int JoinEncode::decodeOtherSound(ClipPass& p, OtherSound& o, const SourceReader& reader) {
    const Clip& c = p.clip;
    const AVStream* s = reader.format()->streams[o.source];
    const FrameLane::Sink sink = soundSink(p, o.track);
    FramePtr f = makeFrame();
    while (avcodec_receive_frame(o.decoder.get(), f.get()) == 0) {
        const int64_t ts = f->best_effort_timestamp != AV_NOPTS_VALUE ? f->best_effort_timestamp : f->pts;
        if (ts != AV_NOPTS_VALUE) {
            const int64_t t = av_rescale_q(ts, s->time_base, kMicro) - reader.originUs();
            FramePtr part;
            AVFrame* use = nullptr;
            int r = FrameLane::trimSound(f.get(), t, c.start, c.end, &part, &use);
            if (r > 0)
                r = o.lane->push(FrameLane::Audio, use, sink);
            if (r < 0)
                return logFailure("sound stream " + std::to_string(o.source) + " of " + c.path, r);
        }
        av_frame_unref(f.get());
    }
    return 0;
}

// A clip whose sound starts after its picture (a cut into a container that holds no sound
// before its first picture, a recorder that starts its sound late) is silent until then: its
// sound keeps its place against the picture rather than moving to the clip's start. After a
// seam, a start up to a packet late (a cut's first whole packet) closes up on the sound before
// instead, as a copied seam does. `first`, the clip's first sound (or a later one, then passed
// on), is timed in its samples from the clip's start. 1, or a negative AVERROR.
int JoinEncode::soundLead(ClipPass& p, const AVFrame& first) {
    if (std::exchange(p.soundBegun, true))
        return 1;
    const int64_t samples = first.sample_rate > 0 ? av_rescale(first.pts, rate_, first.sample_rate) : 0;
    if (samples <= 0 || (p.closesUp && first.pts <= first.nb_samples) || tracks_.empty())
        return 1;
    FramePtr silence = soundFrame(int(std::min<int64_t>(samples, INT32_MAX)), tracks_[0].channels);
    if (!silence)
        return AVERROR(ENOMEM);
    const int r = takeSound(p, 0, silence.get());
    return r < 0 ? r : 1;
}

int JoinEncode::takeOtherPacket(ClipPass& p, std::vector<OtherSound>& others, const SourceReader& reader,
                                AVPacket* packet) {
    const auto o = std::find_if(others.begin(), others.end(),
                                [&](const OtherSound& x) { return x.source == packet->stream_index; });
    // A damaged packet loses its sound, not the job.
    const int sent = o == others.end() ? 0 : avcodec_send_packet(o->decoder.get(), packet);
    if (sent < 0)
        logFailure("decoding a packet of " + p.clip.path, sent);
    av_packet_unref(packet);
    return o == others.end() ? 0 : decodeOtherSound(p, *o, reader);
}

// Decodes the clip's range through its graph into the pass.
int JoinEncode::readClip(ClipPass& p, SourceReader& reader, mediafx::FxGraph& graph) {
    const Clip& c = p.clip;
    FrameLane lane(graph);
    const FrameLane::Sink pictureSink = [&](AVFrame* filtered) { return takePicture(p, filtered); };
    const FrameLane::Sink mainSoundSink = anyAudio_ ? soundSink(p, 0) : FrameLane::Sink();
    std::vector<OtherSound> others;
    int r = openClipSounds(p, reader, others);
    if (r < 0)
        return r;
    reader.seek(c.start);
    FramePtr frame = makeFrame();
    PacketPtr packet = makePacket();
    SourceReader::Kind kind;
    while (!run_.stopped() &&
           (r = reader.next(frame.get(), &kind, others.empty() && !copySound_ ? nullptr : packet.get())) >=
               0) {
        if (r == 1 && kind == SourceReader::Audio && copySound_) {
            if ((r = copySoundPacket(c, reader, packet.get())) < 0)
                return logFailure("sound of " + c.path, r);
            continue;
        }
        if (r > 0) { // a packet: of a further sound stream, the only ones not decoded here
            if ((r = takeOtherPacket(p, others, reader, packet.get())) < 0)
                return r;
            continue;
        }
        const int64_t t = reader.frameTimeUs(frame.get(), kind);
        const bool video = kind == SourceReader::Video;
        p.anyPicture = p.anyPicture || video;
        if (video &&
            (!graph.hasVideo() || t == AV_NOPTS_VALUE || t < c.start - kEpsilon || t >= c.end - kEpsilon)) {
            if (t != AV_NOPTS_VALUE && t >= c.end - kEpsilon && graph.hasVideo())
                reader.finish(kind);
        } else if (video) {
            frame->pts = av_rescale_q(t - c.start, kMicro, reader.video()->time_base);
            if ((r = lane.push(FrameLane::Video, frame.get(), pictureSink)) < 0)
                return logFailure("picture of " + c.path, r);
        } else if (graph.hasAudio() && t != AV_NOPTS_VALUE) {
            if (t >= c.end)
                reader.finish(kind);
            FramePtr part;
            AVFrame* use = nullptr;
            r = FrameLane::trimSound(frame.get(), t, c.start, c.end, &part, &use);
            if (r > 0 && (r = soundLead(p, *use)) > 0)
                r = lane.push(FrameLane::Audio, use, mainSoundSink);
            if (r < 0)
                return logFailure("sound of " + c.path, r);
        }
        const bool counted =
            video ? graph.hasVideo() && t != AV_NOPTS_VALUE && t >= c.start - kEpsilon && t < c.end - kEpsilon
                  : graph.hasAudio() && t != AV_NOPTS_VALUE;
        av_frame_unref(frame.get());
        if (counted)
            run_.report(doneUs_ + std::max<int64_t>(0, t - c.start), totalUs_);
    }
    if (run_.stopped())
        return 0;
    if (r < 0 && r != AVERROR_EOF)
        return r;
    // A clip is padded only where one of its streams ends before the other, never over a
    // source that ended early.
    if ((r = reader.checkEnd(c.end)) < 0 || (r = lane.end(FrameLane::Video, pictureSink)) < 0)
        return r;
    // A picture stream that gives no picture where it claims some is damaged, not a black clip
    // (a range past its end is shown black or frozen).
    if (graph.hasVideo() && !p.anyPicture && c.start < streamEndUs(reader.format(), reader.video()))
        return logFailure("no picture could be read from " + c.path, AVERROR_INVALIDDATA);
    for (OtherSound& o : others) {
        avcodec_send_packet(o.decoder.get(), nullptr);
        if ((r = decodeOtherSound(p, o, reader)) < 0 ||
            (r = o.lane->end(FrameLane::Audio, soundSink(p, o.track))) < 0)
            return r;
    }
    return lane.end(FrameLane::Audio, mainSoundSink);
}

int JoinEncode::padPicture(ClipPass& p) {
    while (p.framesTaken < p.frames && !run_.stopped()) {
        FramePtr f = makeFrame();
        if (lastFrame_) {
            av_frame_ref(f.get(), lastFrame_.get());
        } else {
            f->format = pix_;
            f->width = width_;
            f->height = height_;
            if (av_frame_get_buffer(f.get(), 0) < 0)
                return AVERROR(ENOMEM);
            const ptrdiff_t ls[4] = {f->linesize[0], f->linesize[1], f->linesize[2], f->linesize[3]};
            av_image_fill_black(f->data, ls, pix_, AVCOL_RANGE_MPEG, width_, height_);
        }
        if (const int r = takeFrame(p, std::move(f)); r < 0)
            return r;
    }
    return 0;
}

// The held tail of the previous clip is written up to the overlap with this clip.
int JoinEncode::startSound(ClipPass& p) {
    for (size_t k = 0; k < tracks_.size(); ++k) {
        const int channels = tracks_[k].channels;
        p.sounds.push_back({AudioFifoPtr(av_audio_fifo_alloc(sampleFormat_, channels, 1)),
                            AudioFifoPtr(av_audio_fifo_alloc(sampleFormat_, channels, 1)), 0});
        if (!p.sounds.back().head || !p.sounds.back().tail)
            return AVERROR(ENOMEM);
        AVAudioFifo* held = tracks_[k].held.get();
        if (const int r = writeFromFifo(k, held, av_audio_fifo_size(held) - p.blendSamples); r < 0)
            return r;
    }
    return 0;
}

// Moves sound of the clip to where its place in the clip sends it: the crossfade with the held
// tail, the output, or the tail held for the next transition.
int JoinEncode::takeSound(ClipPass& p, size_t track, AVFrame* f) {
    ClipPass::Sound& sound = p.sounds[track];
    const int count = static_cast<int>(std::clamp<int64_t>(p.samplesWanted - sound.taken, 0, f->nb_samples));
    for (int done = 0; done < count;) {
        const int64_t at = sound.taken;
        const int64_t end = at < p.blendSamples ? p.blendSamples
                            : at < p.writeEnd   ? p.writeEnd
                                                : p.samplesWanted;
        const int n = static_cast<int>(std::min<int64_t>(count - done, end - at));
        FramePtr part;
        AVFrame* use = f;
        if (done > 0 || n < f->nb_samples) { // a seam within the frame
            if (!(part = soundFrame(n, tracks_[track].channels)))
                return AVERROR(ENOMEM);
            av_samples_copy(part->extended_data, f->extended_data, 0, done, n, tracks_[track].channels,
                            sampleFormat_);
            use = part.get();
        }
        int r = 0;
        if (at < p.writeEnd && at >= p.blendSamples)
            r = writeSound(track, use);
        else if (av_audio_fifo_write(at < p.blendSamples ? sound.head.get() : sound.tail.get(),
                                     reinterpret_cast<void**>(use->extended_data), n) < n)
            r = AVERROR(ENOMEM);
        sound.taken += n;
        done += n;
        if (r >= 0 && at < p.blendSamples && sound.taken == p.blendSamples)
            r = fadeIn(p, track);
        if (r < 0)
            return r;
    }
    return 0;
}

// Crossfades the held tail of the previous clip with the start of this one, once all of it is in.
int JoinEncode::fadeIn(ClipPass& p, size_t track) {
    AVAudioFifo* held = tracks_[track].held.get();
    AVAudioFifo* head = p.sounds[track].head.get();
    const int n = static_cast<int>(p.blendSamples), channels = tracks_[track].channels;
    FramePtr a = soundFrame(n, channels), b = soundFrame(n, channels);
    if (!a || !b)
        return AVERROR(ENOMEM);
    av_audio_fifo_read(held, reinterpret_cast<void**>(a->extended_data), n);
    av_audio_fifo_read(head, reinterpret_cast<void**>(b->extended_data), n);
    av_audio_fifo_reset(held);
    return crossfade(a.get(), b.get(), [this, track](AVFrame* f) { return writeSound(track, f); });
}

// Every track padded with silence to the picture's end; its tail is then held for the next clip.
// A copied cut ends its sound with whole packets, up to half of one before its last picture
// ends: there, with a clip after it and no transition out, the tracks are padded only to the
// longest of them, and the next clip's sound follows on without a silence, as much ahead of
// its picture (the next clip takes the samples it lacks, as every clip ends where its picture does).
int JoinEncode::endSound(ClipPass& p, bool followed) {
    constexpr int64_t kFollowOnUs = 24000; // half of the longest common sound packet, 2048 samples
    int64_t end = 0;
    for (const ClipPass::Sound& sound : p.sounds)
        end = std::max(end, sound.taken);
    if (!followed || p.tailSamples > 0 || p.samplesWanted - end > av_rescale(kFollowOnUs, rate_, 1000000))
        end = p.samplesWanted;
    for (size_t k = 0; k < tracks_.size() && !run_.stopped(); ++k) {
        ClipPass::Sound& sound = p.sounds[k];
        while (sound.taken < end && !run_.stopped()) {
            FramePtr s = soundFrame(static_cast<int>(std::min<int64_t>(rate_, end - sound.taken)),
                                    tracks_[k].channels);
            if (!s)
                return AVERROR(ENOMEM);
            if (const int r = takeSound(p, k, s.get()); r < 0)
                return r;
        }
        std::swap(tracks_[k].held, sound.tail);
    }
    return 0;
}

} // namespace mediacore
