// Reads the fields of an H.264 NAL unit's payload: fixed-width and Exp-Golomb codes, with the
// emulation prevention bytes taken out.
//
// Ownership: a copy of the bytes read. Threading: one thread at a time.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace mediacore::avc {

class BitReader {
public:
    // The payload in `data` (after the NAL header); headers need only its first `limit` bytes.
    BitReader(const uint8_t* data, int size, int limit = 1 << 30) {
        const int n = std::min(size, limit);
        bytes_.reserve(size_t(std::max(n, 0)));
        for (int i = 0; i < n; ++i) {
            if (i >= 2 && data[i] == 3 && data[i - 1] == 0 && data[i - 2] == 0)
                continue;
            bytes_.push_back(data[i]);
        }
    }
    int bit() {
        if (pos_ >= bytes_.size() * 8) {
            failed_ = true;
            return 0;
        }
        const int b = (bytes_[pos_ / 8] >> (7 - pos_ % 8)) & 1;
        ++pos_;
        return b;
    }
    void skip(int bits) {
        for (int i = 0; i < bits; ++i)
            bit();
    }
    int u(int bits) {
        int value = 0;
        for (int i = 0; i < bits; ++i)
            value = value << 1 | bit();
        return value;
    }
    int ue() {
        int zeros = 0;
        while (bit() == 0 && !failed_)
            if (++zeros > 31)
                failed_ = true;
        if (failed_)
            return -1;
        int64_t value = 1;
        for (int i = 0; i < zeros; ++i)
            value = value << 1 | bit();
        return failed_ || value - 1 > INT32_MAX ? -1 : int(value - 1);
    }
    int se() {
        const int k = ue();
        return k < 0 ? 0 : (k & 1) ? (k + 1) / 2 : -(k / 2);
    }
    // A code ran past the bytes, or an Exp-Golomb code was too long.
    bool failed() const { return failed_; }
    size_t position() const { return pos_; }
    // Where the payload's stop bit (its last bit set) lies; 0 when there is none.
    size_t stopBit() const {
        for (size_t i = bytes_.size(); i-- > 0;)
            if (bytes_[i] != 0)
                return i * 8 + size_t(7 - __builtin_ctz(bytes_[i]));
        return 0;
    }

private:
    std::vector<uint8_t> bytes_;
    size_t pos_ = 0;
    bool failed_ = false;
};

} // namespace mediacore::avc
