#include "FrameConverter.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/macros.h>
#include <libavutil/mem.h>
#include <libavutil/pixdesc.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

double FrameConverter::displayAspect(const AVFrame* f) {
    if (!f || f->width <= 0 || f->height <= 0)
        return 0;
    const double sar = f->sample_aspect_ratio.num > 0 && f->sample_aspect_ratio.den > 0
                           ? av_q2d(f->sample_aspect_ratio)
                           : 1.0;
    return f->width * sar / f->height;
}

QSize FrameConverter::fitted(double aspect, QSize box) {
    if (!(aspect > 0) || box.width() <= 0 || box.height() <= 0)
        return {};
    int w = box.width(), h = int(std::lround(w / aspect));
    if (h > box.height()) {
        h = box.height();
        w = int(std::lround(h * aspect));
    }
    return {std::clamp(w, 1, box.width()), std::clamp(h, 1, box.height())};
}

QImage FrameConverter::toImage(const AVFrame* f, QSize size) {
    if (!f || f->width <= 0 || f->height <= 0)
        return {};
    const int w = size.width() > 0 && size.height() > 0 ? size.width() : f->width;
    const int h = size.width() > 0 && size.height() > 0 ? size.height() : f->height;
    // Area averaging keeps a strongly shrunk picture (a preview of a 4K file) free of aliasing.
    const int flags = (w * 2 < f->width || h * 2 < f->height) ? SWS_AREA : SWS_BILINEAR;
    // The cached context is reused when it fits, otherwise freed and replaced.
    sws_.reset(sws_getCachedContext(sws_.release(), f->width, f->height, AVPixelFormat(f->format), w, h,
                                    AV_PIX_FMT_BGRA, flags, nullptr, nullptr, nullptr));
    if (!sws_)
        return {};
    SwsContext* const sws = sws_.get();
    // Pictures from decoders carry their matrix and range; honour them as the ffmpeg tool does.
    const int* coeffs =
        sws_getCoefficients(f->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT);
    const int srcFull = f->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
    int* invTable = nullptr;
    int* table = nullptr;
    int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(sws, &invTable, &srcRange, &table, &dstRange, &brightness, &contrast,
                                 &saturation) >= 0)
        sws_setColorspaceDetails(sws, coeffs, srcFull || srcRange, table, 1, brightness, contrast,
                                 saturation);
    // libswscale writes alpha 255 for a picture without transparency: an opaque image then.
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(AVPixelFormat(f->format));
    const bool opaque = layout_ == Layout::View && d && !(d->flags & AV_PIX_FMT_FLAG_ALPHA);
    const QImage::Format format = opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    QImage& img = target(w, h, format); // held here alone, so writing to it copies nothing
    if (img.isNull())
        return {};
    uint8_t* dst[4] = {img.bits(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {int(img.bytesPerLine()), 0, 0, 0};
    if (sws_scale(sws, f->data, f->linesize, 0, f->height, dst, dstStride) <= 0)
        return {};
    return img;
}

QImage& FrameConverter::target(int w, int h, QImage::Format format) {
    QImage& slot = recent_[next_];
    next_ ^= 1;
    if (slot.width() == w && slot.height() == h && slot.format() == format && slot.isDetached())
        return slot;
    slot = QImage();
    // libswscale's vector code may write a little past the end of a row and of the picture,
    // so the pixels get aligned rows and a spare tail.
    const qsizetype stride = FFALIGN(qsizetype(w) * 4, 64);
    auto* pixels = static_cast<uchar*>(av_malloc(size_t(stride) * size_t(h) + 256));
    if (!pixels)
        return slot;
    // The image owns the pixels from here and frees them with av_free.
    slot = QImage(pixels, w, h, stride, format, av_free, pixels);
    return slot;
}
