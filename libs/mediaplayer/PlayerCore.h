// The inside of LxMoviePlayer: the open file, the three threads (demux, video, audio), the
// clock, the live settings and the view. Public operations are called on the GUI thread and
// never wait for the decoder threads: a seek, a redraw or a snapshot of a picture still on its
// way is finished by the video thread when that picture lands.
//
// Who owns what. The file (fmt_) belongs to the GUI thread only while the constructor opens
// it, then to the demux thread alone: only the demux thread reads it, and it is the one that
// opens decoders (a switch of sound stream opens the new decoder there and hands it to the
// audio thread inside the seek's Flush item). Each decoder, the filter graph and the current
// decoded frame belong to their decode thread while it runs. What other threads need of the
// file (stream kinds, time bases, duration) is copied at open and never changes.
//
// Lock order. A thread that holds more than one lock takes them in this order, never the
// reverse:
//   stateMutex_  ->  PlayerClock's lock  ->  AudioRing's lock
//   stateMutex_  ->  AudioRing's lock
//   stateMutex_  ->  a PacketQueue's lock
// settingsMutex_ and the FrameSlot's lock are leaves: nothing else is taken while one is held,
// and neither is taken while stateMutex_ is held. No lock is held while calling a user
// callback, filtering, converting or decoding.
#pragma once

#include "FfPointers.h"
#include "FrameConverter.h"
#include "PacketQueue.h"
#include "PlayerClock.h"
#include "PreviewSettings.h"
#include "VideoFilter.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class AudioOutput;
class FrameNotifier;
class FrameSlot;
class PlayerView;
class QWidget;

// A file's length as the player shows it: the container's, else its longest stream's.
int64_t fileDurationUs(const AVFormatContext* format);

class PlayerCore {
public:
    enum Status { Stopped = 0, Playing = 1, Paused = 2 };
    using SnapshotDone = std::function<void(QImage)>;

    PlayerCore(const QString& path, const QRect& frame);
    ~PlayerCore();

    bool isOpen() const { return open_; }
    QString errorString() const { return error_; }
    QWidget* view() const;
    void setDidEnd(std::function<void()> block);
    // Called once, on the demux thread, when a file shown by its stored times moves onto its
    // index's line (see moveOntoIndexLine).
    void setMovedOntoIndexLine(std::function<void()> block);
    // A time of the stored line the file was shown on before it moved onto its index's line, on
    // that line: the time the picture shown there has now. Unchanged before the move.
    int64_t indexLineUs(int64_t storedUs) const;
    // Whether the file is shown by its stored times still: opened on them and not yet moved.
    bool shownByStoredTimes() const {
        return openedOnStoredTimes_ && !onIndexLine_.load(std::memory_order_acquire);
    }
    // Opened on its stored times, and the process holds its index now: an opening of the file
    // from now on is on the index's line (also before this player has moved there).
    bool indexHeld() const;

    void play() { setStatus(Playing); }
    void pause() { setStatus(Paused); } // from playing; a stopped player stays stopped
    void stop() { setStatus(Stopped); }
    void close();
    int status() const { return status_.load(); }

    void seekUs(int64_t us);
    int64_t durationUs() const { return durationUs_.load(); }
    int64_t positionUs() const;

    // Asks the video thread to draw the current frame again with the current settings.
    void refresh();
    // At once: 1 and the picture when it is up to date (no seek or redraw on its way), else 0.
    int snapshot(int* w, int* h, unsigned char* buf);
    // `done` gets the picture at w x h once it is up to date: before returning when it is
    // already, otherwise later on the GUI thread; a null image when there is none (no picture
    // track, a bad size, the player closed meanwhile). Never called after the player is gone.
    void snapshotWhenReady(int w, int h, SnapshotDone done);

    // Applies `edit` to the live settings under the lock; picture edits bump the version so
    // that the filter graph rebuilds.
    void editPicture(const std::function<void(PreviewSettings&)>& edit);
    void editSound(const std::function<void(PreviewSettings&)>& edit);
    void setAudioIndex(int streamIndex);
    PreviewSettings settings() const;

    // Counts live players (tests check that closing frees everything).
    static int liveCount();

private:
    struct SnapshotRequest {
        int w = 0, h = 0;
        SnapshotDone done;
    };

    void setStatus(Status next);
    bool openFile(const QString& path);
    ff::CodecPtr openDecoder(int streamIndex) const;
    void startThreads();
    void stopThreads();
    void freeFile();
    void requestSeekLocked(int64_t us);
    // Demux thread: once the index of a file shown by its stored times is held (read behind the
    // opening), reads by it from then on. The picture in view stays and takes the index's time;
    // the length, the position and every later seek are the index's, so that the player shows
    // at a time the picture a job cuts from there.
    void moveOntoIndexLine();

    // Threads (PlayerCore_threads.cpp).
    void demuxLoop();
    void applySeek(int serial, int64_t target, int wantedAudio);
    bool keyFrameBefore(int64_t target, std::vector<ff::PacketPtr>& read);
    void queuePacket(ff::PacketPtr pkt, int serial);
    int64_t packetUs(const AVPacket* pkt, bool decodeOrder) const;
    void videoLoop();
    void audioLoop();
    // Waits until the picture at `ptsUs` is due: while playing `leadUs` before it, otherwise
    // once the stopped clock has reached it. False when a seek or close came meanwhile.
    bool waitForClock(int64_t ptsUs, int serial, int64_t leadUs = 0);
    bool reachedEnd(int serial);
    void syncAudioDevice();
    int64_t frameUs(const AVFrame* f, int streamIndex) const;
    // Video thread: the time of a decoded picture (`decodeTimed`: its key frame's packet had a
    // decoding time only).
    int64_t pictureUs(const AVFrame* f, bool decodeTimed, int64_t afterUs) const;

    // Pictures (PlayerCore_picture.cpp).
    void show(const AVFrame* frame, int64_t ptsUs, int64_t durUs, int serial, bool firstAfterSeek);
    void publish(ff::FramePtr filtered, int64_t ptsUs, int64_t durUs, bool reduced = false);
    void keepCurrent(const AVFrame* frame, int64_t ptsUs, int64_t durUs);
    void markShown(int serial, uint64_t redrawTicket);
    bool pictureSettledLocked() const;
    // Stopped after playing, the clock at `t`: what stands in the view.
    enum class AtClock {
        Coming,    // the picture due at `t` is still on its way
        Shown,     // the picture in view is the one due at `t`
        NoPicture, // none is coming: the pictures ended, or none can be read while stopped
    };
    AtClock pictureAtClockLocked(int64_t t) const;
    bool redrawDueLocked() const;
    // Video thread: the redraw asked for, once the latest seek has landed; and the snapshots
    // larger than the picture made for the view, from the whole picture.
    void serviceRedraw();
    void serviceWholeSnapshots();
    // Hands the waiting snapshots to the GUI thread once the picture is up to date.
    void deliverSnapshots();
    void answerSnapshots(std::vector<SnapshotRequest> requests);
    // Answers `r` now, or hands it to the video thread when the picture in view was made
    // smaller than `r` asks (while playing).
    void answerOrDefer(SnapshotRequest r);
    QImage snapshotImage(int w, int h);

    // Timestamps are rounded to their time base: times this close are the same picture's.
    static constexpr int64_t kSameTimeUs = 1000;

    // Copied at open; read by every thread.
    ff::InputPtr fmt_;
    std::vector<int> streamKinds_; // AVMediaType of each stream
    std::vector<AVRational> timeBases_;
    int videoStream_ = -1;
    // The origin and the length change once, when the file moves onto its index's line.
    std::atomic<int64_t> startUs_{0};
    std::atomic<int64_t> durationUs_{0};
    int64_t frameDurUs_ = 40000;
    bool open_ = false;
    bool closed_ = false;
    QString error_;

    // Decoders: each belongs to its thread once the threads run.
    ff::CodecPtr vdec_;
    ff::CodecPtr adec_;
    std::atomic<int> audioStream_{-1}; // the stream the demux thread queues sound from

    // Threads and their hand-offs.
    PacketQueue videoQ_, audioQ_;
    std::thread demuxThread_, videoThread_, audioThread_;
    std::atomic<bool> abort_{false};

    // Play state, seeks, redraws and the end; guarded by stateMutex_.
    mutable std::mutex stateMutex_;
    std::condition_variable stateCv_;
    std::atomic<int> status_{Stopped};
    bool seekPending_ = false;
    int64_t seekTargetUs_ = 0;
    int wantedAudioStream_ = -1;
    int requestedSerial_ = 0;
    int shownSerial_ = 0;     // the latest seek whose picture is up (or that has none)
    int videoEndSerial_ = -1; // the serial for which the video thread reached the end
    // The picture the video thread waits to show (INT64_MIN when it waits for none), and for
    // which seek: stopped, a picture past the clock is not coming.
    int64_t videoWaitsForUs_ = INT64_MIN;
    int videoWaitsSerial_ = -1;
    bool playedSinceSeek_ = false; // the clock ran since the latest seek
    uint64_t redrawAsked_ = 0;     // redraws asked for, and the last one whose picture is up
    uint64_t redrawDone_ = 0;
    std::vector<SnapshotRequest> snapshotWaiters_;
    std::vector<SnapshotRequest> wholeSnapshots_; // for the video thread (serviceWholeSnapshots)
    bool atEnd_ = false;
    PlayerClock clock_;
    std::function<void()> didEnd_;
    std::function<void()> movedOntoIndexLine_;

    // A file shown by its stored times whose index is not held yet (demux thread), and when the
    // demux thread next asks whether it is; whether it has moved onto that index's line since.
    bool storedLine_ = false;
    bool openedOnStoredTimes_ = false; // set at the opening, before the threads start
    std::string heldKey_;              // the same, the name its index is held by
    std::chrono::steady_clock::time_point nextHeldCheck_;
    std::atomic<bool> onIndexLine_{false};

    // Live settings.
    mutable std::mutex settingsMutex_;
    PreviewSettings settings_;

    // Picture path. The video thread owns the current decoded frame (for redraws), the graph
    // and its converter; the GUI thread has a converter of its own for snapshots.
    ff::FramePtr current_;
    int64_t currentUs_ = 0;
    int64_t currentDurUs_ = 0;
    // The time span of the picture in the view; guarded by stateMutex_.
    int64_t shownUs_ = INT64_MIN;
    int64_t shownEndUs_ = INT64_MIN;
    VideoFilter filter_;
    FrameConverter converter_{FrameConverter::Layout::View}; // video thread only
    FrameConverter snapshotConverter_;                       // GUI thread only
    std::shared_ptr<FrameSlot> slot_;
    std::unique_ptr<FrameNotifier> notifier_;
    QPointer<PlayerView> view_;

    std::unique_ptr<AudioOutput> audio_;
};
