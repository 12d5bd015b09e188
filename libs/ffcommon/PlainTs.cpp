#include "PlainTs.h"

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "BitReader.h"
#include "StartCodes.h"

namespace ff::plain {

namespace {

using mediacore::avc::BitReader;

constexpr int64_t kNoTime = INT64_MIN;
constexpr int64_t kWrap = int64_t(1) << 33;
constexpr int64_t kSecond = 90000;
// The demuxer hands a PES of more than 200 KiB on in pieces, and its parser keeps the times of
// four at most: a picture of more than three pieces would lose its own.
constexpr size_t kLargestPes = 600'000;

bool startsWithStartCode(const uint8_t* d, int n) {
    return (n >= 3 && d[0] == 0 && d[1] == 0 && d[2] == 1) ||
           (n >= 4 && d[0] == 0 && d[1] == 0 && d[2] == 0 && d[3] == 1);
}

// The SEI messages before an H.264 picture's first slice: a recovery point makes it a keyframe;
// a picture timing message (from which times may be made up), a damaged one, or a recovery
// point after another message is not plain.
bool avcSei(const uint8_t* p, int n, bool* key) {
    std::vector<uint8_t> b;
    for (int i = 0; i < n; ++i)
        if (!(i >= 2 && p[i] == 3 && p[i - 1] == 0 && p[i - 2] == 0))
            b.push_back(p[i]);
    size_t i = 0;
    const auto field = [&](size_t* value) {
        for (*value = 0; i < b.size() && b[i] == 0xff; ++i)
            *value += 255;
        return i < b.size() ? (*value += b[i++], true) : false;
    };
    for (int messages = 0; b.size() - i > 2 && b[i] != 0x80; ++messages) {
        size_t type = 0, size = 0;
        // A recovery point after another message counts only where that one reads well.
        if (!field(&type) || !field(&size) || size > b.size() - i || type == 1 || (type == 6 && messages > 0))
            return false;
        if (type == 6) {
            BitReader r(b.data() + i, int(size));
            r.ue(65535);
            if (r.failed())
                return false;
            *key = true;
        }
        i += size;
    }
    return true;
}

// One H.264 access unit: parameter sets and SEI, then the slices of one picture.
bool avcPicture(const uint8_t* d, int n, bool* key) {
    bool ok = startsWithStartCode(d, n) && d[n - 1] != 0, vcl = false, first = true;
    int64_t lastMb = -1;
    forEachStartCode(d, n, [&](const uint8_t* p, int len) {
        const int type = len >= 1 ? p[0] & 0x1f : 0;
        // The parser ends the picture before at a parameter set, SEI, delimiter or first slice.
        const bool endsBefore = !std::exchange(first, false) || (type >= 6 && type <= 9);
        if (len < 3 || type == 2 || type == 3 || type == 4) {
            ok = false;
        } else if (type == 1 || type == 5) {
            BitReader r(p + 1, len - 1, 8);
            const int64_t mb = r.ue();
            ok = !r.failed() && !(p[1] == 0 && p[2] == 0) && (vcl ? mb > lastMb : endsBefore || mb == 0);
            *key = *key || (!vcl && type == 5);
            vcl = true;
            lastMb = mb;
        } else if (vcl) {
            ok = !((type >= 6 && type <= 9) || (type >= 14 && type <= 18));
        } else {
            ok = endsBefore && (type != 6 || avcSei(p + 1, len - 1, key));
        }
        return ok;
    });
    return ok && vcl;
}

// One HEVC access unit: the NAL units before its first slice, then the slices of one picture.
bool hevcPicture(const uint8_t* d, int n, bool* key) {
    bool ok = startsWithStartCode(d, n) && d[n - 1] != 0, vcl = false, first = true;
    forEachStartCode(d, n, [&](const uint8_t* p, int len) {
        const int type = len >= 1 ? p[0] >> 1 & 0x3f : 0;
        const bool opens = std::exchange(first, false);
        const bool slice = type <= 9 || (type >= 16 && type <= 21);
        const bool startsUnit = (type >= 32 && type <= 37) || type == 39 || (type >= 41 && type <= 44) ||
                                (type >= 48 && type <= 55);
        if (len < 3 || (type >= 10 && type <= 15) || (type >= 22 && type <= 31)) {
            ok = false;
        } else if (slice) {
            const bool first = (p[2] & 0x80) != 0;
            ok = first != vcl;
            *key = *key || (!vcl && type >= 16);
            vcl = true;
        } else {
            ok = vcl ? !startsUnit : startsUnit || !opens; // the picture before ends where it starts
        }
        return ok;
    });
    return ok && vcl;
}

// One MPEG-1 or MPEG-2 frame picture with the sequence and group headers before it (a sequence
// end may close it).
bool mpegPicture(const uint8_t* d, int n, bool* key) {
    // A start code split between two PES packets is one the parser finds: not plain.
    bool ok = n >= 4 && d[0] == 0 && d[1] == 0 && d[2] == 1 && (d[3] == 0xb3 || d[3] == 0xb8 || d[3] == 0) &&
              !(d[n - 3] == 0 && d[n - 2] == 0 && d[n - 1] == 1);
    int pictures = 0;
    bool slices = false;
    // A sequence end as the last bytes is not seen here (no byte after it): it ends the picture.
    forEachStartCode(d, n, [&](const uint8_t* p, int len) {
        const int code = len >= 1 ? p[0] : -1;
        const bool slice = code >= 0x01 && code <= 0xaf;
        if (len < 4 || (slices && !slice)) {
            ok = false;
        } else if (slice) {
            ok = pictures == 1;
            slices = true;
        } else if (code == 0) {
            *key = (p[2] >> 3 & 7) == 1;
            ok = ++pictures == 1;
        } else if (code == 0xb5) {
            ok = p[1] >> 4 != 8 || (p[3] & 3) == 3; // a field picture: the parser pairs fields
        } else {
            ok = code == 0xb3 || code == 0xb8 || code == 0xb2;
        }
        return ok;
    });
    return ok && slices;
}

int64_t pesTime(const uint8_t* b) {
    return int64_t(b[0] >> 1 & 7) << 30 | int64_t((b[1] << 8 | b[2]) >> 1) << 15 |
           int64_t((b[3] << 8 | b[4]) >> 1);
}

class Reader {
public:
    Reader(int pid, AVCodecID codec, const std::function<void(const Picture&)>& each)
        : pid_(pid), codec_(codec), each_(each) {}

    // The file's packet size from its first bytes: 188, or 192 with a 4-byte prefix; 0 if neither.
    static int packetSize(const uint8_t* b, size_t n) {
        if (n >= 188 && b[0] == 0x47 && (n < 376 || b[188] == 0x47))
            return 188;
        if (n >= 192 && b[4] == 0x47 && (n < 384 || b[196] == 0x47))
            return 192;
        return 0;
    }
    void setPacketSize(int size) { size_ = size; }
    // Whole packets at `pos` in the file.
    bool packets(const uint8_t* b, size_t n, int64_t pos) {
        for (size_t at = 0; at + size_t(size_) <= n; at += size_t(size_))
            if (!packet(b + at + size_t(size_ - 188), pos + int64_t(at)))
                return false;
        return true;
    }
    bool finish() {
        if (pesPos_ >= 0 && !endPes())
            return false;
        flushHeld(0);
        return true;
    }

private:
    bool packet(const uint8_t* ts, int64_t pos) {
        if (ts[0] != 0x47)
            return false;
        if (((ts[1] << 8 | ts[2]) & 0x1fff) != pid_)
            return true;
        const int control = ts[3] >> 4 & 3, cc = ts[3] & 0xf;
        if ((ts[1] & 0x80) || (ts[3] & 0xc0) || control == 0)
            return false;
        const bool payload = (control & 1) != 0;
        const int adaptation = (control & 2) ? ts[4] : -1;
        if (adaptation > 183)
            return false;
        // A lost or repeated packet is not plain (the demuxer keeps what it has, marked
        // corrupt); the count starts again where a packet flags a discontinuity, as there.
        const bool restart = adaptation > 0 && (ts[5] & 0x80) != 0;
        if (lastCc_ >= 0 && !restart && cc != (payload ? (lastCc_ + 1) & 0xf : lastCc_))
            return false;
        lastCc_ = cc;
        const int at = 4 + adaptation + 1;
        if (!payload)
            return true;
        if (at >= 188)
            return false;
        if (ts[1] & 0x40)
            return (pesPos_ < 0 || endPes()) && start(ts + at, 188 - at, pos);
        if (pesPos_ < 0)
            return true; // before the first PES start: the demuxer drops it too
        pes_.insert(pes_.end(), ts + at, ts + 188);
        return pes_.size() <= kLargestPes;
    }
    bool start(const uint8_t* b, int n, int64_t pos) {
        if (n < 9 || b[0] != 0 || b[1] != 0 || b[2] != 1 || b[3] < 0xe0 || b[3] > 0xef ||
            (b[6] & 0xc0) != 0x80)
            return false;
        const int length = b[4] << 8 | b[5], header = b[8], times = b[7] >> 6;
        if (9 + header > n || times == 1 || (times == 2 && header < 5) || (times == 3 && header < 10) ||
            (length != 0 && length < 3 + header))
            return false;
        pts_ = times >= 2 ? pesTime(b + 9) : kNoTime;
        dts_ = times == 3 ? pesTime(b + 14) : kNoTime;
        if (!timesPlain(pts_) || !timesPlain(dts_))
            return false;
        expected_ = length != 0 ? size_t(length - 3 - header) : 0;
        pesPos_ = pos;
        pes_.assign(b + 9 + header, b + n);
        return true;
    }
    // The demuxer moves times that lie a minute before the first one by the 33-bit wrap: such
    // times, and a first one near the wrap, are not plain.
    bool timesPlain(int64_t t) {
        if (t == kNoTime)
            return true;
        if (first_ == kNoTime)
            first_ = dts_ != kNoTime ? dts_ : t;
        return first_ < kWrap - 70 * kSecond && t >= first_ - 50 * kSecond;
    }
    bool endPes() {
        if (pes_.empty() || (expected_ != 0 && pes_.size() != expected_))
            return false;
        Picture p;
        p.pos = pesPos_;
        p.pts = pts_;
        p.dts = dts_;
        bool one = false;
        const int n = int(pes_.size());
        if (codec_ == AV_CODEC_ID_H264)
            one = avcPicture(pes_.data(), n, &p.key);
        else if (codec_ == AV_CODEC_ID_HEVC)
            one = hevcPicture(pes_.data(), n, &p.key);
        else if (codec_ == AV_CODEC_ID_MPEG1VIDEO || codec_ == AV_CODEC_ID_MPEG2VIDEO)
            one = mpegPicture(pes_.data(), n, &p.key);
        if (!one)
            return false;
        pesPos_ = -1;
        if (codec_ != AV_CODEC_ID_HEVC) {
            p.data = pes_.data();
            p.size = n;
            each_(p);
            return true;
        }
        // The HEVC parser ends a picture at the next one's three-byte start code: the zero
        // before it (of a four-byte one) is the end of the picture before.
        const int lead = pes_[2] == 0 ? 1 : 0;
        flushHeld(lead);
        held_ = p;
        heldLead_ = heldCount_++ == 0 ? 0 : lead;
        pes_.swap(heldBytes_);
        return true;
    }
    void flushHeld(int nextLead) {
        if (heldCount_ == 0)
            return;
        heldBytes_.insert(heldBytes_.end(), size_t(nextLead), uint8_t(0));
        held_.data = heldBytes_.data() + heldLead_;
        held_.size = int(heldBytes_.size()) - heldLead_;
        each_(held_);
    }

    int pid_;
    AVCodecID codec_;
    const std::function<void(const Picture&)>& each_;
    int size_ = 188, lastCc_ = -1;
    std::vector<uint8_t> pes_, heldBytes_;
    Picture held_; // an HEVC picture, until the start of the next tells where it ends
    int heldLead_ = 0;
    int64_t heldCount_ = 0;
    size_t expected_ = 0;
    int64_t pesPos_ = -1, pts_ = kNoTime, dts_ = kNoTime, first_ = kNoTime;
};

} // namespace

bool knows(AVCodecID codec) {
    return codec == AV_CODEC_ID_H264 || codec == AV_CODEC_ID_HEVC || codec == AV_CODEC_ID_MPEG1VIDEO ||
           codec == AV_CODEC_ID_MPEG2VIDEO;
}

End readBytes(const uint8_t* data, size_t size, int pid, AVCodecID codec,
              const std::function<void(const Picture&)>& each) {
    Reader reader(pid, codec, each);
    const int packet = Reader::packetSize(data, size);
    if (!knows(codec) || packet == 0 || size % size_t(packet) != 0)
        return End::NotPlain;
    reader.setPacketSize(packet);
    return reader.packets(data, size, 0) && reader.finish() ? End::Done : End::NotPlain;
}

End read(const std::string& path, int pid, AVCodecID codec, const std::function<bool()>& stopped,
         const std::function<void(int64_t, int64_t)>& progress,
         const std::function<void(const Picture&)>& each) {
    if (!knows(codec))
        return End::NotPlain;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f || std::fseek(f.get(), 0, SEEK_END) != 0)
        return End::NotPlain;
    const int64_t total = std::ftell(f.get());
    std::rewind(f.get());
    constexpr size_t kBlock = size_t(188) * 192 * 29; // whole packets of either size, about 1 MiB
    // Filled by each read before it is looked at: no zeroing of a megabyte first.
    const auto block = std::make_unique_for_overwrite<uint8_t[]>(kBlock);
    Reader reader(pid, codec, each);
    int64_t pos = 0;
    for (int packet = 0;;) {
        const size_t n = std::fread(block.get(), 1, kBlock, f.get());
        if (packet == 0 && (packet = Reader::packetSize(block.get(), n)) == 0)
            return End::NotPlain;
        reader.setPacketSize(packet);
        // A file cut inside a packet: the demuxer's reading of that end is not this one's.
        if (n % size_t(packet) != 0 || !reader.packets(block.get(), n, pos))
            return End::NotPlain;
        pos += int64_t(n);
        if (n < kBlock)
            break;
        if (stopped && stopped())
            return End::Stopped;
        if (progress)
            progress(pos, total);
    }
    if (std::ferror(f.get()) || pos != total)
        return End::NotPlain;
    return reader.finish() ? End::Done : End::NotPlain;
}

} // namespace ff::plain
