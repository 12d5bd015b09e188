#include "EdgeEncoderThread.h"

#include <system_error>

#include "EncoderSend.h"
#include "EngineLog.h"

namespace mediacore {

int EdgeEncoderThread::start(AVCodecContext* encoder, Drain drain) {
    encoder_ = encoder;
    drain_ = std::move(drain);
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error& e) {
        logInfo(std::string("the cut's edge is encoded without a thread of its own: ") + e.what());
        return AVERROR(EAGAIN);
    }
    return 0;
}

int EdgeEncoderThread::send(AVFrame* frame) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !full_ || error_ < 0; });
    if (error_ < 0)
        return error_;
    av_frame_move_ref(waiting_.get(), frame);
    full_ = true;
    changed_.notify_all();
    return 0;
}

int EdgeEncoderThread::finish() {
    if (!running())
        return 0;
    {
        std::lock_guard lock(mutex_);
        end_ = true;
    }
    changed_.notify_all();
    thread_.join();
    return error_;
}

void EdgeEncoderThread::stop() {
    if (!running())
        return;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
    av_frame_unref(waiting_.get());
}

int EdgeEncoderThread::encode(AVFrame* frame) {
    const int e = sendPicture(encoder_, frame);
    if (e < 0)
        return logFailure("encoding the cut's edges", e);
    return drain_();
}

void EdgeEncoderThread::run() {
    FramePtr frame = makeFrame();
    for (;;) {
        bool last = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return full_ || end_ || quit_; });
            if (quit_)
                return;
            if (full_) {
                av_frame_move_ref(frame.get(), waiting_.get());
                full_ = false;
                changed_.notify_all();
            } else {
                last = true;
            }
        }
        // The encoder copies the picture in: the decoder's buffer goes back at once.
        const int e = encode(last ? nullptr : frame.get());
        av_frame_unref(frame.get());
        if (e < 0) {
            std::lock_guard lock(mutex_);
            error_ = e;
            changed_.notify_all();
            return;
        }
        if (last)
            return;
    }
}

} // namespace mediacore
