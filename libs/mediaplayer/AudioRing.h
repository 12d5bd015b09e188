// The sound on its way to the device: the audio thread writes timed chunks of PCM, the sound
// sink pulls bytes (pull mode). The time of the bytes last pulled is the player's clock.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

class AudioRing : public QIODevice {
    Q_OBJECT
public:
    AudioRing(int bytesPerSecond, QObject* parent = nullptr);

    // Blocks while the ring is full; gives up (false) when `serial` is no longer current or
    // the ring is aborted.
    bool write(int serial, int64_t ptsUs, QByteArray pcm);
    void flush(int serial);
    void setEnded(int serial); // no more chunks will come for this serial
    void abort();
    // The time of the sound being heard; false when no sound has been pulled since the last
    // flush or the sound has run out.
    bool position(int64_t& us) const;
    bool drained() const;
    void setLatencyUs(int64_t us) { latencyUs_ = us; }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxlen) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    struct Chunk {
        int64_t ptsUs;
        QByteArray pcm;
        qsizetype offset = 0;
    };

    const int bytesPerSecond_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Chunk> chunks_;
    qint64 queued_ = 0;
    int serial_ = 0;
    bool ended_ = false;
    bool aborted_ = false;
    bool havePosition_ = false;
    int64_t heardUs_ = 0;
    std::atomic<int64_t> latencyUs_{0};
};
