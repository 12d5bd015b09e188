#include "PictureTimes.h"

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace mediacore {

namespace {

int64_t shownAt(const AVFrame* f) {
    return f->best_effort_timestamp != AV_NOPTS_VALUE ? f->best_effort_timestamp : f->pts;
}

void showAt(AVFrame* f, int64_t t) {
    f->best_effort_timestamp = t;
    if (f->pts != AV_NOPTS_VALUE)
        f->pts = t;
}

// How many pictures without a time may be held while waiting for one with a time: a disc's or a
// camera's stream may give a time to one picture a pack only, which at small sizes is one in
// dozens. The bytes held stay bounded whatever the pictures' size.
size_t lookahead(const AVFrame* f) {
    constexpr size_t kPictures = 64, kBytes = size_t(96) << 20;
    const int bytes = av_image_get_buffer_size(AVPixelFormat(f->format), f->width, f->height, 1);
    return std::clamp<size_t>(bytes > 0 ? kBytes / size_t(bytes) : kPictures, 8, kPictures);
}

} // namespace

void PictureTimes::reset(int64_t step, int64_t origin) {
    held_.clear();
    last_ = AV_NOPTS_VALUE;
    step_ = std::max<int64_t>(1, step);
    origin_ = origin;
}

bool PictureTimes::take(AVFrame* decoded, AVFrame* out) {
    FramePtr frame = makeFrame();
    if (!frame)
        return false;
    av_frame_move_ref(frame.get(), decoded);
    held_.push_back(std::move(frame));
    return release(out, false);
}

bool PictureTimes::flush(AVFrame* out) {
    return release(out, true);
}

bool PictureTimes::release(AVFrame* out, bool ending) {
    if (held_.empty() || (!ending && held_.size() < 2))
        return false;
    AVFrame* held = held_.front().get();
    // Held until a later picture with a time is out, within reach: the pictures between must
    // fit between the two times.
    size_t timed = 1;
    while (timed < held_.size() && shownAt(held_[timed].get()) == AV_NOPTS_VALUE)
        ++timed;
    if (!ending && timed == held_.size() && held_.size() < lookahead(held))
        return false;
    const AVFrame* later = timed < held_.size() ? held_[timed].get() : nullptr;
    if (shownAt(held) == AV_NOPTS_VALUE && last_ == AV_NOPTS_VALUE)
        placeOpening(held, later, int64_t(timed));
    settle(held, later, int64_t(timed));
    av_frame_move_ref(out, held);
    held_.pop_front();
    return true;
}

// A picture without a time and none settled before it: as many steps before the next picture
// with a time as it lies before it; without one in reach, at the timeline's start when reading
// from there (a stream that times no picture at all).
void PictureTimes::placeOpening(AVFrame* held, const AVFrame* later, int64_t distance) const {
    if (later)
        showAt(held, shownAt(later) - distance * step_);
    else if (origin_ != AV_NOPTS_VALUE)
        showAt(held, origin_);
}

// A held picture that collides with the next one with a time (leaves less than half a step to
// each picture between them, or comes after it) has the wrong time unless it follows the picture
// before it by one step: the held one is put as many steps before that one as it lies before it,
// where there is room for it after the last (a demuxer may give one packet's time to two
// pictures); otherwise the later one gives way when its turn comes. Whatever the guesses, every
// picture lies half a step or more after the one before it.
void PictureTimes::settle(AVFrame* held, const AVFrame* later, int64_t distance) {
    int64_t t = shownAt(held);
    const int64_t after = later ? shownAt(later) : AV_NOPTS_VALUE;
    if (t == AV_NOPTS_VALUE)
        t = last_ != AV_NOPTS_VALUE ? last_ + step_ : AV_NOPTS_VALUE;
    if (t != AV_NOPTS_VALUE && after != AV_NOPTS_VALUE && after - t < distance * step_ - step_ / 2) {
        const bool onStep = last_ != AV_NOPTS_VALUE && std::llabs(t - last_ - step_) < step_ / 4;
        const int64_t earlier = after - distance * step_;
        if (!onStep && earlier < t && (last_ == AV_NOPTS_VALUE || earlier - last_ >= step_ / 2))
            t = earlier;
    }
    if (t != AV_NOPTS_VALUE && last_ != AV_NOPTS_VALUE && t - last_ < step_ / 2)
        t = last_ + step_;
    if (t != AV_NOPTS_VALUE) {
        showAt(held, t);
        last_ = t;
    }
}

} // namespace mediacore
