// Progress that only rises: a job's worker raises it while other threads read it.
#pragma once

#include <atomic>

namespace mediacore {

// Sets value to target unless it already holds more; safe against concurrent raises.
template <class T> void raiseTo(std::atomic<T>& value, T target) {
    T old = value.load();
    while (target > old && !value.compare_exchange_weak(old, target)) {
    }
}

} // namespace mediacore
