#include "PlayerClock.h"

#include "AudioRing.h"

#include <algorithm>

int64_t PlayerClock::nowLocked() const {
    if (!running_ || held_)
        return baseUs_;
    const auto wall = Steady::now();
    int64_t t = 0;
    int64_t audioUs = 0;
    if (audio_ && audio_->position(serial_, audioUs)) {
        // The sound starts behind the wall clock that ran until the device took its first
        // bytes: hold until it catches up rather than step back. Re-base on the sound so that
        // the wall clock continues from here if it runs out.
        t = std::max(audioUs, lastUs_);
        baseUs_ = t;
        baseWall_ = wall;
    } else {
        t = std::max(lastUs_,
                     baseUs_ +
                         std::chrono::duration_cast<std::chrono::microseconds>(wall - baseWall_).count());
    }
    lastUs_ = t;
    return t;
}

void PlayerClock::seek(int64_t us, int serial) {
    std::lock_guard lock(mutex_);
    serial_ = serial;
    baseUs_ = us;
    lastUs_ = us;
    baseWall_ = Steady::now();
}

int64_t PlayerClock::nowUs() const {
    std::lock_guard lock(mutex_);
    return nowLocked();
}

void PlayerClock::setUs(int64_t us) {
    std::lock_guard lock(mutex_);
    baseUs_ = us;
    lastUs_ = us;
    baseWall_ = Steady::now();
}

// Freezes the position reached so far as the new base before the clock starts or stops.
void PlayerClock::switchLocked(bool& flag, bool value) {
    if (flag == value)
        return;
    baseUs_ = nowLocked();
    lastUs_ = baseUs_;
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
