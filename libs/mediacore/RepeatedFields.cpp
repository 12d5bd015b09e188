#include "RepeatedFields.h"

#include <cmath>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <utility>

namespace mediacore {

namespace {

// The fields the pictures of whole groups show and code, and the rate their sequence declares.
struct FieldCount {
    AVRational sequenceRate{0, 1};
    int rateCode = 0;
    bool progressiveSequence = false;
    bool inGroup = false;
    int64_t shown = 0, coded = 0, groupShown = 0, groupCoded = 0;

    // A group is counted once it is whole: a repeated field is flagged on every other picture in
    // the order they are shown, which the pictures of a group only begin to follow.
    void closeGroup() {
        shown += groupShown;
        coded += groupCoded;
        groupShown = groupCoded = 0;
    }
    void sequence(int numerator, int denominator) {
        static constexpr AVRational kRates[] = {{0, 1},  {24000, 1001}, {24, 1},       {25, 1}, {30000, 1001},
                                                {30, 1}, {50, 1},       {60000, 1001}, {60, 1}};
        if (rateCode > 0 && rateCode < 9)
            sequenceRate = av_mul_q(kRates[rateCode], AVRational{numerator + 1, denominator + 1});
    }
    // A frame picture shows its two fields and the first again when flagged; in a progressive
    // sequence the flags repeat the whole picture once, or twice with top field first.
    void picture(int structure, bool topFirst, bool repeatFirst) {
        if (!inGroup)
            return;
        const bool frame = structure == 3;
        groupCoded += frame ? 2 : 1;
        groupShown += !frame                 ? 1
                      : !progressiveSequence ? 2 + repeatFirst
                      : repeatFirst          ? (topFirst ? 6 : 4)
                                             : 2;
    }
};

// The sequence header, its extension, group headers and picture coding extensions in one packet.
void readHeaders(const uint8_t* d, int size, FieldCount* c) {
    for (int i = 0; i + 10 <= size; ++i) {
        if (d[i] || d[i + 1] || d[i + 2] != 1)
            continue;
        const uint8_t code = d[i + 3], *b = d + i + 4;
        if (code == 0xb3) {
            c->rateCode = b[3] & 0x0f;
            c->sequence(0, 0);
        } else if (code == 0xb8) {
            if (c->inGroup)
                c->closeGroup();
            c->inGroup = true;
        } else if (code == 0xb5 && b[0] >> 4 == 1) {
            c->progressiveSequence = b[1] & 0x08;
            c->sequence(b[5] >> 5 & 3, b[5] & 0x1f);
        } else if (code == 0xb5 && b[0] >> 4 == 8) {
            c->picture(b[2] & 3, b[3] & 0x80, b[3] & 0x02);
        }
        i += 3;
    }
}

// The rate the pictures start at and the sequence's rate.
std::pair<AVRational, AVRational> readRates(const std::string& path, const AVFormatContext* format,
                                            const AVStream* s) {
    constexpr int kPackets = 4096;
    constexpr int64_t kCodedFields = 96; // two a picture: two seconds of film, or so
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), format->iformat, nullptr) < 0)
        return {};
    const InputPtr input(raw);
    const PacketPtr packet = makePacket();
    FieldCount c;
    for (int n = 0; packet && n < kPackets && c.coded < kCodedFields; ++n) {
        if (av_read_frame(input.get(), packet.get()) < 0) {
            c.closeGroup(); // the file's last group ends with it
            break;
        }
        const AVStream* read = input->streams[packet->stream_index];
        if (read->id == s->id && read->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            readHeaders(packet->data, packet->size, &c);
        av_packet_unref(packet.get());
    }
    if (c.coded <= 0 || c.shown <= c.coded || c.sequenceRate.num <= 0)
        return {};
    // 3:2 shows four pictures in ten fields: the rate they start at is the sequence's times 4/5
    // exactly, which a count over groups of an odd length only comes near.
    const double shownPerCoded = double(c.shown) / double(c.coded);
    const AVRational pattern = av_d2q(shownPerCoded, 8);
    const bool regular = std::fabs(av_q2d(pattern) - shownPerCoded) < 0.01 * shownPerCoded;
    AVRational exact{0, 1};
    av_reduce(&exact.num, &exact.den, c.shown, c.coded, 1 << 20);
    return {av_div_q(c.sequenceRate, regular ? pattern : exact), c.sequenceRate};
}

} // namespace

AVRational flaggedPictureRate(const std::string& path, const AVFormatContext* format, const AVStream* s,
                              AVRational* sequenceRate) {
    if (!format->iformat || !av_match_name(format->iformat->name, "mpeg,mpegts") ||
        s->codecpar->codec_id != AV_CODEC_ID_MPEG2VIDEO)
        return {0, 1};
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {0, 1};
    // Every job and window opens a file several times: its groups are read once.
    const std::string key = path + '\n' + std::to_string(st.st_size) + '\n' +
                            std::to_string(st.st_mtim.tv_sec) + '.' + std::to_string(st.st_mtim.tv_nsec) +
                            '\n' + std::to_string(s->id);
    static std::mutex mutex;
    static std::map<std::string, std::pair<AVRational, AVRational>> known;
    std::pair<AVRational, AVRational> rates;
    bool found = false;
    {
        std::lock_guard lock(mutex);
        if (const auto it = known.find(key); it != known.end())
            rates = it->second, found = true;
    }
    if (!found) {
        rates = readRates(path, format, s);
        std::lock_guard lock(mutex);
        if (known.size() >= 64)
            known.clear();
        known[key] = rates;
    }
    if (sequenceRate)
        *sequenceRate = rates.second;
    return rates.first.num > 0 ? rates.first : AVRational{0, 1};
}

} // namespace mediacore
