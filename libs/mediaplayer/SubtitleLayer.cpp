#include "SubtitleLayer.h"

#include "HalfSize.h"
#include "SubtitleFile.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

namespace {

// 8-bit planar pictures of three planes without transparency: the ones the blend below handles.
bool plainFormat(AVPixelFormat format) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (!player::planarBytes(d) || (d->flags & (AV_PIX_FMT_FLAG_ALPHA | AV_PIX_FMT_FLAG_RGB)) ||
        d->nb_components != 3)
        return false;
    for (int c = 0; c < 3; ++c)
        if (d->comp[c].plane != c)
            return false;
    return true;
}

// Override tags that move, fade, sweep or change a line within its time.
bool animated(const char* line) {
    for (const char* tag : {"\\t(", "\\move", "\\fad", "\\k", "\\K"})
        if (std::strstr(line, tag))
            return true;
    return false;
}

// The planes' subsampling of `frame`'s format.
void subsampling(const AVFrame* frame, int* w, int* h) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    *w = d->log2_chroma_w;
    *h = d->log2_chroma_h;
}

} // namespace

bool SubtitleLayer::lineChanges(const std::string& path, std::vector<int64_t>* changes) {
    changes->clear();
    if (mediafx::isAssName(path))
        return false;
    // Read and decoded as the subtitle filter reads them, so that the times are its own.
    const ff::InputPtr in = ff::openInput(path.c_str());
    if (!in || avformat_find_stream_info(in.get(), nullptr) < 0)
        return false;
    const int index = av_find_best_stream(in.get(), AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
    if (index < 0)
        return false;
    const AVStream* st = in->streams[index];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    const ff::CodecPtr dec(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!dec || avcodec_parameters_to_context(dec.get(), st->codecpar) < 0)
        return false;
    dec->pkt_timebase = st->time_base;
    if (avcodec_open2(dec.get(), codec, nullptr) < 0)
        return false;
    const ff::PacketPtr pkt = ff::makePacket();
    bool still = pkt != nullptr;
    while (still && av_read_frame(in.get(), pkt.get()) >= 0) {
        AVSubtitle sub{};
        int got = 0;
        if (pkt->stream_index == index && avcodec_decode_subtitle2(dec.get(), &sub, &got, pkt.get()) >= 0 &&
            got) {
            still = sub.pts != AV_NOPTS_VALUE;
            const int64_t start = av_rescale_q(sub.pts, AV_TIME_BASE_Q, AVRational{1, 1000});
            changes->push_back(start);
            changes->push_back(start + sub.end_display_time);
            for (unsigned i = 0; i < sub.num_rects; ++i)
                still = still && !(sub.rects[i]->ass && animated(sub.rects[i]->ass));
            avsubtitle_free(&sub);
        }
        av_packet_unref(pkt.get());
    }
    std::sort(changes->begin(), changes->end());
    changes->erase(std::unique(changes->begin(), changes->end()), changes->end());
    return still;
}

bool SubtitleLayer::build(const mediafx::FxSettings& late, const mediafx::VideoInput& input) {
    stretch_ = -1;
    dark_.reset();
    light_.reset();
    graph_.reset();
    const std::string path = mediarecords::readText(late.subtitle.path);
    if (late.hasCrop() || !plainFormat(input.format) || path.empty() ||
        mediafx::checkSubtitleFile(path) < 0 || !lineChanges(path, &changes_))
        return false;
    return graph_.buildVideo(late, input, mediafx::VideoOutput{}) >= 0;
}

ff::FramePtr SubtitleLayer::drawnOn(const AVFrame* like, int64_t ptsUs, uint8_t value) {
    ff::FramePtr canvas = ff::makeFrame();
    if (!canvas)
        return nullptr;
    canvas->format = like->format;
    canvas->width = like->width;
    canvas->height = like->height;
    if (av_frame_get_buffer(canvas.get(), 0) < 0 || av_frame_copy_props(canvas.get(), like) < 0)
        return nullptr;
    int sw = 0, sh = 0;
    subsampling(like, &sw, &sh);
    for (int p = 0; p < 3; ++p) {
        const int w = p ? AV_CEIL_RSHIFT(like->width, sw) : like->width;
        const int h = p ? AV_CEIL_RSHIFT(like->height, sh) : like->height;
        for (int y = 0; y < h; ++y)
            std::memset(canvas->data[p] + ptrdiff_t(y) * canvas->linesize[p], value, size_t(w));
    }
    canvas->pts = ptsUs; // the file's clock, which the lines are timed on
    return graph_.throughVideo(std::move(canvas));
}

bool SubtitleLayer::draw(const AVFrame* like, int64_t ptsUs) {
    dark_ = drawnOn(like, ptsUs, 0);
    light_ = drawnOn(like, ptsUs, 255);
    if (!dark_ || !light_ || dark_->width != like->width || dark_->height != like->height ||
        light_->width != like->width || light_->height != like->height)
        return false;
    // The box of every sample the line changes, on the first plane's grid.
    int sw = 0, sh = 0;
    subsampling(like, &sw, &sh);
    left_ = top_ = INT32_MAX;
    right_ = bottom_ = 0;
    for (int p = 0; p < 3; ++p) {
        const int xs = p ? sw : 0, ys = p ? sh : 0;
        const int w = AV_CEIL_RSHIFT(like->width, xs), h = AV_CEIL_RSHIFT(like->height, ys);
        for (int y = 0; y < h; ++y) {
            const uint8_t* d = dark_->data[p] + ptrdiff_t(y) * dark_->linesize[p];
            const uint8_t* l = light_->data[p] + ptrdiff_t(y) * light_->linesize[p];
            // Most rows are untouched: told in one pass the compiler turns into vector code.
            unsigned touched = 0;
            for (int x = 0; x < w; ++x)
                touched |= unsigned(d[x]) | unsigned(uint8_t(~l[x]));
            if (!touched)
                continue;
            int first = -1, last = -1;
            for (int x = 0; x < w; ++x)
                if (d[x] != 0 || l[x] != 255) {
                    first = first < 0 ? x : first;
                    last = x;
                }
            if (first < 0)
                continue;
            left_ = std::min(left_, first << xs);
            right_ = std::max(right_, (last + 1) << xs);
            top_ = std::min(top_, y << ys);
            bottom_ = std::max(bottom_, (y + 1) << ys);
        }
    }
    // Whole chroma samples: the box starts on even places where the planes are subsampled.
    left_ &= ~((1 << sw) - 1);
    top_ &= ~((1 << sh) - 1);
    right_ = std::min(right_, like->width);
    bottom_ = std::min(bottom_, like->height);
    return true;
}

bool SubtitleLayer::apply(AVFrame* frame, int64_t ptsUs) {
    // The moment the subtitle filter draws for a picture: its time in ms, cut to a whole one.
    const double ms = double(ptsUs) * av_q2d(ff::kMicro) * 1000;
    const auto now = static_cast<long long>(ms);
    const int64_t stretch = std::upper_bound(changes_.begin(), changes_.end(), now) - changes_.begin();
    if (stretch != stretch_ || !dark_ || dark_->width != frame->width || dark_->height != frame->height ||
        dark_->format != frame->format) {
        stretch_ = -1;
        if (!draw(frame, ptsUs))
            return false;
        stretch_ = stretch;
    }
    if (right_ <= left_ || bottom_ <= top_)
        return true;
    if (av_frame_make_writable(frame) < 0)
        return false;
    int sw = 0, sh = 0;
    subsampling(frame, &sw, &sh);
    for (int p = 0; p < 3; ++p) {
        const int xs = p ? sw : 0, ys = p ? sh : 0;
        const int x0 = left_ >> xs, x1 = AV_CEIL_RSHIFT(right_, xs);
        for (int y = top_ >> ys; y < AV_CEIL_RSHIFT(bottom_, ys); ++y) {
            uint8_t* f = frame->data[p] + ptrdiff_t(y) * frame->linesize[p];
            const uint8_t* d = dark_->data[p] + ptrdiff_t(y) * dark_->linesize[p];
            const uint8_t* l = light_->data[p] + ptrdiff_t(y) * light_->linesize[p];
            for (int x = x0; x < x1; ++x) {
                // What the line adds, and the picture through it: in 255ths, rounded.
                const int through = std::max(0, l[x] - d[x]);
                const int v = f[x] * through + 128;
                f[x] = uint8_t(std::min(255, d[x] + ((v + (v >> 8)) >> 8)));
            }
        }
    }
    return true;
}
