// An edge's encoder run on a thread of its own, so that the pictures are decoded while the ones
// before them are encoded: decoding an edge's frames and encoding them one after the other
// leaves a second processor idle half the time.
//
// The frames wait for the thread one at a time: the decoder runs at most one frame ahead, so
// the edge holds one decoded picture more than without the thread.
// Ownership: refers to the encoder, which the caller keeps open until finish() or stop()
// returned. Threading: start(), send(), finish() and stop() on the caller's thread; `drain`
// runs on the encoder's thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "FfPointers.h"

namespace mediacore {

class EdgeEncoderThread {
public:
    // Called on the thread after every frame sent and after the end: takes the packets out of the
    // encoder. 0 or a negative AVERROR.
    using Drain = std::function<int()>;

    EdgeEncoderThread() = default;
    ~EdgeEncoderThread() { stop(); }
    EdgeEncoderThread(const EdgeEncoderThread&) = delete;
    EdgeEncoderThread& operator=(const EdgeEncoderThread&) = delete;

    // 0, or a negative AVERROR when no thread can be started (then encode on the caller's thread).
    int start(AVCodecContext* encoder, Drain drain);
    bool running() const { return thread_.joinable(); }
    // Hands `frame` to the thread (its reference is moved), once the one before has been taken.
    // 0 or the thread's first error.
    int send(AVFrame* frame);
    // Sends the end of the frames and waits for the thread: 0 or its first error.
    int finish();
    // Stops the thread without encoding what waits.
    void stop();

private:
    void run();
    int encode(AVFrame* frame);

    AVCodecContext* encoder_ = nullptr;
    Drain drain_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    FramePtr waiting_ = makeFrame();
    bool full_ = false, end_ = false, quit_ = false;
    int error_ = 0;
};

} // namespace mediacore
