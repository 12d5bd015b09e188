// The sound device side of the player: a playback stream on the sound server (PulseAudio, or
// the PulseAudio service of PipeWire) that pulls from an AudioRing. The stream runs on a main
// loop thread of its own; every call into the server's client library holds that loop's lock,
// and the loop is stopped and freed only after the stream and the connection are gone, so that
// opening, replacing and closing players, and the end of the process, never race the loop.
#pragma once

#include <cstdint>
#include <memory>

class AudioRing;
struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

// What the device takes: interleaved signed 16-bit stereo at `sampleRate`.
struct PcmFormat {
    int sampleRate = 48000;
    int channels = 2;
    int bytesPerSecond() const { return sampleRate * channels * 2; }
};

class AudioOutput {
public:
    // Null when no sound server answers or it refuses the stream: the player then plays silent,
    // timed by the wall clock.
    static std::unique_ptr<AudioOutput> create();
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    const PcmFormat& format() const { return format_; }
    AudioRing* ring() const { return ring_.get(); }
    void setRunning(bool running);

private:
    AudioOutput() = default;
    bool connect();
    bool openStream();
    void waitFor(pa_stream* stream);
    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWritable(pa_stream* stream, size_t bytes, void* self);

    PcmFormat format_;
    std::unique_ptr<AudioRing> ring_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
};
