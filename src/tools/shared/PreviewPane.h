// The preview of a tool window: the player of one file (LxMoviePlayer) hosted in a container
// view, play, pause and stop, the 0.1 s tick that moves the window's play head while it
// plays, mute and volume, and a snapshot of the frame shown.
//
// Each open() replaces the player; close() drops it (the window's closing calls it). The
// player's end-of-media report comes on a player thread; the pane queues it to the main
// thread and hands it to didEnd only when it comes from the player that is open now, so a
// report of a replaced player, or one that arrives while or after the window closes, does
// nothing.
//
// Sound: volume is a gain (1.0 the file's own level, at most 2). A mute silences the player
// whether it plays, pauses or stands stopped, and unmuting gives the gain set last back.
// Opening a file starts unmuted at the gain given.
//
// Snapshot: the frame shown, at the picture's displayed size, written as png, jpg or bmp
// into a folder (made when missing) under a name of the current time that is free there;
// an existing file is never replaced. The window never waits for the player: a snapshot
// asked while a seek is under way is taken when that seek's picture is up.
//
// Main thread only; the pane and the player it owns live in the window that hosts it.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class EngineJob;
class LxMoviePlayer;
class PreviewPane;
class QWidget;
class SimpleData;

// The times a window kept for a file that moved onto its index's line (see
// PreviewPane::movedOntoIndexLine), taken to that line: the file's start and end stay its start
// and end, and a time between takes the time its picture has now.
class IndexLineMove {
public:
    // `before` and `now`: the file's length on the line before and on the index's, in seconds.
    IndexLineMove(double before, double now, std::function<double(double)> toLine);
    double before() const { return before_; }
    double now() const { return now_; }
    // `seconds` of the line before on the line now.
    double at(double seconds) const;
    // As at(), for a time the user set: noted when it reads otherwise now, to the hundredth the
    // time fields show.
    double userTime(double seconds);
    // Whether a time the user set reads otherwise now: the window says so.
    bool userTimeChanged() const { return changed_; }

private:
    double before_, now_;
    std::function<double(double)> toLine_;
    bool changed_ = false;
};

// A chain of jobs on one file started while the window showed it by its stored times. The first
// job takes its range onto the index's line itself (its set-up opened the file on the stored
// times, and it waits for the index); the inputs of later ones open on the index's line, so they
// wait until the window has moved their times there too.
class StoredTimesRun {
public:
    // indexHeld: whether the process holds the file's index now (from then on a set-up opens
    // the file on the index's line); none where the window does not know. storedNow: whether
    // the window's times are still the stored ones (none: until moved() says otherwise).
    explicit StoredTimesRun(bool storedTimes, std::function<bool()> indexHeld = {},
                            std::function<bool()> storedNow = {})
        : storedTimes_(storedTimes), indexHeld_(std::move(indexHeld)), storedNow_(std::move(storedNow)) {}
    // The run of the file `path` that `pane` shows now (on the stored times or not).
    static std::shared_ptr<StoredTimesRun> of(const PreviewPane* pane, const QString& path);
    // Whether job `index` may be set up now (the first one while the index is not held yet, the
    // others once the window has moved); else *error asks the chain to try again shortly, or,
    // when the window has not moved within 30 s, refuses the range in words.
    bool ready(int index, int* error);
    // After a job was set up: false where the index came to be held while the window's times are
    // still the stored ones, so that the set-up may have opened the file on the index's line.
    // The job is then let go and *error set as ready() sets it: it is made again once the window
    // has moved.
    bool settled(std::unique_ptr<EngineJob>& job, int* error);
    // The window moved the run's times onto the index's line: true once, when it had to.
    bool moved();

private:
    bool storedTimes() const;
    bool wait(int* error);

    bool storedTimes_;
    std::function<bool()> indexHeld_;
    std::function<bool()> storedNow_;
    std::optional<std::chrono::steady_clock::time_point> waitingSince_;
};

class PreviewPane : public QObject {
    Q_OBJECT
public:
    explicit PreviewPane(QWidget* host, QObject* parent = nullptr);
    ~PreviewPane() override;

    // Opens path at gain volume, paused on its first frame (time 0, where a cut from 0 starts).
    // pictureSize is the displayed size of the picture (width and height swapped for a quarter
    // turn); an empty size means sound only, and no snapshot. Returns whether the player could
    // open it.
    bool open(const QString& path, double volume, QSize pictureSize);
    // The displayed picture size of a probed file: width and height swapped for a quarter
    // turn; empty for a file without picture.
    static QSize displaySize(const SimpleData& data);
    // The displayed picture size once a window turns the picture (snapshots take this size).
    void setPictureSize(QSize size) { pictureSize_ = size; }
    QSize pictureSize() const { return pictureSize_; }
    // Stops the tick and the player and drops it.
    void close();
    LxMoviePlayer* player() const { return player_.get(); }
    // The file open, or empty.
    QString path() const { return player_ ? path_ : QString(); }
    // Whether the window's times for the file open are its stored times still: opened on them,
    // and the window not yet told of the move onto the index's line (the player may have moved).
    bool showsStoredTimes() const { return player_ && storedTimes_; }
    QWidget* host() const { return host_; }

    void play();
    void pause();
    // Stops and goes back to the start.
    void stop();
    // The window wants playback: set by play(), cleared by pause(), stop() and the end of the
    // file. A drag may pause the player for a while without clearing it.
    bool isPlaying() const { return playing_; }
    // The tick alone, for windows that pause the player during a drag.
    void startTicking();
    void stopTicking();
    bool isTicking() const { return timer_.isActive(); }

    // Seconds, clamped to the file; nothing without a player or for a value that is not finite.
    // timescale is the CMTime scale of the seek (1,000,000,000 unless a window says otherwise).
    void seek(double seconds, int32_t timescale = 1000000000);
    double currentTime() const;
    double duration() const;

    void setVolume(double gain);
    double volume() const { return volume_; }
    void setMuted(bool muted);
    bool isMuted() const { return muted_; }

    // The frame shown, scaled to size, handed to `done` once the picture of the latest seek is
    // up (before returning when it already is); a null image when there is no picture. Not
    // called once the player is dropped.
    void currentFrame(QSize size, std::function<void(const QImage&)> done) const;
    // Writes the frame shown; format "png", "jpg" or "bmp" (anything else: png). `written`
    // (optional) gets the file written, or an empty string when there is no picture or it
    // could not be written; like currentFrame, it may come before this returns.
    void snapshot(const QString& folder, const QString& format,
                  std::function<void(const QString&)> written = {}) const;

    // Every 0.1 s while ticking, with the current time and the duration in seconds.
    std::function<void(double current, double duration)> tick;
    // Held still, once the picture of the latest seek or pause is up: the time of that picture,
    // which currentTime() gives from then on (the time label shows it; a mark takes it).
    std::function<void(double current)> shownTime;
    // Asks for shownTime after a pause made on the player directly (seek and pause here ask for
    // it themselves; stop leaves the window's play head and labels to the window). Only the
    // latest request is answered.
    void reportShownTime();
    // Playback reached the end of the file (main thread, the current player only). The pane
    // has paused and stopped ticking already.
    std::function<void()> didEnd;
    // The file, first shown by its stored times, moved onto its index's line (main thread, the
    // current player only): duration() and currentTime() are the new line's already, and
    // `toLine` takes a time the window kept (seconds of the line before) to the time its
    // picture has now. Set before open(): without it the player stays on the line it opened on.
    std::function<void(const std::function<double(double)>& toLine)> movedOntoIndexLine;
    // `seconds` of the line shown before the move, on the line shown now.
    double onIndexLine(double seconds) const;

    static constexpr int kTickMs = 100;

private:
    void playerEnded(unsigned generation);
    void playerMoved();
    // Writes `image` as snapshot() does; the file written or an empty string.
    static QString writeSnapshot(const QImage& image, const QString& folder, const QString& format);

    QWidget* host_;
    std::unique_ptr<LxMoviePlayer> player_;
    QTimer timer_;
    QSize pictureSize_;
    QString path_;
    bool storedTimes_ = false;
    // Tells the reports of the open player from those of players replaced since.
    std::shared_ptr<unsigned> generation_;
    double volume_ = 1.0;
    bool muted_ = false;
    bool playing_ = false;
    unsigned shownTimeAsked_ = 0;
};
