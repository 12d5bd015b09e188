// The pictures of an MPEG transport or program stream, each numbered, timed and placed once.
//
// Such streams time their pictures in PES headers that may be missing (cameras and discs time
// some pictures only), start again (recordings copied one after another), jump ahead and back
// (damaged stretches) or pause. Reading them and settling times on the way, each reader would
// need its own rule and each would settle them differently. The index reads the file once, by
// its packets and the pictures' headers (no decoding), and gives every picture one time on one
// line, read as the ffmpeg command line reads these streams:
// - a picture keeps the time it stores; one without a time comes a picture after the one shown
//   before it; a picture that repeats a field (soft telecine) is shown half a picture longer;
// - where stored times go back, or jump more than 10 s ahead, the line goes on from the picture
//   before, and the sound with it by the same offset; shorter gaps stay;
// - the line starts at the first picture shown.
// Every reader of such an input reads its packets through readPacket(), which gives each picture
// packet its time on the line (and a decoding time that rises), and seeks through seek(), which
// lands by position on the keyframe that pictures from a time on need.
//
// A long recording takes its index a second or more to read (a disk's time for the whole file),
// so an index is kept: in memory for the process, and for a large file in the user's cache folder
// for later runs, keyed by the file's path, size and modification time (a damaged or stale kept
// index is read as absent). An opening that only shows a large transport stream (a probe, a
// snapshot, the player) whose index is neither held nor kept reads it by its stored times, as ffprobe would,
// and leaves the index to a reading behind it; once the index is held, every opening of the
// file shows the index's line. A job waits for the index, and places a range set on the stored
// times of such an opening on the index's line by the pictures shown there (mapShown()).
//
// Ownership: an index is shared and never changes once built; an input holds the index it was
// given through its `opaque`. Threading: an index may be read from any thread; an input from one
// at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FfPointers.h"

namespace ff {

// The one class libFfIndex.so exports.
class __attribute__((visibility("default"))) SourceIndex {
public:
    // Bytes read so far, of the file's bytes.
    using Progress = std::function<void(int64_t read, int64_t total)>;

    struct Picture {                     // in decoding order
        int64_t pos = -1;                // byte position of its packet, or of the last one before with one
        int64_t stored = AV_NOPTS_VALUE; // the time its packet carries, in the stream's ticks
        int64_t pts = 0;                 // its time on the line
        int64_t dts = 0;                 // a decoding time on the line, rising
        int32_t duration = 0;            // how long it is shown, in ticks
        int32_t size = 0;                // bytes of its packet
        int32_t shown = 0;               // its place in the order shown
        uint16_t dup = 0;                // packets since the one at that position
        uint8_t flags = 0;
    };
    enum Flag : uint8_t {
        Key = 1,         // a copy or a decoding may start here
        SecondField = 2, // the second field of the picture before (no picture of its own)
        Repeat = 4,      // shows one of its fields twice
        HasLeading = 8,  // pictures decoded after it that need the group before are shown before it
        StoredTime = 16, // its time is the one it stores (else placed)
        OwnLeading = 32, // shown before the keyframe before it, but decoded from it alone (HEVC's RADL)
        Fields = 64,     // coded as two fields (also a frame whose macroblock pairs may be)
        // Stored before the file's first keyframe in decoding order, or shown before it and
        // needing the group before (a recording begun mid-stream): no decoder can show it, so
        // it is on no line and readPacket() leaves it out.
        Undecodable = 128,
    };

    // The index of stream `videoStream` of the file `format` reads, made once per unchanged file
    // (path, size, modification time) in a process; null for inputs that need none (other
    // containers: their own index times every picture) or when reading failed. A set `stop`
    // ends the reading early (null then too); `progress` hears the bytes read of the file's.
    static std::shared_ptr<const SourceIndex> of(const AVFormatContext* format, int videoStream,
                                                 const std::atomic<bool>* stop = nullptr,
                                                 const Progress& progress = {});
    // When an opening needs the index: at once (a job), or only where it is quick to have (an
    // opening that shows the file: a small file's, or one held or kept; else the file is shown
    // by its stored times and the index is read behind it).
    enum class Need { Now, WhereStoredTimesFail };
    // Gives `format` (opened on the same file) the index: readPacket() and seek() use it from
    // then on. Makes it first where the input needs one (with WhereStoredTimesFail, see Need).
    // An input left on its stored times remembers it: given the index later (with Now), its
    // times map onto the index's line by their pictures. False when it has none.
    static bool attach(AVFormatContext* format, int videoStream, const std::atomic<bool>* stop = nullptr,
                       const Progress& progress = {}, Need need = Need::Now);
    // With `stop`, every reading of an index ends now and none starts (the program is ending);
    // without, they may again.
    static void stopReading(bool stop);
    static bool readingStopped();
    // Whether a pass over a plain transport stream reads its packets itself (the default) or,
    // as for every other file, through the demuxer and its parser: both give the same index.
    static void readPlain(bool plain);
    // Whether an opening of `format` with `need` reads the stream by its index (an MPEG stream,
    // not one read by its stored times).
    static bool needed(const AVFormatContext* format, int videoStream, Need need);
    // The name the process holds the index of the file `format` reads by (empty where the input
    // needs no index), and whether it holds that index now, reading nothing and asking no cache
    // folder: cheap enough to ask again and again while a file is shown by its stored times and
    // its index is read behind, from a thread that must not touch an input another one reads.
    static std::string heldKey(const AVFormatContext* format, int videoStream);
    static bool isHeld(const std::string& key);
    // Lets go of the indexes this process holds; a later opening takes a file's from the cache
    // folder, or reads it again.
    static void dropHeld();
    // The index an input was given, or null.
    static const SourceIndex* get(const AVFormatContext* format);

    // A time (microseconds from the first picture) on the stored times `format` was shown by
    // before it was given its index, placed on the index's line: the picture shown at `us` by
    // the stored times keeps its place (the first one shown after `us` where none is). False
    // where the stored times show two pictures at `us` (they went back or started again); the
    // nearest answer (the earlier of the file's pictures) is still set. Other inputs' times are
    // the line's.
    static bool mapShown(const AVFormatContext* format, int64_t us, int64_t* lineUs);
    // mapShown()'s answer, also where it is not one picture.
    static int64_t lineUsOfShown(const AVFormatContext* format, int64_t us);

    // av_read_frame, the packet timed by the index when the input has one.
    static int readPacket(AVFormatContext* format, AVPacket* packet);
    // Positions `format` so that decoding from there shows every picture from `us` (microseconds
    // on the line) on, or with `atOrAfter` on the first keyframe shown at or after `us` whose
    // group needs nothing before it; INT64_MIN is the file's start. A negative AVERROR where the
    // input has no index.
    static int seek(AVFormatContext* format, int64_t us, bool atOrAfter);

    int stream() const { return stream_; }
    AVRational timeBase() const { return timeBase_; }
    const std::vector<Picture>& pictures() const { return pictures_; }
    // Where the line starts (the first picture shown) and ends (the last one's end), in ticks.
    int64_t startTicks() const { return start_; }
    int64_t endTicks() const { return end_; }
    int64_t startUs() const { return av_rescale_q(start_, timeBase_, kMicro); }
    int64_t endUs() const { return av_rescale_q(end_, timeBase_, kMicro); }
    // Whether a picture shown from `fromTicks` up to `toTicks` is coded as fields.
    bool fieldsBetween(int64_t fromTicks, int64_t toTicks) const;
    // The time of the first picture shown after `ticks`, in ticks; AV_NOPTS_VALUE past the last.
    int64_t nextShownTicks(int64_t ticks) const;
    // The time of the last picture shown at or before `ticks`; AV_NOPTS_VALUE before the first.
    int64_t lastShownTicks(int64_t ticks) const;
    // The length of one picture (two fields), in ticks.
    int64_t pictureTicks() const { return step_; }
    // How often pictures start where some show a field again (film flagged 3:2: 24000/1001 in a
    // 30000/1001 sequence); {0, 1} where none does.
    AVRational flaggedRate() const;
    // The bytes the index holds: itself and its tables as allocated.
    size_t heldBytes() const {
        return sizeof(*this) + pictures_.capacity() * sizeof(Picture) +
               byShown_.capacity() * sizeof(int32_t) + segments_.capacity() * sizeof(Segment);
    }

    // The picture of a packet of `size` bytes read at `pos`, about the `dup`th of that position
    // (a reading that starts there may first give the end of a picture that began before it);
    // null when the index does not hold it.
    const Picture* find(int64_t pos, int dup, int size) const;

private:
    struct Segment {
        int64_t pos = 0;                                         // where its first picture's packet is
        int64_t first = INT64_MAX, last = INT64_MIN, offset = 0; // stored times in it, and its offset
    };
    struct Source { // what an index is made from: the file and what its input's reading found
        std::string path, key;
        const AVInputFormat* format = nullptr;
        int streamId = 0;
        AVCodecID codec = AV_CODEC_ID_NONE;
        int streamIndex = -1;
        int64_t size = 0;
        AVRational timeBase{1, 90000}, rate{25, 1};
        int64_t untimedStart = 0;
        int reorderDepth = 0; // how many pictures the stream's decoder holds back, as it declares
    };
    static std::shared_ptr<const SourceIndex> make(const Source& source, const std::atomic<bool>* stop,
                                                   const Progress& progress);
    static bool describe(const AVFormatContext* format, int videoStream, Source* source);
    static std::shared_ptr<const SourceIndex> ofWhereNeeded(const AVFormatContext* format, int videoStream,
                                                            const std::atomic<bool>* stop,
                                                            const Progress& progress, bool* byStoredTimes);
    static bool shownByStoredTimes(const Source& source);
    static std::shared_ptr<const SourceIndex> kept(const Source& source);
    static std::shared_ptr<const SourceIndex> fresh(const Source& source, const std::atomic<bool>* stop,
                                                    const Progress& progress);
    bool build(const Source& source, const std::atomic<bool>* stop, const Progress& progress);
    // The pictures read so far and what their headers told.
    struct Pass;
    void add(Pass& pass, const uint8_t* data, int size, int64_t pos, int64_t pts, bool key);
    bool finish(Pass& pass);
    // Reads the pictures from where `input` stands to its end, or past byte `untilPos`.
    bool read(AVFormatContext* input, int streamId, const std::atomic<bool>* stop, const Progress& progress,
              int64_t untilPos);
    // The index as bytes for the cache folder, and back (false for bytes that are not an
    // index of `key`: every field is checked).
    std::string save(const std::string& key) const;
    bool restore(const std::string& key, const std::string& bytes);
    bool consistent() const;
    void storedTimeKeys(std::vector<int64_t>* keys);
    void order(const std::vector<int64_t>& keys);
    void markUndecodable(bool dropLeading);
    int64_t pictureStep(const std::vector<uint8_t>& repeats) const;
    std::vector<bool> impossibleTimes() const;
    void placeOnLine(const std::vector<uint8_t>& repeats);
    void decodingTimes();
    // The time on the line of the picture shown at `stored` by the stored times; false where
    // they show two there.
    bool lineTicksOfStored(int64_t stored, int64_t* ticks) const;
    // The decoding place of the keyframe a seek to `ticks` lands on.
    size_t seekPicture(int64_t ticks, bool atOrAfter) const;
    // The run of one offset that a packet stored at byte `pos` with time `stored` (ticks of the
    // picture stream) belongs to; the next one after run `k` whose times hold `stored`.
    size_t segmentAt(int64_t pos, int64_t stored) const;
    size_t segmentAfter(size_t k, int64_t stored) const;
    bool holds(size_t k, int64_t stored) const;

    std::vector<Picture> pictures_;
    std::vector<int32_t> byShown_; // decoding places in the order shown
    std::vector<Segment> segments_;
    AVRational timeBase_{1, 90000};
    AVRational frameRate_{25, 1}; // the pictures' rate as the input's own reading found it
    AVRational headerRate_{0, 1}; // a coded frame's, where the stream's headers give it
    int64_t untimedStart_ = 0;    // where pictures begin when none carries a time, in ticks
    int reorderDepth_ = 0;        // how many pictures the decoder holds back, as the stream declares
    int64_t repeats_ = 0;         // pictures that show a field again
    int stream_ = -1;
    int64_t start_ = 0, end_ = 0, step_ = 1;
};

} // namespace ff
