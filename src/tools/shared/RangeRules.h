// How Reset and Apply to All set a clip's range in the list windows (joiner, batch cutter).
// Pure functions over microseconds; every range they give lies inside its clip with
// 0 <= start < stop <= length, or is empty (0, 0) for a clip without a length.
#pragma once

#include <cstdint>
#include <utility>

class SimpleData;

struct CutRange {
    int64_t startUs = 0;
    int64_t stopUs = 0;
    bool operator==(const CutRange&) const = default;
};

class RangeRules {
public:
    // A clip's source length in microseconds.
    static int64_t durationUs(const SimpleData& clip);
    // A clip's range as a job reads it: 0 <= start <= stop <= length, the whole clip while
    // none is set.
    static std::pair<int64_t, int64_t> rangeOf(const SimpleData& clip);
    // Reset: the whole clip.
    static CutRange reset(int64_t durationUs);
    // Apply to All: the range selected on one clip, given to a clip durationUs long.
    // - A range as long as the clip or longer gives the whole clip.
    // - A range reaching past the clip's end keeps its length and is moved back to end at
    //   the clip's end.
    // - Otherwise the range stays where it is.
    // An empty or inverted selection gives the whole clip.
    static CutRange applied(CutRange selected, int64_t durationUs);
};
