// The play position. While sound plays it follows the sound being heard; otherwise (no
// sound device, no sound stream, sound run out) it follows the wall clock from the last
// known position.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

class AudioRing;

class PlayerClock {
public:
    void setAudio(const AudioRing* ring) { audio_ = ring; }
    int64_t nowUs() const;
    void setUs(int64_t us);
    void setRunning(bool running);
    bool running() const;
    // Holds the clock still (after a seek while playing) until the first picture is up.
    void setHeld(bool held);

private:
    using Steady = std::chrono::steady_clock;
    int64_t nowLocked() const;
    void switchLocked(bool& flag, bool value);

    mutable std::mutex mutex_;
    const AudioRing* audio_ = nullptr;
    mutable int64_t baseUs_ = 0;
    mutable Steady::time_point baseWall_ = Steady::now();
    bool running_ = false;
    bool held_ = false;
};
