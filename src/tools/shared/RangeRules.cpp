#include "tools/shared/RangeRules.h"

#include <algorithm>

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
