// Reads one media file: its first picture stream and one sound stream, as decoded frames or as
// packets, from any position.
//
// Ownership: owns the input and the decoders. Threading: one thread at a time.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "FfPointers.h"
#include "PictureTimes.h"
#include "SoundLead.h"
#include "SourceEnd.h"

namespace mediacore {

// Opens a decoder for one stream of `path`, with `threads` for pictures (0: as many as the
// machine has). Returns 0 or a negative AVERROR (logged).
int openStreamDecoder(const AVStream* stream, const std::string& path, CodecPtr* out, int threads = 0);

class SourceReader {
public:
    enum Kind { Video, Audio };

    // audioIndex < 0, or an index that is not a sound stream, takes the first sound stream.
    // Streams that are not decoded are delivered as packets by next(). Returns 0 or a negative
    // AVERROR (logged).
    int open(const std::string& path, int audioIndex = -1, bool wantVideo = true, bool wantAudio = true,
             bool decodeVideo = true, bool decodeAudio = true);
    // The same on an input opened and probed already (openInput), which the reader takes over.
    int open(InputPtr input, const std::string& path, int audioIndex = -1, bool wantVideo = true,
             bool wantAudio = true, bool decodeVideo = true, bool decodeAudio = true);

    AVFormatContext* format() const { return format_.get(); }
    // Gives the input up (the reader cannot read on): for a caller that lent it.
    InputPtr release() { return std::move(format_); }
    AVStream* video() const { return videoIndex_ >= 0 ? format_->streams[videoIndex_] : nullptr; }
    AVStream* audio() const { return audioIndex_ >= 0 ? format_->streams[audioIndex_] : nullptr; }
    AVCodecContext* videoDecoder() const { return videoDecoder_.get(); }
    AVCodecContext* audioDecoder() const { return audioDecoder_.get(); }
    // Microseconds from the file's start time: the timeline of cut times.
    int64_t originUs() const { return originUs_; }

    // Positions the reader so that the next frames cover time `us` (a keyframe at or before it),
    // or, with atOrAfter, on the first keyframe from `us` on (for copying without earlier frames).
    int seek(int64_t us, bool atOrAfter = false);
    // Next decoded frame of a decoded stream (returns 0), or next packet of a stream that is not
    // decoded (returns 1, into `packet`), or of another sound stream (returns 2, see
    // addOtherSound); AVERROR_EOF when both main streams are done.
    int next(AVFrame* frame, Kind* kind, AVPacket* packet = nullptr);
    // Also delivers the packets of sound stream `index` (copied beside the main sound).
    void addOtherSound(int index);
    const std::vector<int>& otherSound() const { return otherSound_; }
    // Time of the first picture packet from the current position (the keyframe a seek lands on),
    // then back to the same position. AV_NOPTS_VALUE when there is none.
    int64_t firstVideoPacketUs(int64_t seekUs, bool atOrAfter = false);
    // Time of the first picture shown at or after `fromUs` (packets are read, not decoded), then
    // back to the position before. AV_NOPTS_VALUE when there is none.
    int64_t firstPictureFromUs(int64_t fromUs);
    // Where the first picture shown after `afterUs` begins on an indexed MPEG stream's line, read
    // from its index (no reading of the input); none past its last picture or without an index.
    int64_t nextIndexedPictureUs(int64_t afterUs) const;
    // Where `atUs` lies in a pause of an indexed MPEG stream's pictures (past the own length of
    // the picture shown before it, more than a picture before the next one begins): the time of
    // that picture, held through the pause. AV_NOPTS_VALUE elsewhere, past the last picture and
    // without an index.
    int64_t heldPictureUs(int64_t atUs) const;
    // Where the last picture ends as decoded from `fromUs` on (one step after its time), then
    // back at the start; AV_NOPTS_VALUE without decoded pictures. The pictures of an MPEG stream
    // after its last one with a time run past the length its container tells.
    int64_t decodedPictureEndUs(int64_t fromUs);
    // Where the pictures of the file's last megabytes end as their packets time them (the last
    // run of rising times), then back at the start; AV_NOPTS_VALUE without one. The length a
    // header tells takes the latest time anywhere, also a damaged one far ahead.
    int64_t storedPictureEndUs();
    bool mpegStream() const { return mpegStream_; }
    // What an encoder of the pictures from `fromUs` to `toUs` is set up from. An indexed MPEG
    // stream may change its pictures' size and shape on the way (a programme change, new
    // parameter sets at a keyframe) and turn interlaced and back: its first picture shown from
    // `fromUs` on is decoded for its size and aspect, and its index tells whether a picture of
    // the range is coded as fields. Others keep the stream's (width 0: the decoder's).
    struct RangeShape {
        int width = 0, height = 0;
        AVRational aspect{0, 1};
        AVFieldOrder fieldOrder = AV_FIELD_UNKNOWN;
    };
    // Sets rangeShape(); true when it read the input (to be positioned again after it).
    bool takeRangeShape(int64_t fromUs, int64_t toUs);
    const RangeShape& rangeShape() const { return rangeShape_; }
    // An MPEG stream's packets keep only the times they carry (a decoded picture's are settled by
    // PictureTimes); set on open for a decoded picture stream.
    void keepStoredTimes();
    // After next() reported the end: 0 when the input was read to `wantedEndUs` (or the caller
    // finished every stream before the input's end), a negative AVERROR (logged) when the
    // source ended early: its end missing, a last packet cut short, or a failed read.
    int checkEnd(int64_t wantedEndUs) const;
    // Whether the last seek went back to the file's start (or none was made): what is decoded
    // then is all the file holds before the time asked for.
    bool fromStart() const { return fromStart_; }
    // Stops delivering one kind (its end was reached).
    void finish(Kind kind);
    bool finished(Kind kind) const { return kind == Video ? videoDone_ : audioDone_; }

    // Time of a decoded frame / of a packet in microseconds on the file's timeline.
    int64_t frameTimeUs(const AVFrame* frame, Kind kind) const;
    int64_t packetTimeUs(const AVPacket* packet, Kind kind) const;
    // Frame duration of the picture stream in microseconds (from its rate).
    int64_t frameDurationUs() const;

private:
    int seekFormat(int64_t us, bool atOrAfter);
    int rewind();
    bool soundFirst() const;
    int read();
    int receive(AVFrame* frame, Kind* kind);
    // The next packet of the input, less the pictures a seek for sound stored ahead left out.
    int readPacket();
    void followOn(AVPacket* packet);
    void countBack();
    // Time of the first keyframe of the leading stream (the picture, else the sound) read from
    // the current position, or of the first of its packets after untilUs, whichever comes first.
    int64_t firstKeyUs(int64_t untilUs);
    AVStream* stream(Kind kind) const { return kind == Video ? video() : audio(); }
    void notePicturePacket(const AVPacket* packet);
    void placePicture(AVFrame* frame);
    // Counts a settled picture into what the reading reached.
    bool keepPicture(AVFrame* frame);
    void notePicture(const AVFrame* frame);
    void resetPictureTimes();

    InputPtr format_;
    RangeShape rangeShape_;
    CodecPtr videoDecoder_;
    CodecPtr audioDecoder_;
    PacketPtr packet_ = makePacket();
    // Frames of a sound packet that holds several (AMR as some phones store it), one at a time.
    std::deque<PacketPtr> frames_;
    std::vector<int64_t> soundEnds_; // per stream, with stored times only: where its last packet ended
    ReadExtent extent_;
    LeadSkip lead_;
    std::string path_;
    int videoIndex_ = -1;
    int audioIndex_ = -1;
    std::vector<int> otherSound_;
    int64_t originUs_ = 0;
    // Decoding time of the first picture packet since the last seek, when it had no
    // presentation time, and the picture packets sent and pictures placed since then.
    int64_t firstDts_ = AV_NOPTS_VALUE;
    int64_t picturesSent_ = 0;
    int64_t picturesOut_ = 0;
    bool mpegStream_ = false; // an MPEG program or transport stream
    // Pictures as decoded, each held until the next settles its time.
    FramePtr decoded_ = makeFrame();
    PictureTimes pictureTimes_;
    bool inputEnded_ = false;
    bool moved_ = false; // read from or seeked since opening
    bool fromStart_ = true;
    bool videoDone_ = true;
    bool audioDone_ = true;
};

} // namespace mediacore
