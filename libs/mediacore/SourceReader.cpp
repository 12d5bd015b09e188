#include "SourceReader.h"

#include <algorithm>
#include <cstring>

#include "EngineLog.h"
#include "LargePageFrames.h"
#include "SourceIndex.h"
#include "StreamProbe.h"

extern "C" {
#include <libavutil/avstring.h>
}

namespace mediacore {

namespace {

// Times asked for from outside may be anything up to the largest (a snapshot "at the end"), and
// a file's start time anything its container can store: their sums stop at int64_t's ends.
int64_t addUs(int64_t a, int64_t b) {
    int64_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? (b > 0 ? INT64_MAX : INT64_MIN) : sum;
}

// No file is longer: a later time asked for is read as this one, so that the times worked out
// from it (a second back, the sound's lead) stay in range.
constexpr int64_t kLatestUs = INT64_MAX / 4;

// Bytes of one AMR frame by the frame type in its header byte (0 for types that are not
// frames of speech or silence).
int amrFrameBytes(AVCodecID codec, const uint8_t* header) {
    static constexpr int nb[16] = {13, 14, 16, 18, 20, 21, 27, 32, 6, 0, 0, 0, 0, 0, 0, 1};
    static constexpr int wb[16] = {18, 24, 33, 37, 41, 47, 51, 59, 61, 6, 0, 0, 0, 0, 1, 1};
    const unsigned type = (unsigned(*header) >> 3) & 0x0fu;
    return codec == AV_CODEC_ID_AMR_NB ? nb[type] : wb[type];
}

// Splits an AMR packet that holds several frames (3GP files may store up to a second of
// them in one sample) into packets of one frame each, 20 ms apart: decoders take only the first
// frame of a packet, and muxers refuse packets of more than one.
void splitAmr(const AVStream* s, AVPacket* packet, std::deque<PacketPtr>* out) {
    const AVCodecID codec = s->codecpar->codec_id;
    if ((codec != AV_CODEC_ID_AMR_NB && codec != AV_CODEC_ID_AMR_WB) || packet->size <= 0 ||
        amrFrameBytes(codec, packet->data) >= packet->size)
        return;
    const int64_t step = av_rescale_q(20000, kMicro, s->time_base);
    int offset = 0;
    for (int i = 0; offset < packet->size; ++i) {
        const int bytes = std::min(amrFrameBytes(codec, packet->data + offset), packet->size - offset);
        if (bytes <= 0)
            break;
        PacketPtr frame = makePacket();
        if (av_new_packet(frame.get(), bytes) < 0 || av_packet_copy_props(frame.get(), packet) < 0)
            return;
        std::copy_n(packet->data + offset, bytes, frame->data);
        frame->pts = packet->pts != AV_NOPTS_VALUE ? packet->pts + i * step : AV_NOPTS_VALUE;
        frame->dts = packet->dts != AV_NOPTS_VALUE ? packet->dts + i * step : AV_NOPTS_VALUE;
        frame->duration = step;
        out->push_back(std::move(frame));
        offset += bytes;
    }
    // The packet itself becomes the first frame.
    av_packet_unref(packet);
    av_packet_move_ref(packet, out->front().get());
    out->pop_front();
}

} // namespace

int SourceReader::open(const std::string& path, int audioIndex, bool wantVideo, bool wantAudio,
                       bool decodeVideo, bool decodeAudio) {
    InputPtr input;
    const int r = openInput(path, &input);
    if (r < 0)
        return r;
    return open(std::move(input), path, audioIndex, wantVideo, wantAudio, decodeVideo, decodeAudio);
}

int SourceReader::open(InputPtr input, const std::string& path, int audioIndex, bool wantVideo,
                       bool wantAudio, bool decodeVideo, bool decodeAudio) {
    path_ = path;
    format_ = std::move(input);
    int r = 0;
    originUs_ = startTimeUs(format_.get());
    fromStart_ = true;
    mpegStream_ = av_match_name(format_->iformat->name, "mpeg,mpegts") != 0;
    extent_.reset(format_.get(), originUs_);
    videoIndex_ = wantVideo ? firstVideoStream(format_.get()) : -1;
    if (decodeVideo)
        keepStoredTimes();
    if (wantAudio) {
        if (audioIndex >= 0 && unsigned(audioIndex) < format_->nb_streams &&
            format_->streams[audioIndex]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            audioIndex_ = audioIndex;
        } else {
            if (audioIndex >= 0)
                logInfo("stream " + std::to_string(audioIndex) + " is not sound; the first is used");
            audioIndex_ = firstAudioStream(format_.get());
        }
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        format_->streams[i]->discard =
            (int(i) == videoIndex_ || int(i) == audioIndex_) ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    if (decodeVideo && videoIndex_ >= 0 &&
        (r = openStreamDecoder(format_->streams[videoIndex_], path_, &videoDecoder_)) < 0)
        return r;
    if (decodeAudio && audioIndex_ >= 0 &&
        (r = openStreamDecoder(format_->streams[audioIndex_], path_, &audioDecoder_)) < 0)
        return r;
    videoDone_ = videoIndex_ < 0;
    audioDone_ = audioIndex_ < 0;
    resetPictureTimes();
    return 0;
}

int openStreamDecoder(const AVStream* s, const std::string& path, CodecPtr* out, int threads) {
    const AVCodec* codec = avcodec_find_decoder(s->codecpar->codec_id);
    if (!codec)
        return logFailure("no decoder for " + std::string(avcodec_get_name(s->codecpar->codec_id)) + " in " +
                              path,
                          AVERROR_DECODER_NOT_FOUND);
    CodecPtr dec(avcodec_alloc_context3(codec));
    if (!dec)
        return AVERROR(ENOMEM);
    int r = avcodec_parameters_to_context(dec.get(), s->codecpar);
    if (r < 0)
        return logFailure("decoder parameters", r);
    dec->pkt_timebase = s->time_base;
    if (codec->type == AVMEDIA_TYPE_VIDEO) {
        dec->thread_count = threads;
        dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        useLargePageFrames(dec.get());
    }
    r = avcodec_open2(dec.get(), codec, nullptr);
    if (r < 0)
        return logFailure("cannot open the decoder of " + path, r);
    *out = std::move(dec);
    return 0;
}

// The demuxer guesses an MPEG picture's missing times from the decoding times before it, which
// after a seek count on from wherever it landed, and without B-frames give a picture the time of
// the one before it: the guess would pass for the picture's own time. Left without one, the
// picture is placed one step after the picture shown before it, as it is everywhere else. A
// transport stream keeps the demuxer's times: its PES headers time each picture or none, and the
// edges of its copied sound are placed by the times the demuxer spreads over a PES's frames.
void SourceReader::keepStoredTimes() {
    if (format_ && std::strcmp(format_->iformat->name, "mpeg") == 0)
        format_->flags |= AVFMT_FLAG_NOFILLIN;
}

// Whether the sound's first stored packet starts with or before the picture's.
bool SourceReader::soundFirst() const {
    const AVStream* a = format_->streams[audioIndex_];
    const AVStream* v = videoIndex_ >= 0 ? format_->streams[videoIndex_] : nullptr;
    const AVIndexEntry* s = avformat_index_get_entry(const_cast<AVStream*>(a), 0);
    const AVIndexEntry* p = v ? avformat_index_get_entry(const_cast<AVStream*>(v), 0) : nullptr;
    return s && (!p || av_compare_ts(s->timestamp, a->time_base, p->timestamp, v->time_base) <= 0);
}

// Back to the file's start: an indexed MPEG stream by position (its first bytes hold the sound
// stored ahead of the first picture), others by time, else by position.
int SourceReader::rewind() {
    if (SourceIndex::get(format_.get()))
        return SourceIndex::seek(format_.get(), INT64_MIN, false);
    // MP4 and MOV seek every stream to the time the picture's first packet lands on: the packets
    // an edit list trims before it (an AAC encoder's priming) would be left out, and the first
    // packet heard, decoded without the one before it, comes out silent for most of its length.
    // Sought on sound that starts with or before the picture, each stream lands on its first packet.
    if (audioIndex_ >= 0 && av_match_name("mov", format_->iformat->name) && soundFirst() &&
        avformat_seek_file(format_.get(), audioIndex_, INT64_MIN, INT64_MIN, INT64_MIN,
                           AVSEEK_FLAG_BACKWARD) >= 0)
        return 0;
    const int r =
        avformat_seek_file(format_.get(), -1, INT64_MIN, INT64_MIN, INT64_MIN, AVSEEK_FLAG_BACKWARD);
    return r >= 0 ? r : av_seek_frame(format_.get(), -1, 0, AVSEEK_FLAG_BYTE);
}

int SourceReader::seekFormat(int64_t us, bool atOrAfter) {
    if (us <= 0)
        return rewind();
    if (SourceIndex::get(format_.get()))
        return SourceIndex::seek(format_.get(), addUs(us, originUs_), atOrAfter);
    const int64_t ts = av_rescale_q(addUs(us, originUs_), kMicro, AV_TIME_BASE_Q);
    const int r = atOrAfter ? avformat_seek_file(format_.get(), -1, addUs(ts, -1000), ts, INT64_MAX, 0)
                            : avformat_seek_file(format_.get(), -1, INT64_MIN, ts, ts, AVSEEK_FLAG_BACKWARD);
    if (r < 0) {
        logFailure("seek in " + path_, r);
        // Reading from the start still reaches the time, only slower.
        rewind();
    }
    return r;
}

int64_t SourceReader::firstKeyUs(int64_t untilUs) {
    constexpr int64_t kReorderUs = 1000000;
    const int lead = videoIndex_ >= 0 ? videoIndex_ : audioIndex_;
    const Kind kind = videoIndex_ >= 0 ? Video : Audio;
    while (SourceIndex::readPacket(format_.get(), packet_.get()) >= 0) {
        const bool key = packet_->stream_index == lead && (packet_->flags & AV_PKT_FLAG_KEY);
        const int64_t t = packet_->stream_index == lead ? packetTimeUs(packet_.get(), kind) : AV_NOPTS_VALUE;
        // A keyframe with a decoding time only (an MPEG stream's) may be shown after the
        // pictures stored behind it, up to a group's reordering later.
        const bool untimed = key && kind == Video && packet_->pts == AV_NOPTS_VALUE;
        av_packet_unref(packet_.get());
        if (key && t != AV_NOPTS_VALUE)
            return untimed ? t + kReorderUs : t;
        if (t != AV_NOPTS_VALUE && t > untilUs)
            return t;
    }
    return AV_NOPTS_VALUE;
}

int SourceReader::seek(int64_t us, bool atOrAfter) {
    if (!format_)
        return AVERROR(EINVAL);
    // Nothing read yet: the reader is at the start already. A seek there would drop what
    // opening read ahead, and single pictures cannot be read again once that is gone.
    if (us <= 0 && !moved_)
        return 0;
    moved_ = true;
    us = std::min(us, kLatestUs);
    // Demuxers that seek by searching timestamps (MPEG-TS and PS, files without an index) land
    // anywhere, also after the time asked for or inside a group of pictures whose keyframe lies
    // before it: decoding would then start late. Such a landing is moved back until the first
    // keyframe read from it is at or before the time.
    int64_t back = 0;
    const int64_t slack = 1000; // timestamps are rounded to their time base
    while (!atOrAfter && us > 0 && (videoIndex_ >= 0 || audioIndex_ >= 0)) {
        seekFormat(us - back, false);
        const int64_t key = firstKeyUs(us + slack);
        if (key != AV_NOPTS_VALUE && key <= us + slack)
            break;
        if (us - back <= 0) {
            back = us;
            break;
        }
        back = back == 0 ? 1000000 : back * 2;
        back = std::min(back, us);
    }
    const int64_t landing = us - back;
    seekFormat(landing, atOrAfter);
    // Sound stored ahead of the picture may lie before the landing, and so may the sound its
    // decoder needs before `us`; sound before `us` is left out by the readers as in any cut.
    const int64_t warmUp = audioIndex_ >= 0 ? soundWarmUpUs(format_->streams[audioIndex_]) : 0;
    lead_ = reachSoundAhead(format_.get(), videoIndex_, audioIndex_, originUs_, landing, us - warmUp,
                            [&](int64_t t) { seekFormat(t, atOrAfter && t == landing); });
    fromStart_ = landing <= 0;
    frames_.clear();
    soundEnds_.clear();
    if (videoDecoder_)
        avcodec_flush_buffers(videoDecoder_.get());
    if (audioDecoder_)
        avcodec_flush_buffers(audioDecoder_.get());
    inputEnded_ = false;
    firstDts_ = AV_NOPTS_VALUE;
    picturesSent_ = picturesOut_ = 0;
    resetPictureTimes();
    extent_.reset(format_.get(), originUs_);
    videoDone_ = videoIndex_ < 0;
    audioDone_ = audioIndex_ < 0;
    return 0;
}

int SourceReader::checkEnd(int64_t wantedEndUs) const {
    if (!inputEnded_)
        return 0;
    return extent_.check(wantedEndUs, videoIndex_, audioIndex_, path_);
}

void SourceReader::finish(Kind kind) {
    (kind == Video ? videoDone_ : audioDone_) = true;
    if (AVStream* s = stream(kind))
        s->discard = AVDISCARD_ALL;
}

void SourceReader::addOtherSound(int index) {
    if (format_ && index >= 0 && unsigned(index) < format_->nb_streams && index != audioIndex_) {
        format_->streams[index]->discard = AVDISCARD_DEFAULT;
        otherSound_.push_back(index);
    }
}

// A frame a decoder has ready (returns 0), none yet (1), or a negative AVERROR (logged).
int SourceReader::receive(AVFrame* frame, Kind* kind) {
    for (Kind k : {Video, Audio}) {
        AVCodecContext* dec = k == Video ? videoDecoder_.get() : audioDecoder_.get();
        if (finished(k) || !dec)
            continue;
        const int r = avcodec_receive_frame(dec, k == Video ? decoded_.get() : frame);
        if (r == 0) {
            if (k == Video) {
                placePicture(decoded_.get());
                if (!pictureTimes_.take(decoded_.get(), frame) || !keepPicture(frame))
                    continue;
            }
            *kind = k;
            return 0;
        }
        if (r == AVERROR_EOF) {
            if (k == Video && pictureTimes_.flush(frame)) {
                if (!keepPicture(frame))
                    continue;
                *kind = k;
                return 0;
            }
            (k == Video ? videoDone_ : audioDone_) = true;
        } else if (r != AVERROR(EAGAIN)) {
            return logFailure("decoding " + path_, r);
        }
    }
    return 1;
}

int SourceReader::next(AVFrame* frame, Kind* kind, AVPacket* packet) {
    for (;;) {
        if (const int r = receive(frame, kind); r <= 0)
            return r;
        if (videoDone_ && audioDone_)
            return AVERROR_EOF;
        if (inputEnded_) {
            // Streams that are copied end with the input; decoded ones when drained.
            if (!videoDecoder_)
                videoDone_ = true;
            if (!audioDecoder_)
                audioDone_ = true;
            continue;
        }
        moved_ = true;
        const int r = read();
        if (r < 0) {
            if (r != AVERROR_EOF)
                logFailure("reading " + path_ + " (taken as its end)", r);
            extent_.noteEnd(r);
            inputEnded_ = true;
            if (!videoDone_ && videoDecoder_)
                avcodec_send_packet(videoDecoder_.get(), nullptr);
            if (!audioDone_ && audioDecoder_)
                avcodec_send_packet(audioDecoder_.get(), nullptr);
            continue;
        }
        extent_.note(packet_.get());
        // Past a restart the pictures would land on times already written.
        if (const int e = extent_.checkRestart(path_); e < 0) {
            av_packet_unref(packet_.get());
            return e;
        }
        const int index = packet_->stream_index;
        Kind k = Video;
        if (index == videoIndex_ && !videoDone_)
            k = Video;
        else if (index == audioIndex_ && !audioDone_)
            k = Audio;
        else if (packet && std::find(otherSound_.begin(), otherSound_.end(), index) != otherSound_.end()) {
            av_packet_move_ref(packet, packet_.get());
            *kind = Audio;
            return 2;
        } else {
            av_packet_unref(packet_.get());
            continue;
        }
        AVCodecContext* dec = k == Video ? videoDecoder_.get() : audioDecoder_.get();
        if (!dec) {
            if (!packet) {
                av_packet_unref(packet_.get());
                continue;
            }
            av_packet_move_ref(packet, packet_.get());
            *kind = k;
            return 1;
        }
        if (k == Video)
            notePicturePacket(packet_.get());
        const int s = avcodec_send_packet(dec, packet_.get());
        // A damaged packet loses its frames, not the job.
        if (s < 0 && s != AVERROR(EAGAIN))
            logFailure("decoding a packet of " + path_, s);
        av_packet_unref(packet_.get());
    }
}

// The next packet of the input, the frames of a split sound packet first.
int SourceReader::read() {
    if (!frames_.empty()) {
        av_packet_move_ref(packet_.get(), frames_.front().get());
        frames_.pop_front();
        return 0;
    }
    const int r = readPacket();
    if (r >= 0 && packet_->stream_index == audioIndex_)
        splitAmr(format_->streams[audioIndex_], packet_.get(), &frames_);
    if (r >= 0 && (format_->flags & AVFMT_FLAG_NOFILLIN) && packet_->stream_index != videoIndex_) {
        followOn(packet_.get());
        if (packet_->pts == AV_NOPTS_VALUE)
            countBack();
    }
    return r;
}

int SourceReader::readPacket() {
    return lead_.read(format_.get(), packet_.get());
}

// A sound packet without a time before any with one (after a seek, at a program stream's start)
// lies as many packets before the next one with a time: the packets up to it are read ahead and
// given back in their order.
void SourceReader::countBack() {
    constexpr size_t kReach = 64;
    std::vector<PacketPtr> ahead;
    for (PacketPtr p = makePacket(); ahead.size() < kReach && p && lead_.read(format_.get(), p.get()) >= 0;
         p = makePacket()) {
        ahead.push_back(std::move(p));
        const AVPacket* a = ahead.back().get();
        if (a->stream_index != packet_->stream_index || a->pts == AV_NOPTS_VALUE)
            continue;
        int64_t t = a->pts;
        soundEnds_[size_t(a->stream_index)] = t + a->duration;
        for (auto it = ahead.rbegin() + 1; it != ahead.rend(); ++it)
            if ((*it)->stream_index == packet_->stream_index)
                (*it)->pts = (*it)->dts = (t -= (*it)->duration);
        packet_->pts = packet_->dts = t - packet_->duration;
        break;
    }
    for (auto it = ahead.rbegin(); it != ahead.rend(); ++it)
        frames_.push_front(std::move(*it));
}

// A sound packet without a time of its own follows on from the one before it, as the demuxer
// would have placed it: only pictures are left to PictureTimes.
void SourceReader::followOn(AVPacket* packet) {
    const auto i = size_t(packet->stream_index);
    if (soundEnds_.size() <= i)
        soundEnds_.resize(i + 1, AV_NOPTS_VALUE);
    if (packet->pts == AV_NOPTS_VALUE)
        packet->pts = packet->dts != AV_NOPTS_VALUE ? packet->dts : soundEnds_[i];
    if (packet->dts == AV_NOPTS_VALUE)
        packet->dts = packet->pts;
    soundEnds_[i] = packet->pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : packet->pts + packet->duration;
}

int64_t SourceReader::firstVideoPacketUs(int64_t seekUs, bool atOrAfter) {
    if (videoIndex_ < 0)
        return AV_NOPTS_VALUE;
    seek(seekUs, atOrAfter);
    int64_t t = AV_NOPTS_VALUE;
    moved_ = true;
    while (readPacket() >= 0) {
        const bool found = packet_->stream_index == videoIndex_;
        if (found)
            t = packetTimeUs(packet_.get(), Video);
        av_packet_unref(packet_.get());
        if (found)
            break;
    }
    seek(seekUs, atOrAfter);
    return t;
}

int64_t SourceReader::firstPictureFromUs(int64_t fromUs) {
    if (videoIndex_ < 0)
        return AV_NOPTS_VALUE;
    seek(fromUs, false);
    moved_ = true;
    // Packets come in decoding order: a picture shown earlier may follow within the reordering
    // of a group, never a second later.
    const int64_t epsilonUs = 1000, reorderUs = 1000000;
    int64_t best = AV_NOPTS_VALUE;
    // A stream that leaves some pictures without a time, or gives one picture another's, may
    // hold a picture before the best time seen: that time is sure only within a picture of
    // `fromUs`, where no other picture fits.
    bool unsure = false;
    std::vector<int64_t> seen;
    while (readPacket() >= 0) {
        const bool picture = packet_->stream_index == videoIndex_;
        const int64_t t = picture ? packetTimeUs(packet_.get(), Video) : AV_NOPTS_VALUE;
        av_packet_unref(packet_.get());
        if (t == AV_NOPTS_VALUE) {
            unsure = unsure || picture;
            continue;
        }
        unsure = unsure || std::find(seen.begin(), seen.end(), t) != seen.end();
        seen.push_back(t);
        if (t >= fromUs - epsilonUs && (best == AV_NOPTS_VALUE || t < best))
            best = t;
        if (best != AV_NOPTS_VALUE && t >= best + reorderUs)
            break;
    }
    seek(fromUs, false);
    if (unsure && best != AV_NOPTS_VALUE && best - fromUs >= frameDurationUs() - epsilonUs)
        return AV_NOPTS_VALUE;
    return best;
}

// Packets without presentation times (AVI stores none) leave a decoder to guess a picture's
// time from the decoding time of the packet that let it out, which runs late by the pictures
// it holds back for reordering. Such pictures are placed one frame after another from the
// first packet decoded since the last seek, the keyframe it landed on, as they are shown.
void SourceReader::notePicturePacket(const AVPacket* packet) {
    if (firstDts_ == AV_NOPTS_VALUE && picturesSent_ == 0)
        firstDts_ = packet->pts == AV_NOPTS_VALUE ? packet->dts : AV_NOPTS_VALUE;
    if (packet->pts != AV_NOPTS_VALUE)
        firstDts_ = AV_NOPTS_VALUE; // the stream has presentation times after all
    ++picturesSent_;
}

// An MPEG stream's picture without a time of its own is given, by the decoder, the decoding time
// of the packet that let it out, a picture or more late: it is left to PictureTimes' one rule
// instead (a step after the picture shown before it).
void SourceReader::placePicture(AVFrame* frame) {
    if (frame->pts == AV_NOPTS_VALUE && mpegStream_)
        frame->best_effort_timestamp = AV_NOPTS_VALUE;
    if (frame->pts != AV_NOPTS_VALUE || firstDts_ == AV_NOPTS_VALUE)
        return;
    const AVRational tb = video()->time_base;
    frame->best_effort_timestamp =
        firstDts_ + av_rescale_q(picturesOut_++, av_inv_q(streamFrameRate(video())), tb);
}

int64_t SourceReader::nextIndexedPictureUs(int64_t afterUs) const {
    const SourceIndex* index = SourceIndex::get(format_.get());
    if (!index)
        return AV_NOPTS_VALUE;
    // In ticks (rounded up: the picture at `afterUs` itself is not after it).
    const int64_t after = av_rescale_q_rnd(afterUs + originUs_, kMicro, index->timeBase(), AV_ROUND_UP);
    const int64_t next = index->nextShownTicks(after);
    return next == AV_NOPTS_VALUE ? next : av_rescale_q(next, index->timeBase(), kMicro) - originUs_;
}

int64_t SourceReader::heldPictureUs(int64_t atUs) const {
    const SourceIndex* index = SourceIndex::get(format_.get());
    if (!index || index->pictureTicks() <= 0)
        return AV_NOPTS_VALUE;
    const int64_t at = av_rescale_q(atUs + originUs_, kMicro, index->timeBase()),
                  step = index->pictureTicks();
    const int64_t next = index->nextShownTicks(at), held = index->lastShownTicks(at);
    if (held == AV_NOPTS_VALUE || next == AV_NOPTS_VALUE || at - held < step || next - at <= step)
        return AV_NOPTS_VALUE;
    return av_rescale_q(held, index->timeBase(), kMicro) - originUs_;
}

int64_t SourceReader::frameTimeUs(const AVFrame* frame, Kind kind) const {
    int64_t ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE)
        ts = frame->pts;
    if (ts == AV_NOPTS_VALUE)
        return AV_NOPTS_VALUE;
    return av_rescale_q(ts, stream(kind)->time_base, kMicro) - originUs_;
}

int64_t SourceReader::packetTimeUs(const AVPacket* packet, Kind kind) const {
    const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (ts == AV_NOPTS_VALUE)
        return AV_NOPTS_VALUE;
    return av_rescale_q(ts, stream(kind)->time_base, kMicro) - originUs_;
}

// The shortest gap between two pictures: the stream's base rate, or its average where that is
// higher.
void SourceReader::resetPictureTimes() {
    const AVStream* v = video();
    if (!v)
        return;
    int64_t step = av_rescale_q(1, av_inv_q(streamFrameRate(v)), v->time_base);
    if (v->r_frame_rate.num > 0 && v->r_frame_rate.den > 0)
        step = std::min(step, av_rescale_q(1, av_inv_q(v->r_frame_rate), v->time_base));
    pictureTimes_.reset(step, fromStart_ ? av_rescale_q(originUs_, kMicro, v->time_base) : AV_NOPTS_VALUE);
}

bool SourceReader::takeRangeShape(int64_t fromUs, int64_t toUs) {
    rangeShape_ = {};
    const AVStream* v = video();
    if (!v)
        return false;
    rangeShape_.fieldOrder = v->codecpar->field_order;
    const SourceIndex* index = SourceIndex::get(format_.get());
    if (!index || !videoDecoder_)
        return false;
    const auto ticks = [&](int64_t us) { return av_rescale_q(us + originUs_, kMicro, index->timeBase()); };
    const bool fields = index->fieldsBetween(ticks(std::max<int64_t>(fromUs, 0)),
                                             toUs > fromUs ? ticks(toUs) : index->endTicks());
    const AVFieldOrder order = v->codecpar->field_order;
    rangeShape_.fieldOrder = !fields ? AV_FIELD_PROGRESSIVE
                             : order != AV_FIELD_PROGRESSIVE && order != AV_FIELD_UNKNOWN ? order
                                                                                          : AV_FIELD_TT;
    if (seek(std::max<int64_t>(fromUs, 0)) < 0)
        return true;
    FramePtr frame = makeFrame();
    Kind kind = Video;
    while (next(frame.get(), &kind) == 0) {
        const int64_t t = kind == Video ? frameTimeUs(frame.get(), Video) : AV_NOPTS_VALUE;
        if (kind == Video && (t == AV_NOPTS_VALUE || t + frameDurationUs() / 2 >= fromUs)) {
            rangeShape_.width = frame->width;
            rangeShape_.height = frame->height;
            // A picture that tells no aspect keeps the stream's where it has the stream's size.
            const bool own = frame->sample_aspect_ratio.num > 0 && frame->sample_aspect_ratio.den > 0;
            rangeShape_.aspect = own ? frame->sample_aspect_ratio
                                 : frame->width == v->codecpar->width && frame->height == v->codecpar->height
                                     ? pictureAspect(format_.get(), v)
                                     : AVRational{1, 1};
            break;
        }
        av_frame_unref(frame.get());
    }
    return true;
}

int64_t SourceReader::decodedPictureEndUs(int64_t fromUs) {
    if (const SourceIndex* index = SourceIndex::get(format_.get()))
        return index->endUs() - originUs_;
    if (!videoDecoder_ || seek(fromUs) < 0)
        return AV_NOPTS_VALUE;
    FramePtr frame = makeFrame();
    Kind kind;
    int64_t end = AV_NOPTS_VALUE;
    while (next(frame.get(), &kind) == 0) {
        const int64_t t = kind == Video ? frameTimeUs(frame.get(), Video) : AV_NOPTS_VALUE;
        if (t != AV_NOPTS_VALUE)
            end = std::max(end, t + frameDurationUs());
        av_frame_unref(frame.get());
    }
    seek(0);
    return end;
}

int64_t SourceReader::storedPictureEndUs() {
    if (const SourceIndex* index = SourceIndex::get(format_.get()))
        return index->endUs() - originUs_;
    constexpr int64_t kTailBytes = 4 << 20;
    const int64_t size = format_ && videoIndex_ >= 0 ? avio_size(format_->pb) : -1;
    if (size <= 0 ||
        av_seek_frame(format_.get(), -1, std::max<int64_t>(0, size - kTailBytes), AVSEEK_FLAG_BYTE) < 0)
        return AV_NOPTS_VALUE;
    moved_ = true;
    int64_t end = AV_NOPTS_VALUE;
    while (readPacket() >= 0) {
        const int64_t t =
            packet_->stream_index == videoIndex_ ? packetTimeUs(packet_.get(), Video) : AV_NOPTS_VALUE;
        // Times that go back far belong to what follows a damaged stretch: the file ends there.
        if (t != AV_NOPTS_VALUE)
            end = end != AV_NOPTS_VALUE && t < end - 1000000 ? t + frameDurationUs()
                                                             : std::max(end, t + frameDurationUs());
        av_packet_unref(packet_.get());
    }
    seek(0);
    return end;
}

// A seek lands where a keyframe with a time at or before the time asked for follows: a picture
// decoded before it, too far ahead of it to be counted back from it, is shown before that
// keyframe, outside what was asked, and is left out rather than given a guessed time.
bool SourceReader::keepPicture(AVFrame* frame) {
    if (fromStart_ || frameTimeUs(frame, Video) != AV_NOPTS_VALUE) {
        notePicture(frame);
        return true;
    }
    av_frame_unref(frame);
    return false;
}

void SourceReader::notePicture(const AVFrame* frame) {
    if (const int64_t t = frameTimeUs(frame, Video); t != AV_NOPTS_VALUE)
        extent_.notePicture(t + frameDurationUs());
}

int64_t SourceReader::frameDurationUs() const {
    return video() ? pictureDurationUs(video()) : 0;
}

} // namespace mediacore
