// Writes one output file: opens the encoders or copies streams, muxes, and either finishes the
// file or removes it again.
//
// The file is written under a temporary name in the output's folder (".<name>.<random>.cbpart",
// created exclusively) and takes its final name only once it is complete, so that a process
// killed mid-way never leaves a broken file under the name the user sees; the rename never
// replaces a file that took the final name meanwhile. A leftover temporary name from a killed
// process is hidden, never chosen again and never the name of an output.
//
// Ownership: owns the muxer, the encoders and the temporary file it created; destroying a
// writer that was not finished removes that file. Threading: one thread at a time.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FfPointers.h"
#include "FieldPackets.h"
#include "SoundPriming.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

namespace mediacore {

struct VideoEncoding {
    const AVCodec* codec = nullptr;
    int width = 0;
    int height = 0;
    AVPixelFormat format = AV_PIX_FMT_NONE;
    AVRational timeBase{0, 1};
    AVRational frameRate{0, 1};
    AVRational sampleAspect{1, 1};
    int64_t bitRate = 0; // bit/s; 0 = the codec's quality default
    int rotation = 0;    // clockwise display rotation to record in the file
    // The output stops at a size: the frames inside the encoder are weighed by a guess, so it
    // holds as few as its settings allow.
    bool sizeCapped = false;
    // The source's fields, for pictures kept at its size: encoded as fields again (MPEG-2,
    // H.264), else a player would show a broadcast's or camera's two fields woven, unblended.
    AVFieldOrder fieldOrder = AV_FIELD_PROGRESSIVE;
};

struct AudioEncoding {
    const AVCodec* codec = nullptr;
    int sampleRate = 0;
    int channels = 0;
    AVSampleFormat format = AV_SAMPLE_FMT_NONE;
    int64_t bitRate = 0; // bit/s; 0 = default
    int quality = -2;    // FFmpeg's -1 to 10, for an encoder that takes one instead of a bit rate
};

class OutputWriter {
public:
    enum Kind { Video, Audio };

    OutputWriter() = default;
    ~OutputWriter();
    OutputWriter(const OutputWriter&) = delete;
    OutputWriter& operator=(const OutputWriter&) = delete;

    // Picks the container from the name and creates the temporary file beside path; fails when
    // path exists.
    int create(const std::string& path);
    // The temporary name of an output path ("" for a name that has none): its folder, a dot,
    // its name, a dot, `unique`, and kTemporarySuffix.
    static std::string temporaryPath(const std::string& path, const std::string& unique);
    static constexpr const char* kTemporarySuffix = ".cbpart";
    const AVOutputFormat* container() const;

    int addVideoEncoder(const VideoEncoding& encoding);
    // The encoder's rate and channels may come out lower than asked (read them from encoder()).
    int addAudioEncoder(const AudioEncoding& encoding);
    // A stream copied from a source stream. `aspectInPictures`: the pixel shape the source tells
    // is its first picture's, and its pictures tell their own (an MPEG stream's headers, which
    // may change it at a programme change): the container tells none.
    int addCopy(Kind kind, const AVStream* source, bool aspectInPictures = false);
    // The copied picture keeps the source's decoding times where its packets carry them, rather
    // than times rebuilt from the presentation times: for a source of one file whose readers place
    // pictures by them (MPEG streams, some of whose pictures carry no presentation time).
    void keepDecodingTimes(Kind kind) { ownDts_[kind == Video ? 0 : 1] = true; }
    // Another sound stream of the source copied beside the main one (keyed by the source's
    // stream index), and one of its packets with times in `timeBase`.
    int addOtherCopy(const AVStream* source);
    int writeOtherPacket(int sourceIndex, AVPacket* packet, AVRational timeBase);
    // Another encoded sound stream beside the main one (a join's other languages), with the
    // language and title of `source` (may be null): its number for writeOtherFrame(), or a
    // negative AVERROR. Its rate and channels may come out lower than asked (otherEncoder()).
    int addOtherAudioEncoder(const AudioEncoding& encoding, const AVStream* source);
    AVCodecContext* otherEncoder(int number) const;
    // Encodes one frame of that stream as writeFrame(Audio, ...) does for the main one.
    int writeOtherFrame(int number, AVFrame* frame);
    // Gives an encoded stream the language and title of its source stream (copies get them).
    void copyTags(Kind kind, const AVStream* source);
    // Replaces the codec configuration of a copied stream (before start()).
    int setCopyExtradata(Kind kind, const uint8_t* data, int size);
    int start();

    // Encodes one frame (pts in the encoder's time base for video; for sound the writer counts
    // samples itself from the first frame). Null flushes the encoder.
    int writeFrame(Kind kind, AVFrame* frame);
    // Writes a copied packet whose times are in `timeBase`.
    int writePacket(Kind kind, AVPacket* packet, AVRational timeBase);
    // Flushes, writes the trailer, closes and gives the file its final name; it is then kept.
    int finish();
    // Closes and removes the temporary file this writer created.
    void discard();

    AVCodecContext* encoder(Kind kind) const { return kind == Video ? video_.get() : audio_.get(); }
    bool has(Kind kind) const { return (kind == Video ? videoStream_ : audioStream_) >= 0; }
    // End of the latest written packet on the output timeline, microseconds.
    int64_t writtenUs() const { return writtenUs_; }
    // The size the file would have if it were finished now, with the frames inside the encoders.
    int64_t estimatedFinalBytes(bool least = false) const;
    // Picture packets the video encoder has given so far.
    int64_t videoPacketsOut() const { return videoPacketsOut_; }
    // Pictures given to the picture encoder that have not come out of it yet.
    int64_t videoFramesPending() const { return std::max<int64_t>(0, videoFramesIn_ - videoPacketsOut_); }
    // The final name; the file being written is writingPath() until finish() has returned.
    const std::string& path() const { return path_; }
    const std::string& writingPath() const { return temporary_; }

private:
    int openAudioEncoder(const AudioEncoding& encoding);
    int openEncoderStream(AVCodecContext* ctx, AVDictionary** options, int* streamIndex);
    int drain(Kind kind);
    int drainRetimed();
    int mux(Kind kind, AVPacket* packet, AVRational timeBase);
    int muxRescaled(Kind kind, AVPacket* packet, AVStream* st);
    int muxHeldPicture();
    void rebuildDts(int k, AVPacket* packet, const AVStream* st);
    bool copiesFields(const AVPacket* packet);
    static void keepFrameTiming(AVCodecParameters* par);
    int encodeAudioFromFifo(bool flush);
    int putSilence(int samples);
    int keepSoundPause(const AVFrame* frame);
    int beginSound(const AVFrame* first);
    struct OtherEncoder;
    template <class Body> int asMainSound(OtherEncoder& other, Body body);
    void releaseOtherEncoders();

    int createTemporary();
    int moveIntoPlace();

    std::string path_;
    std::string temporary_;
    OutputPtr format_;
    CodecPtr video_;
    CodecPtr audio_;
    AudioFifoPtr fifo_;
    int64_t audioNextPts_ = AV_NOPTS_VALUE;
    SoundPriming priming_;
    int videoStream_ = -1;
    int audioStream_ = -1;
    bool created_ = false;
    bool started_ = false;
    bool finished_ = false;
    int64_t writtenUs_ = 0;
    int64_t lastDts_[2] = {AV_NOPTS_VALUE, AV_NOPTS_VALUE};
    bool copied_[2] = {false, false};
    std::vector<int64_t> ptsBuffer_[2];
    bool ownDts_[2] = {false, false};    // copied packets keep the source's decoding times
    std::optional<FieldPackets> fields_; // of the copied picture stream
    int64_t packetBytes_ = 0;
    int64_t packets_ = 0;
    int64_t videoFramesIn_ = 0;
    int64_t videoPacketsOut_ = 0;
    int64_t videoBytes_ = 0;
    int64_t firstVideoBytes_ = 0; // the keyframe that opens the output
    int64_t leastVideoBytes_ = 0; // the smallest picture packet after it
    int64_t headerBytes_ = 0;
    PacketPtr packet_ = makePacket();
    PacketPtr heldPicture_; // a copied picture that waits for the next one (see mux)
    struct OtherStream {
        int source = -1;
        int output = -1;
        int64_t lastDts = AV_NOPTS_VALUE;
    };
    std::vector<OtherStream> others_;
    // The state of the main sound's encoder, for each other encoded sound stream.
    struct OtherEncoder {
        CodecPtr codec;
        AudioFifoPtr fifo;
        int64_t nextPts = AV_NOPTS_VALUE;
        SoundPriming priming;
        int stream = -1;
    };
    std::vector<OtherEncoder> otherEncoders_;
};

} // namespace mediacore
