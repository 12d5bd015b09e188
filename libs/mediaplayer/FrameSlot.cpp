#include "FrameSlot.h"

#include <utility>

void FrameSlot::publish(ff::FramePtr shown, QImage image, double displayAspect, bool reduced) {
    ff::FramePtr old;
    {
        std::lock_guard lock(mutex_);
        old = std::exchange(shown_, std::move(shown));
        image_ = std::move(image);
        aspect_ = displayAspect;
        reduced_ = reduced;
        ++sequence_;
    }
    // `old` is freed here, outside the lock.
}

QImage FrameSlot::image(double* displayAspect, uint64_t* sequence) const {
    std::lock_guard lock(mutex_);
    if (displayAspect)
        *displayAspect = aspect_;
    if (sequence)
        *sequence = sequence_;
    return image_;
}

ff::FramePtr FrameSlot::shownFrame(uint64_t* sequence, bool* reduced) const {
    std::lock_guard lock(mutex_);
    if (sequence)
        *sequence = sequence_;
    if (reduced)
        *reduced = reduced_;
    return ff::cloneFrame(shown_.get());
}

bool FrameSlot::replaceImage(uint64_t sequence, QImage image) {
    std::lock_guard lock(mutex_);
    if (sequence != sequence_)
        return false;
    image_ = std::move(image);
    return true;
}

void FrameSlot::setViewSize(QSize size) {
    std::lock_guard lock(mutex_);
    viewSize_ = size;
}

QSize FrameSlot::viewSize() const {
    std::lock_guard lock(mutex_);
    return viewSize_;
}
