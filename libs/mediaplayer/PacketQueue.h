// A blocking queue of demuxed packets between the demux thread and one decoder thread.
// A seek flushes the queue and leaves a Flush item that carries the new serial and the
// target, so that a decoder learns about the seek in packet order. A Flush may also hand the
// decode thread a new decoder, opened by the demux thread (the owner of the file) for another
// stream; a newer flush that drops it carries it on, so it is never lost.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "FfPointers.h"

struct PacketItem {
    // Wake carries nothing: it only gets a waiting decode thread to look at its other work.
    enum Kind { Packet, Flush, End, Wake } kind = Packet;
    ff::PacketPtr pkt; // Packet only
    int serial = 0;
    int64_t targetUs = 0; // Flush only: the position sought, in microseconds
    // Flush only: a decoder to use from here on, for stream `streamIndex`.
    ff::CodecPtr decoder;
    int streamIndex = -1;
};

class PacketQueue {
public:
    PacketQueue() = default;
    PacketQueue(const PacketQueue&) = delete;
    PacketQueue& operator=(const PacketQueue&) = delete;

    void push(ff::PacketPtr pkt, int serial);
    void pushEnd(int serial);
    // Drops everything queued and leaves one Flush item with the new serial and target, and
    // `decoder` (may be null) for stream `streamIndex`.
    void flush(int serial, int64_t targetUs, ff::CodecPtr decoder = nullptr, int streamIndex = -1);
    // Gets a waiting pop() to return a Wake item (at most one is queued).
    void wake();
    // Waits for an item; false once aborted.
    bool pop(PacketItem& out);
    void abort();
    int serial() const;
    bool full() const;
    // A pop() waits on an empty queue: the decode thread has nothing left to work on.
    bool starved() const;

private:
    void clearLocked();

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<PacketItem> items_;
    int64_t bytes_ = 0;
    int serial_ = 0;
    int waiting_ = 0; // pop() calls waiting for an item
    bool aborted_ = false;
};
