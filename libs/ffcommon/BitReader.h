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
    // Past the end, or a count no header field has (a count read from a damaged file), fails.
    void skip(int bits) {
        if (bits < 0 || uint64_t(bits) > bytes_.size() * 8 - pos_) {
            failed_ = true;
            pos_ = bytes_.size() * 8;
            return;
        }
        pos_ += size_t(bits);
    }
    // A fixed-width field of up to 31 bits; a wider or negative width fails (and reads 0).
    int u(int bits) {
        if (bits < 0 || bits > 31) {
            failed_ = true;
            return 0;
        }
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
        return k < 0 ? 0 : (k & 1) ? k / 2 + 1 : -(k / 2);
    }
    // A field whose standard allows `min` to `max` only: any other value (a damaged header)
    // fails, and reads as `min` so that sums and shifts made of it stay in range.
    int ue(int max) { return inRange(ue(), 0, max); }
    int se(int min, int max) { return inRange(se(), min, max); }
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
    int inRange(int value, int min, int max) {
        if (value >= min && value <= max && !failed_)
            return value;
        failed_ = true;
        return min;
    }

    std::vector<uint8_t> bytes_;
    size_t pos_ = 0;
    bool failed_ = false;
};

} // namespace mediacore::avc
