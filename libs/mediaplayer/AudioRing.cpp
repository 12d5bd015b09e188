#include "AudioRing.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kRingMilliseconds = 300; // sound settings are heard after what is queued here
}

AudioRing::AudioRing(int bytesPerSecond) : bytesPerSecond_(bytesPerSecond) {}

bool AudioRing::write(int serial, int64_t ptsUs, QByteArray pcm) {
    std::unique_lock lock(mutex_);
    const qint64 capacity = qint64(bytesPerSecond_) * kRingMilliseconds / 1000;
    cv_.wait(lock, [&] { return aborted_ || serial != serial_ || queued_ < capacity; });
    if (aborted_ || serial != serial_)
        return false;
    if (lost_) // nobody hears it
        return true;
    queued_ += pcm.size();
    chunks_.push_back({ptsUs, std::move(pcm)});
    return true;
}

void AudioRing::flush(int serial) {
    std::lock_guard lock(mutex_);
    chunks_.clear();
    queued_ = 0;
    serial_ = serial;
    ended_ = false;
    havePosition_ = false;
    cv_.notify_all();
}

void AudioRing::setEnded(int serial) {
    std::lock_guard lock(mutex_);
    if (serial == serial_)
        ended_ = true;
}

void AudioRing::abort() {
    std::lock_guard lock(mutex_);
    aborted_ = true;
    cv_.notify_all();
}

bool AudioRing::position(int serial, int64_t& us) const {
    std::lock_guard lock(mutex_);
    // Run out or starved: the wall clock carries on so that the picture never waits for sound.
    if (lost_ || serial != serial_ || !havePosition_ || chunks_.empty())
        return false;
    const int64_t latency = latencyUs_.load();
    int64_t since =
        deviceRunning_
            ? std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - pulledAt_).count()
            : sincePullWhenSuspendedUs_;
    // Never past the bytes pulled: a device that stops taking sound stops the clock.
    since = std::clamp<int64_t>(since, 0, latency);
    us = std::max<int64_t>(0, heardUs_ - latency + since);
    return true;
}

void AudioRing::setDeviceRunning(bool running) {
    std::lock_guard lock(mutex_);
    if (running == deviceRunning_)
        return;
    const auto now = Steady::now();
    if (running)
        pulledAt_ = now - std::chrono::microseconds(sincePullWhenSuspendedUs_);
    else
        sincePullWhenSuspendedUs_ =
            std::chrono::duration_cast<std::chrono::microseconds>(now - pulledAt_).count();
    deviceRunning_ = running;
}

void AudioRing::setDeviceLost() {
    std::lock_guard lock(mutex_);
    lost_ = true;
    chunks_.clear();
    queued_ = 0;
    cv_.notify_all();
}

bool AudioRing::drained() const {
    std::lock_guard lock(mutex_);
    return ended_ && chunks_.empty();
}

void AudioRing::pull(char* data, int64_t maxlen) {
    std::lock_guard lock(mutex_);
    int64_t done = 0;
    while (done < maxlen && !chunks_.empty()) {
        Chunk& c = chunks_.front();
        const int64_t n = std::min<int64_t>(maxlen - done, c.pcm.size() - c.offset);
        std::memcpy(data + done, c.pcm.constData() + c.offset, size_t(n));
        c.offset += n;
        done += n;
        queued_ -= n;
        heardUs_ = c.ptsUs + c.offset * 1000000 / bytesPerSecond_;
        havePosition_ = true;
        pulledAt_ = Steady::now();
        if (c.offset >= c.pcm.size())
            chunks_.pop_front();
    }
    // An underrun plays silence rather than stalling the device; the clock does not move.
    if (done < maxlen)
        std::memset(data + done, 0, size_t(maxlen - done));
    cv_.notify_all();
}
