#include "tools/shared/RangeRules.h"

#include "foundation/records/SimpleData.h"

#include <algorithm>
#include <cmath>

int64_t RangeRules::durationUs(const SimpleData& clip) {
    return std::llround(clip.sourceDuration() * 1e6);
}

std::pair<int64_t, int64_t> RangeRules::rangeOf(const SimpleData& clip) {
    const int64_t d = durationUs(clip);
    if (!clip.hasCutRange())
        return {0, d};
    const int64_t stop = std::clamp<int64_t>(clip.cutTimeRange_stop, 0, d);
    const int64_t start = std::clamp<int64_t>(clip.cutTimeRange_start, 0, stop);
    return {start, stop};
}

CutRange RangeRules::reset(int64_t durationUs) {
    return {0, std::max<int64_t>(durationUs, 0)};
}

CutRange RangeRules::applied(CutRange selected, int64_t d) {
    if (d <= 0)
        return {};
    const int64_t start = std::max<int64_t>(selected.startUs, 0);
    const int64_t stop = selected.stopUs;
    if (stop <= start)
        return reset(d);
    const int64_t length = stop - start;
    if (length >= d)
        return reset(d);
    if (stop > d)
        return {d - length, d};
    return {start, stop};
}
