// The stream-copy stage: packets of a source part copied onto the output timeline, for the
// convert job, the join job and the smart cut alike.
//
// Each part maps source time `fromUs` to output time `outputUs`. Packets decoded at or after
// the part's end finish their stream (a copy ends by decoding time: a picture decoded earlier
// may still show later); sound before `soundFromUs` is dropped (a copied picture may begin on
// the keyframe before the cut, sound need not). Decoding times keep rising across the seams of
// parts: the first real decoding time of each stream in a part may push that part later.
//
// Sound may be held back (hold) and released once the caller's picture has passed it: sound
// lies ahead of the picture in many files, and a part that ends early (at a size limit) must
// leave out what lies past its last picture. The main sound and the other sound streams copied
// beside it follow the same rules. An MPEG audio frame cut short (a recording stopped while
// it was written) is left out: a reader of a stream container finds frames by their headers and
// would complete it with the bytes of whatever follows it, at a seam the next clip's first frame.
//
// Ownership: refers to the writer and, for one part at a time, the source; owns neither.
// Threading: one thread.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <iterator>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "FieldPackets.h"
#include "OutputWriter.h"
#include "SoundBridge.h"
#include "SourceReader.h"

namespace mediacore {

class StreamCopy {
public:
    using Kind = SourceReader::Kind;

    // Where a part's packets come from, for a caller that reads the file itself.
    struct Source {
        const AVFormatContext* format = nullptr;
        const AVStream* video = nullptr;
        const AVStream* audio = nullptr;
        std::vector<int> otherSound; // stream indices copied beside the main sound
        int64_t originUs = 0;        // the file's start time: source times count from it
    };

    struct Part {
        int64_t fromUs = 0; // source time that lands on output time `outputUs`
        int64_t outputUs = 0;
        int64_t soundFromUs = 0;
        int64_t endUs = INT64_MAX;
        // When set, the shift in ticks of the picture stream (added to its times; the other
        // streams take it in their own ticks), so that a copied picture keeps its exact time
        // rather than one rounded through microseconds.
        int64_t pictureTicks = AV_NOPTS_VALUE;
        // A sound packet is kept only when at most half of it lies past the end: sound that
        // ends with a frame-exact picture rather than up to a packet after it.
        bool soundByMiddle = false;
        // Where the sound ends when later than `endUs`: the end of the last picture kept, which
        // shows until then although it starts before the range's end.
        int64_t soundEndUs = INT64_MIN;
        // Written before the data of the part's first picture packet (parameter sets that a
        // re-encoded start replaced).
        std::vector<uint8_t> firstPicturePrefix;
    };

    explicit StreamCopy(OutputWriter& writer) : writer_(writer) {}

    // A part read by `reader` (its other sound streams copied beside the main one); a stream
    // that reaches the end is finished in the reader. Sound still held from the part before is
    // dropped: a caller releases it first. Its sound ends at `soundEndUs` when that is later.
    void beginPart(SourceReader& reader, int64_t fromUs, int64_t outputUs, int64_t soundFromUs, int64_t endUs,
                   int64_t soundEndUs = INT64_MIN);
    void beginPart(const Source& source, Part part);
    // The part's first picture follows another clip's pictures (a join's seam): an HEVC clean
    // random access keyframe there is written as a broken link, so that decoders begin a new
    // sequence with it rather than count its pictures' order on from the clip before. After
    // beginPart.
    void breakLinkAtStart() { breakLink_ = true; }
    // Moves the part's end earlier (a size limit reached).
    void endBy(int64_t endUs) {
        part_.endUs = std::min(part_.endUs, endUs);
        part_.soundEndUs = std::min(part_.soundEndUs, endUs);
    }
    // Whether a main stream has reached the part's end.
    bool ended(Kind kind) const { return ended_[kind == SourceReader::Video ? 0 : 1]; }

    // Each of these takes the packet's reference (the packet is left blank). take, takeOther
    // and release return 0 or a negative AVERROR from the writer.
    // A packet of the main picture or sound, written or dropped.
    int take(AVPacket* packet, Kind kind);
    // A packet of another sound stream, written or dropped.
    int takeOther(AVPacket* packet);
    // A sound packet (main or other) held back until release() passes its time.
    void hold(AVPacket* packet);
    // Writes or drops the held sound that starts before `beforeUs` (source time).
    int release(int64_t beforeUs);

    // Keeps the last `packets` main sound packets written back, on the output timeline, for
    // takeSoundTail(): the sound before a seam that is to be bridged.
    void keepSoundTail(size_t packets) { tailSize_ = packets; }
    std::deque<SoundBridge::Timed> takeSoundTail() { return std::exchange(tail_, {}); }
    // Writes a main sound packet that is on the output timeline already (0 or a negative AVERROR).
    int writeSound(AVPacket* packet, AVRational timeBase);
    // The part's main sound goes on with its packet of source time `sourceUs`, placed at
    // `outputUs`; its packets before that are left out (a bridge stands for them), but for
    // `primers` (source packets whose bits it takes), written at its time with their sound
    // skipped. After beginPart.
    void resumeSoundAt(int64_t sourceUs, int64_t outputUs, std::vector<PacketPtr> primers = {}) {
        resumeSourceUs_ = sourceUs;
        resumeOutputUs_ = outputUs;
        primers_.assign(std::make_move_iterator(primers.begin()), std::make_move_iterator(primers.end()));
    }
    // How much sound before a cut's start a copy into `container` keeps to prime the decoder
    // of `sound` (0: none). An MP3 frame's bits lie partly in the frames before it (its bit
    // reservoir): without them its decoder gives silence. Matroska cannot store sound before
    // the first picture, but it can mark a packet's sound to be skipped: the packets before the
    // first one kept go in at its time, skipped whole, and its sound is heard from its start.
    static int64_t primingUs(const AVStream* sound, const AVOutputFormat* container);

private:
    enum Role { Picture, MainSound, OtherSound };
    const AVStream* streamOf(const AVPacket* packet, Role* role) const;
    int64_t toUs(int64_t ts, const AVStream* s) const;
    bool keeps(const AVPacket* packet, const AVStream* s, Role role, bool held = false);
    bool keepsSoundBefore(int64_t t, int64_t durationUs) const;
    int64_t soundUs(const AVPacket* packet, const AVStream* s) const;
    void checkSeam(const AVPacket* packet, const AVStream* s, Role role);
    int put(AVPacket* packet, const AVStream* s, Role role, bool held = false);
    bool keepsAsPrimer(AVPacket* packet, const AVStream* s, Role role);
    int writePrimers(const AVPacket* first, const AVStream* s);
    int writePicture(AVPacket* packet, const AVStream* s);

    OutputWriter& writer_;
    SourceReader* reader_ = nullptr;
    Source source_;
    Part part_;
    int64_t shiftUs_ = 0; // added to source times
    bool exact_ = false;  // part_.pictureTicks holds the shift
    bool seamChecked_[2] = {false, false};
    bool ended_[2] = {false, false};
    bool prefixed_ = false;
    bool breakLink_ = false;
    // The second field of a picture goes with its first, also past the part's end.
    std::optional<FieldPackets> fields_;
    // The part opens the output's sound: it keeps the packet that holds the range's start, and
    // in a container that trims its sound's start by an edit list, the one before it too, so
    // that a decoder is primed for the first sample shown.
    bool leadIn_ = false;
    bool trimsStart_ = false;
    // Main sound before the range's start kept to prime the decoder, written skipped at the time
    // of the first packet kept (see primingUs()).
    int64_t primingUs_ = 0;
    std::deque<PacketPtr> primers_;
    // Where the main sound written so far ends on the output timeline (microseconds), and how
    // much later than its own time this part's sound is written so that it follows on from it.
    int64_t soundEndUs_ = INT64_MIN;
    int64_t soundPushUs_ = 0;
    int64_t lastDts_[2] = {INT64_MIN, INT64_MIN}; // output decoding times so far
    std::map<int, std::deque<PacketPtr>> held_;   // by stream index
    size_t tailSize_ = 0;
    std::deque<SoundBridge::Timed> tail_;
    int64_t resumeSourceUs_ = INT64_MIN;
    int64_t resumeOutputUs_ = INT64_MIN;
};

} // namespace mediacore
