#include "editor/music/MusicPlacement.h"

#include "foundation/records/MusicInfo.h"

#include <algorithm>

MusicPlacement musicPlacement(const MusicInfo& m) {
    MusicPlacement p;
    p.slotStart = m.positionStart;
    p.slotEnd = m.positionEnd;
    if (m.positionEnd - m.positionStart > m.pruneDiration && !m.repeat)
        p.slotEnd = double(m.positionStart + m.pruneDiration);
    p.musicStart = m.prune ? double(m.pruneStart) : 0.0;
    p.musicEnd = m.prune ? double(m.pruneStart) + m.pruneDiration
                         : std::min(double(m.positionEnd) - m.positionStart, double(m.duration));
    p.fadeIn = m.fadeIn ? 1.0 : 0.0;
    p.fadeOut = m.fadeOut ? 1.0 : 0.0;
    p.volume = double(m.volume);
    return p;
}
