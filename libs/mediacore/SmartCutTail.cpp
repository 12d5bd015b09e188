#include "SmartCutTail.h"

#include <system_error>

#include "EngineLog.h"
#include "FfPointers.h"
#include "SmartCut.h"

namespace mediacore {

int TailWorker::start(const std::string& path, std::function<bool(CodecPtr*)> openEncoder) {
    path_ = path;
    openEncoder_ = std::move(openEncoder);
    edge_.holdOutput();
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error& e) {
        return logFailure(std::string("no thread for the cut's end: ") + e.what(), AVERROR(EAGAIN));
    }
    return 0;
}

// The end's encoder, input and decoder; false (the reason logged) when one cannot be opened.
bool TailWorker::open() {
    CodecPtr encoder;
    if (!openEncoder_(&encoder)) {
        logInfo("cut re-encodes the whole range: the encoder of the end differs from the start's");
        return false;
    }
    // Only the packets are read here: the file was probed already, and probing it again would
    // decode its first picture on a processor the start edge needs. The decoder takes the
    // probed stream's parameters (the reordering depth among them).
    int r = 0;
    input_ = ff::openInput(path_.c_str(), &r);
    if (!input_) {
        logFailure("cannot open " + path_, r);
        return false;
    }
    if (int(video_->index) >= int(input_->nb_streams) ||
        input_->streams[video_->index]->codecpar->codec_id != video_->codecpar->codec_id) {
        logFailure(path_ + " reads differently the second time", AVERROR_INVALIDDATA);
        return false;
    }
    // Only its pictures are read; one decoding thread, since the pass's start edge runs beside.
    for (unsigned i = 0; i < input_->nb_streams; ++i)
        input_->streams[i]->discard = int(i) == video_->index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    return edge_.open(video_, path_, std::move(encoder), range_.tailEnd - range_.tailBegin, 1) >= 0;
}

void TailWorker::run() {
    // Whatever keeps the end from opening here, the whole range can still be re-encoded.
    result_ = open() ? readAndCode() : SmartCut::kDeclined;
    if (result_ == 1 && (result_ = edge_.finish()) >= 0)
        result_ = 1;
    if (result_ != 1)
        edge_.drop();
}

// The packets from the end's keyframe to its last, decoded where the end needs them.
int TailWorker::readAndCode() {
    AVFormatContext* f = input_.get();
    const int index = video_->index;
    const CutRange::Packet& first = range_.packets[range_.tailBegin];
    if (avformat_seek_file(f, index, INT64_MIN, first.pts, first.pts, AVSEEK_FLAG_BACKWARD) < 0)
        return logFailure("seek in the cut's source", AVERROR(EIO));
    PacketPtr packet = makePacket();
    size_t i = range_.tailBegin;
    while (i < range_.tailEnd && !cancel_) {
        int r = av_read_frame(f, packet.get());
        if (r == AVERROR_EOF) {
            logInfo("cut re-encodes the whole range: the file ended before the end of its range");
            return SmartCut::kDeclined;
        }
        if (r < 0)
            return logFailure("reading the end of the cut's range", r);
        const bool before = i == range_.tailBegin && packet->pts != first.pts; // the seek landed earlier
        if (packet->stream_index != index || before) {
            av_packet_unref(packet.get());
            continue;
        }
        const CutRange::Packet& p = range_.packets[i];
        if (packet->pts != p.pts) {
            logInfo("cut re-encodes the whole range: the file reads differently the second time");
            return SmartCut::kDeclined;
        }
        // As the pass decodes: frames neither re-encoded nor referred to need no decoding.
        const bool needed = p.reference || (p.inRange && (i < range_.headEnd || p.pts > range_.tailAfter));
        r = needed ? edge_.decode(packet.get(), p.standIn.get()) : 0;
        av_packet_unref(packet.get());
        if (r < 0)
            return r;
        ++i;
    }
    return cancel_ ? SmartCut::kDeclined : 1;
}

int TailWorker::finish() {
    if (!thread_.joinable())
        return logFailure("the cut's end was not re-encoded", AVERROR_BUG);
    thread_.join();
    if (result_ != 1)
        return result_;
    const int r = edge_.writeHeld();
    return r < 0 ? r : 1;
}

void TailWorker::drop() {
    cancel_ = true;
    if (thread_.joinable())
        thread_.join();
    edge_.drop();
}

} // namespace mediacore
