#include "FrameConverter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/macros.h>
#include <libavutil/mem.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

FrameConverter::~FrameConverter() {
    sws_freeContext(sws_);
}

QImage FrameConverter::toImage(const AVFrame* f, double* displayAspect) {
    if (!f || f->width <= 0 || f->height <= 0)
        return {};
    sws_ = sws_getCachedContext(sws_, f->width, f->height, AVPixelFormat(f->format), f->width, f->height,
                                AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws_)
        return {};
    // Pictures from decoders carry their matrix and range; honour them as the ffmpeg tool does.
    const int* coeffs =
        sws_getCoefficients(f->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT);
    const int srcFull = f->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
    int* invTable = nullptr;
    int* table = nullptr;
    int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(sws_, &invTable, &srcRange, &table, &dstRange, &brightness, &contrast,
                                 &saturation) >= 0)
        sws_setColorspaceDetails(sws_, coeffs, srcFull || srcRange, table, 1, brightness, contrast,
                                 saturation);
    // libswscale's vector code may write a little past the end of a row and of the picture,
    // so the pixels get aligned rows and a spare tail.
    const qsizetype stride = FFALIGN(qsizetype(f->width) * 4, 64);
    auto* pixels = static_cast<uchar*>(av_malloc(size_t(stride) * f->height + 256));
    if (!pixels)
        return {};
    uint8_t* dst[4] = {pixels, nullptr, nullptr, nullptr};
    const int dstStride[4] = {int(stride), 0, 0, 0};
    if (sws_scale(sws_, f->data, f->linesize, 0, f->height, dst, dstStride) <= 0) {
        av_free(pixels);
        return {};
    }
    // The image owns the pixels from here and frees them with av_free.
    QImage img(pixels, f->width, f->height, stride, QImage::Format_ARGB32_Premultiplied, av_free, pixels);
    if (displayAspect) {
        const double sar = f->sample_aspect_ratio.num > 0 && f->sample_aspect_ratio.den > 0
                               ? av_q2d(f->sample_aspect_ratio)
                               : 1.0;
        *displayAspect = f->width * sar / f->height;
    }
    return img;
}
