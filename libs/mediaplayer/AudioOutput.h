// The sound device side of the player: a Qt Multimedia sink in pull mode reading from an
// AudioRing. Lives on the GUI thread; only the ring is touched by the audio thread.
#pragma once

#include <QAudioFormat>
#include <memory>

class QAudioSink;
class AudioRing;

class AudioOutput {
public:
    // Null when the machine has no sound device or it takes no usable format.
    static std::unique_ptr<AudioOutput> create();
    ~AudioOutput();

    const QAudioFormat& format() const { return format_; } // interleaved signed 16-bit
    AudioRing* ring() const { return ring_.get(); }
    void setRunning(bool running);

private:
    AudioOutput() = default;

    QAudioFormat format_;
    std::unique_ptr<AudioRing> ring_;
    std::unique_ptr<QAudioSink> sink_;
    bool started_ = false;
};
