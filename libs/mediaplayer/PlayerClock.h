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
    // Moves to `us` for the seek numbered `serial`: until the sound of that seek is pulled, the
    // sound still queued from before does not count.
    void seek(int64_t us, int serial);
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
    int serial_ = 0;
    mutable int64_t baseUs_ = 0;
    mutable int64_t lastUs_ = 0; // the position last given while running: it never goes back
    mutable Steady::time_point baseWall_ = Steady::now();
    bool running_ = false;
    bool held_ = false;
};
