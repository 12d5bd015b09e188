#include "FrameConverter.h"

extern "C" {
#include <libavutil/frame.h>
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
    QImage img(f->width, f->height, QImage::Format_ARGB32_Premultiplied);
    if (img.isNull())
        return {};
    uint8_t* dst[4] = {img.bits(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {int(img.bytesPerLine()), 0, 0, 0};
    if (sws_scale(sws_, f->data, f->linesize, 0, f->height, dst, dstStride) <= 0)
        return {};
    if (displayAspect) {
        const double sar = f->sample_aspect_ratio.num > 0 && f->sample_aspect_ratio.den > 0
                               ? av_q2d(f->sample_aspect_ratio)
                               : 1.0;
        *displayAspect = f->width * sar / f->height;
    }
    return img;
}
