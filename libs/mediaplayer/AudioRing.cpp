#include "AudioRing.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kRingMilliseconds = 300; // sound settings are heard after what is queued here
}

AudioRing::AudioRing(int bytesPerSecond, QObject* parent)
    : QIODevice(parent), bytesPerSecond_(bytesPerSecond) {
    open(QIODevice::ReadOnly);
}

bool AudioRing::write(int serial, int64_t ptsUs, QByteArray pcm) {
    std::unique_lock lock(mutex_);
    const qint64 capacity = qint64(bytesPerSecond_) * kRingMilliseconds / 1000;
    cv_.wait(lock, [&] { return aborted_ || serial != serial_ || queued_ < capacity; });
    if (aborted_ || serial != serial_)
        return false;
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

bool AudioRing::position(int64_t& us) const {
    std::lock_guard lock(mutex_);
    // Run out or starved: the wall clock carries on so that the picture never waits for sound.
    if (!havePosition_ || chunks_.empty())
        return false;
    us = std::max<int64_t>(0, heardUs_ - latencyUs_.load());
    return true;
}

bool AudioRing::drained() const {
    std::lock_guard lock(mutex_);
    return ended_ && chunks_.empty();
}

qint64 AudioRing::bytesAvailable() const {
    return 1 << 16;
}

qint64 AudioRing::readData(char* data, qint64 maxlen) {
    std::lock_guard lock(mutex_);
    qint64 done = 0;
    while (done < maxlen && !chunks_.empty()) {
        Chunk& c = chunks_.front();
        const qint64 n = std::min<qint64>(maxlen - done, c.pcm.size() - c.offset);
        std::memcpy(data + done, c.pcm.constData() + c.offset, size_t(n));
        c.offset += n;
        done += n;
        queued_ -= n;
        heardUs_ = c.ptsUs + c.offset * 1000000 / bytesPerSecond_;
        havePosition_ = true;
        if (c.offset >= c.pcm.size())
            chunks_.pop_front();
    }
    // An underrun plays silence rather than stalling the device; the clock does not move.
    if (done < maxlen)
        std::memset(data + done, 0, size_t(maxlen - done));
    cv_.notify_all();
    return maxlen;
}
