#include "mediaplayer/LxStoredTimesLine.h"

#include "FfPointers.h"
#include "PlayerCore.h"
#include "SourceIndex.h"

#include <algorithm>
#include <cmath>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {
int64_t toUs(CMTime t) {
    const double s = CMTimeGetSeconds(t);
    return std::isfinite(s) ? int64_t(std::llround(std::clamp(s, -1e9, 1e9) * 1e6)) : 0;
}
} // namespace

struct LxStoredTimesLine::Input {
    ff::InputPtr format;
    int videoStream = -1;
    std::string heldKey;
    bool storedTimes = false, moved = false;
};

LxStoredTimesLine::LxStoredTimesLine(const QString& path) : in_(std::make_unique<Input>()) {
    in_->format = ff::openInput(path.toUtf8().constData());
    if (!in_->format || avformat_find_stream_info(in_->format.get(), nullptr) < 0)
        return;
    AVFormatContext* f = in_->format.get();
    in_->videoStream = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (in_->videoStream < 0)
        return;
    // Opened as the player opens: where the index is neither held nor kept, by the stored times.
    ff::SourceIndex::attach(f, in_->videoStream, nullptr, {}, ff::SourceIndex::Need::WhereStoredTimesFail);
    in_->storedTimes =
        !ff::SourceIndex::get(f) && ff::SourceIndex::needed(f, in_->videoStream, ff::SourceIndex::Need::Now);
    if (in_->storedTimes)
        in_->heldKey = ff::SourceIndex::heldKey(f, in_->videoStream);
}

LxStoredTimesLine::~LxStoredTimesLine() = default;

bool LxStoredTimesLine::isOnStoredTimes() const {
    return in_->storedTimes;
}

bool LxStoredTimesLine::isIndexHeld() const {
    return ff::SourceIndex::isHeld(in_->heldKey);
}

bool LxStoredTimesLine::moveOntoIndexLine() {
    if (in_->moved)
        return true;
    if (!in_->storedTimes || !isIndexHeld())
        return false;
    in_->moved = ff::SourceIndex::attach(in_->format.get(), in_->videoStream);
    return in_->moved;
}

CMTime LxStoredTimesLine::timeOnIndexLine(CMTime storedTime) const {
    if (!in_->moved)
        return storedTime;
    const int64_t us =
        std::max<int64_t>(0, ff::SourceIndex::lineUsOfShown(in_->format.get(), toUs(storedTime)));
    return CMTimeMake(us, 1000000);
}

CMTime LxStoredTimesLine::duration() const {
    return CMTimeMake(in_->format ? fileDurationUs(in_->format.get()) : 0, 1000000);
}
