#include "HalfSize.h"

#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

namespace player {

namespace {

// One plane: each output sample the rounded mean of its 2 x 2 block.
void halvePlane(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height) {
    for (int y = 0; y < height; ++y) {
        const uint8_t* a = src + ptrdiff_t(2 * y) * srcStride;
        const uint8_t* b = a + srcStride;
        uint8_t* out = dst + ptrdiff_t(y) * dstStride;
        for (ptrdiff_t x = 0; x < width; ++x)
            out[x] = uint8_t((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) >> 2);
    }
}

} // namespace

bool canHalve(const AVFrame* f) {
    const AVPixFmtDescriptor* d = f ? av_pix_fmt_desc_get(AVPixelFormat(f->format)) : nullptr;
    constexpr uint64_t kUnfit =
        AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_FLOAT;
    if (!d || !(d->flags & AV_PIX_FMT_FLAG_PLANAR) || (d->flags & kUnfit) || f->width < 2 || f->height < 2)
        return false;
    for (int c = 0; c < d->nb_components; ++c)
        if (d->comp[c].depth != 8 || d->comp[c].step != 1 || d->comp[c].offset != 0)
            return false;
    return f->width % (2 << d->log2_chroma_w) == 0 && f->height % (2 << d->log2_chroma_h) == 0;
}

ff::FramePtr halved(const AVFrame* f) {
    if (!canHalve(f))
        return nullptr;
    ff::FramePtr out = ff::makeFrame();
    if (!out)
        return nullptr;
    out->format = f->format;
    out->width = f->width / 2;
    out->height = f->height / 2;
    if (av_frame_get_buffer(out.get(), 0) < 0 || av_frame_copy_props(out.get(), f) < 0)
        return nullptr;
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(f->format));
    for (int c = 0; c < d->nb_components; ++c) {
        const int plane = d->comp[c].plane;
        const bool chroma = c == 1 || c == 2;
        const int w = chroma ? out->width >> d->log2_chroma_w : out->width;
        const int h = chroma ? out->height >> d->log2_chroma_h : out->height;
        halvePlane(f->data[plane], f->linesize[plane], out->data[plane], out->linesize[plane], w, h);
    }
    return out;
}

} // namespace player
