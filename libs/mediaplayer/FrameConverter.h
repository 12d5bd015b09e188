// Turns a decoded or filtered picture into a QImage in the snapshot layout (B, G, R, A bytes,
// premultiplied) with libswscale, scaled in the same step to the size it is wanted at, and
// keeps the conversion context between frames.
//
// Threading: one converter per thread; the functions without state may be called anywhere.
#pragma once

#include <QImage>
#include <QSize>

#include "FfPointers.h"

class FrameConverter {
public:
    FrameConverter() = default;
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
    QImage& target(int w, int h);

    ff::ScalerPtr sws_;
    // The last two pictures made: once the view has let go of one, its pixels are reused, so
    // that playback does not map and clear fresh memory for every frame.
    QImage recent_[2];
    int next_ = 0;
};
