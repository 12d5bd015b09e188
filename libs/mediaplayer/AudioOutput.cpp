#include "AudioOutput.h"

#include "AudioRing.h"
#include "PlayerLog.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
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

namespace {

// The sinks of players that are gone, until the event loop deletes them; the rest go when the
// application ends, so that none outlives Qt Multimedia.
QObject* retiredSinks() {
    static QObject* holder = nullptr;
    if (!holder) {
        holder = new QObject;
        qAddPostRoutine([] {
            delete holder;
            holder = nullptr;
        });
    }
    return holder;
}

} // namespace

AudioOutput::~AudioOutput() {
    if (ring_)
        ring_->abort();
    if (!sink_)
        return;
    // Stopping closes the device's stream: from here on the sink reads nothing from the ring.
    sink_->stop();
    // Qt's PulseAudio sink runs the event loop from its destructor. A player is mostly replaced
    // from inside an event (the open panel's Return, a button's click), and running the loop
    // there deletes or re-enters the widgets still handling it (the panel deletes itself once
    // closed). So the sink is deleted later, from the event loop, with the ring it was given.
    QAudioSink* sink = sink_.release();
    ring_.release()->setParent(sink);
    if (!QCoreApplication::instance()) {
        delete sink;
        return;
    }
    sink->setParent(retiredSinks());
    sink->deleteLater();
}

void AudioOutput::setRunning(bool running) {
    if (running && !started_) {
        sink_->start(ring_.get());
        started_ = true;
        // The device's buffer holds a fraction of a second of sound: its size fits the int
        // that durationForBytes takes.
        ring_->setLatencyUs(format_.durationForBytes(static_cast<qint32>(sink_->bufferSize())));
    } else if (running) {
        sink_->resume();
    } else if (started_) {
        sink_->suspend();
    }
    ring_->setDeviceRunning(running && started_);
}
