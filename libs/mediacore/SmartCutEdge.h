// The re-encoded edges of a smart cut: the frames from the cut start to the first copied
// keyframe, and at the end the frames a copy cannot end on.
//
// Each edge owns a decoder and an encoder sized to it, opened when the edge is reached and
// closed when it ends, so that neither holds pictures while whole groups are copied; an end
// coded beside the start (SmartCutTail.h) is reached at once, on its own thread.
// Ownership: refers to the plan and the writer, owns its codecs. Threading: one thread at a time;
// an edge that encodes beside its decoding (encodeBeside()) runs its encoder on a thread it owns.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "EdgeEncoderThread.h"
#include "OutputWriter.h"
#include "SmartCutPlan.h"

namespace mediacore {

// Opens the encoder of an edge of `frames` frames and checks its parameter sets against the
// record's: the first edge opened adds them after the source's `recordSets` sets, a later one
// must give the same (and so must be opened as `lean` as the first). A lean encoder holds no
// look-ahead planes (it codes at a constant quantiser), for edges coded at the same time or
// pictures above 1080p. False when the encoder cannot be used for the seams.
bool openEdgeEncoder(const AVStream* video, int paramId, size_t frames, CodecPtr* encoder,
                     avc::AvcConfig* config, size_t recordSets, bool lean);

// Whether the pictures of `video` are larger than 1080p.
bool largePictures(const AVStream* video);

// Opens the libx265 encoder of an HEVC edge of `frames` frames, false when it cannot be.
bool openHevcEdgeEncoder(const AVStream* video, size_t frames, CodecPtr* encoder);

class CutEdge {
public:
    // `head`: the frames before the first copied keyframe, else those after the copied ones.
    CutEdge(const CutRange& range, bool head, int lengthSize, OutputWriter& writer, AVRational timeBase)
        : range_(range), head_(head), lengthSize_(lengthSize), writer_(writer), timeBase_(timeBase) {}

    // Takes the edge's encoder and opens a decoder for `decodes` packets, with at most
    // `decodeThreads` frame threads. 0 or a negative AVERROR.
    int open(const AVStream* video, const std::string& path, CodecPtr encoder, size_t decodes,
             int decodeThreads = 2);
    bool isOpen() const { return encoder_ != nullptr; }
    // Decodes one packet of the edge (or, when given, the stand-in for its picture: its times
    // and flags, `standIn`'s data) and encodes the wanted frames that come out.
    int decode(const AVPacket* packet, const Bytes* standIn = nullptr);
    // The last frames out of the decoder and the encoder; then both are closed.
    int finish();
    // Closes both without writing what they hold (the part ends before the edge).
    void drop();

    // Holds the re-encoded packets instead of writing them, for an edge coded on a thread of its
    // own; writeHeld() writes them on the writer's thread.
    void holdOutput() { hold_ = true; }
    int writeHeld();
    // Encodes on a thread of its own beside the decoding (from open() on); the re-encoded
    // packets are written by finish(), or held as above.
    void encodeBeside() { beside_ = true; }

    size_t framesTaken() const { return taken_; }
    // A decoded frame did not fit the encoder (its size or format changed, or it was a field).
    bool mismatch() const { return mismatch_; }

private:
    int encodeDecoded();
    int sendToEncoder(AVFrame* frame);
    int writeEncoded();

    const CutRange& range_;
    const bool head_;
    const int lengthSize_;
    OutputWriter& writer_;
    const AVRational timeBase_;
    CodecPtr decoder_;
    CodecPtr encoder_;
    FramePtr frame_ = makeFrame();
    PacketPtr encoded_ = makePacket();
    std::vector<PacketPtr> held_; // with an encoder thread, its own until finish() joined it
    EdgeEncoderThread encoderThread_;
    size_t taken_ = 0;
    bool mismatch_ = false;
    bool hold_ = false;
    bool beside_ = false;
};

} // namespace mediacore
