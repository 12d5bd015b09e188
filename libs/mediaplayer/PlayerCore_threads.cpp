// PlayerCore: the demux, video and audio threads.
#include "PlayerCore.h"

#include "AudioFilter.h"
#include "AudioOutput.h"
#include "AudioRing.h"
#include "FrameNotifier.h"
#include "PlayerLog.h"
#include "SourceIndex.h"

#include <algorithm>
#include <chrono>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

using namespace std::chrono_literals;

int64_t PlayerCore::frameUs(const AVFrame* f, int streamIndex) const {
    int64_t ts = f->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE)
        ts = f->pts;
    if (ts == AV_NOPTS_VALUE)
        return -1;
    return av_rescale_q(ts, timeBases_[size_t(streamIndex)], ff::kMicro) - startUs_;
}

// A file that stores decoding times only (AVI) leaves the decoder to time a picture by the
// packet that let it out, which comes as many pictures later as the decoder holds back to
// reorder. A picture without any time follows the one before it (`afterUs`).
int64_t PlayerCore::pictureUs(const AVFrame* f, bool decodeTimed, int64_t afterUs) const {
    const int64_t us = frameUs(f, videoStream_);
    if (us < 0)
        return afterUs;
    return decodeTimed ? us - int64_t(vdec_->has_b_frames) * frameDurUs_ : us;
}

void PlayerCore::syncAudioDevice() {
    // The sound sink lives on the GUI thread; the notifier runs the call there.
    QMetaObject::invokeMethod(
        notifier_.get(),
        [this] {
            if (audio_)
                audio_->setRunning(status_ == Playing);
        },
        Qt::QueuedConnection);
}

bool PlayerCore::reachedEnd(int serial) {
    if (status_ != Playing || atEnd_)
        return false;
    if (videoStream_ >= 0 && videoEndSerial_ != serial)
        return false;
    if (audio_ && audioStream_ >= 0 && !audio_->ring()->drained())
        return false;
    const int64_t d = durationUs_;
    return d <= 0 || clock_.nowUs() >= d;
}

int64_t PlayerCore::packetUs(const AVPacket* pkt, bool decodeOrder) const {
    int64_t ts = decodeOrder && pkt->dts != AV_NOPTS_VALUE ? pkt->dts : pkt->pts;
    if (ts == AV_NOPTS_VALUE)
        ts = pkt->dts;
    if (ts == AV_NOPTS_VALUE)
        return AV_NOPTS_VALUE;
    return av_rescale_q(ts, timeBases_[size_t(pkt->stream_index)], ff::kMicro) - startUs_;
}

// Reads on from where a seek landed up to the first picture key frame. True when that key
// frame is at or before `target` (or nothing tells otherwise): decoding on from it reaches the
// target's own picture. `read` gets the packets to decode, from that key frame on.
bool PlayerCore::keyFrameBefore(int64_t target, std::vector<ff::PacketPtr>& read) {
    constexpr int kMaxPackets = 4096;
    const ff::PacketPtr pkt = ff::makePacket();
    bool good = true;
    for (int n = 0; pkt && n < kMaxPackets && ff::SourceIndex::readPacket(fmt_.get(), pkt.get()) >= 0; ++n) {
        if (pkt->stream_index != videoStream_) {
            read.push_back(ff::clonePacket(pkt.get()));
            av_packet_unref(pkt.get());
            continue;
        }
        const bool key = pkt->flags & AV_PKT_FLAG_KEY;
        const int64_t shown = packetUs(pkt.get(), false), decoded = packetUs(pkt.get(), true);
        if (key) {
            good = shown == AV_NOPTS_VALUE || shown <= target + kSameTimeUs;
            read.push_back(ff::clonePacket(pkt.get()));
        } else if (decoded != AV_NOPTS_VALUE && decoded > target + kSameTimeUs) {
            good = false; // past the target with no key frame on the way
        }
        av_packet_unref(pkt.get());
        if (key || !good)
            break;
    }
    return good;
}

// Demux thread: moves the file to the target and tells both decoders, in packet order. The
// picture decoder must start at a key frame at or before the target: a file without an index
// (MPEG-TS, PS) lands on any packet near the time, and decoding from there would give the first
// picture only at the next key frame, seconds later. So the seek steps back until it lands
// before such a key frame. A switch of sound stream opens the new decoder here, where the file
// is read.
void PlayerCore::applySeek(int serial, int64_t target, int wantedAudio) {
    ff::CodecPtr newAudioDecoder;
    if (wantedAudio >= 0 && wantedAudio != audioStream_ && audio_) {
        newAudioDecoder = openDecoder(wantedAudio);
        if (newAudioDecoder)
            audioStream_ = wantedAudio;
    }
    std::vector<ff::PacketPtr> read;
    for (int64_t back = 0;; back = back ? 2 * back : 1000000) {
        const int64_t at = std::max<int64_t>(0, target - back);
        // The start is the file's first byte: a seek by time to the first picture's time lands
        // on a later key frame in a stream whose packets are stored out of order (MPEG-TS with
        // B-frames: the first ones are decoded before that time).
        // An indexed stream lands by its pictures' places, on the key frame the target needs.
        const bool indexed = ff::SourceIndex::get(fmt_.get()) != nullptr;
        const int err = indexed
                            ? ff::SourceIndex::seek(fmt_.get(), at == 0 ? INT64_MIN : at + startUs_, false)
                        : at == 0 ? avformat_seek_file(fmt_.get(), -1, INT64_MIN, INT64_MIN, INT64_MIN, 0)
                                  : av_seek_frame(fmt_.get(), -1, at + startUs_, AVSEEK_FLAG_BACKWARD);
        if (err < 0) {
            if (target > 0)
                player::logDebug("seek to %lld us: %s", static_cast<long long>(at),
                                 qUtf8Printable(avErrorText(err)));
            av_seek_frame(fmt_.get(), -1, startUs_, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
            break;
        }
        if (videoStream_ < 0 || keyFrameBefore(target, read) || at == 0 || back > 64000000)
            break;
        read.clear();
    }
    videoQ_.flush(serial, target);
    audioQ_.flush(serial, target, std::move(newAudioDecoder), audioStream_);
    if (audio_)
        audio_->ring()->flush(serial);
    for (ff::PacketPtr& p : read)
        queuePacket(std::move(p), serial);
}

// Hands `pkt` to the queue of its decoder, or drops it.
void PlayerCore::queuePacket(ff::PacketPtr pkt, int serial) {
    if (!pkt)
        return;
    if (pkt->stream_index == videoStream_)
        videoQ_.push(std::move(pkt), serial);
    else if (audio_ && pkt->stream_index == audioStream_)
        audioQ_.push(std::move(pkt), serial);
}

void PlayerCore::demuxLoop() {
    const ff::PacketPtr pkt = ff::makePacket();
    int serial = 0;
    bool eof = false;
    while (true) {
        // A file shown by its stored times asks now and then whether its index is held.
        if (storedLine_ && std::chrono::steady_clock::now() >= nextHeldCheck_) {
            nextHeldCheck_ = std::chrono::steady_clock::now() + 250ms;
            moveOntoIndexLine();
        }
        std::function<void()> endBlock;
        bool ended = false, idle = false;
        {
            std::unique_lock lock(stateMutex_);
            if (abort_)
                break;
            if (seekPending_) {
                seekPending_ = false;
                serial = requestedSerial_;
                const int64_t target = seekTargetUs_;
                const int wantedAudio = wantedAudioStream_;
                lock.unlock();
                applySeek(serial, target, wantedAudio);
                eof = false;
                continue;
            }
            if (eof && reachedEnd(serial)) {
                atEnd_ = true;
                ended = true;
                status_ = Stopped;
                clock_.setRunning(false);
                clock_.setUs(durationUs_);
                endBlock = didEnd_;
                stateCv_.notify_all();
            } else if (eof || videoQ_.full() || audioQ_.full()) {
                stateCv_.wait_for(lock, 10ms);
                idle = true;
            }
        }
        if (idle) {
            // Stopped with the sound queue full and the video thread out of packets, nothing
            // more will be shown: snapshots waiting for the picture at the clock get this one.
            deliverSnapshots();
            continue;
        }
        if (ended) {
            syncAudioDevice();
            if (endBlock)
                endBlock();
            continue;
        }
        const int err = ff::SourceIndex::readPacket(fmt_.get(), pkt.get());
        if (err < 0) {
            if (err != AVERROR_EOF && !(fmt_->pb && avio_feof(fmt_->pb)))
                player::logDebug("read stops: %s", qUtf8Printable(avErrorText(err)));
            eof = true;
            videoQ_.pushEnd(serial);
            audioQ_.pushEnd(serial);
            continue;
        }
        queuePacket(ff::clonePacket(pkt.get()), serial);
        av_packet_unref(pkt.get());
    }
}

bool PlayerCore::waitForClock(int64_t ptsUs, int serial, int64_t leadUs) {
    std::unique_lock lock(stateMutex_);
    const auto done = [&](bool due) {
        videoWaitsForUs_ = INT64_MIN;
        return due;
    };
    while (true) {
        if (abort_ || videoQ_.serial() != serial || seekPending_)
            return done(false);
        if (redrawDueLocked() || !wholeSnapshots_.empty()) { // asked while this thread waits
            lock.unlock();
            serviceRedraw();
            lock.lock();
            continue;
        }
        // Stopped, a picture the clock has passed is still shown (the thread lagged behind a
        // loaded machine when play stopped): the view then holds the picture at the clock.
        const bool playing = status_ == Playing;
        const int64_t now = clock_.nowUs();
        if (now >= (playing ? ptsUs - leadUs : ptsUs))
            return done(true);
        videoWaitsForUs_ = ptsUs;
        videoWaitsSerial_ = serial;
        if (playing) {
            stateCv_.wait_for(lock, std::min<std::chrono::microseconds>(
                                        std::chrono::microseconds(ptsUs - leadUs - now), 20ms));
        } else if (!snapshotWaiters_.empty() && pictureSettledLocked()) {
            lock.unlock();
            deliverSnapshots();
            lock.lock();
        } else {
            stateCv_.wait_for(lock, 50ms);
        }
    }
}

void PlayerCore::videoLoop() {
    const ff::FramePtr frame = ff::makeFrame();
    ff::FramePtr before; // the latest frame before a seek target, for a target past the end
    int serial = 0;
    int64_t target = 0;
    bool first = false;
    int64_t lastEndUs = 0;
    bool decodeTimed = false; // the file stores decoding times only (pictureUs)
    PacketItem item;
    while (videoQ_.pop(item)) {
        serviceRedraw();
        if (item.kind == PacketItem::Wake)
            continue;
        if (item.kind == PacketItem::Flush) {
            avcodec_flush_buffers(vdec_.get());
            serial = item.serial;
            target = item.targetUs;
            first = true;
            before.reset();
            continue;
        }
        if (item.serial != serial) {
            item.pkt.reset();
            continue;
        }
        if (item.pkt && (item.pkt->flags & AV_PKT_FLAG_KEY))
            decodeTimed = item.pkt->pts == AV_NOPTS_VALUE && item.pkt->dts != AV_NOPTS_VALUE;
        const int sent =
            avcodec_send_packet(vdec_.get(), item.kind == PacketItem::End ? nullptr : item.pkt.get());
        item.pkt.reset();
        if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_EOF)
            player::logDebug("video packet refused: %s", qUtf8Printable(avErrorText(sent)));
        while (avcodec_receive_frame(vdec_.get(), frame.get()) >= 0) {
            if (videoQ_.serial() != serial) {
                av_frame_unref(frame.get());
                continue; // a newer seek is on its way: drain without showing
            }
            const int64_t pts = pictureUs(frame.get(), decodeTimed, lastEndUs);
            const int64_t dur =
                frame->pkt_duration > 0
                    ? av_rescale_q(frame->pkt_duration, timeBases_[size_t(videoStream_)], ff::kMicro)
                    : frameDurUs_;
            lastEndUs = pts + dur;
            if (first && pts < target - kSameTimeUs) {
                // Before the sought place: keep it only in case nothing later comes. The
                // picture shown is the first at or after the place, the one a cut from there
                // starts with.
                before = ff::cloneFrame(frame.get());
                av_frame_unref(frame.get());
                continue;
            }
            // Wait until the picture is nearly due, so that settings changed meanwhile apply.
            if (!first && !waitForClock(pts, serial, 2 * frameDurUs_)) {
                av_frame_unref(frame.get());
                continue;
            }
            show(frame.get(), pts, dur, serial, first);
            first = false;
            av_frame_unref(frame.get());
        }
        if (item.kind == PacketItem::End) {
            if (first) {
                if (before)
                    show(before.get(), target, frameDurUs_, serial, true);
                markShown(serial, 0);
                first = false;
            }
            before.reset();
            avcodec_flush_buffers(vdec_.get());
            {
                std::lock_guard lock(stateMutex_);
                videoEndSerial_ = serial;
            }
            stateCv_.notify_all();
            deliverSnapshots(); // stopped in a sound-only tail: no picture is coming
        }
    }
}

void PlayerCore::audioLoop() {
    AudioRing* ring = audio_->ring();
    AudioFilter filter(audio_->format().sampleRate);
    const ff::FramePtr frame = ff::makeFrame();
    std::vector<PcmChunk> chunks;
    int serial = 0;
    int64_t target = 0;
    bool restart = true;
    int decoderStream = audioStream_;
    PacketItem item;
    while (audioQ_.pop(item)) {
        if (item.kind == PacketItem::Wake)
            continue;
        if (item.kind == PacketItem::Flush) {
            serial = item.serial;
            target = item.targetUs;
            restart = true;
            if (item.decoder) { // another stream: its decoder was opened by the demux thread
                adec_ = std::move(item.decoder);
                decoderStream = item.streamIndex;
            }
            avcodec_flush_buffers(adec_.get());
            continue;
        }
        if (item.serial != serial) {
            item.pkt.reset();
            continue;
        }
        avcodec_send_packet(adec_.get(), item.kind == PacketItem::End ? nullptr : item.pkt.get());
        item.pkt.reset();
        bool current = true;
        while (current && avcodec_receive_frame(adec_.get(), frame.get()) >= 0) {
            int64_t pts = frameUs(frame.get(), decoderStream);
            if (pts < 0)
                pts = target;
            const int64_t lengthUs =
                frame->sample_rate > 0 ? int64_t(frame->nb_samples) * 1000000 / frame->sample_rate : 0;
            chunks.clear();
            // Sound wholly before the sought place is not needed; the graph starts at the frame that holds
            // it.
            const bool needed = pts + lengthUs > target;
            if (needed && filter.push(frame.get(), pts, settings(), restart, chunks))
                restart = false;
            av_frame_unref(frame.get());
            const int bytesPerSecond = audio_->format().bytesPerSecond();
            for (PcmChunk& c : chunks) {
                if (c.ptsUs < target) { // the sought place is inside this chunk
                    const qsizetype skip = std::min<qsizetype>(
                        qsizetype((target - c.ptsUs) * bytesPerSecond / 1000000) & ~qsizetype(3),
                        c.pcm.size());
                    c.pcm.remove(0, skip);
                    c.ptsUs = target;
                }
                if (!c.pcm.isEmpty() && !ring->write(serial, c.ptsUs, std::move(c.pcm))) {
                    current = false;
                    break;
                }
            }
        }
        if (item.kind == PacketItem::End) {
            ring->setEnded(serial);
            avcodec_flush_buffers(adec_.get());
        }
    }
}
