#include "CodecChoice.h"

#include <iterator>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

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
            if (const AVCodec* c = avcodec_find_encoder_by_name(p.encoder))
                return c;
    return avcodec_find_encoder(id);
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
    if (!codec->supported_samplerates)
        return wanted;
    int best = codec->supported_samplerates[0];
    for (const int* r = codec->supported_samplerates; *r; ++r)
        if (std::abs(*r - wanted) < std::abs(best - wanted))
            best = *r;
    return best;
}

int pickChannels(const AVCodec* codec, int wanted) {
    if (!codec->ch_layouts)
        return wanted;
    int best = 0;
    for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l) {
        if (l->nb_channels == wanted)
            return wanted;
        if (l->nb_channels < wanted)
            best = std::max(best, l->nb_channels);
    }
    return best > 0 ? best : codec->ch_layouts[0].nb_channels;
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

} // namespace mediacore
