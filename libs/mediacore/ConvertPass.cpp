#include "ConvertPass.h"

#include <algorithm>

#include "EngineLog.h"
#include "FxGraph.h"

extern "C" {
#include <libavutil/avstring.h>
}

namespace mediacore {

namespace {
constexpr int64_t kEpsilonUs = 1000; // timestamps are rounded to their time base
} // namespace

ConvertPass::ConvertPass(ConvertPlan& plan, SourceReader& reader, OutputWriter& writer,
                         mediafx::FxGraph& graph, AVRational videoTimeBase, int64_t sizeLimit, JobRun& run,
                         const std::string& input)
    : p_(plan), reader_(reader), writer_(writer), graph_(graph), videoTb_(videoTimeBase),
      sizeLimit_(sizeLimit), run_(run), input_(input), copy_(writer), lane_(graph),
      total_(plan.end - plan.shift), frameUs_(std::max<int64_t>(1, reader.frameDurationUs())),
      fields_(reader.video() ? reader.video()->codecpar : nullptr) {
    videoSink_ = [this](AVFrame* f) { return videoSink(f); };
    audioSink_ = [this](AVFrame* f) { return audioSink(f); };
    copy_.beginPart(reader_, p_.shift, 0, p_.shift, p_.end);
}

int ConvertPass::videoSink(AVFrame* f) {
    pictureWritten_ = true;
    if (f->pts != AV_NOPTS_VALUE) {
        pulledVideoUs_ = av_rescale_q(f->pts, videoTb_, kMicro);
        f->pts = av_rescale_q(f->pts, videoTb_, writer_.encoder(OutputWriter::Video)->time_base);
    }
    return writer_.writeFrame(OutputWriter::Video, f);
}

int ConvertPass::audioSink(AVFrame* f) {
    if (f->pts != AV_NOPTS_VALUE) {
        pulledAudioUs_ = av_rescale_q(f->pts + f->nb_samples, graph_.audioTimeBase(), kMicro);
        pulledAudioFrameUs_ = av_rescale_q(f->nb_samples, graph_.audioTimeBase(), kMicro);
    }
    return writer_.writeFrame(OutputWriter::Audio, f);
}

// Held sound goes out up to the latest picture written: a copied picture's own time (the part
// keeps every picture shown before it), or an encoded one's.
int ConvertPass::releaseSound(bool all) {
    if (all)
        return copy_.release(INT64_MAX);
    if (p_.video == ConvertPlan::Copy)
        return copiedVideoUs_ == AV_NOPTS_VALUE ? 0 : copy_.release(copiedVideoUs_);
    return copy_.release(pulledVideoUs_ + p_.shift);
}

int ConvertPass::drainAudio(int64_t untilUs) {
    return lane_.drain(FrameLane::Audio, audioSink_, [&] { return pulledAudioUs_ <= untilUs; });
}

// At the size limit the picture ends; the sound read so far may lag behind it (MPEG streams
// store it late), so reading goes on for the sound alone up to the picture's end. False when
// there is no such sound: the reading ends.
bool ConvertPass::closePicture() {
    limitReached_ = true;
    const int64_t last = p_.video == ConvertPlan::Copy                         ? copiedVideoUs_
                         : graph_.hasVideo() && lastVideoUs_ != AV_NOPTS_VALUE ? pulledVideoUs_ + p_.shift
                                                                               : AV_NOPTS_VALUE;
    if (last != AV_NOPTS_VALUE)
        copy_.endBy(last + frameUs_); // sound held back stops with the picture
    if (p_.audio == ConvertPlan::None || p_.silentMain || reader_.finished(SourceReader::Audio) ||
        last == AV_NOPTS_VALUE)
        return false;
    p_.end = std::min(p_.end, last + frameUs_);
    copy_.endBy(p_.end);
    reader_.finish(SourceReader::Video);
    return releaseSound(true) >= 0;
}

int ConvertPass::run() {
    int r = 0;
    while (!run_.stopped()) {
        if ((r = step()) < 0)
            return r;
        if (r == End)
            break;
        if (r == Skip)
            continue;
        if (p_.silentMain &&
            (r = drainAudio(p_.video == ConvertPlan::None ? INT64_MAX : pulledVideoUs_ + 500000)) < 0)
            return r;
        run_.report(writer_.writtenUs(), total_);
    }
    if (run_.stopped()) {
        logInfo("convert stopped; " + writer_.path() + " removed");
        writer_.discard();
        return 1;
    }
    return finish();
}

// Copied pictures come in decoding order: a part may only end where every picture shown before
// the latest one copied is in, or those would be lost to this part and the next one alike.
// Such a run of pictures is kept room for under the limit.
int ConvertPass::limitStep() {
    if (sizeLimit_ <= 0 || limitReached_ || writer_.estimatedFinalBytes() + maxRunBytes_ < sizeLimit_)
        return Next;
    // The frames inside the picture encoder are weighed at the average of those that came out
    // after the opening keyframe. Until the encoder has given one, that is a guess; until the
    // average covers as many frames as it weighs (or a few groups of B-frames), it can be far
    // off: one P frame weighs as much as several B frames. Ending on it would leave a part of a
    // few frames at high resolutions, and parts that end earlier on a slow machine, whose
    // encoder runs further behind its input. So the part goes on while the sizes known cannot
    // weigh the rest, unless even the smallest picture so far, for each frame still inside,
    // passes the limit (one that then comes out over it is made again under a lower one).
    constexpr int64_t kWeighingPackets = 16;
    if (p_.video == ConvertPlan::Encode && lastVideoUs_ != AV_NOPTS_VALUE) {
        const int64_t out = writer_.videoPacketsOut();
        if (out < 2 || (out < 2 + std::min(writer_.videoFramesPending(), kWeighingPackets) &&
                        writer_.estimatedFinalBytes(true) + maxRunBytes_ < sizeLimit_))
            return Next;
    }
    if (copiedVideoUs_ == AV_NOPTS_VALUE)
        return closePicture() ? Skip : End;
    limitPending_ = true;
    return Next;
}

int ConvertPass::step() {
    if (const int s = limitStep(); s != Next)
        return s;
    SourceReader::Kind kind;
    const int r = reader_.next(frame_.get(), &kind, packet_.get());
    if (r == AVERROR_EOF)
        return End;
    if (r < 0)
        return r;
    if (r == 1)
        return copied(packet_.get(), kind);
    if (r == 2)
        return otherSound(packet_.get());
    return kind == SourceReader::Video ? picture(frame_.get()) : sound(frame_.get());
}

int ConvertPass::copied(AVPacket* packet, SourceReader::Kind kind) {
    const bool second = kind == SourceReader::Video && fields_.secondField(packet);
    const int64_t t = second ? AV_NOPTS_VALUE : reader_.packetTimeUs(packet, kind);
    if (limitPending_ && !limitReached_ && kind == SourceReader::Video && t != AV_NOPTS_VALUE &&
        t > copiedVideoUs_) {
        av_packet_unref(packet);
        return closePicture() ? Skip : End;
    }
    copiedPicture_ = copiedPicture_ || kind == SourceReader::Video;
    if (kind == SourceReader::Video && (t != AV_NOPTS_VALUE || second)) {
        if (t != AV_NOPTS_VALUE && (copiedVideoUs_ == AV_NOPTS_VALUE || t > copiedVideoUs_))
            runBytes_ = 0;
        runBytes_ += packet->size + 24;
        maxRunBytes_ = std::max(maxRunBytes_, runBytes_);
        if (t != AV_NOPTS_VALUE)
            copiedVideoUs_ = copiedVideoUs_ == AV_NOPTS_VALUE ? t : std::max(copiedVideoUs_, t);
    }
    if (kind == SourceReader::Audio && holdsSound()) {
        copy_.hold(packet);
        return Next;
    }
    int r = copy_.take(packet, kind);
    if (r >= 0 && kind == SourceReader::Video && holdsSound())
        r = releaseSound(false);
    return r < 0 ? r : Next;
}

// A packet of another sound stream: copied by the same rules as the main sound, held back with
// it so that both end with the picture.
int ConvertPass::otherSound(AVPacket* packet) {
    if (holdsSound()) {
        copy_.hold(packet);
        return Next;
    }
    const int r = copy_.takeOther(packet);
    return r < 0 ? r : Next;
}

int ConvertPass::picture(AVFrame* frame) {
    int64_t t = reader_.frameTimeUs(frame, SourceReader::Video);
    if (t == AV_NOPTS_VALUE)
        t = lastVideoUs_ == AV_NOPTS_VALUE ? p_.shift : lastVideoUs_ + frameUs_;
    lastVideoUs_ = t;
    if (t < p_.start - kEpsilonUs) {
        decodedBefore_ = true;
        // The picture shown through a pause the range starts in is shown from its start.
        av_frame_unref(held_.get());
        if (p_.heldUs != AV_NOPTS_VALUE && t >= p_.heldUs - kEpsilonUs)
            av_frame_move_ref(held_.get(), frame);
        av_frame_unref(frame);
        return Skip;
    }
    if (const int r = pushHeld(); r < 0)
        return r;
    if (t >= p_.end - kEpsilonUs && !p_.toFileEnd) {
        av_frame_unref(frame);
        reader_.finish(SourceReader::Video);
        return Skip;
    }
    return pushPicture(frame, t);
}

int ConvertPass::pushHeld() {
    if (held_->buf[0] == nullptr)
        return 0;
    const int r = pushPicture(held_.get(), p_.start);
    return r == Next ? 0 : r;
}

// A range that ends in a pause without sound running on: its last picture again a picture
// before the end, where the pause is still held.
int ConvertPass::holdLast() {
    const int64_t at = p_.end - frameUs_;
    if (last_->buf[0] == nullptr || lastPushedUs_ == AV_NOPTS_VALUE || at <= lastPushedUs_ + frameUs_)
        return 0;
    const int r = pushPicture(last_.get(), at);
    return r == Next ? 0 : r;
}

int ConvertPass::pushPicture(AVFrame* frame, int64_t t) {
    // The first picture must be the one asked for: decoding that begins later (a seek that
    // landed past a keyframe) would give a part that misses its start. Decoding from the file's
    // start is different: a recording that began inside a group of pictures has nothing to show
    // before its first whole picture, and the part begins with that one.
    if (firstVideoUs_ == AV_NOPTS_VALUE) {
        firstVideoUs_ = t;
        if (!decodedBefore_ && !reader_.fromStart() && p_.shift > 0 && t > p_.start + frameUs_ + kEpsilonUs)
            return logFailure("the first picture of the range could not be decoded from " + input_,
                              AVERROR_INVALIDDATA);
    }
    frame->pts = av_rescale_q(t - p_.shift, kMicro, reader_.video()->time_base);
    if (p_.holdToEnd && frame != last_.get()) {
        av_frame_unref(last_.get());
        if (av_frame_ref(last_.get(), frame) < 0)
            av_frame_unref(last_.get());
        lastPushedUs_ = t;
    }
    int r = graph_.pushVideo(frame);
    av_frame_unref(frame);
    if (r < 0)
        return logFailure("picture settings", r);
    r = lane_.drain(FrameLane::Video, videoSink_);
    if (r >= 0)
        r = releaseSound(false);
    return r < 0 ? r : Next;
}

int ConvertPass::sound(AVFrame* frame) {
    int64_t t = reader_.frameTimeUs(frame, SourceReader::Audio);
    if (t == AV_NOPTS_VALUE)
        t = pulledAudioUs_ + p_.shift;
    if (t >= p_.end)
        reader_.finish(SourceReader::Audio);
    FramePtr part;
    AVFrame* use = nullptr;
    int r = FrameLane::trimSound(frame, t, p_.shift, p_.end, &part, &use);
    if (r <= 0) {
        av_frame_unref(frame);
        return r < 0 ? r : Skip;
    }
    r = graph_.pushAudio(use);
    av_frame_unref(frame);
    if (r < 0)
        return logFailure("sound settings", r);
    // Under a size limit the sound waits for the picture, so that when the limit ends the part
    // both end together rather than the sound running on alone.
    r = drainAudio(sizeLimit_ > 0 && graph_.hasVideo() ? pulledVideoUs_ : INT64_MAX);
    return r < 0 ? r : Next;
}

int64_t ConvertPass::pictureUs(bool held) const {
    int64_t last = AV_NOPTS_VALUE; // the latest picture written, on the source's line
    if (p_.video == ConvertPlan::Copy)
        last = copiedVideoUs_;
    else if (p_.video == ConvertPlan::Encode && firstVideoUs_ != AV_NOPTS_VALUE)
        last = pulledVideoUs_ + p_.shift;
    if (last == AV_NOPTS_VALUE)
        return 0;
    int64_t end = last + frameUs_;
    // A part that ends before a pause in the recording, or before a picture lost from it (a gap
    // of half a picture or more, not a picture that shows a field again): its last picture is
    // shown until the next one begins, where the next part starts (a part started in the gap
    // would begin with the picture after it, and so would the part after that).
    const int64_t next = held && sizeLimit_ > 0 ? reader_.nextIndexedPictureUs(last) : AV_NOPTS_VALUE;
    if (next != AV_NOPTS_VALUE && 2 * (next - end) >= frameUs_)
        end = next;
    return end - p_.shift;
}

// The sound of a part ended by the size limit, up to `until` (the end of its last picture). MP4
// and MOV trim the encoder's priming and padding by their edit list, Matroska and WebM an Opus
// encoder's by the codec delay and the padding they mark on its last packet: the sound is given
// to the sample, and the next part's goes on from there. Elsewhere the encoder's delay counts, as it
// comes out after the last frame (the padding that fills its last packet), but for MP3 into
// Matroska, whose priming the writer takes off (its sound is heard from its first frame's time):
// its sound ends where the frames given end, to within half a frame.
int ConvertPass::endSoundAt(int64_t until) {
    const AVOutputFormat* container = writer_.container();
    const AVCodecContext* encoder = writer_.encoder(OutputWriter::Audio);
    const bool marksPadding = encoder && encoder->codec_id == AV_CODEC_ID_OPUS && container &&
                              av_match_name(container->name, "matroska,webm");
    if (marksPadding ||
        (container && av_match_name(container->name, "mov,mp4,m4a,3gp,3g2,ipod,psp,ismv,f4v"))) {
        const AVRational tb = graph_.audioTimeBase();
        return lane_.end(FrameLane::Audio, [&](AVFrame* f) {
            const int64_t from = f->pts != AV_NOPTS_VALUE ? f->pts : av_rescale_q(pulledAudioUs_, kMicro, tb);
            const int64_t keep = av_rescale_q(until, kMicro, tb) - from;
            if (keep <= 0)
                return 0;
            f->nb_samples = int(std::min<int64_t>(f->nb_samples, keep));
            return audioSink(f);
        });
    }
    const int64_t delayUs = encoder && encoder->sample_rate > 0 && !SoundPriming::applies(encoder, container)
                                ? av_rescale(encoder->initial_padding, 1000000, encoder->sample_rate)
                                : 0;
    return lane_.end(FrameLane::Audio, audioSink_,
                     [&] { return pulledAudioUs_ + delayUs + pulledAudioFrameUs_ / 2 <= until; });
}

int ConvertPass::finish() {
    int r = pushHeld(); // a range that ends before the pause does
    if (r >= 0 && !limitReached_ && !run_.stopped())
        r = holdLast();
    if (r >= 0)
        r = releaseSound(true);
    if (r < 0)
        return r;
    if (!limitReached_) {
        // A source that ends before the range does fails the job rather than give a part of it.
        if ((r = reader_.checkEnd(p_.end)) < 0)
            return r;
        if ((r = lane_.end(FrameLane::Video, videoSink_)) < 0 ||
            (r = lane_.end(FrameLane::Audio, audioSink_)) < 0)
            return r;
    } else {
        // The sound was read up to where the picture stopped, so both end together: at the end
        // of the last picture, not its start. Sound read ahead of the picture stays out: a frame
        // goes in while most of it lies before that end. The encoder's delay counts, as it comes
        // out after the last frame (the padding that fills its last packet).
        const int64_t until =
            p_.video == ConvertPlan::Copy ? p_.end - p_.shift - frameUs_ : pulledVideoUs_ + frameUs_;
        if ((r = endSoundAt(until)) < 0)
            return r;
    }
    // A part of a file with pictures that holds none would play as a blank or not at all: also
    // when the pictures of the range went into the filters and none came out.
    if ((p_.video == ConvertPlan::Encode && (firstVideoUs_ == AV_NOPTS_VALUE || !pictureWritten_)) ||
        (p_.video == ConvertPlan::Copy && !copiedPicture_ && copiedVideoUs_ == AV_NOPTS_VALUE))
        return logFailure("no picture of " + input_ + " lies in the range", AVERROR_STREAM_NOT_FOUND);
    if ((r = writer_.finish()) < 0)
        return r;
    run_.finished();
    return 1;
}

} // namespace mediacore
