// Fixed-layout records exchanged by value with libMediaCore and libMediaPlayer.
//
// These layouts are a binary contract with both libraries: every size and offset is
// checked at compile time below. All records are little-endian, text fields hold
// NUL-terminated UTF-8, and a record is zeroed before it is filled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

extern "C" {

typedef struct RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} RECT;

typedef struct MEDIA_AUDIO_STREAM_INFO {
    int32_t exist;      // non-zero when the stream is present
    int32_t index;      // stream index in the container
    char codec[128];    // codec name
    int32_t samplerate; // Hz
    int32_t channel;    // channel count
    int32_t bitrate;    // bit/s
    int32_t fmt;        // sample-format code, stored unchanged by the program
    char lang[128];
    char title[256];
    char apsect[64]; // a further text field
} MEDIA_AUDIO_STREAM_INFO;

typedef struct MEDIA_VIDEO_STREAM_INFO {
    int32_t exist;
    int32_t index;
    char codec[64];
    char codecTag[64];
    int32_t width;
    int32_t height;
    double fps;
    int32_t bitrate; // bit/s
    int32_t reserved1;
    double aspect;
    int32_t angle; // display rotation in degrees
    char lang[128];
    char title[256];
    char apsect[64];
    int32_t reserved2;
} MEDIA_VIDEO_STREAM_INFO;

typedef struct IMAGE_WATERMARK_PARAM {
    char path[260];
    RECT rect;
    int32_t transparence; // percent transparent, 0 = opaque
    int64_t start_time;   // microseconds
    int64_t end_time;     // microseconds
} IMAGE_WATERMARK_PARAM;

typedef struct TEXT_WATERMARK_PARAM {
    char text[260];
    RECT rect;            // left and top give the text origin
    char szFontFile[260]; // always left empty by the program
    char szFontName[260];
    int32_t fontsize;
    uint32_t fontclr; // colour word
    int32_t transparence;
    int64_t start_time;
    int64_t end_time;
} TEXT_WATERMARK_PARAM;

typedef struct VIDEO_WATERMARK_PARAM {
    char path[260];
    RECT rect;
    int32_t reserved1;
    int64_t start_time; // on the output timeline, microseconds
    int64_t end_time;
    int64_t file_start_time; // within the overlay file, microseconds
    int64_t file_end_time;
    char reserved2[28];
    int32_t transparence; // percent
    char reserved3[8];
} VIDEO_WATERMARK_PARAM;

typedef struct SUBTITLE_PARAM {
    char path[260];   // empty = no subtitle
    int32_t position; // vertical position in video pixels, -1 = not set
    char fontFile[260];
    char reserved[260];
    int32_t fontSize;
    int32_t shadow;       // 0 or 1
    uint32_t fontColor;   // colour word
    uint32_t shadowColor; // colour word (same value as fontColor)
} SUBTITLE_PARAM;

// Draws text into a width x height buffer of RGBA8888 premultiplied pixels (rows of
// width * 4 bytes, top row first). Called on a library thread.
typedef void (*DRAW_TEXT_CALLBACK)(int width, int height, unsigned char* buffer, TEXT_WATERMARK_PARAM param);

// Loads a picture. With a null buffer only *width and *height are set. Otherwise fills
// width * height * 4 bytes of RGBA8888 premultiplied pixels, never more than bufferSize.
// Returns 1 on success, 0 on failure. Called on a library thread.
typedef int (*LOAD_IMAGE_CALLBACK)(const char* path, int* width, int* height, int bufferSize,
                                   unsigned char* buffer);

} // extern "C"

static_assert(sizeof(RECT) == 16);
static_assert(offsetof(RECT, top) == 4 && offsetof(RECT, right) == 8 && offsetof(RECT, bottom) == 12);

static_assert(sizeof(MEDIA_AUDIO_STREAM_INFO) == 600);
static_assert(offsetof(MEDIA_AUDIO_STREAM_INFO, index) == 4);
static_assert(offsetof(MEDIA_AUDIO_STREAM_INFO, codec) == 8);
static_assert(offsetof(MEDIA_AUDIO_STREAM_INFO, samplerate) == 136);
static_assert(offsetof(MEDIA_AUDIO_STREAM_INFO, channel) == 140);
static_assert(offsetof(MEDIA_AUDIO_STREAM_INFO, bitrate) == 144);
static_assert(offsetof(MEDIA_AUDIO_STREAM_INFO, fmt) == 148);
static_assert(offsetof(MEDIA_AUDIO_STREAM_INFO, lang) == 152);
static_assert(offsetof(MEDIA_AUDIO_STREAM_INFO, title) == 280);
static_assert(offsetof(MEDIA_AUDIO_STREAM_INFO, apsect) == 536);

static_assert(sizeof(MEDIA_VIDEO_STREAM_INFO) == 624);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, index) == 4);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, codec) == 8);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, codecTag) == 72);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, width) == 136);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, height) == 140);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, fps) == 144);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, bitrate) == 152);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, aspect) == 160);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, angle) == 168);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, lang) == 172);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, title) == 300);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, apsect) == 556);
static_assert(offsetof(MEDIA_VIDEO_STREAM_INFO, reserved2) == 620);

static_assert(sizeof(IMAGE_WATERMARK_PARAM) == 296);
static_assert(offsetof(IMAGE_WATERMARK_PARAM, rect) == 260);
static_assert(offsetof(IMAGE_WATERMARK_PARAM, transparence) == 276);
static_assert(offsetof(IMAGE_WATERMARK_PARAM, start_time) == 280);
static_assert(offsetof(IMAGE_WATERMARK_PARAM, end_time) == 288);

static_assert(sizeof(TEXT_WATERMARK_PARAM) == 824);
static_assert(offsetof(TEXT_WATERMARK_PARAM, rect) == 260);
static_assert(offsetof(TEXT_WATERMARK_PARAM, szFontFile) == 276);
static_assert(offsetof(TEXT_WATERMARK_PARAM, szFontName) == 536);
static_assert(offsetof(TEXT_WATERMARK_PARAM, fontsize) == 796);
static_assert(offsetof(TEXT_WATERMARK_PARAM, fontclr) == 800);
static_assert(offsetof(TEXT_WATERMARK_PARAM, transparence) == 804);
static_assert(offsetof(TEXT_WATERMARK_PARAM, start_time) == 808);
static_assert(offsetof(TEXT_WATERMARK_PARAM, end_time) == 816);

static_assert(sizeof(VIDEO_WATERMARK_PARAM) == 352);
static_assert(offsetof(VIDEO_WATERMARK_PARAM, rect) == 260);
static_assert(offsetof(VIDEO_WATERMARK_PARAM, reserved1) == 276);
static_assert(offsetof(VIDEO_WATERMARK_PARAM, start_time) == 280);
static_assert(offsetof(VIDEO_WATERMARK_PARAM, end_time) == 288);
static_assert(offsetof(VIDEO_WATERMARK_PARAM, file_start_time) == 296);
static_assert(offsetof(VIDEO_WATERMARK_PARAM, file_end_time) == 304);
static_assert(offsetof(VIDEO_WATERMARK_PARAM, reserved2) == 312);
static_assert(offsetof(VIDEO_WATERMARK_PARAM, transparence) == 340);
static_assert(offsetof(VIDEO_WATERMARK_PARAM, reserved3) == 344);

static_assert(sizeof(SUBTITLE_PARAM) == 800);
static_assert(offsetof(SUBTITLE_PARAM, position) == 260);
static_assert(offsetof(SUBTITLE_PARAM, fontFile) == 264);
static_assert(offsetof(SUBTITLE_PARAM, reserved) == 524);
static_assert(offsetof(SUBTITLE_PARAM, fontSize) == 784);
static_assert(offsetof(SUBTITLE_PARAM, shadow) == 788);
static_assert(offsetof(SUBTITLE_PARAM, fontColor) == 792);
static_assert(offsetof(SUBTITLE_PARAM, shadowColor) == 796);

namespace mediarecords {

// Length of the longest prefix of `text` that fits in `capacity - 1` bytes without
// cutting a UTF-8 character in two.
inline size_t utf8FitLength(std::string_view text, size_t capacity) {
    if (capacity == 0)
        return 0;
    size_t n = text.size();
    if (n < capacity)
        return n;
    n = capacity - 1;
    // Step back over continuation bytes (10xxxxxx) to the start of the cut character.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

// Writes `text` into a fixed text field, cut at the field's size on a character boundary,
// always NUL-terminated; the rest of the field is zeroed.
template <size_t N> inline void writeText(char (&field)[N], std::string_view text) {
    const size_t n = utf8FitLength(text, N);
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), n);
}

// True when `text` fits a field of N bytes whole (used to refuse paths that would be cut).
template <size_t N> inline bool fitsText(const char (&)[N], std::string_view text) {
    return text.size() < N;
}

// Reads a text field that another party filled, never past its end.
template <size_t N> inline std::string readText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

} // namespace mediarecords
