#include "PictureTimes.h"

#include <algorithm>
#include <cstdlib>

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

} // namespace

void PictureTimes::reset(int64_t step) {
    held_.clear();
    last_ = AV_NOPTS_VALUE;
    step_ = std::max<int64_t>(1, step);
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
    // Pictures a decoder cannot place before the first one with a time, at most a group of
    // B-frames and its anchor deep: beyond that they go out as they are.
    constexpr size_t kLookahead = 8;
    if (held_.empty() || (!ending && held_.size() < 2))
        return false;
    AVFrame* held = held_.front().get();
    if (shownAt(held) == AV_NOPTS_VALUE && last_ == AV_NOPTS_VALUE) {
        size_t timed = 1;
        while (timed < held_.size() && shownAt(held_[timed].get()) == AV_NOPTS_VALUE)
            ++timed;
        if (timed < held_.size())
            showAt(held, shownAt(held_[timed].get()) - int64_t(timed) * step_);
        else if (!ending && held_.size() < kLookahead)
            return false;
    }
    settle(held, held_.size() > 1 ? held_[1].get() : nullptr);
    av_frame_move_ref(out, held);
    held_.pop_front();
    return true;
}

// A held picture that collides with the next one (less than half a step before it, or after it)
// has the wrong time unless it follows the picture before it by one step: the held one is put a
// step before the next, where there is room for it after the last; otherwise the next one gives
// way when its turn comes. Whatever the guesses, every picture lies half a step or more after
// the one before it.
void PictureTimes::settle(AVFrame* held, const AVFrame* next) {
    int64_t t = shownAt(held);
    const int64_t after = next ? shownAt(next) : AV_NOPTS_VALUE;
    if (t == AV_NOPTS_VALUE)
        t = last_ != AV_NOPTS_VALUE   ? last_ + step_
            : after != AV_NOPTS_VALUE ? after - step_
                                      : AV_NOPTS_VALUE;
    if (t != AV_NOPTS_VALUE && after != AV_NOPTS_VALUE && after - t < step_ / 2) {
        const bool onStep = last_ != AV_NOPTS_VALUE && std::llabs(t - last_ - step_) < step_ / 4;
        const int64_t earlier = after - step_;
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
