// Codec names as the program gives them ("libx264", "h264", "copy", " ") and the encoders
// the engine picks for them, for a source codec and for a container.
#pragma once

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace mediacore {

struct CodecSetting {
    enum Kind { Keep, Copy, Named, Invalid };
    Kind kind = Keep;
    std::string name;
    const AVCodec* encoder = nullptr; // for Named
};

// Reads a setter's argument: null, "" or blanks keep the source codec, "copy" copies, an
// encoder name or a codec name (case-insensitive) names an encoder of `type`; anything else is
// Invalid.
CodecSetting parseCodecSetting(const char* text, AVMediaType type);

// The encoder for a codec id, preferring the external libraries (libx264 for H.264, ...).
const AVCodec* preferredEncoder(AVCodecID id);

// True when the container can hold that codec.
bool containerAccepts(const AVOutputFormat* format, AVCodecID id);

// False for containers of sound that take a picture only as cover art (mp3, flac), and for a
// file named as sound (song.m4a, song.wma, song.ogg) even where its muxer could hold a film: a
// film's picture is left out of them rather than encoded frame by frame.
bool holdsMovingPictures(const AVOutputFormat* format, const std::string& path);

// The encoder to use when the source codec cannot be written (no encoder or not accepted by the
// container): the container's own default.
const AVCodec* containerDefaultEncoder(const AVOutputFormat* format, AVMediaType type);

// The encoder's format nearest to the source's (the source's own when the encoder takes it).
AVPixelFormat pickPixelFormat(const AVCodec* codec, AVPixelFormat source);
// The encoder's supported rate nearest to `wanted`.
int pickSampleRate(const AVCodec* codec, int wanted);
// `wanted` channels when the encoder takes them, else the most it takes below (or its first).
int pickChannels(const AVCodec* codec, int wanted);

} // namespace mediacore
