#include "PictureOrder.h"

#include <algorithm>

#include "EngineLog.h"
#include "SourceReader.h"

namespace mediacore {

namespace {
// A decoder that never gives a picture out (a damaged one, or one before the first keyframe of a
// recording) would hold every packet after it: past this many, those before the latest picture
// out are taken as settled.
constexpr size_t kMostHeld = 64;
} // namespace

int PictureOrder::open(const AVStream* stream, const std::string& path, int64_t originUs, int64_t frameUs) {
    const int r = openStreamDecoder(stream, path, &decoder_, 1);
    if (r < 0)
        return r;
    // Only the order of the pictures counts, not what they show.
    decoder_->skip_loop_filter = AVDISCARD_ALL;
    decoder_->skip_idct = AVDISCARD_ALL;
    timeBase_ = stream->time_base;
    originUs_ = originUs;
    frameUs_ = std::max<int64_t>(1, frameUs);
    return 0;
}

// Each packet goes to the decoder under its sequence number as time: the picture that comes out
// carries the number of the packet it was decoded from.
int PictureOrder::add(AVPacket* packet) {
    const int64_t seq = firstSeq_ + int64_t(held_.size());
    Held h{makePacket(), AV_NOPTS_VALUE, AV_NOPTS_VALUE};
    if (packet->pts != AV_NOPTS_VALUE)
        h.timeUs = av_rescale_q(packet->pts, timeBase_, kMicro) - originUs_;
    av_packet_move_ref(h.packet.get(), packet);
    heldBytes_ += h.packet->size;
    PacketPtr probe = makePacket();
    if (av_packet_ref(probe.get(), h.packet.get()) < 0)
        return AVERROR(ENOMEM);
    held_.push_back(std::move(h));
    probe->pts = seq;
    probe->dts = AV_NOPTS_VALUE;
    // A picture the decoder refuses still belongs to the copy; it settles with its neighbours.
    if (avcodec_send_packet(decoder_.get(), probe.get()) == AVERROR(EAGAIN)) {
        receive();
        avcodec_send_packet(decoder_.get(), probe.get());
    }
    ++sent_;
    receive();
    const bool overfull = held_.size() > kMostHeld;
    if (overfull)
        latestOut_ = std::max(latestOut_, firstSeq_ + int64_t(held_.size() - kMostHeld / 2));
    settle(overfull);
    return 0;
}

void PictureOrder::end() {
    avcodec_send_packet(decoder_.get(), nullptr);
    receive();
    release();
}

void PictureOrder::release() {
    latestOut_ = firstSeq_ + int64_t(held_.size()) - 1;
    settle(true);
}

void PictureOrder::receive() {
    while (avcodec_receive_frame(decoder_.get(), frame_.get()) >= 0) {
        const int64_t seq = frame_->pts;
        av_frame_unref(frame_.get());
        ++out_;
        if (seq != AV_NOPTS_VALUE)
            show(seq);
    }
}

// The pictures come out in the order they are shown: one without a time follows the one before.
void PictureOrder::show(int64_t seq) {
    if (seq < firstSeq_ || seq >= firstSeq_ + int64_t(held_.size()))
        return;
    Held& h = held_[size_t(seq - firstSeq_)];
    if (h.shownUs != AV_NOPTS_VALUE)
        return;
    h.shownUs = h.timeUs != AV_NOPTS_VALUE       ? h.timeUs
                : lastShownUs_ != AV_NOPTS_VALUE ? lastShownUs_ + frameUs_
                                                 : 0;
    lastShownUs_ = h.shownUs;
    latestOut_ = std::max(latestOut_, seq);
}

// The packets up to the latest picture out are settled once every one of them has been shown:
// every picture still to come is shown after them. Those the decoder skipped are placed by their
// own time, or after the picture shown last.
void PictureOrder::settle(bool forced) {
    const int64_t upTo = std::min(latestOut_ + 1, firstSeq_ + int64_t(held_.size()));
    if (upTo <= settled_)
        return;
    for (int64_t seq = settled_; seq < upTo; ++seq)
        if (held_[size_t(seq - firstSeq_)].shownUs == AV_NOPTS_VALUE && !forced)
            return;
    for (int64_t seq = settled_; seq < upTo; ++seq) {
        Held& h = held_[size_t(seq - firstSeq_)];
        if (h.shownUs == AV_NOPTS_VALUE) {
            h.shownUs = h.timeUs != AV_NOPTS_VALUE ? h.timeUs : lastShownUs_ + frameUs_;
            h.guessed = true;
        }
    }
    held_[size_t(settled_ - firstSeq_)].boundary = true;
    settled_ = upTo;
}

bool PictureOrder::next(AVPacket* out, Place* place) {
    if (firstSeq_ >= settled_)
        return false;
    Held& h = held_.front();
    *place = {h.shownUs, h.boundary, h.guessed};
    heldBytes_ -= h.packet->size;
    av_packet_move_ref(out, h.packet.get());
    held_.pop_front();
    ++firstSeq_;
    return true;
}

// A guessed time is not written: the picture goes on without one, as in the source.
void PictureOrder::stamp(AVPacket* packet, const Place& place, int64_t* lastDts) const {
    if (place.guessed) {
        *lastDts = packet->dts != AV_NOPTS_VALUE ? packet->dts : *lastDts;
        return;
    }
    stamp(packet, av_rescale_q(place.shownUs + originUs_, kMicro, timeBase_),
          av_rescale_q(frameUs_, kMicro, timeBase_), lastDts);
}

void PictureOrder::stamp(AVPacket* packet, int64_t pts, int64_t step, int64_t* lastDts) {
    if (packet->pts == AV_NOPTS_VALUE && *lastDts != AV_NOPTS_VALUE) {
        packet->pts = pts;
        if (packet->dts == AV_NOPTS_VALUE)
            packet->dts = std::max(*lastDts + 1, std::min(*lastDts + step, pts));
    }
    if (packet->dts != AV_NOPTS_VALUE)
        *lastDts = packet->dts;
}

int64_t PictureOrder::shownEndUs(const std::string& path, int64_t fromUs,
                                 std::map<int64_t, int64_t>* untimed) {
    SourceReader reader;
    PictureOrder order;
    if (reader.open(path, -1, true, false, false, false) < 0 || !reader.video() ||
        order.open(reader.video(), path, reader.originUs(), reader.frameDurationUs()) < 0)
        return AV_NOPTS_VALUE;
    reader.seek(fromUs);
    PacketPtr packet = makePacket();
    SourceReader::Kind kind;
    int64_t end = AV_NOPTS_VALUE;
    Place place;
    const auto drain = [&] {
        while (order.next(packet.get(), &place)) {
            if (packet->pts != AV_NOPTS_VALUE || place.guessed)
                untimed->clear();
            else if (packet->pos >= 0)
                (*untimed)[packet->pos] =
                    av_rescale_q(place.shownUs + order.originUs_, kMicro, order.timeBase_);
            end = end == AV_NOPTS_VALUE ? place.shownUs : std::max(end, place.shownUs);
            av_packet_unref(packet.get());
        }
    };
    while (reader.next(nullptr, &kind, packet.get()) == 1) {
        if (kind == SourceReader::Video && order.add(packet.get()) < 0)
            return AV_NOPTS_VALUE;
        av_packet_unref(packet.get());
        drain();
    }
    order.end();
    drain();
    if (order.pairsFields()) {
        untimed->clear();
        return AV_NOPTS_VALUE;
    }
    return end == AV_NOPTS_VALUE ? end : end + order.frameUs_;
}

} // namespace mediacore
