#include "AudioOutput.h"

#include "AudioRing.h"
#include "PlayerLog.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>

std::unique_ptr<AudioOutput> AudioOutput::create() {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return nullptr;
    QAudioFormat format;
    format.setSampleRate(device.preferredFormat().sampleRate() > 0 ? device.preferredFormat().sampleRate()
                                                                   : 48000);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        format.setSampleRate(48000);
        if (!device.isFormatSupported(format)) {
            player::logWarning("sound device %s takes no 16-bit stereo; playing silent",
                               qUtf8Printable(device.description()));
            return nullptr;
        }
    }
    std::unique_ptr<AudioOutput> out(new AudioOutput);
    out->format_ = format;
    out->ring_ = std::make_unique<AudioRing>(format.bytesForDuration(1000000));
    out->sink_ = std::make_unique<QAudioSink>(device, format);
    out->sink_->setBufferSize(format.bytesForDuration(100000));
    return out;
}

AudioOutput::~AudioOutput() {
    if (sink_)
        sink_->stop();
    if (ring_)
        ring_->abort();
}

void AudioOutput::setRunning(bool running) {
    if (running && !started_) {
        sink_->start(ring_.get());
        started_ = true;
        ring_->setLatencyUs(format_.durationForBytes(sink_->bufferSize()));
    } else if (running) {
        sink_->resume();
    } else if (started_) {
        sink_->suspend();
    }
    ring_->setDeviceRunning(running && started_);
}
