#include "FrameSlot.h"

extern "C" {
#include <libavutil/frame.h>
}

FrameSlot::~FrameSlot() {
    av_frame_free(&shown_);
}

void FrameSlot::publish(AVFrame* shown, QImage image, double displayAspect) {
    AVFrame* old = nullptr;
    {
        std::lock_guard lock(mutex_);
        old = shown_;
        shown_ = shown;
        image_ = std::move(image);
        aspect_ = displayAspect;
        ++sequence_;
    }
    av_frame_free(&old);
}

QImage FrameSlot::image(double* displayAspect, uint64_t* sequence) const {
    std::lock_guard lock(mutex_);
    if (displayAspect)
        *displayAspect = aspect_;
    if (sequence)
        *sequence = sequence_;
    return image_;
}

AVFrame* FrameSlot::shownFrame(uint64_t* sequence) const {
    std::lock_guard lock(mutex_);
    if (sequence)
        *sequence = sequence_;
    return shown_ ? av_frame_clone(shown_) : nullptr;
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
