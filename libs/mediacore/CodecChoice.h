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

// The encoder for a codec id, preferring the external libraries (libx264 for H.264, ...); null
// where the build has none that opens as is (DTS's is experimental: it would fail only once
// opened, in the middle of a job made of several).
const AVCodec* preferredEncoder(AVCodecID id);
// False for an encoder FFmpeg marks experimental, which it refuses to open at the compliance
// the engine keeps.
bool opensAsIs(const AVCodec* encoder);

// True when the container can hold that codec.
bool containerAccepts(const AVOutputFormat* format, AVCodecID id);

// False for containers of sound that take a picture only as cover art (mp3, flac), and for a
// file named as sound (song.m4a, song.wma, song.ogg) even where its muxer could hold a film: a
// film's picture is left out of them rather than encoded frame by frame.
bool holdsMovingPictures(const AVOutputFormat* format, const std::string& path);

// Whether a container stores each picture's time, so that a pause in the pictures is kept as one
// rather than filled with copies of the picture before it (AVI stores a chunk per frame period).
bool keepsPauses(const AVOutputFormat* container);

// The encoder to use when the source codec cannot be written (no encoder or not accepted by the
// container): the container's own default.
const AVCodec* containerDefaultEncoder(const AVOutputFormat* format, AVMediaType type);

// The encoder's format nearest to the source's (the source's own when the encoder takes it).
AVPixelFormat pickPixelFormat(const AVCodec* codec, AVPixelFormat source);
// `wanted` when the encoder takes that rate, else the lowest it takes above (no sound is lost),
// else its highest (of the same family as `wanted`, 44.1 or 48 kHz, where it has one).
int pickSampleRate(const AVCodec* codec, int wanted);
// `wanted` channels when the encoder takes them, else the most it takes below (or its first).
int pickChannels(const AVCodec* codec, int wanted);
// The layout of `channels` the encoder takes: the usual one where it takes it, else the first
// it lists with that many (the samples keep their places; only the names of the rear pair differ).
AVChannelLayout pickChannelLayout(const AVCodec* codec, int channels);
// True for encoders that store every sample and take no bit rate.
bool isLossless(AVCodecID id);
// The bit rate nearest to `wanted` (0: the engine's default) that the encoder takes at that rate
// and channel count; 0 for a lossless encoder. Vorbis' limits come from tables inside its library:
// its rate is left as asked, and an encoder that refuses it falls back on a quality.
int64_t fitBitRate(const AVCodec* codec, int sampleRate, int channels, int64_t wanted);
// Options the engine opens a sound encoder with at that rate, whatever it encodes into.
void soundEncoderOptions(const AVCodec* codec, int sampleRate, AVDictionary** options);
// For an encoder that refuses a bit rate but takes a quality instead (Vorbis): the quality
// (FFmpeg's scale, -1 to 10) whose usual bit rate comes nearest to `bitRate` without passing it;
// below -1 when the encoder takes none.
int qualityForBitRate(const AVCodec* codec, int channels, int64_t bitRate);
// The bit rate a sound stream was made at: its container's or, for Vorbis, which WebM and
// Matroska give none, its header's nominal one; 0 when neither says.
int64_t sourceBitRate(const AVCodecParameters* p);
// The bit rate of a file's picture stream `video`: its own where the stream states one (MPEG-2
// states a variable rate as the field's highest value, which is none), else its pictures' own
// bytes over its length where the file has an index, else the file's bytes over its length less
// its sound streams' rates; 0 when nothing tells.
int64_t sourcePictureBitRate(const AVFormatContext* format, const AVStream* video);
// MPEG-1, MPEG-2 and MPEG-4 Part 2: FFmpeg's encoders of these have no quality mode of their own
// and keep to a bit rate by its rate control alone.
bool ratedByMpegVideo(AVCodecID id);

} // namespace mediacore
