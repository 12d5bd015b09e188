#include "OverlayPictures.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "FfPointers.h"
#include "FxLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace mediafx {

namespace {

ff::FramePtr allocRgba(int width, int height) {
    ff::FramePtr f = ff::makeFrame();
    if (!f)
        return nullptr;
    f->format = AV_PIX_FMT_RGBA;
    f->width = width;
    f->height = height;
    if (av_frame_get_buffer(f.get(), 0) < 0)
        return nullptr;
    return f;
}

struct TextBox {
    int x = 0, y = 0, w = 0, h = 0;
};

// The box around every pixel with some alpha, widened by a clear margin (the scaler that turns
// it into the video's format reads a few pixels around each one) and put on even coordinates.
// A canvas with nothing drawn gives a clear 2 x 2 box in its corner.
TextBox drawnBox(const uint8_t* rgba, int width, int height) {
    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = rgba + size_t(y) * size_t(width) * 4;
        for (int x = 0; x < width; ++x)
            if (row[size_t(x) * 4 + 3] != 0) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
    }
    if (x1 < 0)
        return {0, 0, std::min(2, width), std::min(2, height)};
    constexpr int kMargin = 8;
    TextBox b;
    b.x = std::max(0, x0 - kMargin) & ~1;
    b.y = std::max(0, y0 - kMargin) & ~1;
    const int right = std::min(width, ((x1 + kMargin + 2) & ~1));
    const int bottom = std::min(height, ((y1 + kMargin + 2) & ~1));
    b.w = right - b.x;
    b.h = bottom - b.y;
    return b;
}

// Scales any decoded frame (or a packed RGBA buffer) into a new RGBA frame.
ff::FramePtr scaleToRgba(const uint8_t* const* data, const int* linesize, AVPixelFormat format, int srcW,
                         int srcH, int width, int height, int flags = SWS_BICUBIC) {
    if (width <= 0 || height <= 0) {
        width = srcW;
        height = srcH;
    }
    const ff::ScalerPtr sws(
        sws_getContext(srcW, srcH, format, width, height, AV_PIX_FMT_RGBA, flags, nullptr, nullptr, nullptr));
    if (!sws)
        return nullptr;
    ff::FramePtr out = allocRgba(width, height);
    if (out)
        sws_scale(sws.get(), data, linesize, 0, srcH, out->data, out->linesize);
    return out;
}

// The first picture of a file's video stream, scaled to RGBA; null when there is none.
ff::FramePtr firstPicture(AVFormatContext* fmt, int width, int height) {
    const AVCodec* codec = nullptr;
    if (avformat_find_stream_info(fmt, nullptr) < 0)
        return nullptr;
    const int index = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index < 0 || !codec)
        return nullptr;
    const ff::CodecPtr dec(avcodec_alloc_context3(codec));
    const ff::PacketPtr pkt = ff::makePacket();
    const ff::FramePtr frame = ff::makeFrame();
    if (!dec || !pkt || !frame ||
        avcodec_parameters_to_context(dec.get(), fmt->streams[index]->codecpar) < 0 ||
        avcodec_open2(dec.get(), codec, nullptr) < 0)
        return nullptr;
    bool got = false;
    while (!got && av_read_frame(fmt, pkt.get()) >= 0) {
        if (pkt->stream_index == index && avcodec_send_packet(dec.get(), pkt.get()) >= 0)
            got = avcodec_receive_frame(dec.get(), frame.get()) >= 0;
        av_packet_unref(pkt.get());
    }
    if (!got && avcodec_send_packet(dec.get(), nullptr) >= 0)
        got = avcodec_receive_frame(dec.get(), frame.get()) >= 0;
    if (!got)
        return nullptr;
    return scaleToRgba(frame->data, frame->linesize, static_cast<AVPixelFormat>(frame->format), frame->width,
                       frame->height, width, height);
}

ff::FramePtr decodePictureFile(const std::string& path, int width, int height) {
    const ff::InputPtr fmt = ff::openInput(path.c_str());
    if (!fmt) {
        ff::log(mediafx::kLog, AV_LOG_ERROR, "cannot open picture %s", path.c_str());
        return nullptr;
    }
    ff::FramePtr result = firstPicture(fmt.get(), width, height);
    if (!result)
        ff::log(mediafx::kLog, AV_LOG_ERROR, "cannot decode picture %s", path.c_str());
    return result;
}

} // namespace

ff::FramePtr loadPicture(const std::string& path, int width, int height, LOAD_IMAGE_CALLBACK loader,
                         bool* premultiplied) {
    if (path.empty())
        return nullptr;
    if (!loader) {
        if (premultiplied)
            *premultiplied = false;
        return decodePictureFile(path, width, height);
    }
    if (premultiplied)
        *premultiplied = true;
    int w = 0, h = 0;
    if (loader(path.c_str(), &w, &h, 0, nullptr) != 1 || w <= 0 || h <= 0 || w > 16384 || h > 16384)
        return nullptr;
    const int64_t size = int64_t(w) * h * 4;
    std::vector<uint8_t> pixels(size_t(size), 0);
    if (loader(path.c_str(), &w, &h, int(size), pixels.data()) != 1)
        return nullptr;
    const uint8_t* data[4] = {pixels.data(), nullptr, nullptr, nullptr};
    const int linesize[4] = {w * 4, 0, 0, 0};
    return scaleToRgba(data, linesize, AV_PIX_FMT_RGBA, w, h, width, height);
}

ff::FramePtr drawTextPicture(const TEXT_WATERMARK_PARAM& param, int width, int height,
                             DRAW_TEXT_CALLBACK draw, int* left, int* top) {
    if (!draw || width <= 0 || height <= 0)
        return nullptr;
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4, 0);
    TEXT_WATERMARK_PARAM copy = param;
    copy.fontclr = callbackColour(param.fontclr);
    draw(width, height, pixels.data(), copy);
    const TextBox box = drawnBox(pixels.data(), width, height);
    ff::FramePtr out = allocRgba(box.w, box.h);
    if (!out)
        return nullptr;
    for (int y = 0; y < box.h; ++y)
        std::memcpy(out->data[0] + size_t(y) * size_t(out->linesize[0]),
                    pixels.data() + (size_t(box.y + y) * size_t(width) + size_t(box.x)) * 4,
                    size_t(box.w) * 4);
    if (left)
        *left = box.x;
    if (top)
        *top = box.y;
    return out;
}

ff::FramePtr scaledPicture(const AVFrame* rgba, int width, int height) {
    if (!rgba || rgba->format != AV_PIX_FMT_RGBA || width <= 0 || height <= 0)
        return nullptr;
    return scaleToRgba(rgba->data, rgba->linesize, AV_PIX_FMT_RGBA, rgba->width, rgba->height, width, height,
                       SWS_AREA);
}

void applyTransparency(AVFrame* rgba, int transparence, bool premultiplied) {
    if (!rgba || transparence <= 0)
        return;
    const int keep = 100 - std::min(transparence, 100); // percent of opacity kept
    for (int y = 0; y < rgba->height; ++y) {
        uint8_t* p = rgba->data[0] + size_t(y) * size_t(rgba->linesize[0]);
        for (int x = 0; x < rgba->width; ++x, p += 4) {
            const int first = premultiplied ? 0 : 3;
            for (int c = first; c < 4; ++c)
                p[c] = uint8_t((p[c] * keep + 50) / 100);
        }
    }
}

uint32_t callbackColour(uint32_t word) {
    const uint32_t r = (word >> 24) & 0xFF, g = (word >> 16) & 0xFF, b = (word >> 8) & 0xFF;
    return (r << 8) | (g << 16) | (b << 24);
}

} // namespace mediafx
