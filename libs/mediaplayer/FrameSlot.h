// The picture last shown, shared between the video thread (which writes it), the view
// (which paints it) and Snapshot (which copies it).
#pragma once

#include <QImage>
#include <mutex>

class FrameSlot {
public:
    void set(QImage image, double displayAspect) {
        std::lock_guard lock(mutex_);
        image_ = std::move(image);
        aspect_ = displayAspect;
    }
    void clear() { set(QImage(), 0); }
    // QImage is implicitly shared: the copy is cheap and stays valid after the next set().
    QImage image(double* displayAspect = nullptr) const {
        std::lock_guard lock(mutex_);
        if (displayAspect)
            *displayAspect = aspect_;
        return image_;
    }

private:
    mutable std::mutex mutex_;
    QImage image_;
    double aspect_ = 0; // width / height as displayed (sample aspect applied)
};
