#include "foundation/records/MusicInfo.h"

#include "platform/Log.h"

#include <algorithm>
#include <cmath>

MusicInfo::~MusicInfo() {
    qCDebug(lcRecords, "%s", "MusicInfo::~MusicInfo");
}

std::shared_ptr<MusicInfo> MusicInfo::loaded(const QString& path, double musicSeconds, double videoSeconds) {
    auto clean = [](double s) { return std::isfinite(s) && s > 0 ? s : 0.0; };
    const double music = clean(musicSeconds), video = clean(videoSeconds);
    const float usable = static_cast<float>(std::min(music, video));
    auto m = std::make_shared<MusicInfo>();
    m->path = path;
    m->duration = usable;
    m->positionEnd = static_cast<float>(video);
    m->pruneDiration = usable;
    m->volume = 0.5f;
    m->selected = true;
    return m;
}
