// Bytes read as an MPEG transport stream (188- or 192-byte packets) or program stream and given
// an index: the index's reading of the packets and of their pictures' headers (MPEG-1 and 2,
// H.264, HEVC), then the reading and seeking of the input it is given to.
// Control bytes: the framing (or probing) and the time sought.
#include "FuzzSupport.h"

#include "PlainTs.h"
#include "SourceIndex.h"

#include <array>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (fuzz::quietLog(), true);
    (void)quiet;
    fuzz::Controls c(data, size, 2);
    static constexpr std::array<const char*, 3> kFramings{"mpegts", "mpeg", nullptr};
    const char* framing = c.pick(kFramings);
    const int timeByte = c.next();
    // A name of its own each run: an index is kept per path, size and modification time, which
    // two inputs written within one tick of the file clock may share.
    static unsigned long runs = 0;
    for (const AVCodecID codec : {AV_CODEC_ID_H264, AV_CODEC_ID_HEVC, AV_CODEC_ID_MPEG2VIDEO})
        ff::plain::readBytes(data, size, 0x100, codec, [](const ff::plain::Picture& p) {
            fuzz::trace("picture", p.size + int(p.key) + int(p.pos & 1) + int(p.pts & 1) + int(p.data[0]));
        });
    const std::string path = fuzz::writeScratch("index" + std::to_string(runs++) + ".ts", data, size);
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), framing ? av_find_input_format(framing) : nullptr, nullptr) >=
        0) {
        const ff::InputPtr input(raw);
        const int video = avformat_find_stream_info(raw, nullptr) >= 0
                              ? av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0)
                              : -1;
        if (video >= 0 && ff::SourceIndex::attach(raw, video)) {
            const ff::SourceIndex* index = ff::SourceIndex::get(raw);
            const int64_t at = timeByte == 255
                                   ? INT64_MAX
                                   : index->startUs() + (index->endUs() - index->startUs()) / 255 * timeByte;
            const ff::PacketPtr packet = ff::makePacket();
            for (const int64_t us : {at, INT64_MIN}) {
                fuzz::trace("seek", ff::SourceIndex::seek(raw, us, timeByte % 2 != 0));
                for (int n = 0; n < 64 && ff::SourceIndex::readPacket(raw, packet.get()) >= 0; ++n)
                    av_packet_unref(packet.get());
            }
        }
    }
    std::remove(path.c_str());
    return 0;
}
