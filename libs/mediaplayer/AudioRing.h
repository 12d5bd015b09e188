// The sound on its way to the device: the audio thread writes timed chunks of PCM, the sound
// stream pulls bytes (pull mode). The time of the sound being heard is the player's clock: the
// time of the bytes last pulled, less what the device still holds, plus the time since that
// pull (the device plays on between pulls, so the clock moves smoothly, not in pull steps).
#pragma once

#include <QByteArray>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

class AudioRing {
public:
    explicit AudioRing(int bytesPerSecond);

    // Blocks while the ring is full; gives up (false) when `serial` is no longer current or
    // the ring is aborted.
    bool write(int serial, int64_t ptsUs, QByteArray pcm);
    void flush(int serial);
    void setEnded(int serial); // no more chunks will come for this serial
    void abort();
    // The time of the sound being heard; false when no sound of `serial` has been pulled yet
    // (the flush for that seek may not have happened) or the sound has run out.
    bool position(int serial, int64_t& us) const;
    bool drained() const;
    void setLatencyUs(int64_t us) { latencyUs_ = us; }
    // Whether the device is playing (not suspended): the time since the last pull counts only
    // while it plays.
    void setDeviceRunning(bool running);
    // The device is gone (the sound server went away): sound is dropped as it comes, and the
    // clock is the wall clock's, so that the picture plays on to the end.
    void setDeviceLost();

    // The device's pull: always fills `len` bytes, with silence where the ring is starved (the
    // device plays on rather than stalling).
    void pull(char* data, int64_t len);

private:
    struct Chunk {
        int64_t ptsUs;
        QByteArray pcm;
        qsizetype offset = 0;
    };

    const int bytesPerSecond_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Chunk> chunks_;
    qint64 queued_ = 0;
    int serial_ = 0;
    bool ended_ = false;
    bool aborted_ = false;
    bool lost_ = false;
    bool havePosition_ = false;
    int64_t heardUs_ = 0; // the end of the bytes last pulled
    std::atomic<int64_t> latencyUs_{0};
    using Steady = std::chrono::steady_clock;
    Steady::time_point pulledAt_ = Steady::now();
    bool deviceRunning_ = false;
    int64_t sincePullWhenSuspendedUs_ = 0;
};
