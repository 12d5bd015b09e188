#include "Mpeg4Order.h"

#include "StartCodes.h"

namespace ff {

namespace {

// The header fields read in order, without the emulation prevention H.264 has (MPEG-4 Part 2
// has none). Past the bytes it fails, and reads zeros.
class Bits {
public:
    Bits(const uint8_t* p, int n) : p_(p), n_(int64_t(n) * 8) {}
    int u(int bits) {
        int v = 0;
        for (int i = 0; i < bits; ++i) {
            if (at_ >= n_) {
                failed_ = true;
                return 0;
            }
            v = v << 1 | (p_[at_ / 8] >> (7 - at_ % 8) & 1);
            ++at_;
        }
        return v;
    }
    bool marker() { return u(1) == 1; }
    bool failed() const { return failed_; }

private:
    const uint8_t* p_;
    int64_t n_, at_ = 0;
    bool failed_ = false;
};

constexpr int kGroup = 0xb3, kPicture = 0xb6, kLayerFirst = 0x20, kLayerLast = 0x2f;
constexpr int kBidirectional = 2;
constexpr int kMaxSecondsStep = 60; // more whole seconds between two pictures is a damaged header
// Keys hold a run's number above 2^42 and its pictures' microseconds below: more runs or a later
// time (11 days) than fit is a damaged stream, not a recording.
constexpr int64_t kMaxSeconds = 1'000'000, kMaxPeriods = int64_t(1) << 20;

} // namespace

bool Mpeg4Order::readLayer(const uint8_t* p, int n) {
    Bits r(p, n);
    r.u(1 + 8); // random accessible, object type
    int verid = 1;
    if (r.u(1)) {
        verid = r.u(4);
        r.u(3);
    }
    if (r.u(4) == 15) // extended pixel aspect
        r.u(16);
    if (r.u(1)) { // control parameters
        r.u(3);
        if (r.u(1)) // buffer parameters
            r.u(15 + 1 + 15 + 1 + 15 + 1 + 3 + 11 + 1 + 15 + 1);
    }
    const int shape = r.u(2);
    if (shape == 3 && verid != 1)
        r.u(4);
    const bool markers = r.marker();
    const int resolution = r.u(16);
    if (r.failed() || !markers || !r.marker() || resolution <= 0)
        return false;
    resolution_ = resolution;
    incrementBits_ = 1;
    while ((1 << incrementBits_) < resolution_ && incrementBits_ < 16)
        ++incrementBits_;
    return true;
}

void Mpeg4Order::readGroup(const uint8_t* p, int n) {
    Bits r(p, n);
    const int hours = r.u(5), minutes = r.u(6);
    const bool marker = r.marker();
    const int seconds = r.u(6);
    if (!r.failed() && marker && minutes < 60 && seconds < 60)
        seconds_ = (int64_t(hours) * 60 + minutes) * 60 + seconds;
}

bool Mpeg4Order::readPicture(const uint8_t* p, int n, int64_t* key) {
    Bits r(p, n);
    const int type = r.u(2);
    int modulo = 0;
    while (r.u(1) && !r.failed())
        if (++modulo > kMaxSecondsStep)
            return false;
    const bool marker = r.marker();
    const int increment = r.u(incrementBits_);
    if (r.failed() || !marker || !r.marker() || increment >= resolution_)
        return false;
    int64_t seconds = lastSeconds_ + modulo;
    if (type != kBidirectional) {
        lastSeconds_ = seconds_;
        seconds = seconds_ += modulo;
    }
    if (seconds > kMaxSeconds || seconds_ > kMaxSeconds || period_ >= kMaxPeriods)
        return false;
    const int64_t us = seconds * 1'000'000 + int64_t(increment) * 1'000'000 / resolution_;
    // Times that go back at a picture others refer to: a recording that starts again.
    if (type != kBidirectional) {
        if (lastNonB_ != INT64_MIN && us < lastNonB_)
            ++period_;
        lastNonB_ = us;
    }
    *key = period_ * (int64_t(1) << 42) + us + (int64_t(1) << 41);
    return true;
}

bool Mpeg4Order::read(const uint8_t* data, int size, int64_t* key) {
    bool found = false;
    forEachStartCode(data, size, [&](const uint8_t* p, int n) {
        if (n < 1)
            return false;
        if (p[0] >= kLayerFirst && p[0] <= kLayerLast)
            readLayer(p + 1, n - 1);
        else if (p[0] == kGroup)
            readGroup(p + 1, n - 1);
        else if (p[0] == kPicture && resolution_ > 0) {
            found = readPicture(p + 1, n - 1, key);
            return false;
        }
        return true;
    });
    return found;
}

} // namespace ff
