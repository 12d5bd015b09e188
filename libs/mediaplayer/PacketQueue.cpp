#include "PacketQueue.h"

#include <utility>

namespace {
// Enough for a few seconds of 1080p and for interleaving gaps, small enough to seek fast.
constexpr size_t kMaxItems = 240;
constexpr int64_t kMaxBytes = int64_t{24} * 1024 * 1024;
} // namespace

void PacketQueue::clearLocked() {
    items_.clear();
    bytes_ = 0;
}

void PacketQueue::push(ff::PacketPtr pkt, int serial) {
    std::lock_guard lock(mutex_);
    if (aborted_ || serial != serial_)
        return;
    bytes_ += pkt->size;
    items_.push_back({PacketItem::Packet, std::move(pkt), serial, 0});
    cv_.notify_all();
}

void PacketQueue::pushEnd(int serial) {
    std::lock_guard lock(mutex_);
    if (aborted_ || serial != serial_)
        return;
    items_.push_back({PacketItem::End, nullptr, serial, 0});
    cv_.notify_all();
}

void PacketQueue::flush(int serial, int64_t targetUs, ff::CodecPtr decoder, int streamIndex) {
    std::lock_guard lock(mutex_);
    // A decoder still on its way belongs to the stream the demux thread now reads: keep it.
    for (auto& item : items_)
        if (item.decoder && !decoder) {
            decoder = std::move(item.decoder);
            streamIndex = item.streamIndex;
        }
    clearLocked();
    serial_ = serial;
    if (aborted_)
        return;
    items_.push_back({PacketItem::Flush, nullptr, serial, targetUs, std::move(decoder), streamIndex});
    cv_.notify_all();
}

void PacketQueue::wake() {
    std::lock_guard lock(mutex_);
    if (aborted_ || !items_.empty())
        return; // a thread with items to pop is not waiting
    items_.push_back({PacketItem::Wake, nullptr, serial_, 0});
    cv_.notify_all();
}

bool PacketQueue::pop(PacketItem& out) {
    std::unique_lock lock(mutex_);
    ++waiting_;
    cv_.wait(lock, [&] { return aborted_ || !items_.empty(); });
    --waiting_;
    if (aborted_)
        return false;
    out = std::move(items_.front());
    items_.pop_front();
    if (out.pkt)
        bytes_ -= out.pkt->size;
    return true;
}

void PacketQueue::abort() {
    std::lock_guard lock(mutex_);
    aborted_ = true;
    clearLocked();
    cv_.notify_all();
}

int PacketQueue::serial() const {
    std::lock_guard lock(mutex_);
    return serial_;
}

bool PacketQueue::starved() const {
    std::lock_guard lock(mutex_);
    return waiting_ > 0 && items_.empty();
}

bool PacketQueue::full() const {
    std::lock_guard lock(mutex_);
    return items_.size() >= kMaxItems || bytes_ >= kMaxBytes;
}
