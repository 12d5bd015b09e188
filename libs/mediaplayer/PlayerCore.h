// The inside of LxMoviePlayer: the open file, the three threads (demux, video, audio), the
// clock, the live settings and the view. Public operations are called on the GUI thread.
#pragma once

#include "FrameConverter.h"
#include "PacketQueue.h"
#include "PlayerClock.h"
#include "PreviewSettings.h"
#include "VideoFilter.h"

#include <QPointer>
#include <QRect>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
class AudioOutput;
class FrameNotifier;
class FrameSlot;
class PlayerView;
class QWidget;

class PlayerCore {
public:
    enum Status { Stopped = 0, Playing = 1, Paused = 2 };

    PlayerCore(const QString& path, const QRect& frame);
    ~PlayerCore();

    bool isOpen() const { return open_; }
    QString errorString() const { return error_; }
    QWidget* view() const;
    void setDidEnd(std::function<void()> block);

    void play() { setStatus(Playing); }
    void pause() { setStatus(Paused); } // from playing; a stopped player stays stopped
    void stop() { setStatus(Stopped); }
    void close();
    int status() const { return status_.load(); }

    void seekUs(int64_t us);
    int64_t durationUs() const { return durationUs_; }
    int64_t positionUs() const;

    void refresh();
    int snapshot(int* w, int* h, unsigned char* buf);

    // Applies `edit` to the live settings under the lock; picture edits bump the version so
    // that the filter graph rebuilds.
    void editPicture(const std::function<void(PreviewSettings&)>& edit);
    void editSound(const std::function<void(PreviewSettings&)>& edit);
    void setAudioIndex(int streamIndex);
    PreviewSettings settings() const;

    // Counts live players (tests check that closing frees everything).
    static int liveCount();

private:
    void setStatus(Status next);
    bool openFile(const QString& path);
    bool openDecoder(int streamIndex, AVCodecContext** ctx);
    void startThreads();
    void stopThreads();
    void freeFile();
    void requestSeekLocked(int64_t us);

    void demuxLoop();
    void videoLoop();
    void audioLoop();
    bool waitForClock(int64_t ptsUs, int serial);
    void show(const AVFrame* frame, int64_t ptsUs, int serial, bool firstAfterSeek);
    void publish(const AVFrame* frame, FrameConverter& converter);
    void markShown(int serial);
    // Waits (briefly) until the picture of the latest seek is up.
    void waitForSeekPicture();
    bool reachedEnd(int serial);
    void syncAudioDevice();

    int64_t frameUs(const AVFrame* f, int streamIndex) const;

    // File and decoders (the decoders belong to their threads while they run).
    AVFormatContext* fmt_ = nullptr;
    AVCodecContext* vdec_ = nullptr;
    AVCodecContext* adec_ = nullptr;
    int videoStream_ = -1;
    std::atomic<int> audioStream_{-1};
    int wantedAudioStream_ = -1;
    int64_t startUs_ = 0;
    int64_t durationUs_ = 0;
    int64_t frameDurUs_ = 40000;
    bool open_ = false;
    bool closed_ = false;
    QString error_;

    // Threads and their hand-offs.
    PacketQueue videoQ_, audioQ_;
    std::thread demuxThread_, videoThread_, audioThread_;
    std::atomic<bool> abort_{false};

    // Play state, seeks and the end; guarded by stateMutex_.
    mutable std::mutex stateMutex_;
    std::condition_variable stateCv_;
    std::atomic<int> status_{Stopped};
    bool seekPending_ = false;
    int64_t seekTargetUs_ = 0;
    int requestedSerial_ = 0;
    int shownSerial_ = 0;     // the latest seek whose picture is up (or that has none)
    int videoEndSerial_ = -1; // the serial for which the video thread reached the end
    bool atEnd_ = false;
    PlayerClock clock_;
    std::function<void()> didEnd_;

    // Live settings.
    mutable std::mutex settingsMutex_;
    PreviewSettings settings_;

    // Picture path: the current decoded frame, the graph and the converter.
    std::mutex renderMutex_;
    AVFrame* current_ = nullptr; // the decoded frame last shown, for redraws
    int64_t currentUs_ = 0;
    VideoFilter filter_;
    FrameConverter converter_;        // video thread only
    FrameConverter refreshConverter_; // GUI thread only
    std::shared_ptr<FrameSlot> slot_;
    std::unique_ptr<FrameNotifier> notifier_;
    QPointer<PlayerView> view_;

    std::unique_ptr<AudioOutput> audio_;
};
