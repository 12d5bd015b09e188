#include "tools/join/JoinPlan.h"

#include "foundation/records/SimpleData.h"
#include "tools/shared/RangeRules.h"

#include <algorithm>
#include <cmath>

int JoinPlan::volumePercent(double gain) {
    if (!std::isfinite(gain))
        return 100;
    return int(std::lround(std::clamp(gain, 0.0, 2.0) * 100.0));
}

int64_t JoinPlan::transitionLength(int64_t aUs, int64_t bUs) {
    const int64_t t = std::min(aUs, bUs);
    const int64_t length = t < 6000000 ? t / 3 : 3000000;
    return length > 500000 ? length : 0;
}

namespace {
// The pieces of one list entry: its range, or for a remove clip what lies around it.
std::vector<std::pair<int64_t, int64_t>> piecesOf(const SimpleData& clip) {
    const auto [start, stop] = RangeRules::rangeOf(clip);
    if (!clip.isTrimFanxuan) {
        if (stop <= start)
            return {};
        return {{start, stop}};
    }
    std::vector<std::pair<int64_t, int64_t>> pieces;
    if (start > 0)
        pieces.push_back({0, start});
    const int64_t d = RangeRules::durationUs(clip);
    if (stop < d)
        pieces.push_back({stop, d});
    return pieces;
}
} // namespace

std::vector<JoinPlan::Clip> JoinPlan::clips(const std::vector<std::shared_ptr<SimpleData>>& list) {
    std::vector<Clip> out;
    std::vector<std::vector<std::pair<int64_t, int64_t>>> pieces;
    pieces.reserve(list.size());
    for (const auto& c : list)
        pieces.push_back(c ? piecesOf(*c) : std::vector<std::pair<int64_t, int64_t>>{});
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i])
            continue;
        const SimpleData& clip = *list[i];
        for (const auto& [start, stop] : pieces[i]) {
            Clip c;
            c.path = clip.path;
            c.entry = i;
            const int64_t d = RangeRules::durationUs(clip);
            // The whole file is passed as such, so that it can be copied as it is.
            c.startUs = (start == 0 && stop == d) ? 0 : start;
            c.endUs = (start == 0 && stop == d) ? 0 : stop;
            c.volumePercent = volumePercent(clip.volume);
            out.push_back(c);
        }
        if (pieces[i].empty() || clip.transitionEffect <= 0 || clip.transitionEffect > 3)
            continue;
        // The next entry that gives anything to the output.
        size_t next = i + 1;
        while (next < list.size() && pieces[next].empty())
            ++next;
        if (next >= list.size())
            continue;
        if (clip.isTrimFanxuan) {
            out.back().transition = clip.transitionEffect;
            out.back().transitionUs = kRemoveTransitionUs;
            out.back().transitionRequired = true;
            continue;
        }
        const auto& last = pieces[i].back();
        int64_t following = 0;
        for (const auto& [s, e] : pieces[next])
            following += e - s;
        const int64_t length = transitionLength(last.second - last.first, following);
        if (length > 0) {
            out.back().transition = clip.transitionEffect;
            out.back().transitionUs = length;
        }
    }
    return out;
}
