#include "PlayerClock.h"

#include "AudioRing.h"

int64_t PlayerClock::nowLocked() const {
    if (!running_ || held_)
        return baseUs_;
    const auto wall = Steady::now();
    int64_t audioUs = 0;
    if (audio_ && audio_->position(audioUs)) {
        // Re-base on the sound so that the wall clock continues from here if it runs out.
        baseUs_ = audioUs;
        baseWall_ = wall;
        return audioUs;
    }
    return baseUs_ + std::chrono::duration_cast<std::chrono::microseconds>(wall - baseWall_).count();
}

int64_t PlayerClock::nowUs() const {
    std::lock_guard lock(mutex_);
    return nowLocked();
}

void PlayerClock::setUs(int64_t us) {
    std::lock_guard lock(mutex_);
    baseUs_ = us;
    baseWall_ = Steady::now();
}

// Freezes the position reached so far as the new base before the clock starts or stops.
void PlayerClock::switchLocked(bool& flag, bool value) {
    if (flag == value)
        return;
    baseUs_ = nowLocked();
    baseWall_ = Steady::now();
    flag = value;
}

void PlayerClock::setRunning(bool running) {
    std::lock_guard lock(mutex_);
    switchLocked(running_, running);
}

bool PlayerClock::running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

void PlayerClock::setHeld(bool held) {
    std::lock_guard lock(mutex_);
    switchLocked(held_, held);
}
