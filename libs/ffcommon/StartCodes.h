// The start codes of an MPEG video, H.264 or HEVC Annex B packet.
//
// Ownership: none (reads the caller's bytes). Threading: no shared state.
#pragma once

#include <cstdint>

namespace ff {

// Calls `each` with the bytes after each start code (00 00 01) and how many there are, until it
// returns false.
template <typename Each> void forEachStartCode(const uint8_t* data, int size, Each&& each) {
    for (int i = 0; i + 3 < size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1)
            continue;
        if (!each(data + i + 3, size - i - 3))
            return;
        i += 2;
    }
}

} // namespace ff
