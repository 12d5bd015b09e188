#include "AudioOutput.h"

#include "AudioRing.h"
#include "PlayerLog.h"

#include <pulse/pulseaudio.h>
#include <string>

namespace {

// The device's buffer: what is heard lags what the ring gave by this much.
constexpr pa_usec_t kDeviceBufferUs = 100000;

// Waits (the caller holds the loop's lock) until `op` has run; false when it could not start.
bool finish(pa_threaded_mainloop* loop, pa_operation* op) {
    if (!op)
        return false;
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
        pa_threaded_mainloop_wait(loop);
    pa_operation_unref(op);
    return true;
}

// Waits (the caller holds the loop's lock) until `state()` is `ready`; false once it has failed
// or ended. Works for a connection's and a stream's states alike.
template <typename State, typename Read> bool waitReady(pa_threaded_mainloop* loop, Read state, State ready) {
    for (;;) {
        const State now = state();
        if (now == ready)
            return true;
        // Both kinds count their failed and ended states after every good one.
        if (now > ready)
            return false;
        pa_threaded_mainloop_wait(loop);
    }
}

// The rate of the default output, so that the server need not convert what the player gives.
struct RateQuery {
    pa_threaded_mainloop* loop;
    std::string sink;
    int rate = 0;
};

void onServerInfo(pa_context*, const pa_server_info* info, void* data) {
    auto* q = static_cast<RateQuery*>(data);
    if (info) {
        q->rate = int(info->sample_spec.rate);
        if (info->default_sink_name)
            q->sink = info->default_sink_name;
    }
    pa_threaded_mainloop_signal(q->loop, 0);
}

void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* data) {
    auto* q = static_cast<RateQuery*>(data);
    if (eol == 0 && info)
        q->rate = int(info->sample_spec.rate);
    pa_threaded_mainloop_signal(q->loop, 0);
}

} // namespace

std::unique_ptr<AudioOutput> AudioOutput::create() {
    std::unique_ptr<AudioOutput> out(new AudioOutput);
    out->loop_ = pa_threaded_mainloop_new();
    if (!out->loop_)
        return nullptr;
    pa_threaded_mainloop_set_name(out->loop_, "cutbench-sound");
    if (pa_threaded_mainloop_start(out->loop_) < 0)
        return nullptr;
    pa_threaded_mainloop_lock(out->loop_);
    const bool ok = out->connect() && out->openStream();
    pa_threaded_mainloop_unlock(out->loop_);
    if (!ok) {
        player::logDebug("no sound device: playing silent (%s)",
                         out->context_ ? pa_strerror(pa_context_errno(out->context_)) : "no connection");
        return nullptr;
    }
    return out;
}

AudioOutput::~AudioOutput() {
    if (ring_)
        ring_->abort();
    if (!loop_)
        return;
    // Everything goes under the loop's lock, and the loop stops only once nothing of ours is
    // left on it; the ring goes last, after the last callback that reads it.
    pa_threaded_mainloop_lock(loop_);
    if (stream_) {
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

bool AudioOutput::connect() {
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Cutbench");
    if (!context_)
        return false;
    pa_context_set_state_callback(context_, onContextState, this);
    // A machine without a running sound server plays silent; the player never starts one.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    if (!waitReady(
            loop_, [&] { return pa_context_get_state(context_); }, PA_CONTEXT_READY))
        return false;
    RateQuery query{loop_, {}, 0};
    if (!finish(loop_, pa_context_get_server_info(context_, onServerInfo, &query)))
        return false;
    if (!query.sink.empty())
        finish(loop_, pa_context_get_sink_info_by_name(context_, query.sink.c_str(), onSinkInfo, &query));
    if (query.rate > 0 && query.rate <= 384000)
        format_.sampleRate = query.rate;
    return true;
}

bool AudioOutput::openStream() {
    const pa_sample_spec pcm{PA_SAMPLE_S16LE, uint32_t(format_.sampleRate), uint8_t(format_.channels)};
    stream_ = pa_stream_new(context_, "Cutbench playback", &pcm, nullptr);
    if (!stream_)
        return false;
    ring_ = std::make_unique<AudioRing>(format_.bytesPerSecond());
    pa_stream_set_state_callback(stream_, onStreamState, this);
    pa_stream_set_write_callback(stream_, onWritable, this);
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(kDeviceBufferUs, &pcm));
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(-1);
    // Corked until the player plays; the latency asked for is the whole way to the ear.
    const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
        return false;
    if (!waitReady(
            loop_, [&] { return pa_stream_get_state(stream_); }, PA_STREAM_READY))
        return false;
    const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream_);
    const pa_usec_t latency = granted ? pa_bytes_to_usec(granted->tlength, &pcm) : kDeviceBufferUs;
    ring_->setLatencyUs(int64_t(latency));
    return true;
}

void AudioOutput::setRunning(bool running) {
    pa_threaded_mainloop_lock(loop_);
    if (stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY) {
        if (pa_operation* op = pa_stream_cork(stream_, running ? 0 : 1, nullptr, nullptr))
            pa_operation_unref(op);
    }
    pa_threaded_mainloop_unlock(loop_);
    ring_->setDeviceRunning(running);
}

void AudioOutput::onContextState(pa_context*, void* self) {
    pa_threaded_mainloop_signal(static_cast<AudioOutput*>(self)->loop_, 0);
}

void AudioOutput::onStreamState(pa_stream* stream, void* self) {
    auto* out = static_cast<AudioOutput*>(self);
    // The server went away or dropped the stream: the picture goes on by the wall clock.
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && out->ring_)
        out->ring_->setDeviceLost();
    pa_threaded_mainloop_signal(out->loop_, 0);
}

void AudioOutput::onWritable(pa_stream* stream, size_t bytes, void* self) {
    auto* out = static_cast<AudioOutput*>(self);
    const size_t frameBytes = size_t(out->format_.channels) * 2;
    void* data = nullptr;
    size_t n = bytes;
    if (pa_stream_begin_write(stream, &data, &n) < 0 || !data)
        return;
    n -= n % frameBytes;
    if (n == 0) {
        pa_stream_cancel_write(stream);
        return;
    }
    out->ring_->pull(static_cast<char*>(data), int64_t(n));
    pa_stream_write(stream, data, n, nullptr, 0, PA_SEEK_RELATIVE);
}
