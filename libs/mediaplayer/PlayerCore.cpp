#include "PlayerCore.h"

#include "AudioOutput.h"
#include "AudioRing.h"
#include "DecoderThreads.h"
#include "FrameNotifier.h"
#include "FrameSlot.h"
#include "PlayerLog.h"
#include "PlayerView.h"
#include "SourceIndex.h"

#include <QThread>
#include <algorithm>
#include <cmath>
#include <tuple>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

int64_t fileDurationUs(const AVFormatContext* format) {
    int64_t us = format->duration > 0 ? format->duration : 0;
    for (unsigned i = 0; us <= 0 && i < format->nb_streams; ++i) {
        const AVStream* st = format->streams[i];
        if (st->duration > 0)
            us = std::max(us, av_rescale_q(st->duration, st->time_base, ff::kMicro));
    }
    return us;
}

namespace {

std::atomic<int> gLiveCount{0};

// Clockwise degrees that turn the stored picture upright, from the stream's display matrix.
int displayRotation(const AVStream* st) {
    const auto* matrix =
        reinterpret_cast<const int32_t*>(av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (!matrix)
        return 0;
    const double ccw = av_display_rotation_get(matrix);
    if (!std::isfinite(ccw))
        return 0;
    const int cw = int(std::lround(-ccw));
    return ((cw % 360) + 360) % 360;
}

} // namespace

PlayerCore::PlayerCore(const QString& path, const QRect& frame)
    : slot_(std::make_shared<FrameSlot>()), notifier_(std::make_unique<FrameNotifier>()) {
    ++gLiveCount;
    view_ = new PlayerView(slot_);
    view_->setGeometry(frame);
    slot_->setViewSize(frame.size()); // until the view is shown and knows its pixel ratio
    QObject::connect(notifier_.get(), &FrameNotifier::frameReady, view_.data(), qOverload<>(&QWidget::update),
                     Qt::QueuedConnection);
    open_ = openFile(path);
    if (!open_) {
        player::logWarning("cannot play %s: %s", qUtf8Printable(path), qUtf8Printable(error_));
        freeFile();
        return;
    }
    if (audioStream_ >= 0) {
        audio_ = AudioOutput::create();
        if (audio_)
            clock_.setAudio(audio_->ring());
    }
    // A new player shows its first picture, paused.
    requestSeekLocked(0);
    startThreads();
}

PlayerCore::~PlayerCore() {
    close();
    if (view_)
        delete view_.data();
    --gLiveCount;
}

int PlayerCore::liveCount() {
    return gLiveCount.load();
}

QWidget* PlayerCore::view() const {
    return view_.data();
}

bool PlayerCore::openFile(const QString& path) {
    if (path.isEmpty()) {
        error_ = QStringLiteral("no file");
        return false;
    }
    const QByteArray utf8 = path.toUtf8();
    int err = 0;
    fmt_ = ff::openInput(utf8.constData(), &err);
    if (!fmt_) {
        error_ = avErrorText(err);
        return false;
    }
    err = avformat_find_stream_info(fmt_.get(), nullptr);
    if (err < 0) {
        error_ = avErrorText(err);
        return false;
    }
    for (unsigned i = 0; i < fmt_->nb_streams; ++i) {
        streamKinds_.push_back(fmt_->streams[i]->codecpar->codec_type);
        timeBases_.push_back(fmt_->streams[i]->time_base);
    }
    // No other thread runs yet: the decoders are opened here, on the thread that owns the file.
    videoStream_ = av_find_best_stream(fmt_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoStream_ >= 0 && (fmt_->streams[videoStream_]->disposition & AV_DISPOSITION_ATTACHED_PIC))
        videoStream_ = -1; // cover art is not a picture track
    if (videoStream_ >= 0 && !(vdec_ = openDecoder(videoStream_)))
        videoStream_ = -1;
    int audio = av_find_best_stream(fmt_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (audio >= 0 && !(adec_ = openDecoder(audio)))
        audio = -1;
    audioStream_ = audio;
    wantedAudioStream_ = audio;
    if (videoStream_ < 0 && audio < 0) {
        error_ = QStringLiteral("no playable stream");
        return false;
    }
    // An MPEG stream is read by its pictures' index, as the engine reads it: a picture is shown
    // at the time a cut of it is given. A large one whose stored times suffice is shown by them
    // at once, its index read behind for the jobs that need it.
    if (videoStream_ >= 0)
        ff::SourceIndex::attach(fmt_.get(), videoStream_, nullptr, {},
                                ff::SourceIndex::Need::WhereStoredTimesFail);
    storedLine_ = videoStream_ >= 0 && !ff::SourceIndex::get(fmt_.get()) &&
                  ff::SourceIndex::needed(fmt_.get(), videoStream_, ff::SourceIndex::Need::Now);
    openedOnStoredTimes_ = storedLine_;
    if (storedLine_)
        heldKey_ = ff::SourceIndex::heldKey(fmt_.get(), videoStream_);
    // The engine's origin: a time shown here is the time a cut of the same picture is given.
    startUs_ = ff::timelineOriginUs(fmt_.get(), videoStream_);
    durationUs_ = fileDurationUs(fmt_.get());
    if (videoStream_ >= 0) {
        AVStream* st = fmt_->streams[videoStream_];
        const AVRational rate = av_guess_frame_rate(fmt_.get(), st, nullptr);
        if (rate.num > 0 && rate.den > 0)
            frameDurUs_ = av_rescale(1000000, rate.den, rate.num);
        filter_.setSource(displayRotation(st));
    }
    return true;
}

// Called only by the thread that owns the file: the stream's parameters are read here.
ff::CodecPtr PlayerCore::openDecoder(int streamIndex) const {
    const AVStream* st = fmt_->streams[streamIndex];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec)
        return nullptr;
    ff::CodecPtr c(avcodec_alloc_context3(codec));
    if (!c)
        return nullptr;
    int err = avcodec_parameters_to_context(c.get(), st->codecpar);
    if (err >= 0) {
        c->pkt_timebase = st->time_base;
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            c->thread_count = player::pictureDecoderThreads();
        err = avcodec_open2(c.get(), codec, nullptr);
    }
    if (err < 0) {
        player::logWarning("cannot decode stream %d: %s", streamIndex, qUtf8Printable(avErrorText(err)));
        return nullptr;
    }
    return c;
}

void PlayerCore::startThreads() {
    demuxThread_ = std::thread([this] { demuxLoop(); });
    if (videoStream_ >= 0)
        videoThread_ = std::thread([this] { videoLoop(); });
    if (audio_)
        audioThread_ = std::thread([this] { audioLoop(); });
}

void PlayerCore::stopThreads() {
    {
        std::lock_guard lock(stateMutex_);
        abort_ = true;
    }
    stateCv_.notify_all();
    videoQ_.abort();
    audioQ_.abort();
    if (audio_)
        audio_->ring()->abort();
    for (std::thread* t : {&demuxThread_, &videoThread_, &audioThread_})
        if (t->joinable())
            t->join();
}

void PlayerCore::freeFile() {
    vdec_.reset();
    adec_.reset();
    fmt_.reset();
    current_.reset();
}

void PlayerCore::close() {
    if (closed_)
        return;
    closed_ = true;
    status_ = Stopped;
    stopThreads();
    audio_.reset();
    clock_.setAudio(nullptr);
    freeFile();
    // Snapshots still waiting get no picture, after this call returns.
    std::vector<SnapshotRequest> waiting;
    {
        std::lock_guard lock(stateMutex_);
        waiting.swap(snapshotWaiters_);
        for (SnapshotRequest& r : wholeSnapshots_)
            waiting.push_back(std::move(r));
        wholeSnapshots_.clear();
    }
    if (!waiting.empty())
        QMetaObject::invokeMethod(
            notifier_.get(),
            [waiting = std::move(waiting)] {
                for (const SnapshotRequest& r : waiting)
                    r.done(QImage());
            },
            Qt::QueuedConnection);
}

void PlayerCore::setDidEnd(std::function<void()> block) {
    std::lock_guard lock(stateMutex_);
    didEnd_ = std::move(block);
}

void PlayerCore::setMovedOntoIndexLine(std::function<void()> block) {
    std::lock_guard lock(stateMutex_);
    movedOntoIndexLine_ = std::move(block);
}

int64_t PlayerCore::indexLineUs(int64_t storedUs) const {
    // The fields of the file this reads were settled by the move, which came before: the demux
    // thread reading on meanwhile changes none of them.
    if (!open_ || closed_ || !onIndexLine_.load(std::memory_order_acquire))
        return storedUs;
    return std::max<int64_t>(0, ff::SourceIndex::lineUsOfShown(fmt_.get(), storedUs));
}

bool PlayerCore::indexHeld() const {
    return ff::SourceIndex::isHeld(heldKey_);
}

void PlayerCore::moveOntoIndexLine() {
    // An owner that does not follow a move keeps the line its times were given on.
    {
        std::lock_guard lock(stateMutex_);
        if (!movedOntoIndexLine_)
            return;
    }
    if (!indexHeld())
        return;
    storedLine_ = false;
    // Held, the index is given at once; the player's own stop ends a reading of it should the
    // process have let go of it meanwhile.
    if (!ff::SourceIndex::attach(fmt_.get(), videoStream_, &abort_))
        return;
    const auto lineUs = [this](int64_t us) {
        return std::max<int64_t>(0, ff::SourceIndex::lineUsOfShown(fmt_.get(), us));
    };
    std::function<void()> told;
    {
        std::lock_guard lock(stateMutex_);
        // Held still, the picture in view stays; playing, the picture due at the clock; a seek
        // on its way goes to the picture it asked for.
        const bool landed = !seekPending_ && shownSerial_ >= requestedSerial_;
        const int64_t at = !landed ? lineUs(seekTargetUs_)
                           : status_ != Playing && shownUs_ != INT64_MIN
                               ? lineUs(shownUs_)
                               : lineUs(std::max<int64_t>(0, clock_.nowUs()));
        if (shownUs_ != INT64_MIN) {
            const int64_t length = shownEndUs_ - shownUs_;
            shownUs_ = lineUs(shownUs_);
            shownEndUs_ = shownUs_ + length;
        }
        startUs_ = ff::timelineOriginUs(fmt_.get(), videoStream_);
        if (const int64_t d = fileDurationUs(fmt_.get()); d > 0)
            durationUs_ = d;
        onIndexLine_.store(true, std::memory_order_release);
        // The decoders read on from the stored line's packets: they start again from the index's.
        if (atEnd_)
            clock_.setUs(durationUs_);
        else
            requestSeekLocked(at);
        told = movedOntoIndexLine_;
    }
    stateCv_.notify_all();
    if (told)
        told();
}

// ---- transport (GUI thread) ----

void PlayerCore::setStatus(Status next) {
    if (!open_ || closed_)
        return;
    // (The slot's lock is a leaf: read before stateMutex_ is taken.)
    bool reduced = false;
    slot_->shownFrame(nullptr, &reduced);
    bool redraw = false;
    {
        std::lock_guard lock(stateMutex_);
        // Out of play, the picture left in view is made whole again (it was made at the view's
        // size), so that a snapshot of any size gets its full detail.
        if (reduced && next != Playing && status_ == Playing) {
            ++redrawAsked_;
            redraw = true;
        }
        if (next == Playing && atEnd_)
            requestSeekLocked(0); // playing again after the end starts over
        else if (next == Playing && status_ != Playing && videoStream_ >= 0 &&
                 (seekPending_ || shownSerial_ < requestedSerial_))
            clock_.setHeld(true); // as for a seek made while playing: wait for its picture
        if (next != Paused || status_ == Playing)
            status_ = next;
        if (next == Playing)
            playedSinceSeek_ = true;
        clock_.setRunning(next == Playing);
    }
    stateCv_.notify_all();
    if (redraw)
        videoQ_.wake();
    if (audio_)
        audio_->setRunning(next == Playing);
}

void PlayerCore::seekUs(int64_t us) {
    if (!open_ || closed_)
        return;
    {
        std::lock_guard lock(stateMutex_);
        requestSeekLocked(us);
    }
    stateCv_.notify_all();
}

void PlayerCore::requestSeekLocked(int64_t us) {
    const int64_t d = durationUs_;
    us = std::max<int64_t>(0, d > 0 ? std::min(us, d) : us);
    seekPending_ = true;
    seekTargetUs_ = us;
    ++requestedSerial_;
    atEnd_ = false;
    playedSinceSeek_ = status_ == Playing;
    // While playing, the clock waits for the first picture at the new place. Held first, so
    // that holding freezes the target and not the place left.
    if (status_ == Playing && videoStream_ >= 0)
        clock_.setHeld(true);
    clock_.seek(us, requestedSerial_);
}

int64_t PlayerCore::positionUs() const {
    if (!open_)
        return 0;
    int64_t t = std::max<int64_t>(0, clock_.nowUs());
    // Held still, the position is the time of the picture in the view, so that a label shows
    // and a mark takes what the user sees. After a seek that is the picture it landed on, the
    // first at or after the place asked for. After playing, it is the picture due at the clock,
    // which stands somewhere inside it: a cut from inside a picture starts with the next one, a
    // mark taken here with the one in view. Past the last picture (sound goes on) the clock is
    // the position.
    if (videoStream_ >= 0 && status_ != Playing) {
        std::lock_guard lock(stateMutex_);
        if (!seekPending_ && shownSerial_ >= requestedSerial_ && shownUs_ != INT64_MIN &&
            (playedSinceSeek_ ? shownUs_ + kSameTimeUs <= t && pictureAtClockLocked(t) == AtClock::Shown
                              : shownSerial_ == requestedSerial_))
            t = std::max<int64_t>(0, shownUs_);
    }
    const int64_t d = durationUs_;
    return d > 0 ? std::min(t, d) : t;
}

// ---- settings ----

PreviewSettings PlayerCore::settings() const {
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

void PlayerCore::editPicture(const std::function<void(PreviewSettings&)>& edit) {
    std::lock_guard lock(settingsMutex_);
    edit(settings_);
    ++settings_.pictureVersion;
}

namespace {

bool sameSound(const PreviewSettings& a, const PreviewSettings& b) {
    const auto track = [](const mediafx::MusicTrack& t) {
        return std::tie(t.path, t.musicStartUs, t.musicEndUs, t.videoStartUs, t.videoEndUs, t.volume,
                        t.fadeInUs, t.fadeOutUs);
    };
    return a.fx.volume == b.fx.volume && a.fx.mainAudioDisabled == b.fx.mainAudioDisabled &&
           a.mainVolume == b.mainVolume &&
           std::equal(a.fx.music.begin(), a.fx.music.end(), b.fx.music.begin(), b.fx.music.end(),
                      [&](const auto& x, const auto& y) { return track(x) == track(y); });
}

} // namespace

void PlayerCore::editSound(const std::function<void(PreviewSettings&)>& edit) {
    {
        std::lock_guard lock(settingsMutex_);
        PreviewSettings next = settings_;
        edit(next);
        if (sameSound(next, settings_))
            return;
        settings_ = std::move(next);
        ++settings_.soundVersion;
    }
    // The sound queued for the device was made with the old settings. While playing it is
    // heard out (the new settings follow within half a second); otherwise it is made again
    // from here, so that playing starts with the new settings (windows set the mix just
    // before they play).
    if (!open_ || closed_ || !audio_ || status_ == Playing)
        return;
    const int64_t at = positionUs();
    {
        std::lock_guard lock(stateMutex_);
        requestSeekLocked(at);
        audio_->ring()->flush(requestedSerial_);
    }
    stateCv_.notify_all();
}

void PlayerCore::setAudioIndex(int streamIndex) {
    // The stream kinds were copied at open: the file itself is the demux thread's.
    if (!open_ || closed_ || streamIndex < 0 || size_t(streamIndex) >= streamKinds_.size() ||
        streamKinds_[size_t(streamIndex)] != AVMEDIA_TYPE_AUDIO || !audio_)
        return;
    std::lock_guard lock(stateMutex_);
    if (streamIndex == wantedAudioStream_)
        return;
    wantedAudioStream_ = streamIndex;
    // The switch happens at a seek to where we are, so that both decoders restart together.
    requestSeekLocked(clock_.nowUs());
    stateCv_.notify_all();
}
