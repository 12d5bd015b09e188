// A group of H.264 pictures decoded with stand-ins for the reference pictures that the wanted
// ones do not refer to: the wanted pictures must come out bit for bit as with every picture
// decoded, for the reference patterns libx264 writes.
#include <QTemporaryDir>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AvcHeaders.h"
#include "AvcReferences.h"
#include "FfPointers.h"
#include "TestSupport.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/hash.h>
#include <libavutil/imgutils.h>
}

using namespace mediacore;
using namespace testsupport;

namespace {

struct Picture {
    ff::PacketPtr packet;
    std::shared_ptr<const avc::PictureHeader> header;
};

// The packets of the first group (IDR picture to the next keyframe) of `path`'s picture.
std::vector<Picture> firstGroup(const QString& path, avc::AvcConfig* config) {
    ff::InputPtr in = ff::openInput(path.toUtf8().constData());
    std::vector<Picture> group;
    if (!in || avformat_find_stream_info(in.get(), nullptr) < 0)
        return group;
    const AVCodecParameters* par = in->streams[0]->codecpar;
    if (!config->parse(par->extradata, par->extradata_size))
        return group;
    avc::ParameterSets sets;
    for (const std::vector<Bytes>* list : {&config->sps, &config->pps})
        for (const Bytes& s : *list)
            sets.add(s.data(), int(s.size()));
    for (ff::PacketPtr p = ff::makePacket(); av_read_frame(in.get(), p.get()) >= 0; p = ff::makePacket()) {
        if (p->stream_index != 0)
            continue;
        if ((p->flags & AV_PKT_FLAG_KEY) && !group.empty())
            break;
        auto header = avc::readPicture(p->data, p->size, config->lengthSize, sets);
        group.push_back({std::move(p), std::move(header)});
    }
    return group;
}

// The picture of each wanted time (pts) as a hash of its planes, decoding `group` with each
// packet replaced by `feed(i)` (null: left out).
std::map<int64_t, std::string> decode(const QString& path, const std::vector<Picture>& group,
                                      const std::function<const AVPacket*(size_t)>& feed,
                                      const std::vector<int64_t>& wanted) {
    ff::InputPtr in = ff::openInput(path.toUtf8().constData());
    avformat_find_stream_info(in.get(), nullptr);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    ff::CodecPtr dec(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(dec.get(), in->streams[0]->codecpar);
    dec->thread_count = 1;
    EXPECT_EQ(avcodec_open2(dec.get(), codec, nullptr), 0);
    std::map<int64_t, std::string> out;
    ff::FramePtr frame = ff::makeFrame();
    const auto take = [&] {
        while (avcodec_receive_frame(dec.get(), frame.get()) == 0) {
            if (std::find(wanted.begin(), wanted.end(), frame->pts) != wanted.end()) {
                AVHashContext* hash = nullptr;
                av_hash_alloc(&hash, "MD5");
                av_hash_init(hash);
                for (int plane = 0; plane < 3; ++plane) {
                    const int h = plane == 0 ? frame->height : (frame->height + 1) / 2;
                    const int w = plane == 0 ? frame->width : (frame->width + 1) / 2;
                    for (int y = 0; y < h; ++y)
                        av_hash_update(hash, frame->data[plane] + y * frame->linesize[plane], w);
                }
                char text[64] = {};
                av_hash_final_hex(hash, reinterpret_cast<uint8_t*>(text), sizeof text);
                av_hash_freep(&hash);
                out[frame->pts] = text;
            }
            av_frame_unref(frame.get());
        }
    };
    for (size_t i = 0; i < group.size(); ++i) {
        if (const AVPacket* p = feed(i)) {
            EXPECT_GE(avcodec_send_packet(dec.get(), p), 0) << "packet " << i;
            take();
        }
    }
    avcodec_send_packet(dec.get(), nullptr);
    take();
    return out;
}

} // namespace

TEST(StandIn, WantedPicturesComeOutAsWithEveryPictureDecoded) {
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QString params;
        bool leavesOut; // whether the middle B-frames before the cut are left out
    };
    // With more than one reference, P-frames may refer to the middle B-frames; without B-frames
    // libx264 writes order counts of type 2, which are not read: every picture is decoded.
    const Case cases[] = {
        {"pyramid", "bframes=3:b-pyramid=normal:ref=1", true},
        {"strict", "bframes=3:b-pyramid=strict:ref=2", true},
        {"pyramid_refs", "bframes=3:b-pyramid=normal:ref=3:weightp=2", false},
        {"slices", "bframes=2:b-pyramid=normal:ref=1:slices=3", true},
        {"no_b", "bframes=0:ref=2", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString src = makeWithFfmpeg(dir.filePath(QString(c.name) + ".mp4"),
                                           {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=3",
                                            "-c:v", "libx264", "-preset", "medium", "-x264-params",
                                            "keyint=50:min-keyint=50:scenecut=0:" + c.params});
        avc::AvcConfig config;
        const std::vector<Picture> group = firstGroup(src, &config);
        ASSERT_EQ(group.size(), 50u);
        std::vector<int64_t> times;
        for (const Picture& p : group)
            times.push_back(p.packet->pts);
        std::vector<int64_t> order = times;
        std::sort(order.begin(), order.end());
        // As at a cut's start (the pictures from the 31st shown) and at its end (the last few
        // before the range's end, shown before pictures decoded ahead of them).
        for (const auto& [from, to] : {std::pair<size_t, size_t>{30, 50}, {37, 41}, {36, 39}, {35, 38}}) {
            SCOPED_TRACE("shown " + std::to_string(from) + " to " + std::to_string(to));
            const std::vector<int64_t> wantedTimes(order.begin() + long(from), order.begin() + long(to));
            std::vector<const avc::PictureHeader*> headers;
            std::vector<bool> wanted;
            for (const Picture& p : group) {
                ASSERT_NE(p.header, nullptr);
                headers.push_back(p.header.get());
                wanted.push_back(std::count(wantedTimes.begin(), wantedTimes.end(), p.packet->pts) > 0);
            }
            std::vector<bool> decoded = avc::picturesToDecode(headers, wanted);
            if (decoded.empty()) // not told: every reference picture
                for (size_t i = 0; i < group.size(); ++i)
                    decoded.push_back(wanted[i] || headers[i]->reference);
            ASSERT_EQ(decoded.size(), group.size());
            std::vector<ff::PacketPtr> fed(group.size());
            int standIns = 0;
            for (size_t i = 0; i < group.size(); ++i) {
                const AVPacket* p = group[i].packet.get();
                if (decoded[i] || !group[i].header->reference) {
                    EXPECT_TRUE(!wanted[i] || decoded[i]);
                    continue;
                }
                const Bytes s = avc::standIn(*group[i].header, 200, config.lengthSize);
                ASSERT_FALSE(s.empty());
                fed[i] = ff::makePacket();
                av_new_packet(fed[i].get(), int(s.size()));
                std::copy(s.begin(), s.end(), fed[i]->data);
                av_packet_copy_props(fed[i].get(), p);
                ++standIns;
            }
            if (from == 30) { // the tail's few pictures may need every reference before them
                EXPECT_EQ(standIns > 0, c.leavesOut);
            }
            const auto all = decode(
                src, group, [&](size_t i) { return group[i].packet.get(); }, wantedTimes);
            const auto some = decode(
                src, group,
                [&](size_t i) -> const AVPacket* {
                    if (fed[i])
                        return fed[i].get();
                    return decoded[i] || group[i].header->reference ? group[i].packet.get() : nullptr;
                },
                wantedTimes);
            EXPECT_EQ(all.size(), wantedTimes.size());
            EXPECT_EQ(some, all);
        }
    }
}
