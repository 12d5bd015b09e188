#include "SmartCutEdge.h"

#include <algorithm>
#include <cstring>

#include "EncoderSend.h"
#include "EngineLog.h"
#include "SourceReader.h"
#include "StreamProbe.h"

namespace mediacore {

namespace {

// An encoder context for pictures like the stream's: size, format, time base, rate, aspect and
// colour, so that re-encoded edges sit between copied pictures unnoticed. Null without memory.
CodecPtr contextLike(const AVCodec* codec, const AVStream* s) {
    CodecPtr c(avcodec_alloc_context3(codec));
    if (!c)
        return c;
    const AVCodecParameters* par = s->codecpar;
    c->width = par->width;
    c->height = par->height;
    c->pix_fmt = AVPixelFormat(par->format);
    c->time_base = s->time_base;
    c->framerate = streamFrameRate(s);
    c->sample_aspect_ratio = par->sample_aspect_ratio.num > 0 ? par->sample_aspect_ratio : AVRational{1, 1};
    c->color_range = par->color_range;
    c->color_primaries = par->color_primaries;
    c->color_trc = par->color_trc;
    c->colorspace = par->color_space;
    c->chroma_sample_location = par->chroma_location;
    return c;
}

int openSeamEncoder(const AVStream* s, int paramId, const char* profile, int threads, bool lean,
                    CodecPtr* out) {
    const AVCodec* codec = avcodec_find_encoder_by_name(kSeamEncoder);
    if (!codec)
        return AVERROR_ENCODER_NOT_FOUND;
    CodecPtr c = contextLike(codec, s);
    if (!c)
        return AVERROR(ENOMEM);
    const AVCodecParameters* par = s->codecpar;
    c->field_order = AV_FIELD_PROGRESSIVE;
    // The pieces reorder frames as deeply as the source (x264: none, B-frames, or a B-pyramid
    // of depth 2): their first parameter set then tells demuxers and decoders the stream's
    // depth, and decoding times rebuilt for the source's depth stay valid across the seams.
    const int depth = std::min(par->video_delay, 2);
    c->max_b_frames = depth;
    if (par->level > 0)
        c->level = par->level;
    // Slice threads: frame threads would each hold pictures and delay the output by a frame,
    // which an edge of a few frames pays for and cannot use.
    c->thread_count = threads;
    c->thread_type = FF_THREAD_SLICE;
    // The parameter sets go into the stream's record as well as in-band.
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // Lean: the look-ahead, the macroblock tree and the half-size planes that rate control by
    // quality needs go (a constant quantiser instead), so that the encoder holds little more
    // than the frame it codes and its reference. Above 1080p a frame and its planes weigh tens
    // of MB, and with both edges coded at once two encoders hold theirs. Its predicted frames
    // search no partitions below 16x16 either: a seventh less encoding, and at a constant
    // quantiser the same picture (PSNR within 0.1 dB on the bench's grainy 1080p).
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", "veryfast", 0);
    av_dict_set(&options, lean ? "qp" : "crf", lean ? "20" : "18", 0);
    av_dict_set(&options, "profile", profile, 0);
    // An edge is at most a group of pictures: a short look-ahead (long enough for the
    // macroblock tree, which keeps the frames small), a fixed pattern of B-frames and full-pel
    // motion search keep the encoder from holding more pictures (each a few MB at 1080p, with
    // its interpolated planes) than the frames it re-encodes; the constant quality keeps the
    // picture.
    const std::string params = "sps-id=" + std::to_string(paramId) +
                               ":repeat-headers=1:b-pyramid=" + (depth >= 2 ? "normal" : "none") +
                               (lean ? ":rc-lookahead=0:mbtree=0:analyse=none" : ":rc-lookahead=2") +
                               ":sync-lookahead=0:b-adapt=0:scenecut=0:weightp=0:ref=1"
                               ":subme=0:me=dia";
    av_dict_set(&options, "x264-params", params.c_str(), 0);
    const int r = avcodec_open2(c.get(), codec, &options);
    av_dict_free(&options);
    if (r < 0)
        return logFailure("cannot open the encoder for the cut's edges", r);
    *out = std::move(c);
    return 0;
}

// Adds the encoder's parameter sets to the record; false when they are not the id asked for.
bool addEncoderSets(const AVCodecContext* encoder, int paramId, avc::AvcConfig* config) {
    bool sps = false, pps = false, ok = true;
    avc::forEachAnnexBNal(encoder->extradata, encoder->extradata_size, [&](const uint8_t* nal, int n) {
        const int type = avc::nalType(nal);
        if (type != avc::Sps && type != avc::Pps)
            return;
        ok = ok && avc::parameterSetId(nal, n) == paramId;
        (type == avc::Sps ? config->sps : config->pps).emplace_back(nal, nal + n);
        (type == avc::Sps ? sps : pps) = true;
    });
    return ok && sps && pps;
}

// Slice threads for an edge of `frames` frames.
int edgeThreads(size_t frames) {
    return int(std::clamp<size_t>(frames / 6, 1, 6));
}

} // namespace

// libx265 for an edge of `frames` frames of `s`. Its parameter sets go in-band before its
// first frame (without a global header the wrapper repeats them), so no record has to hold them.
bool openHevcEdgeEncoder(const AVStream* s, size_t frames, CodecPtr* out) {
    const AVCodec* codec = avcodec_find_encoder_by_name(kHevcSeamEncoder);
    if (!codec)
        return false;
    CodecPtr c = contextLike(codec, s);
    if (!c)
        return false;
    const AVCodecParameters* par = s->codecpar;
    // As deep a reordering as the source's (none, one, or a B-pyramid of two), so that decoding
    // times rebuilt for the source's depth stay valid across the seams.
    const int depth = std::min(par->video_delay, 2);
    // One keyframe (the first frame) and no look-ahead beyond the B-frames: an edge is at most
    // a group of pictures.
    const std::string params =
        "log-level=error:info=0:repeat-headers=1:open-gop=0:scenecut=0:keyint=" + std::to_string(frames + 1) +
        ":b-adapt=0:bframes=" + (depth == 0 ? "0" : "3") + ":b-pyramid=" + (depth >= 2 ? "1" : "0") +
        ":rc-lookahead=" + (depth == 0 ? "1" : "4");
    AVDictionary* options = nullptr;
    // The fastest preset: the edges are a few dozen frames of a long copy, and the low constant
    // quality keeps them close to the copied frames.
    av_dict_set(&options, "preset", "ultrafast", 0);
    av_dict_set(&options, "crf", "20", 0);
    av_dict_set(&options, "x265-params", params.c_str(), 0);
    const int r = avcodec_open2(c.get(), codec, &options);
    av_dict_free(&options);
    if (r < 0) {
        logFailure("cannot open the encoder for the cut's edges", r);
        return false;
    }
    *out = std::move(c);
    return true;
}

bool largePictures(const AVStream* video) {
    return int64_t(video->codecpar->width) * video->codecpar->height > int64_t{1920} * 1088;
}

bool openEdgeEncoder(const AVStream* video, int paramId, size_t frames, CodecPtr* encoder,
                     avc::AvcConfig* config, size_t recordSets, bool lean) {
    if (openSeamEncoder(video, paramId, x264Profile(video->codecpar->profile), edgeThreads(frames),
                        lean || largePictures(video), encoder) < 0)
        return false;
    avc::AvcConfig sets;
    if (!addEncoderSets(encoder->get(), paramId, &sets))
        return false;
    // Both edges share one parameter set in the record, after the source's own sets.
    if (config->sps.size() == recordSets) {
        config->sps.insert(config->sps.end(), sets.sps.begin(), sets.sps.end());
        config->pps.insert(config->pps.end(), sets.pps.begin(), sets.pps.end());
        return config->sps.size() < 32 && config->pps.size() < 256;
    }
    return std::equal(sets.sps.begin(), sets.sps.end(), config->sps.begin() + long(recordSets),
                      config->sps.end()) &&
           sets.pps.size() <= config->pps.size() &&
           std::equal(sets.pps.begin(), sets.pps.end(), config->pps.end() - long(sets.pps.size()),
                      config->pps.end());
}

int CutEdge::open(const AVStream* video, const std::string& path, CodecPtr encoder, size_t decodes,
                  int decodeThreads) {
    encoder_ = std::move(encoder);
    // Frame threads each hold pictures of their own; past two they add memory (a picture is
    // 3 MB at 1080p, 12 MB at 2160p) more than speed to an edge of at most a group of pictures,
    // and above 1080p even the second is too much.
    const int r =
        openStreamDecoder(video, path, &decoder_, decodes > 8 && !largePictures(video) ? decodeThreads : 1);
    if (r < 0) {
        encoder_.reset();
        return r;
    }
    if (beside_ && encoderThread_.start(encoder_.get(), [this] { return writeEncoded(); }) < 0)
        beside_ = false;
    return 0;
}

// Encoder output as length-prefixed packets on the output timeline.
int CutEdge::writeEncoded() {
    int e;
    while ((e = avcodec_receive_packet(encoder_.get(), encoded_.get())) == 0) {
        const Bytes data = range_.hevc ? hevc::toLengthPrefixed(encoded_->data, encoded_->size, lengthSize_)
                                       : avc::toLengthPrefixed(encoded_->data, encoded_->size, lengthSize_);
        PacketPtr out = makePacket();
        if (av_new_packet(out.get(), int(data.size())) < 0)
            return AVERROR(ENOMEM);
        std::memcpy(out->data, data.data(), data.size());
        const auto d = range_.wanted.find(encoded_->pts);
        out->pts = out->dts = encoded_->pts - range_.shift;
        out->duration = d != range_.wanted.end() ? d->second : 0;
        out->flags = encoded_->flags & AV_PKT_FLAG_KEY;
        av_packet_unref(encoded_.get());
        if (hold_ || beside_)
            held_.push_back(std::move(out));
        else if ((e = writer_.writePacket(OutputWriter::Video, out.get(), timeBase_)) < 0)
            return e;
    }
    return e == AVERROR(EAGAIN) || e == AVERROR_EOF ? 0 : logFailure("encoding the cut's edges", e);
}

int CutEdge::writeHeld() {
    for (PacketPtr& p : held_)
        if (const int e = writer_.writePacket(OutputWriter::Video, p.get(), timeBase_); e < 0)
            return e;
    held_.clear();
    return 0;
}

// One wanted frame to the encoder, on this thread or its own.
int CutEdge::sendToEncoder(AVFrame* frame) {
    if (beside_)
        return encoderThread_.send(frame);
    const int e = sendPicture(encoder_.get(), frame);
    return e < 0 ? logFailure("encoding the cut's edges", e) : writeEncoded();
}

// The decoded frames of the edge that the range wants into the encoder.
int CutEdge::encodeDecoded() {
    AVCodecContext* encoder = encoder_.get();
    AVFrame* frame = frame_.get();
    int e;
    while ((e = avcodec_receive_frame(decoder_.get(), frame)) == 0) {
        const int64_t pts = frame->best_effort_timestamp;
        bool take = range_.wanted.count(pts) && (head_ ? pts < range_.headBefore : pts > range_.tailAfter);
        if (frame->width != encoder->width || frame->height != encoder->height ||
            frame->format != encoder->pix_fmt || frame->interlaced_frame) {
            mismatch_ = true;
            take = false;
        }
        if (take) {
            ++taken_;
            frame->pts = pts;
            frame->pict_type = AV_PICTURE_TYPE_NONE;
            if ((e = sendToEncoder(frame)) < 0)
                return e;
        }
        av_frame_unref(frame);
    }
    return e == AVERROR(EAGAIN) || e == AVERROR_EOF ? 0 : logFailure("decoding the cut's edges", e);
}

int CutEdge::decode(const AVPacket* packet, const Bytes* standIn) {
    if (!isOpen())
        return 0;
    if (standIn) {
        PacketPtr stand = makePacket();
        if (av_new_packet(stand.get(), int(standIn->size())) < 0)
            return AVERROR(ENOMEM);
        std::memcpy(stand->data, standIn->data(), standIn->size());
        av_packet_copy_props(stand.get(), packet);
        return decode(stand.get());
    }
    const int e = avcodec_send_packet(decoder_.get(), packet);
    if (e < 0 && e != AVERROR_EOF)
        logFailure("decoding a packet at the cut's edges", e);
    return encodeDecoded();
}

int CutEdge::finish() {
    if (!isOpen())
        return 0;
    int e = decode(nullptr);
    // The encoder holds copies of the frames it waits for: the decoder's pictures can go before
    // it codes them.
    decoder_.reset();
    if (beside_) {
        const int ended = encoderThread_.finish();
        e = e < 0 ? e : ended;
        if (e >= 0 && !hold_)
            e = writeHeld();
    } else {
        if (e >= 0)
            e = avcodec_send_frame(encoder_.get(), nullptr);
        if (e >= 0)
            e = writeEncoded();
    }
    drop();
    return e;
}

void CutEdge::drop() {
    encoderThread_.stop();
    encoder_.reset();
    decoder_.reset();
}

} // namespace mediacore
