#include "CodecChoice.h"
#include "SourceIndex.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iterator>

extern "C" {
#include <libavutil/intreadwrite.h>
}

namespace mediacore {

namespace {

struct Alias {
    const char* name;
    const char* encoder;
};

// Codec names that map to a preferred encoder rather than FFmpeg's first one.
const Alias kAliases[] = {
    {"h264", "libx264"},     {"avc", "libx264"},   {"x264", "libx264"},     {"hevc", "libx265"},
    {"h265", "libx265"},     {"x265", "libx265"},  {"vp8", "libvpx"},       {"vp9", "libvpx-vp9"},
    {"mp3", "libmp3lame"},   {"opus", "libopus"},  {"vorbis", "libvorbis"}, {"xvid", "mpeg4"},
    {"mpeg2", "mpeg2video"}, {"pcm", "pcm_s16le"}, {"wav", "pcm_s16le"},
};

struct Preferred {
    AVCodecID id;
    const char* encoder;
};

const Preferred kPreferred[] = {
    {AV_CODEC_ID_H264, "libx264"},     {AV_CODEC_ID_HEVC, "libx265"},   {AV_CODEC_ID_VP8, "libvpx"},
    {AV_CODEC_ID_VP9, "libvpx-vp9"},   {AV_CODEC_ID_MP3, "libmp3lame"}, {AV_CODEC_ID_OPUS, "libopus"},
    {AV_CODEC_ID_VORBIS, "libvorbis"}, {AV_CODEC_ID_AAC, "aac"},
};

// Muxers that cannot tell what they take, and the only codecs they do take.
struct OnlyCodecs {
    const char* muxer;
    AVCodecID codecs[6];
};

const OnlyCodecs kOnlyCodecs[] = {
    {"mp3", {AV_CODEC_ID_MP3}},
    {"adts", {AV_CODEC_ID_AAC}},
    {"ac3", {AV_CODEC_ID_AC3}},
    {"eac3", {AV_CODEC_ID_EAC3}},
    {"mp2", {AV_CODEC_ID_MP2}},
    {"flac", {AV_CODEC_ID_FLAC}},
    {"amr", {AV_CODEC_ID_AMR_NB, AV_CODEC_ID_AMR_WB}},
    {"opus", {AV_CODEC_ID_OPUS}},
    {"ogg",
     {AV_CODEC_ID_VORBIS, AV_CODEC_ID_OPUS, AV_CODEC_ID_FLAC, AV_CODEC_ID_SPEEX, AV_CODEC_ID_THEORA,
      AV_CODEC_ID_VP8}},
    {"ogv",
     {AV_CODEC_ID_VORBIS, AV_CODEC_ID_OPUS, AV_CODEC_ID_FLAC, AV_CODEC_ID_SPEEX, AV_CODEC_ID_THEORA,
      AV_CODEC_ID_VP8}},
    {"oga", {AV_CODEC_ID_VORBIS, AV_CODEC_ID_OPUS, AV_CODEC_ID_FLAC, AV_CODEC_ID_SPEEX}},
};

// What encoders that list no rates or layouts take at most (Vorbis codes higher rates only at
// a quality, not at a bit rate).
struct SoundLimits {
    AVCodecID id;
    int rate;
    int channels;
};

const SoundLimits kSoundLimits[] = {
    {AV_CODEC_ID_VORBIS, 48000, 8},
    {AV_CODEC_ID_WMAV1, 48000, 2},
    {AV_CODEC_ID_WMAV2, 48000, 2},
};

int mostRate(const AVCodec* codec) {
    for (const SoundLimits& l : kSoundLimits)
        if (l.id == codec->id)
            return l.rate;
    return 0;
}

int mostChannels(const AVCodec* codec) {
    for (const SoundLimits& l : kSoundLimits)
        if (l.id == codec->id)
            return l.channels;
    return 0;
}

std::string trimmedLower(const char* text) {
    std::string s = text ? text : "";
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), blank));
    s.erase(std::find_if_not(s.rbegin(), s.rend(), blank).base(), s.end());
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

} // namespace

const AVCodec* preferredEncoder(AVCodecID id) {
    for (const Preferred& p : kPreferred)
        if (p.id == id)
            if (const AVCodec* c = avcodec_find_encoder_by_name(p.encoder); opensAsIs(c))
                return c;
    const AVCodec* c = avcodec_find_encoder(id);
    return opensAsIs(c) ? c : nullptr;
}

bool opensAsIs(const AVCodec* encoder) {
    return encoder && (encoder->capabilities & AV_CODEC_CAP_EXPERIMENTAL) == 0;
}

CodecSetting parseCodecSetting(const char* text, AVMediaType type) {
    CodecSetting s;
    s.name = trimmedLower(text);
    if (s.name.empty())
        return s;
    if (s.name == "copy") {
        s.kind = CodecSetting::Copy;
        return s;
    }
    std::string name = s.name;
    for (const Alias& a : kAliases)
        if (name == a.name)
            name = a.encoder;
    const AVCodec* c = avcodec_find_encoder_by_name(name.c_str());
    if (!c) {
        if (const AVCodecDescriptor* d = avcodec_descriptor_get_by_name(name.c_str()))
            c = preferredEncoder(d->id);
    }
    if (c && c->type == type) {
        s.kind = CodecSetting::Named;
        s.encoder = c;
    } else {
        s.kind = CodecSetting::Invalid;
    }
    return s;
}

AVPixelFormat pickPixelFormat(const AVCodec* codec, AVPixelFormat source) {
    if (source == AV_PIX_FMT_NONE)
        source = AV_PIX_FMT_YUV420P;
    if (!codec->pix_fmts)
        return source;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
        if (*f == source)
            return source;
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, source, 0, nullptr);
}

int pickSampleRate(const AVCodec* codec, int wanted) {
    const int most = mostRate(codec);
    if (!codec->supported_samplerates)
        return most > 0 && wanted > most ? std::min(most, wanted % 11025 == 0 ? 44100 : 48000) : wanted;
    const bool family = wanted % 11025 == 0;
    int above = 0, highest = 0, highestOfFamily = 0;
    for (const int* r = codec->supported_samplerates; *r; ++r) {
        if (*r == wanted)
            return wanted;
        if (*r > wanted && (above == 0 || *r < above))
            above = *r;
        highest = std::max(highest, *r);
        if ((*r % 11025 == 0) == family)
            highestOfFamily = std::max(highestOfFamily, *r);
    }
    return above > 0 ? above : highestOfFamily > 0 ? highestOfFamily : highest;
}

int pickChannels(const AVCodec* codec, int wanted) {
    if (!codec->ch_layouts) {
        const int most = mostChannels(codec);
        return most > 0 ? std::min(wanted, most) : wanted;
    }
    int best = 0;
    for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l) {
        if (l->nb_channels == wanted)
            return wanted;
        if (l->nb_channels < wanted)
            best = std::max(best, l->nb_channels);
    }
    return best > 0 ? best : codec->ch_layouts[0].nb_channels;
}

AVChannelLayout pickChannelLayout(const AVCodec* codec, int channels) {
    AVChannelLayout usual{};
    av_channel_layout_default(&usual, channels);
    if (!codec->ch_layouts)
        return usual;
    const AVChannelLayout* first = nullptr;
    for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l) {
        if (av_channel_layout_compare(l, &usual) == 0)
            return usual;
        if (!first && l->nb_channels == channels)
            first = l;
    }
    if (first && first->order == AV_CHANNEL_ORDER_NATIVE)
        av_channel_layout_from_mask(&usual, first->u.mask);
    return usual;
}

bool isLossless(AVCodecID id) {
    return id == AV_CODEC_ID_FLAC || id == AV_CODEC_ID_ALAC || id == AV_CODEC_ID_WAVPACK ||
           id == AV_CODEC_ID_TTA || (id >= AV_CODEC_ID_FIRST_AUDIO && id < AV_CODEC_ID_ADPCM_IMA_QT);
}

int64_t fitBitRate(const AVCodec* codec, int sampleRate, int channels, int64_t wanted) {
    if (isLossless(codec->id))
        return 0;
    if (wanted <= 0)
        wanted = codec->id == AV_CODEC_ID_OPUS ? 96000 : 128000;
    switch (codec->id) {
    case AV_CODEC_ID_OPUS:
        return std::clamp<int64_t>(wanted, 500, 256000 * int64_t(std::max(channels, 1)));
    case AV_CODEC_ID_MP2: {
        // Layer II codes only the rates of its header's table, which is shorter below 32 kHz.
        static const int64_t kMpeg1[] = {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
        static const int64_t kHalfRates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
        const int64_t* table = sampleRate >= 32000 ? kMpeg1 : kHalfRates;
        int64_t best = table[0];
        for (size_t i = 0; i < std::size(kMpeg1); ++i)
            if (std::abs(table[i] * 1000 - wanted) < std::abs(best * 1000 - wanted))
                best = table[i];
        return best * 1000;
    }
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
        return std::max<int64_t>(wanted, 24000);
    default:
        return wanted;
    }
}

int qualityForBitRate(const AVCodec* codec, int channels, int64_t bitRate) {
    if (codec->id != AV_CODEC_ID_VORBIS)
        return -2;
    // Vorbis' usual bit rates of a 44.1 kHz channel at qualities 0 to 10, in kbit/s (at lower
    // rates a quality takes fewer bits, so the result stays below what was asked).
    static const int kPerChannel[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 250};
    const int64_t perChannel = bitRate / 1000 / std::max(channels, 1);
    int quality = -1;
    for (int q = 0; q < int(std::size(kPerChannel)); ++q)
        if (kPerChannel[q] <= perChannel)
            quality = q;
    return quality;
}

int64_t sourceBitRate(const AVCodecParameters* p) {
    if (p->bit_rate > 0)
        return p->bit_rate;
    if (p->codec_id != AV_CODEC_ID_VORBIS || !p->extradata)
        return 0;
    // The identification header: type 1, "vorbis", version, channels, rate, then the greatest,
    // nominal and least bit rates (0 or -1 where unset).
    static const uint8_t kMagic[] = {1, 'v', 'o', 'r', 'b', 'i', 's'};
    const uint8_t* begin = p->extradata;
    const uint8_t* end = begin + p->extradata_size;
    const uint8_t* at = std::search(begin, end, std::begin(kMagic), std::end(kMagic));
    if (end - at < 24)
        return 0;
    const int32_t nominal = int32_t(AV_RL32(at + 20));
    return nominal > 0 ? nominal : 0;
}

int64_t sourcePictureBitRate(const AVFormatContext* format, const AVStream* video) {
    constexpr int64_t kVariable = int64_t{0x3FFFF} * 400; // MPEG-1/2's "no stated rate"
    const int64_t own = video->codecpar->bit_rate;
    // A stated rate is a header field: never above what the whole file holds.
    if (own > 0 && own != kVariable)
        return format->bit_rate > 0 ? std::min(own, format->bit_rate) : own;
    // An MPEG stream's index holds every picture's own bytes: the file's rate would also count
    // its packs' or cells' wrapping, which a part's own container adds again.
    if (const ff::SourceIndex* index = ff::SourceIndex::get(format)) {
        int64_t bytes = 0;
        for (const ff::SourceIndex::Picture& p : index->pictures())
            bytes += std::max(0, p.size);
        const int64_t us = index->endUs() - index->startUs();
        if (bytes > 0 && us > 0)
            return int64_t(double(bytes) * 8e6 / double(us));
    }
    int64_t rest = format->bit_rate;
    for (unsigned i = 0; i < format->nb_streams && rest > 0; ++i)
        if (format->streams[i] != video && format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            rest -= std::max<int64_t>(0, format->streams[i]->codecpar->bit_rate);
    return std::max<int64_t>(0, rest);
}

bool ratedByMpegVideo(AVCodecID id) {
    return id == AV_CODEC_ID_MPEG1VIDEO || id == AV_CODEC_ID_MPEG2VIDEO || id == AV_CODEC_ID_MPEG4;
}

bool containerAccepts(const AVOutputFormat* format, AVCodecID id) {
    if (!format)
        return false;
    // 1: accepted, 0: refused, negative: the muxer cannot tell. Muxers of one kind of sound
    // (and Ogg) cannot tell yet refuse every other codec at their header; the others are tried.
    const int answer = avformat_query_codec(format, id, FF_COMPLIANCE_NORMAL);
    if (answer >= 0)
        return answer != 0;
    for (const OnlyCodecs& c : kOnlyCodecs)
        if (std::strcmp(format->name, c.muxer) == 0)
            return std::find(std::begin(c.codecs), std::end(c.codecs), id) != std::end(c.codecs);
    return true;
}

bool holdsMovingPictures(const AVOutputFormat* format, const std::string& path) {
    if (!format || format->video_codec == AV_CODEC_ID_NONE || std::strcmp(format->name, "mp3") == 0 ||
        std::strcmp(format->name, "flac") == 0)
        return false;
    // Some muxers serve pictures and sound alike (ipod for m4v and m4a, asf for wmv and wma, ogg):
    // the name the user chose says which.
    static const char* const kSoundNames[] = {"m4a", "m4b", "wma", "ogg", "oga", "mka"};
    const size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.')
        return true;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char ch) { return char(std::tolower(ch)); });
    return std::none_of(std::begin(kSoundNames), std::end(kSoundNames),
                        [&ext](const char* name) { return ext == name; });
}

bool keepsPauses(const AVOutputFormat* container) {
    return container && std::strcmp(container->name, "avi") != 0;
}

const AVCodec* containerDefaultEncoder(const AVOutputFormat* format, AVMediaType type) {
    if (!format)
        return nullptr;
    const AVCodecID id = type == AVMEDIA_TYPE_VIDEO ? format->video_codec : format->audio_codec;
    if (id == AV_CODEC_ID_NONE)
        return nullptr;
    if (const AVCodec* c = preferredEncoder(id))
        return c;
    // This build may have no encoder for the container's own default (AMR for 3GP): the first
    // common codec the container holds instead.
    static const AVCodecID kAudio[] = {AV_CODEC_ID_AAC,    AV_CODEC_ID_MP3, AV_CODEC_ID_OPUS,
                                       AV_CODEC_ID_VORBIS, AV_CODEC_ID_AC3, AV_CODEC_ID_MP2};
    static const AVCodecID kVideo[] = {AV_CODEC_ID_H264, AV_CODEC_ID_MPEG4, AV_CODEC_ID_VP9,
                                       AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_H263};
    const bool audio = type == AVMEDIA_TYPE_AUDIO;
    const AVCodecID* list = audio ? kAudio : kVideo;
    const size_t count = audio ? std::size(kAudio) : std::size(kVideo);
    for (size_t i = 0; i < count; ++i)
        if (avformat_query_codec(format, list[i], FF_COMPLIANCE_NORMAL) == 1)
            if (const AVCodec* c = preferredEncoder(list[i]))
                return c;
    return nullptr;
}

void soundEncoderOptions(const AVCodec* codec, int sampleRate, AVDictionary** options) {
    // Below 16 kHz ffmpeg's AAC encoder's default coder lifts a steady tone for tens of
    // milliseconds at some bit rates (to nearly twice its level at 11.025 kHz, 31-33 kbit/s, near
    // a click); its fast coder holds the level there.
    if (sampleRate < 16000 && std::strcmp(codec->name, "aac") == 0)
        av_dict_set(options, "aac_coder", "fast", 0);
}

} // namespace mediacore
