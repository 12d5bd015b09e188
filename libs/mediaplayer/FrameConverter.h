// Turns a decoded or filtered picture into a QImage in the snapshot layout (B, G, R, A bytes,
// premultiplied) with libswscale, scaled in the same step to the size it is wanted at, and
// keeps the conversion context between frames. A converter for the view makes the pictures
// without transparency opaque images instead (the same bytes, alpha 255): painting those is a
// copy, where a premultiplied image is blended pixel by pixel.
//
// Threading: one converter per thread; the functions without state may be called anywhere.
#pragma once

#include <QImage>
#include <QSize>

#include "FfPointers.h"

class FrameConverter {
public:
    enum class Layout { Snapshot, View };
    explicit FrameConverter(Layout layout = Layout::Snapshot) : layout_(layout) {}
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;

    // The picture at exactly `size` (its own size when `size` is empty); null on failure.
    QImage toImage(const AVFrame* frame, QSize size = {});

    // Width / height of the picture as displayed (its sample aspect applied).
    static double displayAspect(const AVFrame* frame);
    // The largest size of `aspect` inside `box`, at least 1 x 1; empty when either is.
    static QSize fitted(double aspect, QSize box);

private:
    // A picture of this size whose pixels nobody else holds any more, or a new one; null when
    // out of memory.
    QImage& target(int w, int h, QImage::Format format);

    const Layout layout_;

    ff::ScalerPtr sws_;
    // The last two pictures made: once the view has let go of one, its pixels are reused, so
    // that playback does not map and clear fresh memory for every frame.
    QImage recent_[2];
    int next_ = 0;
};
