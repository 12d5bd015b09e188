#include "tools/shared/PreviewPane.h"

#include "foundation/records/SimpleData.h"
#include "mediacore/MediaCore.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "tools/shared/JobChain.h"
#include "tools/shared/OutputFileNamer.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryFile>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <utility>

PreviewPane::PreviewPane(QWidget* host, QObject* parent)
    : QObject(parent), host_(host), generation_(std::make_shared<unsigned>(0)) {
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (player_ && tick)
            tick(currentTime(), duration());
    });
}

PreviewPane::~PreviewPane() {
    close();
}

bool PreviewPane::open(const QString& path, double volume, QSize pictureSize) {
    close();
    if (path.isEmpty())
        return false;
    player_ = std::make_unique<LxMoviePlayer>(path, host_ ? host_->rect() : QRect());
    path_ = path;
    storedTimes_ = player_->isShownByStoredTimes();
    pictureSize_ = pictureSize;
    muted_ = false;
    volume_ = std::clamp(std::isfinite(volume) ? volume : 1.0, 0.0, 2.0);
    player_->SetVolume(volume_);
    // The first picture, where a cut from 0 starts: the first picture at or after 1/30 s is
    // already the second one, which would stand under a label of 0.
    player_->seekTime(CMTimeMake(0, 1));
    const unsigned generation = *generation_;
    std::weak_ptr<unsigned> token = generation_;
    QPointer<PreviewPane> self(this);
    player_->setPlayerDidEndBlock([self, token, generation] {
        dispatchMain([self, token, generation] {
            const auto alive = token.lock();
            if (self && alive && *alive == generation)
                self->playerEnded(generation);
        });
    });
    // Only a window that moves its own times along lets its player move.
    if (movedOntoIndexLine)
        player_->setPlayerDidMoveOntoIndexLineBlock([self, token, generation] {
            dispatchMain([self, token, generation] {
                const auto alive = token.lock();
                if (self && alive && *alive == generation)
                    self->playerMoved();
            });
        });
    if (QWidget* v = player_->view(); v && host_) {
        v->setParent(host_);
        v->setGeometry(host_->rect());
        v->show();
    }
    return player_->isOpen();
}

QSize PreviewPane::displaySize(const SimpleData& data) {
    const auto& src = data.sourceData;
    if (!src || src->width <= 0 || src->height <= 0)
        return {};
    const bool quarter = (std::abs(src->angle) / 90) % 2 == 1;
    return quarter ? QSize(src->height, src->width) : QSize(src->width, src->height);
}

void PreviewPane::close() {
    ++*generation_;
    timer_.stop();
    playing_ = false;
    if (!player_)
        return;
    player_->stop();
    player_->closePlayer();
    player_.reset();
}

void PreviewPane::playerEnded(unsigned) {
    if (!player_)
        return;
    player_->pause();
    playing_ = false;
    timer_.stop();
    if (didEnd)
        didEnd();
}

void PreviewPane::playerMoved() {
    if (!player_ || !movedOntoIndexLine)
        return;
    storedTimes_ = false;
    movedOntoIndexLine([this](double seconds) { return onIndexLine(seconds); });
}

IndexLineMove::IndexLineMove(double before, double now, std::function<double(double)> toLine)
    : before_(before), now_(now), toLine_(std::move(toLine)) {}

double IndexLineMove::at(double seconds) const {
    if (!(seconds > 0))
        return 0;
    // Within a microsecond of the end (the unit windows keep times in) is the end.
    if (seconds >= before_ - 1e-6)
        return now_;
    return std::clamp(toLine_(seconds), 0.0, now_);
}

double IndexLineMove::userTime(double seconds) {
    const double moved = at(seconds);
    changed_ = changed_ || (seconds > 0 && seconds < before_ - 1e-6 &&
                            std::lround(seconds * 100) != std::lround(moved * 100));
    return moved;
}

std::shared_ptr<StoredTimesRun> StoredTimesRun::of(const PreviewPane* pane, const QString& path) {
    const LxMoviePlayer* player = pane ? pane->player() : nullptr;
    if (!player || pane->path() != path || !pane->showsStoredTimes())
        return std::make_shared<StoredTimesRun>(false);
    QPointer<const PreviewPane> shown(pane);
    return std::make_shared<StoredTimesRun>(
        true, [shown, path] { return shown && shown->path() == path && shown->player()->isIndexHeld(); },
        // A pane that shows another file now no longer moves the run's times.
        [shown, path] { return shown && shown->path() == path && shown->showsStoredTimes(); });
}

bool StoredTimesRun::storedTimes() const {
    return storedTimes_ && (!storedNow_ || storedNow_());
}

bool StoredTimesRun::ready(int index, int* error) {
    if (!storedTimes() || (index == 0 && !(indexHeld_ && indexHeld_())))
        return true;
    return wait(error);
}

bool StoredTimesRun::settled(std::unique_ptr<EngineJob>& job, int* error) {
    if (!job || !storedTimes() || !indexHeld_ || !indexHeld_())
        return true;
    job.reset();
    return wait(error);
}

bool StoredTimesRun::wait(int* error) {
    const auto now = std::chrono::steady_clock::now();
    if (!waitingSince_)
        waitingSince_ = now;
    *error =
        now - *waitingSince_ < std::chrono::seconds(30) ? JobChain::kNotYet : MEDIACORE_ERROR_RANGE_UNPLACED;
    return false;
}

bool StoredTimesRun::moved() {
    const bool had = storedTimes_;
    storedTimes_ = false;
    return had;
}

double PreviewPane::onIndexLine(double seconds) const {
    if (!player_ || !std::isfinite(seconds))
        return seconds;
    const double t = CMTimeGetSeconds(player_->timeOnIndexLine(CMTimeMakeWithSeconds(seconds, 1000000000)));
    return std::isfinite(t) ? std::max(0.0, t) : seconds;
}

void PreviewPane::play() {
    if (!player_)
        return;
    playing_ = true;
    player_->play();
    startTicking();
}

void PreviewPane::pause() {
    playing_ = false;
    timer_.stop();
    if (player_)
        player_->pause();
    reportShownTime();
}

void PreviewPane::reportShownTime() {
    if (!player_ || !shownTime)
        return;
    const unsigned asked = ++shownTimeAsked_;
    // The player answers once the picture is up, and never after it is gone.
    player_->SnapshotWhenReady(1, 1, [this, asked](const QImage&) {
        if (asked == shownTimeAsked_ && player_ && player_->playerStatus() != 1 && shownTime)
            shownTime(currentTime());
    });
}

void PreviewPane::stop() {
    playing_ = false;
    timer_.stop();
    if (!player_)
        return;
    player_->stop();
    player_->seekTime(CMTimeMake(0, 1));
}

void PreviewPane::startTicking() {
    if (player_)
        timer_.start();
}

void PreviewPane::stopTicking() {
    timer_.stop();
}

void PreviewPane::seek(double seconds, int32_t timescale) {
    if (!player_ || !std::isfinite(seconds))
        return;
    const double d = duration();
    const double t = d > 0 ? std::clamp(seconds, 0.0, d) : std::max(0.0, seconds);
    player_->seekTime(CMTimeMakeWithSeconds(t, timescale));
    reportShownTime();
}

double PreviewPane::currentTime() const {
    if (!player_)
        return 0;
    const double t = CMTimeGetSeconds(player_->currentTime());
    return std::isfinite(t) ? std::max(0.0, t) : 0.0;
}

double PreviewPane::duration() const {
    if (!player_)
        return 0;
    const double d = CMTimeGetSeconds(player_->duration());
    return std::isfinite(d) && d > 0 ? d : 0.0;
}

void PreviewPane::setVolume(double gain) {
    if (!std::isfinite(gain))
        return;
    volume_ = std::clamp(gain, 0.0, 2.0);
    if (player_ && !muted_)
        player_->SetVolume(volume_);
}

void PreviewPane::setMuted(bool muted) {
    muted_ = muted;
    if (player_)
        player_->SetVolume(muted_ ? 0.0 : volume_);
}

void PreviewPane::currentFrame(QSize size, std::function<void(const QImage&)> done) const {
    if (!done)
        return;
    if (!player_ || size.width() <= 0 || size.height() <= 0) {
        done(QImage());
        return;
    }
    player_->SnapshotWhenReady(size.width(), size.height(),
                               [size, done = std::move(done)](const QImage& image) {
                                   done(image.size() == size ? image : QImage());
                               });
}

void PreviewPane::snapshot(const QString& folder, const QString& format,
                           std::function<void(const QString&)> written) const {
    auto finish = [written = std::move(written)](const QString& path) {
        if (written)
            written(path);
    };
    if (folder.isEmpty()) {
        finish({});
        return;
    }
    currentFrame(pictureSize_, [folder, format, finish](const QImage& image) {
        finish(writeSnapshot(image, folder, format));
    });
}

QString PreviewPane::writeSnapshot(const QImage& image, const QString& folder, const QString& format) {
    if (image.isNull()) {
        qCWarning(lcTools) << "snapshot: no picture";
        return {};
    }
    const QString ext = format == "jpg" || format == "bmp" ? format : QStringLiteral("png");
    const char* encoder = ext == "jpg" ? "JPEG" : ext == "bmp" ? "BMP" : "PNG";
    if (!QDir().mkpath(folder))
        return {};
    // The picture is written under a hidden temporary name and then given a free name (a
    // rename that never replaces a file that appeared meanwhile): a program killed while
    // writing leaves no broken picture under a name the user sees.
    QTemporaryFile temp(folder + "/.snapshot-XXXXXX." + ext);
    const QImage out = ext == "png" ? image : image.convertToFormat(QImage::Format_RGB32);
    // Temporary files are private; the picture is read as the engine's outputs are.
    if (!temp.open() ||
        !temp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther) ||
        !out.save(&temp, encoder) || !temp.flush()) {
        qCWarning(lcTools) << "snapshot: could not write in" << folder;
        return {};
    }
    temp.close();
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString path = OutputFileNamer::freeTimestampPath(folder, ext);
        if (QFile::rename(temp.fileName(), path)) {
            temp.setAutoRemove(false);
            qCDebug(lcTools) << "snapshot written:" << path;
            return path;
        }
    }
    qCWarning(lcTools) << "snapshot: no free name in" << folder;
    return {};
}
