#include "FieldPackets.h"

#include "AvcBitstream.h"
#include "SourceReader.h"

namespace mediacore {

FieldPackets::FieldPackets(const AVCodecParameters* par) {
    h264_ = par && par->codec_id == AV_CODEC_ID_H264;
    if (!h264_ || !par->extradata)
        return;
    avc::AvcConfig config;
    if (config.parse(par->extradata, par->extradata_size)) {
        lengthSize_ = config.lengthSize;
        for (const auto* list : {&config.sps, &config.pps})
            for (const Bytes& set : *list)
                sets_.add(set.data(), int(set.size()));
        return;
    }
    avc::forEachAnnexBNal(par->extradata, par->extradata_size,
                          [&](const uint8_t* nal, int size) { sets_.add(nal, size); });
}

namespace {

// Where the NAL unit that starts at `from` of an Annex B packet ends: at the next start code.
int annexBEnd(const uint8_t* data, int size, int from) {
    for (int i = from; i + 2 < size; ++i)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1)
            return i;
    return size;
}

} // namespace

// The field of a packet's first slice (0 a frame, 1 top, 2 bottom, -1 unknown); parameter sets
// before it go into force first. Only the units up to that slice are looked at: the picture's
// data after it is most of the packet.
int FieldPackets::fieldOf(const AVPacket* packet, int* frameNum, bool* framesOnly) {
    const uint8_t* data = packet->data;
    const int size = packet->size;
    for (int at = 0; at < size;) {
        int begin = 0, end = 0;
        if (lengthSize_ > 0) {
            int n = 0;
            for (int i = 0; i < lengthSize_ && at + i < size; ++i)
                n = n << 8 | data[at + i];
            begin = at + lengthSize_;
            end = begin + n;
            if (n <= 0 || end > size)
                return -1;
        } else {
            const int start = annexBEnd(data, size, at);
            if (start + 3 >= size)
                return -1;
            begin = start + 3;
            end = avc::isSlice(data + begin) ? size : annexBEnd(data, size, begin);
        }
        const uint8_t* nal = data + begin;
        if (avc::isSlice(nal))
            return avc::sliceField(nal, end - begin, sets_, frameNum, framesOnly);
        if (avc::nalType(nal) == avc::Sps || avc::nalType(nal) == avc::Pps)
            sets_.add(nal, end - begin);
        at = end;
    }
    return -1;
}

int64_t leadingPicturesUs(SourceReader& reader) {
    const AVStream* v = reader.video();
    if (!v || v->codecpar->codec_id != AV_CODEC_ID_H264 || v->codecpar->field_order == AV_FIELD_PROGRESSIVE ||
        v->codecpar->field_order == AV_FIELD_UNKNOWN)
        return 0;
    // Pictures shown before the first keyframe come within its group: a second of them at most.
    const int64_t first = reader.firstPictureFromUs(-1000000);
    return first != AV_NOPTS_VALUE && first < 0 ? first : 0;
}

bool FieldPackets::secondField(const AVPacket* packet) {
    if (!h264_ || !packet->data || frames_)
        return false;
    int frameNum = -1;
    bool framesOnly = false;
    const int field = fieldOf(packet, &frameNum, &framesOnly);
    fieldsSeen_ = fieldsSeen_ || field > 0;
    // A sequence that codes frames only holds no field: its packets need no reading.
    frames_ = field == 0 && framesOnly;
    // The second field of a pair has the other parity and the first's frame number.
    const bool second = field > 0 && pendingNum_ == frameNum && pendingField_ != field;
    pendingNum_ = field > 0 && !second ? frameNum : -1;
    pendingField_ = field;
    return second;
}

} // namespace mediacore
