// PlayerCore: the picture path (filter, convert to the view's size, publish), redraws and
// snapshots. show(), publish() and serviceRedraw() run on the video thread; refresh(),
// snapshot() and snapshotWhenReady() on the GUI thread.
#include "PlayerCore.h"

#include "FrameNotifier.h"
#include "FrameSlot.h"

#include <cstring>

bool PlayerCore::pictureSettledLocked() const {
    if (videoStream_ < 0)
        return true;
    if (seekPending_ || shownSerial_ < requestedSerial_ || redrawDone_ < redrawAsked_)
        return false;
    // Stopped after playing, the video thread may lag behind the clock (a loaded machine):
    // the picture due where the clock stopped is then still on its way.
    return status_ == Playing || !playedSinceSeek_ || pictureAtClockLocked(clock_.nowUs()) != AtClock::Coming;
}

PlayerCore::AtClock PlayerCore::pictureAtClockLocked(int64_t t) const {
    if (shownUs_ != INT64_MIN && shownUs_ <= t + kSameTimeUs && t < shownEndUs_)
        return AtClock::Shown;
    // Stopped, the video thread shows every picture up to the clock and then waits: waiting
    // for a later one, the picture in view lasts past its nominal length (a gap between
    // pictures of a variable frame rate).
    if (videoWaitsSerial_ == requestedSerial_ && videoWaitsForUs_ > t)
        return AtClock::Shown;
    // The pictures ended before the sound; or the video thread has nothing to decode and the
    // sound queue, full while the device is stopped, keeps more from being read.
    if (videoEndSerial_ == requestedSerial_ || (videoQ_.starved() && audioQ_.full()))
        return AtClock::NoPicture;
    return AtClock::Coming;
}

bool PlayerCore::redrawDueLocked() const {
    return redrawDone_ < redrawAsked_ && !seekPending_ && shownSerial_ >= requestedSerial_;
}

void PlayerCore::refresh() {
    if (!open_ || closed_ || videoStream_ < 0)
        return;
    {
        std::lock_guard lock(stateMutex_);
        ++redrawAsked_;
    }
    stateCv_.notify_all();
    videoQ_.wake();
}

void PlayerCore::publish(ff::FramePtr filtered, int64_t ptsUs, int64_t durUs, bool reduced) {
    if (!filtered)
        return;
    const double aspect = FrameConverter::displayAspect(filtered.get());
    QSize size = FrameConverter::fitted(aspect, slot_->viewSize());
    QImage img = converter_.toImage(filtered.get(), size);
    if (img.isNull())
        return;
    slot_->publish(std::move(filtered), std::move(img), aspect, reduced);
    {
        // Recorded once the picture is in the slot, where snapshots take it from.
        std::lock_guard lock(stateMutex_);
        shownUs_ = ptsUs;
        shownEndUs_ = ptsUs + std::max<int64_t>(durUs, kSameTimeUs);
    }
    emit notifier_->frameReady();
    deliverSnapshots(); // stopped after playing, this may be the picture they wait for
}

void PlayerCore::keepCurrent(const AVFrame* frame, int64_t ptsUs, int64_t durUs) {
    current_ = ff::cloneFrame(frame);
    currentUs_ = ptsUs;
    currentDurUs_ = durUs;
}

void PlayerCore::markShown(int serial, uint64_t redrawTicket) {
    {
        std::lock_guard lock(stateMutex_);
        if (shownSerial_ < serial)
            shownSerial_ = serial;
        redrawDone_ = std::max(redrawDone_, redrawTicket);
        clock_.setHeld(false);
    }
    stateCv_.notify_all();
    serviceRedraw();
    deliverSnapshots();
}

void PlayerCore::serviceWholeSnapshots() {
    std::vector<SnapshotRequest> requests;
    {
        std::lock_guard lock(stateMutex_);
        requests.swap(wholeSnapshots_);
    }
    if (requests.empty())
        return;
    ff::FramePtr whole = current_ ? filter_.renderOnce(current_.get(), currentUs_, settings()) : nullptr;
    if (!whole)
        whole = slot_->shownFrame();
    std::vector<std::pair<SnapshotDone, QImage>> answers;
    answers.reserve(requests.size());
    FrameConverter converter;
    for (SnapshotRequest& r : requests)
        answers.emplace_back(std::move(r.done), converter.toImage(whole.get(), QSize(r.w, r.h)));
    QMetaObject::invokeMethod(
        notifier_.get(),
        [this, answers = std::move(answers)] {
            for (const auto& [done, image] : answers)
                done(closed_ ? QImage() : image);
        },
        Qt::QueuedConnection);
}

void PlayerCore::serviceRedraw() {
    serviceWholeSnapshots();
    uint64_t ticket = 0;
    {
        std::lock_guard lock(stateMutex_);
        if (!redrawDueLocked())
            return;
        // Settings are read after the ticket: every refresh counted in it was asked after its edit.
        ticket = redrawAsked_;
    }
    if (current_) {
        const PreviewSettings s = settings();
        ff::FramePtr filtered = filter_.renderOnce(current_.get(), currentUs_, s);
        publish(filtered ? std::move(filtered) : ff::cloneFrame(current_.get()), currentUs_, currentDurUs_);
    }
    {
        std::lock_guard lock(stateMutex_);
        redrawDone_ = std::max(redrawDone_, ticket);
    }
    deliverSnapshots();
}

void PlayerCore::show(const AVFrame* frame, int64_t ptsUs, int64_t durUs, int serial, bool firstAfterSeek) {
    // A picture already a frame behind the clock is skipped so that playback keeps pace.
    if (!firstAfterSeek && status_ == Playing && clock_.nowUs() > ptsUs + frameDurUs_)
        return;
    uint64_t ticket = 0;
    if (firstAfterSeek) {
        std::lock_guard lock(stateMutex_);
        ticket = redrawAsked_;
    }
    const PreviewSettings s = settings();
    std::vector<FilteredFrame> out;
    // A redraw while this picture waits for its time draws the one still in view.
    bool kept = false;
    if (firstAfterSeek) {
        keepCurrent(frame, ptsUs, durUs);
        kept = true;
    }
    // Playing, the pictures are made at the size the view shows them.
    const QSize box = status_ == Playing ? slot_->viewSize() : QSize();
    const bool filtered = filter_.push(frame, ptsUs, s, firstAfterSeek, out, box);
    // The first picture at a new place must come out now, even from a graph that waits.
    if (filtered && firstAfterSeek && out.empty())
        if (ff::FramePtr once = filter_.renderOnce(frame, ptsUs, s))
            out.push_back({std::move(once), ptsUs});
    if (!filtered)
        out.push_back({ff::cloneFrame(frame), ptsUs});
    bool dropping = false; // a seek or close came while waiting: the rest is not shown
    for (FilteredFrame& f : out) {
        dropping = dropping || !f.frame || (!firstAfterSeek && !waitForClock(f.ptsUs, serial));
        if (!dropping && !kept) {
            keepCurrent(frame, ptsUs, durUs);
            kept = true;
        }
        // Play stopped while this smaller picture waited for its time: it stays in view, whole.
        if (!dropping && f.reduced && status_ != Playing)
            if (ff::FramePtr whole = filter_.renderOnce(frame, ptsUs, s)) {
                f.frame = std::move(whole);
                f.reduced = false;
            }
        if (!dropping)
            publish(std::move(f.frame), f.ptsUs, durUs, f.reduced);
        f.frame.reset();
    }
    if (firstAfterSeek)
        markShown(serial, ticket);
}

void PlayerCore::deliverSnapshots() {
    std::vector<SnapshotRequest> ready;
    {
        std::lock_guard lock(stateMutex_);
        if (snapshotWaiters_.empty() || !pictureSettledLocked())
            return;
        ready.swap(snapshotWaiters_);
    }
    // The notifier lives on the GUI thread and dies with the player, taking this call with it.
    QMetaObject::invokeMethod(
        notifier_.get(), [this, ready = std::move(ready)]() mutable { answerSnapshots(std::move(ready)); },
        Qt::QueuedConnection);
}

void PlayerCore::answerSnapshots(std::vector<SnapshotRequest> requests) {
    {
        // A newer seek or redraw may have come meanwhile: those wait for its picture.
        std::lock_guard lock(stateMutex_);
        if (!closed_ && !pictureSettledLocked()) {
            for (SnapshotRequest& r : requests)
                snapshotWaiters_.push_back(std::move(r));
            return;
        }
    }
    for (SnapshotRequest& r : requests)
        answerOrDefer(std::move(r));
}

void PlayerCore::answerOrDefer(SnapshotRequest r) {
    if (closed_) {
        r.done(QImage());
        return;
    }
    bool reduced = false;
    const ff::FramePtr shown = slot_->shownFrame(nullptr, &reduced);
    if (reduced && shown && (r.w > shown->width || r.h > shown->height)) {
        {
            std::lock_guard lock(stateMutex_);
            wholeSnapshots_.push_back(std::move(r));
        }
        stateCv_.notify_all();
        videoQ_.wake();
        return;
    }
    r.done(snapshotImage(r.w, r.h));
}

QImage PlayerCore::snapshotImage(int w, int h) {
    const ff::FramePtr shown = slot_->shownFrame();
    return snapshotConverter_.toImage(shown.get(), QSize(w, h));
}

namespace {
bool sizeAccepted(int w, int h) {
    return w > 0 && h > 0 && int64_t(w) * int64_t(h) * 4 <= int64_t(1) << 31;
}
} // namespace

int PlayerCore::snapshot(int* w, int* h, unsigned char* buf) {
    if (!w || !h || !buf || !sizeAccepted(*w, *h) || !open_ || closed_)
        return 0;
    {
        std::lock_guard lock(stateMutex_);
        if (!pictureSettledLocked())
            return 0;
    }
    const QImage img = snapshotImage(*w, *h);
    if (img.width() != *w || img.height() != *h)
        return 0;
    const size_t row = size_t(*w) * 4;
    for (int y = 0; y < *h; ++y)
        std::memcpy(buf + size_t(y) * row, img.constScanLine(y), row);
    return 1;
}

void PlayerCore::snapshotWhenReady(int w, int h, SnapshotDone done) {
    if (!done)
        return;
    if (!sizeAccepted(w, h) || !open_ || closed_ || videoStream_ < 0) {
        done(QImage());
        return;
    }
    {
        std::lock_guard lock(stateMutex_);
        if (!pictureSettledLocked()) {
            snapshotWaiters_.push_back({w, h, std::move(done)});
            return;
        }
    }
    answerOrDefer({w, h, std::move(done)});
}
