// The writing of a smart cut: one pass over the range that copies whole groups of pictures and
// the sound, and re-encodes the edges as they are reached.
#include "EngineLog.h"
#include "OutputWriter.h"
#include "SmartCut.h"
#include "SmartCutEdge.h"
#include "SmartCutFeed.h"
#include "SmartCutPlan.h"
#include "SmartCutTail.h"

namespace mediacore {

namespace {

// Results of the steps below besides a negative AVERROR.
constexpr int kGoOn = 1;
constexpr int kDecline = SmartCut::kDeclined;
constexpr int kStopped = 5;

// The pass over the range, packet by packet in file order. A range planned while it is written
// has no known end until rangeComplete().
class CutPass {
public:
    CutPass(const SmartCutRequest& request, CutInput& in, const CutRange& range, OutputWriter& writer,
            avc::AvcConfig& config, size_t sourceSets, bool endKnown, bool leanEncoders)
        : request_(request), in_(in), range_(range), writer_(writer), config_(config),
          sourceSets_(sourceSets), leanEncoders_(leanEncoders),
          head_(range, true, in.lengthSize(), writer, in.video->time_base),
          tail_(range, false, in.lengthSize(), writer, in.video->time_base),
          videoEnd_(endKnown ? range.packets.size() : SIZE_MAX), endUs_(range.endUs),
          audioDone_(in.audio == nullptr) {
        beginCopy();
    }

    CutEdge& head() { return head_; }
    // Opens the encoder of the end edge; false when it differs from the start's.
    bool openTailEncoder(CodecPtr* encoder);
    // Re-encodes the end on a thread of its own instead of in the pass.
    void useTailWorker(TailWorker* worker) { worker_ = worker; }
    bool done() const { return index_ >= videoEnd_ && audioDone_; }
    bool picturesDone() const { return index_ >= videoEnd_; }
    // The range's end has been read and planned.
    void rangeComplete() {
        videoEnd_ = std::min(videoEnd_, range_.packets.size());
        endUs_ = std::min(endUs_, range_.endUs);
        copy_.endBy(endUs_);
    }
    // One packet read from the input: kGoOn, kDecline or a negative AVERROR.
    int take(AVPacket* packet);
    // The input ended (`readResult`): 0 when that is where the range ends, else a negative AVERROR.
    int inputEnded(int readResult);
    // After the pass: the edges' last frames and the sound; kGoOn, kDecline or a negative AVERROR.
    int finish();
    // Reads the range through take() from the input (sought to the range's start), or from the
    // feed that plans it: kGoOn, kStopped, kDecline, RangeFeed::kGiveUp or a negative AVERROR.
    int run(RangeFeed* feed, const std::atomic<bool>& stop,
            const std::function<void(int64_t, int64_t)>& progress);

private:
    void beginCopy();
    int picture(AVPacket* packet);
    // Writes the held sound that starts before `beforeUs`; the main sound is done once the copy
    // has seen it reach the end.
    int writeSound(int64_t beforeUs) {
        const int r = copy_.release(beforeUs);
        audioDone_ = !in_.audio || copy_.ended(SourceReader::Audio);
        return r;
    }
    bool endsBefore(size_t i) const;
    int decodeForEdges(size_t i, const AVPacket* packet);

    const SmartCutRequest& request_;
    CutInput& in_;
    const CutRange& range_;
    OutputWriter& writer_;
    avc::AvcConfig& config_;
    const size_t sourceSets_;
    const bool leanEncoders_;
    CutEdge head_, tail_;
    TailWorker* worker_ = nullptr; // when set, the end edge is coded there and tail_ stays closed
    StreamCopy copy_{writer_};
    size_t index_ = 0; // the next picture packet of the range
    size_t videoEnd_;
    int64_t endUs_;
    bool audioDone_;
    int64_t pictureReadUs_ = INT64_MIN;
    // Under a size limit the part can only end at the start of a group, and packets read in
    // decoding order run ahead of the pictures shown: sound then waits for the group start.
    int64_t groupStartUs_ = INT64_MIN;
};

// The copy starts on the range's first frame, at output time 0, and its sound ends with the
// picture. Copied sound waits until the picture read has passed it, so that a part that ends
// early (at a size limit) can still leave it out.
void CutPass::beginCopy() {
    StreamCopy::Part part;
    part.fromUs = in_.toUs(range_.shift, in_.video);
    part.soundFromUs = part.fromUs;
    part.endUs = range_.endUs;
    part.pictureTicks = -range_.shift;
    part.soundByMiddle = true;
    // The last picture shows past the range's end, until the next one would: the sound goes on
    // with it. Ranges planned while they are written end on a keyframe, or where the file does.
    for (const auto& [pts, duration] : range_.wanted)
        part.soundEndUs = std::max(part.soundEndUs, in_.toUs(pts + duration, in_.video));
    // The re-encoded start replaced the source's parameter sets in-band: they come back with
    // the first copied frame.
    if (range_.hevc && range_.hasHead())
        part.firstPicturePrefix = in_.hvc.parameterSets();
    copy_.beginPart(in_.copySource(), std::move(part));
}

int CutPass::take(AVPacket* packet) {
    if (packet->stream_index == in_.video->index && index_ < videoEnd_) {
        if (const int r = picture(packet); r != kGoOn)
            return r;
    } else if (packet->stream_index != in_.video->index) {
        copy_.hold(packet);
    }
    const int64_t soundBefore = request_.sizeLimit > 0 ? groupStartUs_ : pictureReadUs_;
    if (const int r = writeSound(index_ >= videoEnd_ ? INT64_MAX : soundBefore); r < 0)
        return r;
    if (head_.mismatch() || tail_.mismatch()) {
        logInfo("cut re-encodes the whole range: the frames change format");
        return kDecline;
    }
    return kGoOn;
}

// Whether the part ends before the group that begins with packet `i`, which would pass the
// size limit.
bool CutPass::endsBefore(size_t i) const {
    return request_.sizeLimit > 0 && i > range_.copyBegin && range_.packets[i].key &&
           writer_.estimatedFinalBytes() + range_.groupBytes(i) > request_.sizeLimit;
}

int CutPass::picture(AVPacket* packet) {
    const size_t i = index_++;
    const CutRange::Packet& p = range_.packets[i];
    if (packet->pts != p.pts) {
        logInfo("cut re-encodes the whole range: the file reads differently the second time");
        return kDecline;
    }
    if (endsBefore(i)) {
        // The part ends before this group, sound with it; the end re-encode is left out.
        videoEnd_ = i;
        endUs_ = in_.toUs(p.pts, in_.video);
        copy_.endBy(endUs_);
        tail_.drop();
        if (worker_)
            worker_->drop();
        worker_ = nullptr;
        return kGoOn;
    }
    pictureReadUs_ = std::max(pictureReadUs_, in_.toUs(packet->pts, in_.video));
    if (p.key)
        groupStartUs_ = in_.toUs(packet->pts, in_.video);
    if (const int r = decodeForEdges(i, packet); r != kGoOn)
        return r;
    if (i < range_.copyBegin || i >= range_.copyEnd)
        return kGoOn;
    packet->duration = p.duration;
    const int r = copy_.take(packet, SourceReader::Video);
    return r < 0 ? r : kGoOn;
}

int CutPass::decodeForEdges(size_t i, const AVPacket* packet) {
    int r = 0;
    if (i == range_.headEnd && (r = head_.finish()) < 0)
        return r;
    const CutRange::Packet& p = range_.packets[i];
    const bool inHead = i < range_.headEnd, inTail = i >= range_.tailBegin && i < range_.tailEnd;
    // Frames that are neither re-encoded nor referred to need no decoding.
    const bool needed = p.reference || (p.inRange && (inHead || p.pts > range_.tailAfter));
    if (needed && inHead && (r = head_.decode(packet, p.standIn.get())) < 0)
        return r;
    if (worker_)
        return kGoOn;
    if (i == range_.tailBegin && inTail) {
        CodecPtr encoder;
        if (!openTailEncoder(&encoder))
            return logFailure("the encoder of the cut's end differs from its start's", AVERROR_BUG);
        if (tail_.open(in_.video, request_.input, std::move(encoder), range_.tailEnd - range_.tailBegin) < 0)
            return kDecline;
    }
    if (needed && inTail && (r = tail_.decode(packet, p.standIn.get())) < 0)
        return r;
    return kGoOn;
}

bool CutPass::openTailEncoder(CodecPtr* encoder) {
    return range_.hevc ? openHevcEdgeEncoder(in_.video, range_.tailFrames(), encoder)
                       : openEdgeEncoder(in_.video, range_.paramId, range_.tailFrames(), encoder, &config_,
                                         sourceSets_, leanEncoders_);
}

int CutPass::inputEnded(int readResult) {
    if (readResult != AVERROR_EOF)
        logFailure("reading " + request_.input + " (taken as its end)", readResult);
    // The first read saw the whole range: a source that ends now was cut short since.
    in_.extent.noteEnd(readResult);
    if (index_ < videoEnd_)
        return logFailure(request_.input + " ended while it was read", AVERROR_INVALIDDATA);
    return in_.checkEnd(endUs_, request_.input);
}

int CutPass::finish() {
    int r;
    if ((r = head_.finish()) < 0 || (r = tail_.finish()) < 0)
        return r;
    if (worker_ && (r = worker_->finish()) != kGoOn)
        return r;
    if ((r = writeSound(INT64_MAX)) < 0)
        return r;
    const CutEdge& tail = worker_ ? worker_->edge() : tail_;
    if (head_.mismatch() || tail.mismatch()) {
        logInfo("cut re-encodes the whole range: the frames change format");
        return kDecline;
    }
    // Every frame of the edges must have come out of the decoder with its own time.
    if (head_.framesTaken() != range_.headFrames() ||
        (videoEnd_ == range_.packets.size() && tail.framesTaken() != range_.tailFrames())) {
        logInfo("cut re-encodes the whole range: the decoder did not give all frames of the edges");
        return kDecline;
    }
    return kGoOn;
}

int CutPass::run(RangeFeed* feed, const std::atomic<bool>& stop,
                 const std::function<void(int64_t, int64_t)>& progress) {
    const int64_t totalUs = std::max<int64_t>(1, range_.endUs - in_.toUs(range_.shift, in_.video));
    PacketPtr packet = makePacket();
    while (!done()) {
        if (stop)
            return kStopped;
        int r = feed ? feed->next(packet.get()) : in_.read(packet.get());
        if (r == RangeFeed::kGiveUp || r == RangeFeed::kDecline)
            return r == RangeFeed::kDecline ? kDecline : r;
        if (feed && feed->complete())
            rangeComplete();
        if (r < 0)
            return (r = inputEnded(r)) < 0 ? r : kGoOn;
        if (!feed)
            in_.extent.note(packet.get()); // the feed notes what it reads
        r = take(packet.get());
        av_packet_unref(packet.get());
        if (r != kGoOn)
            return r;
        if (feed && picturesDone())
            feed->endPlanning();
        if (progress) {
            int64_t doneUs = writer_.writtenUs();
            // A capped range planned while it is written has no known end: how full the part is
            // tells more.
            if (feed)
                doneUs = std::max(doneUs, int64_t(double(totalUs) * double(writer_.estimatedFinalBytes()) /
                                                  double(request_.sizeLimit)));
            progress(doneUs, totalUs);
        }
    }
    return kGoOn;
}

// The output: the picture copied under a record that also holds the edges' parameter sets, and
// the sound copied.
int openOutput(const SmartCutRequest& request, const CutInput& in, const avc::AvcConfig& config,
               OutputWriter& writer) {
    int r = writer.create(request.output);
    if (r < 0 || (r = writer.addCopy(OutputWriter::Video, in.video)) < 0)
        return r;
    const Bytes record = in.isHevc ? in.hvc.serialise() : config.serialise();
    if ((r = writer.setCopyExtradata(OutputWriter::Video, record.data(), int(record.size()))) < 0)
        return r;
    if (in.audio && (r = writer.addCopy(OutputWriter::Audio, in.audio)) < 0)
        return r;
    for (AVStream* o : in.otherSound) {
        if ((r = writer.addOtherCopy(o)) < 0)
            return r;
        o->discard = AVDISCARD_DEFAULT; // left out of the scan, read from here on
    }
    return writer.start();
}

} // namespace

int SmartCut::write(CutInput& in, const CutRange& range, RangeFeed* feed) {
    avc::AvcConfig config = in.config;
    const size_t sourceSets = config.sps.size();
    // The record needs the edges' parameter sets before anything is written, but an encoder
    // only when its edge is reached: the first one opened gives the sets, and the other edge's
    // encoder, opened later with the same settings, must give the same.
    // With both edges of an H.264 cut of at most 1080p, the end is re-encoded beside the start on
    // a second processor, by lean encoders so that the two edges at once hold no more than one
    // did. A part under a size limit mostly ends before its end edge, which the pass then leaves
    // unread; above 1080p two edges at once would hold too much.
    const bool tailBeside = !in.isHevc && range.hasHead() && range.hasTail() && request_.sizeLimit <= 0 &&
                            !largePictures(in.video);
    CodecPtr headEncoder;
    if (in.isHevc) {
        if (range.hasHead() && !openHevcEdgeEncoder(in.video, range.headFrames(), &headEncoder)) {
            logInfo("cut re-encodes the whole range: no fitting encoder for the edges");
            return kDeclined;
        }
    } else if (range.hasHead() || range.hasTail()) {
        const size_t frames = range.hasHead() ? range.headFrames() : range.tailFrames();
        if (!openEdgeEncoder(in.video, range.paramId, frames, &headEncoder, &config, sourceSets,
                             tailBeside)) {
            logInfo("cut re-encodes the whole range: no fitting encoder for the edges");
            return kDeclined;
        }
        if (!range.hasHead())
            headEncoder.reset();
    }
    OutputWriter writer;
    // The end starts first: the output and the start's decoder open while it decodes.
    TailWorker worker(range, in.lengthSize(), writer, in.video);
    bool workerStarted = false;
    if (tailBeside) {
        // Compared with the record's sets on the end's thread, while the record is written.
        auto open = [video = in.video, id = range.paramId, frames = range.tailFrames(), record = config,
                     sourceSets](CodecPtr* encoder) mutable {
            return openEdgeEncoder(video, id, frames, encoder, &record, sourceSets, true);
        };
        workerStarted = worker.start(request_.input, std::move(open)) >= 0;
        if (!workerStarted)
            worker.drop(); // the pass re-encodes the end itself, as without a second processor
    }
    int r = openOutput(request_, in, config, writer);
    if (r < 0)
        return r;
    CutPass pass(request_, in, range, writer, config, sourceSets, feed == nullptr, tailBeside);
    // Beside the end's thread the start decodes on one thread of its own: a second would hold
    // pictures of its own (3 MB each at 1080p) for a processor the end already uses. Its encoder
    // runs on a thread of its own, so that the start's decoding does not wait for its encoding
    // once the end is done; one picture more is held for it.
    if (tailBeside)
        pass.head().encodeBeside();
    if (range.hasHead() && pass.head().open(in.video, request_.input, std::move(headEncoder), range.headEnd,
                                            tailBeside ? 1 : 2) < 0)
        return kDeclined;
    if (workerStarted)
        pass.useTailWorker(&worker);
    if (!feed && in.seek(request_.startUs + kEpsilonUs) < 0)
        return logFailure("seek in " + request_.input, AVERROR(EIO));
    r = pass.run(feed, stop_, progress_);
    if (r == kStopped) {
        logInfo("cut stopped; " + request_.output + " removed");
        writer.discard();
        return 1;
    }
    if (r != kGoOn)
        return r;
    if ((r = pass.finish()) != kGoOn)
        return r;
    if ((r = writer.finish()) < 0)
        return r;
    writtenUs_ = writer.writtenUs();
    return 1;
}

} // namespace mediacore
