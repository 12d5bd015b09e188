// The picture last shown, shared between the video thread (which publishes it), the view
// (which paints it) and snapshots (which convert it again at the size they ask for).
//
// It holds both the filtered picture as the graph gave it (a reference, not a copy) and that
// picture converted to the view's pixel size. Every publish gets a new sequence number, so a
// conversion made for an older picture never replaces a newer one.
//
// Threading: every member may be called on any thread; one internal lock, taken last.
#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <mutex>

#include "FfPointers.h"

class FrameSlot {
public:
    FrameSlot() = default;
    FrameSlot(const FrameSlot&) = delete;
    FrameSlot& operator=(const FrameSlot&) = delete;

    // `shown` may be null when only a converted image exists. `reduced`: `shown` was made at the
    // view's size, smaller than the picture's own.
    void publish(ff::FramePtr shown, QImage image, double displayAspect, bool reduced = false);
    // QImage is implicitly shared: the copy is cheap and stays valid after the next publish.
    QImage image(double* displayAspect = nullptr, uint64_t* sequence = nullptr) const;
    // A new reference to the picture shown, or null.
    ff::FramePtr shownFrame(uint64_t* sequence = nullptr, bool* reduced = nullptr) const;
    // Replaces the converted image only while `sequence` is still the picture shown.
    bool replaceImage(uint64_t sequence, QImage image);

    // The view's size in device pixels; empty until the view has one.
    void setViewSize(QSize size);
    QSize viewSize() const;

private:
    mutable std::mutex mutex_;
    ff::FramePtr shown_;
    QImage image_;
    double aspect_ = 0; // width / height as displayed (sample aspect applied)
    bool reduced_ = false;
    uint64_t sequence_ = 0;
    QSize viewSize_;
};
