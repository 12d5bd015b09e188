// The FFmpeg helpers the media libraries share: owning pointers for FFmpeg objects (so that
// every early return releases what it opened), the microsecond time base the libraries count
// in, and the one logging helper.
//
// Logging goes through FFmpeg's own log (av_log) on a logging object of the library, so that a
// program that installs an av_log callback receives the libraries' messages and FFmpeg's in one
// place, and tells them apart by the object's class.
// Threading: everything here is safe from any thread.
#pragma once

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/avstring.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace ff {

// State an input owns through its `opaque` (the index of its pictures, SourceIndex.h): ended
// with the input.
struct InputOwned {
    virtual ~InputOwned() = default;
};
struct InputDeleter {
    void operator()(AVFormatContext* f) const {
        InputOwned* owned = f ? static_cast<InputOwned*>(f->opaque) : nullptr;
        avformat_close_input(&f);
        delete owned;
    }
};
// State a codec context owns through its `opaque`, set together with a get_buffer2 of its own
// (buffers a decoder's pictures are made in): ended by the context's deleter once the context
// is freed, when the codec can no longer ask for buffers.
struct CodecOwned {
    virtual void contextFreed() = 0;

protected:
    ~CodecOwned() = default;
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const {
        CodecOwned* owned =
            c->get_buffer2 != avcodec_default_get_buffer2 ? static_cast<CodecOwned*>(c->opaque) : nullptr;
        avcodec_free_context(&c);
        if (owned)
            owned->contextFreed();
    }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FilterGraphDeleter {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct AudioFifoDeleter {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
// A muxer's context: its file (when it opened one) is closed with it.
struct OutputDeleter {
    void operator()(AVFormatContext* f) const {
        if (f->pb)
            avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
struct ScalerDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputDeleter>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerDeleter>;

inline FramePtr makeFrame() {
    return FramePtr(av_frame_alloc());
}
inline PacketPtr makePacket() {
    return PacketPtr(av_packet_alloc());
}
// A new reference to `f`'s data (null for null or when out of memory).
inline FramePtr cloneFrame(const AVFrame* f) {
    return FramePtr(f ? av_frame_clone(f) : nullptr);
}
inline PacketPtr clonePacket(const AVPacket* p) {
    return PacketPtr(p ? av_packet_clone(p) : nullptr);
}
// Opens `path` for reading (without reading its stream information); null on failure, with
// the error in `*error` when asked.
inline InputPtr openInput(const char* path, int* error = nullptr) {
    AVFormatContext* raw = nullptr;
    const int r = avformat_open_input(&raw, path, nullptr, nullptr);
    if (error)
        *error = r;
    return InputPtr(r < 0 ? nullptr : raw);
}

// The time base of every time the libraries hand around: microseconds.
inline constexpr AVRational kMicro{1, 1000000};

// Where the timeline of a file begins, in microseconds of the file's own clock: the start of
// its picture stream `pictureStream` when it has one, else the file's start (0 when unknown).
// Every time the libraries give or take counts from here, so that time 0 is the first picture
// and a picture's time is the same in every container: sound stored ahead of the pictures (an
// encoder's priming, which MP4 hides in an edit list and Matroska, WebM and MPEG-TS keep before
// them; a broadcast's lead) would otherwise put every picture late by that amount. An MPEG
// stream's picture stream starts where its index's line does (SourceIndex.h).
inline int64_t timelineOriginUs(const AVFormatContext* format, int pictureStream) {
    if (pictureStream >= 0 && unsigned(pictureStream) < format->nb_streams) {
        const AVStream* s = format->streams[pictureStream];
        if (s->start_time != AV_NOPTS_VALUE)
            return av_rescale_q(s->start_time, s->time_base, kMicro);
    }
    return format->start_time == AV_NOPTS_VALUE ? 0
                                                : av_rescale_q(format->start_time, AV_TIME_BASE_Q, kMicro);
}

// FFmpeg's text for an error code (av_err2str).
inline std::string errorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_make_error_string(text, sizeof text, error);
    return text;
}

// A library's logging object: av_log's context, whose class names the library ("MediaCore",
// "MediaFx", "MediaPlayer") with the FFmpeg category nearest to its work. A program's log
// callback files the line under its own category for that class.
struct LogSource {
    const AVClass* avClass;
};

constexpr AVClass logClass(const char* library, AVClassCategory category) {
    AVClass c{};
    c.class_name = library;
    c.item_name = av_default_item_name;
    c.version = LIBAVUTIL_VERSION_INT;
    c.category = category;
    return c;
}

// The text into FFmpeg's log at `level` (AV_LOG_ERROR, AV_LOG_WARNING, AV_LOG_VERBOSE...) on
// the library's logging object.
#if defined(__GNUC__)
__attribute__((format(printf, 3, 4)))
#endif
inline void
log(const LogSource& source, int level, const char* format, ...) {
    char text[4096]; // room for a long path
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    av_log(const_cast<LogSource*>(&source), level, "%s\n", text);
}

} // namespace ff

// The engine names these unqualified in its own namespace.
namespace mediacore {
using namespace ff;
}
