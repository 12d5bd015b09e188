// The start codes of an MPEG video, H.264 or HEVC Annex B packet.
//
// Ownership: none (reads the caller's bytes). Threading: no shared state.
#pragma once

#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ff {

// The place of the first start code (00 00 01) at or after `i` with a byte after it, or `size`.
// Compressed pictures hold few pairs of zero bytes: a stretch without one is passed at once.
inline int nextStartCode(const uint8_t* data, int i, int size) {
    while (i + 3 < size) {
#ifdef __SSE2__
        if (i + 64 <= size) {
            const __m128i zero = _mm_setzero_si128();
            const auto zerosAt = [&](int at) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + at));
                return uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero)))) << at;
            };
            const uint64_t zeros = zerosAt(0) | zerosAt(16) | zerosAt(32) | zerosAt(48); // a bit a zero byte
            if ((zeros & (zeros >> 1)) == 0) {
                i += (zeros >> 63) != 0 ? 63 : 64; // a zero last may begin a pair with the next
                continue;
            }
        }
#endif
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1)
            return i;
        ++i;
    }
    return size;
}

// Calls `each` with the bytes after each start code (00 00 01) and how many there are, until it
// returns false.
template <typename Each> void forEachStartCode(const uint8_t* data, int size, Each&& each) {
    for (int i = nextStartCode(data, 0, size); i < size; i = nextStartCode(data, i + 3, size))
        if (!each(data + i + 3, size - i - 3))
            return;
}

} // namespace ff
