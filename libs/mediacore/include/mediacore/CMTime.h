// A media time as a rational number of seconds (value / timescale), the unit the player
// takes. Part of the contract with libMediaPlayer, so it lives with the engine declarations.
#pragma once

#include <cmath>
#include <cstdint>

struct CMTime {
    int64_t value = 0;
    int32_t timescale = 0; // 0 marks an invalid time
    uint32_t flags = 0;    // 1 = valid
    int64_t epoch = 0;
};

inline CMTime CMTimeMake(int64_t value, int32_t timescale) {
    return CMTime{value, timescale, timescale > 0 ? 1u : 0u, 0};
}

// Rounds seconds to the nearest tick of the timescale; a non-finite time is invalid.
inline CMTime CMTimeMakeWithSeconds(double seconds, int32_t preferredTimescale) {
    if (!std::isfinite(seconds) || preferredTimescale <= 0)
        return CMTime{};
    return CMTimeMake(static_cast<int64_t>(std::llround(seconds * preferredTimescale)), preferredTimescale);
}

// Seconds of a time; 0 for an invalid one (so that callers never divide by garbage).
inline double CMTimeGetSeconds(CMTime t) {
    if (t.timescale <= 0 || !(t.flags & 1u))
        return 0.0;
    return static_cast<double>(t.value) / t.timescale;
}

inline bool CMTIME_IS_VALID(CMTime t) {
    return t.timescale > 0 && (t.flags & 1u);
}
