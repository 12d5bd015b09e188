// The order and time an MPEG-4 Part 2 picture (a VOP) is shown at, from its own header: its
// coding type and its time (whole seconds counted on from the picture it refers to, plus a
// fraction of the layer's time resolution). Program streams often time only some of these
// pictures; the header times every one.
//
// Ownership: plain values. Threading: one thread at a time.
#pragma once

#include <cstdint>

namespace ff {

class Mpeg4Order {
public:
    // The order key of the picture a packet starts (its time in microseconds, within the run of
    // pictures since the times last went back); false when the packet holds no picture header
    // that can be read (no layer header seen yet, a field out of range).
    bool read(const uint8_t* data, int size, int64_t* key);

private:
    bool readLayer(const uint8_t* p, int n);
    void readGroup(const uint8_t* p, int n);
    bool readPicture(const uint8_t* p, int n, int64_t* key);

    int resolution_ = 0;      // ticks a second of the layer's times; 0 before a layer header
    int incrementBits_ = 1;   // bits of a picture's time increment
    int64_t seconds_ = 0;     // the whole seconds of the last picture that is not bidirectional
    int64_t lastSeconds_ = 0; // those of the one before it: bidirectional ones count from there
    int64_t lastNonB_ = INT64_MIN;
    int64_t period_ = 0;
};

} // namespace ff
