#include "SourceIndex.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <numeric>
#include <sys/stat.h>
#include <utility>

#include "BitReader.h"
#include "HevcOrder.h"
#include "Mpeg4Order.h"
#include "PlainTs.h"
#include "StartCodes.h"

namespace ff {

namespace {

using mediacore::avc::BitReader;

// Stored times that go back, or jump further ahead than this, start the line again from the
// picture before: a second recording, or a damaged stretch. Shorter gaps are real pauses.
constexpr int64_t kJumpUs = 10'000'000;
constexpr int64_t kProgressStep = 1 << 20;

// What the index keeps of an input it was given (through the input's `opaque`).
struct IndexedInput final : InputOwned {
    std::shared_ptr<const SourceIndex> index;
    int stream = -1; // the indexed stream's number in this input
    int64_t lastPos = -1;
    int dup = 0;
    // After a seek: the keyframe it landed for (its decoding place and packet's position); the
    // picture packets read before it are left out. -1 once it is reached.
    int64_t key = -1, keyPos = -1;
    // Per stream that is not indexed: the run its last packet belonged to (-1 after a seek) and
    // that packet's time. Sound follows its own times from run to run, as the pictures do.
    struct Run {
        int64_t k = -1, last = AV_NOPTS_VALUE;
    };
    std::vector<Run> runs;
    // Whether the input was read by its stored times before it was given the index, and where
    // they start its time (microseconds).
    bool byStoredTimes = false;
    int64_t storedOriginUs = 0;
};

// The input's own state, also before it has an index.
IndexedInput* owned(const AVFormatContext* format) {
    return format ? dynamic_cast<IndexedInput*>(static_cast<InputOwned*>(format->opaque)) : nullptr;
}

IndexedInput* indexed(const AVFormatContext* format) {
    IndexedInput* in = owned(format);
    return in && in->index ? in : nullptr;
}

int bitAt(const uint8_t* p, int size, int n) {
    return n / 8 < size ? (p[n / 8] >> (7 - n % 8)) & 1 : 0;
}

// The order an MPEG-1 or MPEG-2 picture is shown in: its group and its temporal reference.
struct MpegOrder {
    int64_t group = 0;
    AVRational rate{0, 1}; // of a coded frame (two fields), from the sequence header
    bool progressive = true, closed = false;
    int lastRef = -1, lastStructure = 3;
    bool pairOpen = false;
    std::vector<bool> anchors; // per picture read: an I or P picture (shown after the B ones after it)

    // Order key, and whether it repeats a field or is a picture's second field; false when the
    // packet holds no picture header.
    bool read(const uint8_t* data, int size, int64_t* key, bool* repeat, bool* second, bool* fields) {
        int ref = -1, structure = 3;
        bool rff = false, progressiveFrame = true, anchor = true;
        forEachStartCode(data, size, [&](const uint8_t* p, int n) {
            if (n < 1)
                return false;
            if (p[0] == 0xb3 && n >= 5) {
                static constexpr AVRational kRates[16] = {
                    {0, 1},  {24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}, {50, 1}, {60000, 1001},
                    {60, 1}, {0, 1},        {0, 1},  {0, 1},  {0, 1},        {0, 1},  {0, 1},  {0, 1}};
                rate = kRates[p[4] & 0x0f];
            } else if (p[0] == 0xb8) {
                ++group;
                closed = bitAt(p + 1, n - 1, 25) != 0; // its B-pictures refer to none before it
            } else if (p[0] == 0x00 && n >= 3) {
                ref = p[1] << 2 | p[2] >> 6;
                anchor = (p[2] >> 3 & 7) != 3;
            } else if (p[0] == 0xb5 && n >= 2) {
                const int id = p[1] >> 4;
                if (id == 1)
                    progressive = bitAt(p + 1, n - 1, 12) != 0;
                if (id == 8 && n >= 6) {
                    structure = bitAt(p + 1, n - 1, 22) << 1 | bitAt(p + 1, n - 1, 23);
                    rff = bitAt(p + 1, n - 1, 30) != 0;
                    progressiveFrame = bitAt(p + 1, n - 1, 32) != 0;
                }
            } else if (p[0] >= 0x01 && p[0] <= 0xaf) {
                return false; // the slices: nothing more of the header
            }
            return true;
        });
        if (ref < 0)
            return false;
        // A field picture whose other field came just before it with the same reference.
        *second = structure != 3 && pairOpen && lastRef == ref && lastStructure != structure;
        pairOpen = structure != 3 && !*second;
        lastRef = ref;
        lastStructure = structure;
        *key = group << 32 | ref;
        *repeat = rff && !progressive;
        *fields = structure != 3 || !progressiveFrame;
        anchors.push_back(anchor);
        return true;
    }

    // A group whose temporal references cannot be right (one past the group's size, one given
    // twice, or an order its pictures' stored times contradict) is ordered as decoders show
    // pictures: each B picture at once, each I or P one when the next of them comes.
    void settle(const std::vector<SourceIndex::Picture>& pictures, std::vector<int64_t>* keys) const {
        const size_t n = std::min(keys->size(), anchors.size());
        std::vector<int64_t> shown(n, 0);
        int64_t next = 0;
        size_t pending = n;
        for (size_t i = 0; i < n; ++i) {
            if (pictures[i].flags & SourceIndex::SecondField)
                continue;
            if (!anchors[i]) {
                shown[i] = next++;
                continue;
            }
            if (pending < n)
                shown[pending] = next++;
            pending = i;
        }
        if (pending < n)
            shown[pending] = next;
        for (size_t begin = 0, end = 0; begin < n; begin = end) {
            const int64_t group = (*keys)[begin] >> 32;
            while (end < n && (*keys)[end] >> 32 == group)
                ++end;
            if (believable(pictures, *keys, begin, end))
                continue;
            for (size_t i = begin; i < end; ++i)
                (*keys)[i] = group << 32 | (shown[i] - shown[begin] + int64_t(n));
        }
    }
    static bool believable(const std::vector<SourceIndex::Picture>& pictures,
                           const std::vector<int64_t>& keys, size_t begin, size_t end) {
        std::vector<size_t> byRef;
        for (size_t i = begin; i < end; ++i)
            if (!(pictures[i].flags & SourceIndex::SecondField))
                byRef.push_back(i);
        std::vector<bool> seen(byRef.size(), false);
        for (const size_t i : byRef) {
            const auto ref = size_t(keys[i] & 0xffffffff);
            if (ref >= seen.size() || seen[ref])
                return false;
            seen[ref] = true;
        }
        std::sort(byRef.begin(), byRef.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
        int64_t last = AV_NOPTS_VALUE;
        for (const size_t i : byRef) {
            const int64_t t = pictures[i].stored;
            if (t != AV_NOPTS_VALUE && last != AV_NOPTS_VALUE && t <= last)
                return false;
            last = t == AV_NOPTS_VALUE ? last : t;
        }
        return true;
    }
};

// The order an H.264 picture is shown in, from its slice header: its picture order count, within
// the run of pictures since the last IDR picture.
struct AvcOrder {
    struct Sps {
        int log2MaxFrameNum = 4, pocType = 0, log2MaxPocLsb = 4;
        bool frameMbsOnly = true, adaptiveFields = false, separatePlanes = false;
    };
    struct Pps {
        int sps = 0;
        bool bottomPresent = false;
    };
    std::map<int, Sps> sps;
    std::map<int, Pps> pps;
    int64_t period = 0, decoded = 0;
    int prevMsb = 0, prevLsb = 0;
    int pendingFrameNum = -1, pendingParity = 0;

    static void skipScalingList(BitReader& r, int n) {
        int last = 8, next = 8;
        for (int j = 0; j < n && !r.failed(); ++j) {
            if (next != 0)
                next = (last + r.se(-128, 127) + 256) % 256;
            last = next == 0 ? last : next;
        }
    }
    static bool highProfile(int profile) {
        for (const int p : {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135})
            if (profile == p)
                return true;
        return false;
    }
    // Each field is read within the range the standard gives it: a damaged one ends the reading
    // of this parameter set (an earlier one of its id stays), not of the stream.
    void readSps(const uint8_t* p, int n) {
        BitReader r(p, n, 256);
        const int profile = r.u(8);
        r.skip(16);
        const int id = r.ue(31);
        Sps s;
        if (highProfile(profile)) {
            const int chroma = r.ue(3);
            if (chroma == 3)
                s.separatePlanes = r.bit() != 0;
            r.ue(6); // bit depths, 8 to 14
            r.ue(6);
            r.bit();
            if (r.bit())
                for (int i = 0; i < (chroma != 3 ? 8 : 12); ++i)
                    if (r.bit())
                        skipScalingList(r, i < 6 ? 16 : 64);
        }
        s.log2MaxFrameNum = r.ue(12) + 4;
        s.pocType = r.ue(2);
        if (s.pocType == 0) {
            s.log2MaxPocLsb = r.ue(12) + 4;
        } else if (s.pocType == 1) {
            r.bit();
            r.se();
            r.se();
            for (int i = r.ue(255); i > 0 && !r.failed(); --i)
                r.se();
        }
        r.ue(16); // reference frames
        r.bit();
        r.ue();
        r.ue();
        s.frameMbsOnly = r.bit() != 0;
        if (!s.frameMbsOnly)
            s.adaptiveFields = r.bit() != 0;
        if (!r.failed())
            sps[id] = s;
    }
    void readPps(const uint8_t* p, int n) {
        BitReader r(p, n, 64);
        const int id = r.ue(255);
        Pps s;
        s.sps = r.ue(31);
        r.bit();
        s.bottomPresent = r.bit() != 0;
        if (!r.failed())
            pps[id] = s;
    }

    bool read(const uint8_t* data, int size, int64_t* key, bool* second, bool* fields) {
        bool found = false;
        forEachStartCode(data, size, [&](const uint8_t* p, int n) {
            if (n < 2)
                return false;
            const int type = p[0] & 0x1f, refIdc = p[0] >> 5 & 3;
            if (type == 7)
                readSps(p + 1, n - 1);
            else if (type == 8)
                readPps(p + 1, n - 1);
            if (type != 1 && type != 5)
                return true;
            found = slice(p + 1, n - 1, type == 5, refIdc, key, second, fields);
            return false;
        });
        return found;
    }

    bool slice(const uint8_t* p, int n, bool idr, int refIdc, int64_t* key, bool* second, bool* fields) {
        BitReader r(p, n, 64);
        r.ue();
        r.ue(9); // slice type
        const auto pi = pps.find(r.ue(255));
        if (pi == pps.end())
            return false;
        const auto si = sps.find(pi->second.sps);
        if (si == sps.end())
            return false;
        const Sps& s = si->second;
        if (s.separatePlanes)
            r.skip(2);
        const int frameNum = r.u(s.log2MaxFrameNum);
        int parity = 0;
        if (!s.frameMbsOnly && r.bit())
            parity = 1 + r.bit();
        if (idr)
            r.ue(65535);
        int lsb = 0;
        if (s.pocType == 0)
            lsb = r.u(s.log2MaxPocLsb);
        if (r.failed() || s.pocType == 1)
            return false;
        // Coded as two fields, or as a frame whose macroblock pairs may each be two fields.
        *fields = parity != 0 || s.adaptiveFields;
        *second = parity != 0 && pendingFrameNum == frameNum && pendingParity != parity;
        pendingFrameNum = parity != 0 && !*second ? frameNum : -1;
        pendingParity = parity;
        if (*second)
            return true;
        if (idr) {
            ++period;
            decoded = 0;
            prevMsb = prevLsb = 0;
        }
        int64_t poc = decoded++;
        if (s.pocType == 0) {
            const int max = 1 << s.log2MaxPocLsb;
            int msb = prevMsb;
            if (lsb < prevLsb && prevLsb - lsb >= max / 2)
                msb += max;
            else if (lsb > prevLsb && lsb - prevLsb > max / 2)
                msb -= max;
            poc = int64_t(msb) + lsb;
            if (refIdc != 0)
                prevMsb = msb, prevLsb = lsb;
        }
        *key = period * (int64_t(1) << 34) + poc + (int64_t(1) << 33);
        return true;
    }
};

// The order pictures are shown in, from the headers of the codecs whose headers tell it.
struct HeaderOrder {
    MpegOrder mpeg;
    AvcOrder avc;
    HevcOrder hevc;
    Mpeg4Order mpeg4;
    AVCodecID codec = AV_CODEC_ID_NONE;

    bool mpegVideo() const { return codec == AV_CODEC_ID_MPEG1VIDEO || codec == AV_CODEC_ID_MPEG2VIDEO; }
    bool reads() const {
        return mpegVideo() || codec == AV_CODEC_ID_H264 || codec == AV_CODEC_ID_HEVC ||
               codec == AV_CODEC_ID_MPEG4;
    }
    // The order key of a packet's picture, whether it repeats a field, and its kind added to
    // `flags`; false where its headers cannot tell.
    bool read(const uint8_t* data, int size, int64_t* key, bool* repeat, uint8_t* flags) {
        bool second = false, ownLeading = false, found = false, fields = false;
        if (mpegVideo())
            found = mpeg.read(data, size, key, repeat, &second, &fields);
        else if (codec == AV_CODEC_ID_H264)
            found = avc.read(data, size, key, &second, &fields);
        else if (codec == AV_CODEC_ID_HEVC)
            found = hevc.read(data, size, key, &ownLeading);
        else if (codec == AV_CODEC_ID_MPEG4)
            found = mpeg4.read(data, size, key);
        *flags = uint8_t(*flags | (second ? SourceIndex::SecondField : 0) |
                         (ownLeading ? SourceIndex::OwnLeading : 0) | (fields ? SourceIndex::Fields : 0));
        return found;
    }
};

// The rate of pictures whose order keys are their times in microseconds (MPEG-4 Part 2): the
// commonest gap between two shown one after the other, where it is under a second.
AVRational keyedRate(std::vector<int64_t> keys) {
    std::sort(keys.begin(), keys.end());
    std::map<int64_t, int> gaps;
    for (size_t i = 1; i < keys.size(); ++i)
        if (const int64_t gap = keys[i] - keys[i - 1]; gap > 0 && gap < 1'000'000)
            ++gaps[gap];
    const auto most = std::max_element(gaps.begin(), gaps.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    AVRational rate{0, 1};
    if (most != gaps.end())
        av_reduce(&rate.num, &rate.den, 1'000'000, most->first, INT32_MAX);
    return rate;
}

// Film flagged 3:2 lasts as its pictures' flags say: a stored time `off` ticks from where they
// place it, a tick or a field, is rounded or a muxer's guess (a copy that made up the times a
// program stream left out).
bool filmTimeOff(int64_t off, int64_t step) {
    return std::abs(off) <= 1 || (off * 3 < step * 2 && std::abs(off) * 3 >= step);
}

// Stored times rounded to their ticks (a field of film flagged 3:2 is 1501.5 of them) leave a
// tick between two pictures or take one: each picture lasts until the next where that is within
// two ticks of its length, so that a copy's length is that of its pictures.
void closeRoundedGaps(std::vector<SourceIndex::Picture>& pictures, const std::vector<int32_t>& byShown) {
    for (size_t r = 1; r < byShown.size(); ++r) {
        SourceIndex::Picture& p = pictures[size_t(byShown[r - 1])];
        const int64_t gap = pictures[size_t(byShown[r])].pts - p.pts;
        if (gap > 0 && std::abs(gap - p.duration) <= 2)
            p.duration = int32_t(gap);
    }
}

std::atomic<bool> gPlain{true};

} // namespace

std::shared_ptr<const SourceIndex> SourceIndex::of(const AVFormatContext* format, int videoStream,
                                                   const std::atomic<bool>* stop, const Progress& progress) {
    Source source;
    return describe(format, videoStream, &source) ? make(source, stop, progress) : nullptr;
}

void SourceIndex::readPlain(bool plain) {
    gPlain = plain;
}

struct SourceIndex::Pass {
    HeaderOrder headers;
    bool parsed = false, firstKeySeen = false, firstGroupClosed = false;
    std::vector<int64_t> keys;
    std::vector<uint8_t> repeats;
    int64_t lastPos = -1;
    uint16_t dup = 0;
};

bool SourceIndex::build(const Source& source, const std::atomic<bool>* stop, const Progress& progress) {
    // A plain transport stream is read without the demuxer's copies and parser; anything else,
    // or where the plain reading gives up, through them.
    if (gPlain && plain::knows(source.codec) && av_match_name(source.format->name, "mpegts")) {
        Pass reading;
        reading.headers.codec = source.codec;
        reading.parsed = reading.headers.reads();
        const auto stopped = [&] { return (stop && stop->load()) || readingStopped(); };
        const plain::End end = plain::read(
            source.path, source.streamId, source.codec, stopped, progress, [&](const plain::Picture& p) {
                add(reading, p.data, p.size, p.pos, p.pts == INT64_MIN ? AV_NOPTS_VALUE : p.pts, p.key);
            });
        if (end == plain::End::Stopped)
            return false;
        if (end == plain::End::Done) {
            stream_ = source.streamIndex;
            return finish(reading);
        }
        pictures_.clear();
    }
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, source.path.c_str(), source.format, nullptr) < 0)
        return false;
    const InputPtr input(raw);
    // Only the times the packets store: the demuxer's guesses for the others (counted on from
    // the decoding times before them) would pass for the pictures' own.
    input->flags |= AVFMT_FLAG_NOFILLIN;
    return read(input.get(), source.streamId, stop, progress, INT64_MAX);
}

void SourceIndex::add(Pass& r, const uint8_t* data, int size, int64_t pos, int64_t pts, bool key) {
    // A packet is known by the position of the last one read that had one (the parser gives
    // none to a picture that starts inside a packet it split) and how many came since.
    Picture p;
    if (pos >= 0 && pos != r.lastPos)
        r.lastPos = pos, r.dup = 0;
    else
        r.dup = uint16_t(r.dup + 1);
    p.pos = r.lastPos;
    p.dup = r.dup;
    p.stored = pts;
    p.size = size;
    p.flags = uint8_t(key ? Key : 0);
    int64_t order = 0;
    bool repeat = false;
    if (r.parsed)
        r.parsed = r.headers.read(data, size, &order, &repeat, &p.flags);
    if ((p.flags & Key) && !std::exchange(r.firstKeySeen, true))
        r.firstGroupClosed = r.headers.mpegVideo() && r.headers.mpeg.closed;
    r.keys.push_back(order);
    r.repeats.push_back(repeat ? 1 : 0);
    pictures_.push_back(p);
}

bool SourceIndex::read(AVFormatContext* input, int streamId, const std::atomic<bool>* stop,
                       const Progress& progress, int64_t untilPos) {
    // No reading of stream information (its packets would come back with the demuxer's guesses):
    // the picture stream is taken as its packets bring it.
    Pass reading;
    const PacketPtr packet = makePacket();
    // Only the picture stream's packets are read: the demuxer skips the others' payloads.
    for (unsigned i = 0; i < input->nb_streams; ++i)
        if (input->streams[i]->id != streamId ||
            input->streams[i]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
            input->streams[i]->discard = AVDISCARD_ALL;
    // A long recording takes seconds to read: whoever waits hears how far it is every MiB.
    const int64_t total = progress ? avio_size(input->pb) : -1;
    int64_t told = 0;
    while (av_read_frame(input, packet.get()) >= 0) {
        // A whole file's reading ends with the program; a stretch's is short.
        if ((stop && stop->load()) || (untilPos == INT64_MAX && readingStopped()))
            return false;
        if (const int64_t at = avio_tell(input->pb); total > 0 && at - told >= kProgressStep)
            progress(told = at, total);
        const AVStream* s = input->streams[packet->stream_index];
        if (stream_ < 0 && s->id == streamId && s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            stream_ = packet->stream_index;
            timeBase_ = s->time_base;
            reading.headers.codec = s->codecpar->codec_id;
            reading.parsed = reading.headers.reads();
        }
        if (packet->stream_index == stream_)
            add(reading, packet->data, packet->size, packet->pos, packet->pts,
                (packet->flags & AV_PKT_FLAG_KEY) != 0);
        av_packet_unref(packet.get());
        if (reading.lastPos > untilPos)
            break;
    }
    return finish(reading);
}

bool SourceIndex::finish(Pass& reading) {
    HeaderOrder& headers = reading.headers;
    std::vector<int64_t>& keys = reading.keys;
    const bool parsed = reading.parsed;
    if (pictures_.empty())
        return false;
    if (!parsed)
        storedTimeKeys(&keys);
    else if (headers.mpegVideo())
        headers.mpeg.settle(pictures_, &keys);
    // An MPEG video picture lasts the two fields its sequence header's rate gives (a repeated
    // field adds half of that): the stored times of a stream timed once a pack cannot tell.
    if (headers.mpegVideo() && headers.mpeg.rate.num > 0)
        headerRate_ = headers.mpeg.rate;
    else if (parsed && headers.codec == AV_CODEC_ID_MPEG4)
        headerRate_ = keyedRate(keys);
    order(keys);
    // H.264 decoders show the pictures that lead the first keyframe (from what they hold), and
    // those of a closed MPEG group refer to its keyframe alone.
    markUndecodable(headers.codec != AV_CODEC_ID_H264 && !reading.firstGroupClosed);
    placeOnLine(reading.repeats);
    closeRoundedGaps(pictures_, byShown_);
    decodingTimes();
    // Kept for as long as the file is open, by every reader of it: not the room the tables grew
    // into while the file was read (up to twice what they hold).
    pictures_.shrink_to_fit();
    byShown_.shrink_to_fit();
    segments_.shrink_to_fit();
    return true;
}

// No header to order the pictures by: the stored times do, within runs of times that neither go
// back nor jump far ahead; a picture without one follows the one decoded before it.
void SourceIndex::storedTimeKeys(std::vector<int64_t>* keys) {
    const int64_t jump = av_rescale_q(kJumpUs, kMicro, timeBase_);
    int64_t run = 0, base = 0, prev = AV_NOPTS_VALUE, last = 0;
    for (size_t i = 0; i < pictures_.size(); ++i) {
        pictures_[i].flags = uint8_t(pictures_[i].flags & ~SecondField);
        const int64_t t = pictures_[i].stored;
        if (t != AV_NOPTS_VALUE && prev != AV_NOPTS_VALUE && (t > prev + jump || t < prev - jump / 10))
            ++run, base = t;
        if (t != AV_NOPTS_VALUE && prev == AV_NOPTS_VALUE)
            base = t;
        if (t != AV_NOPTS_VALUE)
            prev = t;
        last = t != AV_NOPTS_VALUE ? run * (int64_t(1) << 42) + (t - base) + (int64_t(1) << 41) : last + 1;
        (*keys)[i] = last;
    }
}

void SourceIndex::order(const std::vector<int64_t>& keys) {
    byShown_.clear();
    for (size_t i = 0; i < pictures_.size(); ++i)
        if (!(pictures_[i].flags & SecondField))
            byShown_.push_back(int32_t(i));
    std::stable_sort(byShown_.begin(), byShown_.end(),
                     [&](int32_t a, int32_t b) { return keys[size_t(a)] < keys[size_t(b)]; });
    for (size_t r = 0; r < byShown_.size(); ++r)
        pictures_[size_t(byShown_[r])].shown = int32_t(r);
    for (size_t i = 1; i < pictures_.size(); ++i)
        if (pictures_[i].flags & SecondField)
            pictures_[i].shown = pictures_[i - 1].shown;
    // A keyframe whose group shows pictures decoded after it before it (an open group): those
    // need the group before (but for HEVC's leading pictures that refer to their keyframe only).
    int32_t key = -1;
    for (size_t i = 0; i < pictures_.size(); ++i) {
        Picture& p = pictures_[i];
        if (p.flags & SecondField)
            continue;
        if (p.flags & Key)
            key = int32_t(i);
        else if (key >= 0 && p.shown < pictures_[size_t(key)].shown && !(p.flags & OwnLeading))
            pictures_[size_t(key)].flags |= HasLeading;
    }
}

// A recording begun mid-stream starts with pictures that refer to ones it does not hold: those
// stored before its first keyframe, and (`leading`) those shown before that keyframe that need
// the group before it. They leave the order shown, and the line starts at the first one decoded.
void SourceIndex::markUndecodable(bool dropLeading) {
    size_t first = 0;
    while (first < pictures_.size() &&
           (!(pictures_[first].flags & Key) || (pictures_[first].flags & SecondField)))
        ++first;
    if (first == pictures_.size())
        return; // no keyframe: decoders show what they can, as they come
    const int32_t keyShown = pictures_[first].shown;
    const bool leading = dropLeading && (pictures_[first].flags & HasLeading) != 0;
    if (leading)
        pictures_[first].flags = uint8_t(pictures_[first].flags & ~HasLeading);
    for (size_t i = 0; i < pictures_.size(); ++i) {
        Picture& p = pictures_[i];
        if (i > first && (p.flags & Key) && !(p.flags & SecondField))
            break;
        const bool before = i < first, needsGroupBefore = leading && i > first && p.shown < keyShown &&
                                                          !(p.flags & (OwnLeading | SecondField));
        if (before || needsGroupBefore ||
            (i > 0 && (p.flags & SecondField) && (pictures_[i - 1].flags & Undecodable)))
            p.flags |= Undecodable;
    }
    if (first == 0 && !leading)
        return;
    std::erase_if(byShown_, [&](int32_t i) { return (pictures_[size_t(i)].flags & Undecodable) != 0; });
    for (size_t r = 0; r < byShown_.size(); ++r)
        pictures_[size_t(byShown_[r])].shown = int32_t(r);
    for (size_t i = 0; i < pictures_.size(); ++i)
        if ((pictures_[i].flags & SecondField) && i > 0)
            pictures_[i].shown = pictures_[i - 1].shown;
        else if (pictures_[i].flags & Undecodable)
            pictures_[i].shown = -1;
}

bool SourceIndex::fieldsBetween(int64_t fromTicks, int64_t toTicks) const {
    auto it = std::lower_bound(byShown_.begin(), byShown_.end(), fromTicks,
                               [&](int32_t i, int64_t t) { return pictures_[size_t(i)].pts < t; });
    for (; it != byShown_.end() && pictures_[size_t(*it)].pts < toTicks; ++it)
        if (pictures_[size_t(*it)].flags & Fields)
            return true;
    return false;
}

// A picture's length: two fields of the sequence header's rate for MPEG video, else the
// commonest gap between two pictures shown one after the other that both store their times
// (neither repeating a field), else the input's rate. Gaps under a millisecond are no picture's:
// a muxer that keeps decoding times rising stores pictures a tick apart after times that jumped.
int64_t SourceIndex::pictureStep(const std::vector<uint8_t>& repeats) const {
    if (headerRate_.num > 0)
        return std::max<int64_t>(1, av_rescale_q(1, av_inv_q(headerRate_), timeBase_));
    std::vector<int64_t> gaps;
    for (size_t r = 1; r < byShown_.size(); ++r) {
        const Picture &a = pictures_[size_t(byShown_[r - 1])], &b = pictures_[size_t(byShown_[r])];
        if (a.stored == AV_NOPTS_VALUE || b.stored == AV_NOPTS_VALUE || repeats[size_t(byShown_[r - 1])] ||
            b.stored <= a.stored)
            continue;
        if (const int64_t us = av_rescale_q(b.stored - a.stored, timeBase_, kMicro);
            us >= 1000 && us < 1'000'000)
            gaps.push_back(b.stored - a.stored);
    }
    // The rate the input's reading guessed may be anything a damaged stream suggests: a picture
    // lasts no longer than a gap the line keeps (its length is kept in 32 bits).
    if (gaps.empty())
        return std::clamp<int64_t>(av_rescale_q(1, av_inv_q(frameRate_), timeBase_), 1,
                                   av_rescale_q(kJumpUs, kMicro, timeBase_));
    std::nth_element(gaps.begin(), gaps.begin() + long(gaps.size() / 4), gaps.end());
    return gaps[gaps.size() / 4];
}

void SourceIndex::placeOnLine(const std::vector<uint8_t>& repeats) {
    step_ = pictureStep(repeats);
    const int64_t jump = av_rescale_q(kJumpUs, kMicro, timeBase_);
    const auto length = [&](size_t i) { return int32_t(repeats[i] ? step_ + step_ / 2 : step_); };
    repeats_ = std::count(repeats.begin(), repeats.end(), uint8_t(1));
    // Pictures shown before the first one that stores a time count back from it.
    int64_t at = AV_NOPTS_VALUE;
    for (size_t r = 0, before = 0; r < byShown_.size() && at == AV_NOPTS_VALUE; ++r) {
        const Picture& p = pictures_[size_t(byShown_[r])];
        if (p.stored != AV_NOPTS_VALUE)
            at = p.stored - int64_t(before);
        before += size_t(length(size_t(byShown_[r])));
    }
    if (at == AV_NOPTS_VALUE)
        at = untimedStart_;
    // A time no later than that of a picture shown soon after it (a picture given the time of
    // the keyframe after it, as streams copied from program streams have them) is no time of its
    // own; a restart goes back further.
    std::vector<bool> outOfLine = impossibleTimes();
    const int64_t second = av_rescale_q(1'000'000, kMicro, timeBase_);
    for (size_t r = 0; r < byShown_.size(); ++r) {
        const int64_t t = pictures_[size_t(byShown_[r])].stored;
        for (size_t n = r + 1; t != AV_NOPTS_VALUE && n < byShown_.size() && n <= r + 8; ++n) {
            const int64_t later = pictures_[size_t(byShown_[n])].stored;
            if (later == AV_NOPTS_VALUE)
                continue;
            if (later <= t && t - later < second)
                outOfLine[size_t(byShown_[r])] = true;
            break;
        }
    }
    std::vector<int64_t> offsets(pictures_.size(), 0);
    int64_t offset = 0;
    // A placed picture counts on in half pictures from the last one placed by its stored time:
    // film's pictures of three fields (one and a half of an odd number of ticks) leave no drift.
    int64_t anchor = at, halves = 0;
    const Picture* prev = nullptr;
    for (const int32_t i : byShown_) {
        Picture& p = pictures_[size_t(i)];
        p.duration = length(size_t(i));
        const int64_t placed = anchor + (halves * step_ + 1) / 2;
        // A time just behind the picture before is another picture's (a pack's time given to
        // the wrong one of its pictures); a restart goes back further.
        const bool behind = prev && p.stored != AV_NOPTS_VALUE && p.stored + offset <= prev->pts &&
                            prev->pts - (p.stored + offset) < second;
        const bool guessed = prev && repeats_ > 0 && p.stored != AV_NOPTS_VALUE &&
                             p.stored + offset > prev->pts && filmTimeOff(p.stored + offset - placed, step_);
        if (p.stored != AV_NOPTS_VALUE && !outOfLine[size_t(i)] && !behind && !guessed) {
            int64_t t = p.stored + offset;
            if (prev && (t <= prev->pts || t > prev->pts + prev->duration + jump)) {
                offset = prev->pts + prev->duration - p.stored;
                t = p.stored + offset;
            }
            p.pts = t;
            p.flags |= StoredTime;
            anchor = t, halves = 0;
        } else {
            p.pts = prev ? placed : at;
        }
        halves += repeats[size_t(i)] ? 3 : 2;
        offsets[size_t(i)] = offset;
        prev = &p;
    }
    start_ = pictures_[size_t(byShown_.front())].pts;
    end_ = prev->pts + prev->duration;
    for (size_t i = 1; i < pictures_.size(); ++i)
        if (pictures_[i].flags & SecondField)
            offsets[i] = offsets[i - 1];
    // Runs of one offset in the file's order: the sound between their pictures moves with them.
    segments_.clear();
    for (size_t i = 0; i < pictures_.size(); ++i) {
        if (pictures_[i].flags & Undecodable)
            continue;
        if (segments_.empty() || segments_.back().offset != offsets[i])
            segments_.push_back({pictures_[i].pos, INT64_MAX, INT64_MIN, offsets[i]});
        if (const int64_t t = pictures_[i].stored; pictures_[i].flags & StoredTime) {
            segments_.back().first = std::min(segments_.back().first, t);
            segments_.back().last = std::max(segments_.back().last, t);
        }
    }
}

// Stored times no picture can have: two pictures decoded one after the other never show less
// than a picture apart, but a muxer that keeps decoding times rising after times that jumped
// stores a tick between them (and a damaged stream the time of the one before): neither time
// tells where either picture is shown.
std::vector<bool> SourceIndex::impossibleTimes() const {
    std::vector<bool> impossible(pictures_.size(), false);
    size_t before = pictures_.size();
    for (size_t i = 0; i < pictures_.size(); ++i) {
        const Picture& p = pictures_[i];
        if (p.stored == AV_NOPTS_VALUE || (p.flags & SecondField))
            continue;
        if (before < pictures_.size()) {
            const int64_t gap = p.stored - pictures_[before].stored;
            if (gap > -step_ / 2 && gap < step_ / 2)
                impossible[before] = impossible[i] = true;
        }
        before = i;
    }
    return impossible;
}

// Decoding times that rise and never pass the time a picture is shown: the times shown, in
// their order, as many pictures late as the decoding runs ahead of the showing at most, and at
// least as many as the stream says its decoder holds back. Fewer than that would leave a picture
// whose two times are one, which a program stream then stores as one; a decoder holding back more
// pictures than the times allow for guesses the times of the pictures stored without one on the
// line of the decoding times, where two pictures can then meet.
void SourceIndex::decodingTimes() {
    std::vector<int32_t> decoding; // the pictures (no second fields) in decoding order
    for (size_t i = 0; i < pictures_.size(); ++i)
        if (!(pictures_[i].flags & (SecondField | Undecodable)))
            decoding.push_back(int32_t(i));
    int64_t delay = reorderDepth_;
    for (size_t j = 0; j < decoding.size(); ++j)
        delay = std::max(delay, int64_t(j) - pictures_[size_t(decoding[j])].shown);
    for (size_t j = 0; j < decoding.size(); ++j) {
        const int64_t k = int64_t(j) - delay;
        pictures_[size_t(decoding[j])].dts =
            k >= 0 ? pictures_[size_t(byShown_[size_t(k)])].pts : start_ - (-k) * step_;
    }
    // A second field is shown and decoded half a picture after its first, as cameras time it.
    for (size_t i = 1; i < pictures_.size(); ++i)
        if (pictures_[i].flags & SecondField) {
            pictures_[i].pts = pictures_[i - 1].pts + step_ / 2;
            pictures_[i].dts = pictures_[i - 1].dts + step_ / 2;
            pictures_[i].duration = int32_t(step_ - step_ / 2);
        }
}

AVRational SourceIndex::flaggedRate() const {
    const auto n = int64_t(byShown_.size());
    if (repeats_ <= 0 || headerRate_.num <= 0 || n <= 0)
        return {0, 1};
    AVRational r{};
    av_reduce(&r.num, &r.den, int64_t(headerRate_.num) * 2 * n, int64_t(headerRate_.den) * (2 * n + repeats_),
              INT32_MAX);
    return r;
}

const SourceIndex::Picture* SourceIndex::find(int64_t pos, int dup, int size) const {
    if (pos < 0 || dup < 0)
        return nullptr;
    const auto it = std::lower_bound(pictures_.begin(), pictures_.end(), pos,
                                     [](const Picture& p, int64_t at) { return p.pos < at; });
    constexpr size_t kReach = 4;
    for (auto n = size_t(it - pictures_.begin()) + size_t(dup), last = n + kReach;
         n < pictures_.size() && n <= last && pictures_[n].pos == pos; ++n)
        if (pictures_[n].size == size)
            return &pictures_[n];
    return nullptr;
}

bool SourceIndex::holds(size_t k, int64_t stored) const {
    const int64_t slack = av_rescale_q(2'000'000, kMicro, timeBase_);
    return k < segments_.size() && stored != AV_NOPTS_VALUE && stored >= segments_[k].first - slack &&
           stored <= segments_[k].last + slack;
}

size_t SourceIndex::segmentAt(int64_t pos, int64_t stored) const {
    if (segments_.size() <= 1)
        return 0;
    auto it = std::upper_bound(segments_.begin(), segments_.end(), pos,
                               [](int64_t at, const Segment& s) { return at < s.pos; });
    size_t k = it == segments_.begin() ? 0 : size_t(it - segments_.begin()) - 1;
    // Sound stored ahead of or behind its pictures may lie in a neighbour's stretch of the file:
    // its own time tells which run it belongs to. Where no run near it holds its time, the
    // pictures' times jumped without it (a stretch stored an hour late while the sound runs on):
    // it belongs to the run whose times are nearest its own.
    if (stored == AV_NOPTS_VALUE || holds(k, stored))
        return k;
    if (holds(k + 1, stored))
        return k + 1;
    if (k > 0 && holds(k - 1, stored))
        return k - 1;
    int64_t nearest = INT64_MAX;
    for (size_t n = 0; n < segments_.size(); ++n) {
        const Segment& s = segments_[n];
        if (s.first > s.last)
            continue;
        const int64_t off = stored < s.first ? s.first - stored : std::max<int64_t>(0, stored - s.last);
        if (off < nearest)
            nearest = off, k = n;
    }
    return k;
}

size_t SourceIndex::segmentAfter(size_t k, int64_t stored) const {
    for (size_t n = k + 1; n < segments_.size(); ++n)
        if (holds(n, stored))
            return n;
    return std::min(k + 1, segments_.size() - 1);
}

size_t SourceIndex::seekPicture(int64_t ticks, bool atOrAfter) const {
    if (atOrAfter) {
        for (size_t i = 0; i < pictures_.size(); ++i)
            if ((pictures_[i].flags & Key) && !(pictures_[i].flags & SecondField) &&
                pictures_[i].pts >= ticks)
                return i;
        return pictures_.size() - 1;
    }
    // The last picture shown at or before the time, and the keyframe it is decoded from: the
    // latest one before it in decoding order that it is not a leading picture of.
    const auto it = std::upper_bound(byShown_.begin(), byShown_.end(), ticks,
                                     [&](int64_t t, int32_t i) { return t < pictures_[size_t(i)].pts; });
    const int32_t target = it == byShown_.begin() ? byShown_.front() : *(it - 1);
    const Picture& shown = pictures_[size_t(target)];
    for (int64_t i = target; i >= 0; --i) {
        const Picture& p = pictures_[size_t(i)];
        if ((p.flags & Key) && !(p.flags & SecondField) && p.pts <= shown.pts)
            return size_t(i);
    }
    return 0;
}

int64_t SourceIndex::nextShownTicks(int64_t ticks) const {
    const auto it = std::upper_bound(byShown_.begin(), byShown_.end(), ticks,
                                     [&](int64_t t, int32_t i) { return t < pictures_[size_t(i)].pts; });
    return it == byShown_.end() ? AV_NOPTS_VALUE : pictures_[size_t(*it)].pts;
}

int64_t SourceIndex::lastShownTicks(int64_t ticks) const {
    const auto it = std::upper_bound(byShown_.begin(), byShown_.end(), ticks,
                                     [&](int64_t t, int32_t i) { return t < pictures_[size_t(i)].pts; });
    return it == byShown_.begin() ? AV_NOPTS_VALUE : pictures_[size_t(*(it - 1))].pts;
}

bool SourceIndex::attach(AVFormatContext* format, int videoStream, const std::atomic<bool>* stop,
                         const Progress& progress, Need need) {
    if (get(format))
        return true;
    IndexedInput* in = owned(format);
    if (format->opaque && !in)
        return false;
    bool byStoredTimes = false;
    std::shared_ptr<const SourceIndex> index =
        need == Need::Now ? of(format, videoStream, stop, progress)
                          : ofWhereNeeded(format, videoStream, stop, progress, &byStoredTimes);
    if (!index && !(byStoredTimes && !in))
        return false;
    if (!in) {
        in = new IndexedInput;
        in->stream = videoStream;
        in->byStoredTimes = byStoredTimes;
        in->storedOriginUs = timelineOriginUs(format, videoStream);
        format->opaque = static_cast<InputOwned*>(in);
    }
    if (!index)
        return false;
    in->index = index;
    // The streams' starts and lengths as the line has them: the times stored may restart, jump
    // or begin with pictures that store none.
    AVStream* v = format->streams[videoStream];
    v->start_time = av_rescale_q(index->startTicks(), index->timeBase(), v->time_base);
    v->duration = av_rescale_q(index->endTicks() - index->startTicks(), index->timeBase(), v->time_base);
    const int64_t start = av_rescale_q(index->startTicks(), index->timeBase(), AV_TIME_BASE_Q);
    const int64_t end = av_rescale_q(index->endTicks(), index->timeBase(), AV_TIME_BASE_Q);
    // Where the file's first pictures cannot be shown, its time starts at the first that can:
    // the sound stored before it is cut as before any range.
    const bool lostStart = (index->pictures_.front().flags & Undecodable) != 0;
    if (index->segments_.size() > 1 || lostStart || format->start_time == AV_NOPTS_VALUE ||
        format->start_time > start)
        format->start_time = start;
    const int64_t before = format->duration;
    format->duration = end - format->start_time;
    // The input's bit rate came from the file's size over the length its stored times gave: an
    // hour-late stretch made an 8 s recording read as 1 kbps, and a profile taking the source's
    // rate then encoded it at that.
    if (const int64_t size = format->pb ? avio_size(format->pb) : -1;
        format->duration > 0 && format->duration != before && size > 0)
        format->bit_rate = av_rescale(size, int64_t(8) * AV_TIME_BASE, format->duration);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream* s = format->streams[i];
        if (int(i) == videoStream || index->segments_.size() <= 1)
            continue;
        s->start_time = av_rescale_q(index->startTicks(), index->timeBase(), s->time_base);
        s->duration = av_rescale_q(index->endTicks() - index->startTicks(), index->timeBase(), s->time_base);
    }
    return true;
}

bool SourceIndex::lineTicksOfStored(int64_t stored, int64_t* ticks) const {
    // One run of stored times: each picture's place on the line is the time it stores.
    if (segments_.size() <= 1) {
        *ticks = std::clamp(stored, start_, end_);
        return true;
    }
    // Each picture shown holds the stored times from its own up to the next picture's place on
    // the line; one that stores none comes where the picture before it leaves off, as a reading
    // by stored times guesses it.
    struct Stretch {
        int64_t from, to, pts;
    };
    std::vector<Stretch> stretches;
    stretches.reserve(byShown_.size());
    for (size_t r = 0; r < byShown_.size(); ++r) {
        const Picture& p = pictures_[size_t(byShown_[r])];
        if (p.flags & Undecodable)
            continue;
        const int64_t next = r + 1 < byShown_.size() ? pictures_[size_t(byShown_[r + 1])].pts
                                                     : p.pts + std::max<int64_t>(p.duration, step_);
        const int64_t from = p.stored != AV_NOPTS_VALUE ? p.stored
                             : stretches.empty()        ? p.pts
                                                 : stretches.back().from + (p.pts - stretches.back().pts);
        stretches.push_back({from, from + std::max<int64_t>(1, next - p.pts), p.pts});
    }
    if (stretches.empty()) {
        *ticks = std::clamp(stored, start_, end_);
        return true;
    }
    int holding = 0;
    const Stretch* at = nullptr;    // the file's first picture shown there
    const Stretch* after = nullptr; // else the first one after, by stored time
    const Stretch* last = &stretches.front();
    for (const Stretch& s : stretches) {
        if (stored >= s.from && stored < s.to && holding++ == 0)
            at = &s;
        if (s.from > stored && (!after || s.from < after->from))
            after = &s;
        if (s.from > last->from)
            last = &s;
    }
    // Past the last picture the sound may run on.
    *ticks = at ? at->pts + (stored - at->from) : after ? after->pts : last->pts + (stored - last->from);
    return holding <= 1;
}

bool SourceIndex::mapShown(const AVFormatContext* format, int64_t us, int64_t* lineUs) {
    *lineUs = us;
    const IndexedInput* in = indexed(format);
    // The file's start is where both lines start.
    if (!in || !in->byStoredTimes || us <= 0)
        return true;
    const SourceIndex& index = *in->index;
    constexpr int64_t kFarUs = int64_t(1) << 50;
    const int64_t stored =
        av_rescale_q(std::clamp(us, -kFarUs, kFarUs) + std::clamp(in->storedOriginUs, -kFarUs, kFarUs),
                     kMicro, index.timeBase_);
    int64_t ticks = 0;
    const bool one = index.lineTicksOfStored(stored, &ticks);
    *lineUs = av_rescale_q(ticks, index.timeBase_, kMicro) - timelineOriginUs(format, in->stream);
    return one;
}

int64_t SourceIndex::lineUsOfShown(const AVFormatContext* format, int64_t us) {
    int64_t lineUs = us;
    mapShown(format, us, &lineUs);
    return lineUs;
}

const SourceIndex* SourceIndex::get(const AVFormatContext* format) {
    const IndexedInput* in = indexed(format);
    return in ? in->index.get() : nullptr;
}

int SourceIndex::readPacket(AVFormatContext* format, AVPacket* packet) {
    int r = av_read_frame(format, packet);
    IndexedInput* in = indexed(format);
    if (r < 0 || !in)
        return r;
    const SourceIndex& index = *in->index;
    const Picture* p = nullptr;
    while (packet->stream_index == in->stream) {
        if (packet->pos >= 0 && packet->pos != in->lastPos)
            in->lastPos = packet->pos, in->dup = 0;
        else
            ++in->dup;
        p = index.find(in->lastPos, in->dup, packet->size);
        // A piece of a picture begun before a seek's landing counts for none.
        in->dup = p ? p->dup : in->dup - 1;
        // Pictures read before the keyframe a seek landed for are not what it asked for.
        if (in->key >= 0 && (p ? p - index.pictures_.data() >= in->key : in->lastPos > in->keyPos))
            in->key = -1;
        // Nor are pictures no decoder can show.
        if (in->key < 0 && !(p && (p->flags & Undecodable)))
            break;
        av_packet_unref(packet);
        if ((r = av_read_frame(format, packet)) < 0)
            return r;
    }
    const AVStream* s = format->streams[packet->stream_index];
    if (packet->stream_index == in->stream) {
        if (p) {
            packet->pts =
                p->pts == AV_NOPTS_VALUE ? p->pts : av_rescale_q(p->pts, index.timeBase_, s->time_base);
            packet->dts =
                p->dts == AV_NOPTS_VALUE ? p->dts : av_rescale_q(p->dts, index.timeBase_, s->time_base);
            if (p->duration > 0)
                packet->duration = av_rescale_q(p->duration, index.timeBase_, s->time_base);
            return r;
        }
    }
    if (index.segments_.size() <= 1)
        return r;
    const int64_t raw = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    const int64_t t = raw == AV_NOPTS_VALUE ? raw : av_rescale_q(raw, s->time_base, index.timeBase_);
    if (in->runs.size() < format->nb_streams)
        in->runs.resize(format->nb_streams);
    IndexedInput::Run& run = in->runs[size_t(packet->stream_index)];
    if (run.k < 0) {
        run.k =
            int64_t(index.segmentAt(in->lastPos >= 0 ? std::max(packet->pos, in->lastPos) : packet->pos, t));
    } else if (t != AV_NOPTS_VALUE && run.last != AV_NOPTS_VALUE) {
        // Where its own times go back or jump, the stream has moved on to the next run.
        const int64_t second = av_rescale_q(1'000'000, kMicro, index.timeBase_);
        if (t < run.last - second || t > run.last + av_rescale_q(kJumpUs, kMicro, index.timeBase_))
            run.k = int64_t(index.segmentAfter(size_t(run.k), t));
    }
    if (t != AV_NOPTS_VALUE)
        run.last = t;
    const int64_t offset = index.segments_[size_t(run.k)].offset;
    if (offset != 0) {
        const int64_t moved = av_rescale_q(offset, index.timeBase_, s->time_base);
        if (packet->pts != AV_NOPTS_VALUE)
            packet->pts += moved;
        if (packet->dts != AV_NOPTS_VALUE)
            packet->dts += moved;
    }
    return r;
}

int SourceIndex::seek(AVFormatContext* format, int64_t us, bool atOrAfter) {
    IndexedInput* in = indexed(format);
    if (!in)
        return AVERROR(ENOSYS);
    in->lastPos = -1;
    in->dup = 0;
    in->key = -1;
    in->runs.clear();
    if (us == INT64_MIN) // the file's start, with the sound stored before the first picture
        return av_seek_frame(format, -1, 0, AVSEEK_FLAG_BYTE);
    const SourceIndex& index = *in->index;
    if (index.pictures_.empty())
        return av_seek_frame(format, -1, 0, AVSEEK_FLAG_BYTE);
    const size_t key = index.seekPicture(av_rescale_q(us, kMicro, index.timeBase_), atOrAfter);
    // A keyframe's packet is placed at the PES its picture header is in, but its sequence
    // header may lie at the end of the PES before (a program stream's pack holds the end of
    // one picture and the start of the next): read from there, the packet would come without
    // it, neither decodable nor the one the index holds. Reading starts where the picture
    // before it is placed, and leaves out what comes before the keyframe.
    in->key = int64_t(key);
    in->keyPos = index.pictures_[key].pos;
    const int64_t pos = key > 0 ? index.pictures_[key - 1].pos : 0;
    return av_seek_frame(format, -1, pos, AVSEEK_FLAG_BYTE);
}

} // namespace ff
