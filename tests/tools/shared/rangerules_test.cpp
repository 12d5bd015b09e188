// The range rules of Reset and Apply to All, on the lengths users meet: clips shorter than
// the range, as long as it, ending inside it, and long enough to take it unchanged.
#include "tools/shared/RangeRules.h"

#include <gtest/gtest.h>

namespace {
constexpr int64_t s = 1000000;
} // namespace

TEST(RangeRules, AppliedRangesEndInsideEveryClip) {
    EXPECT_EQ(RangeRules::reset(4 * s), (CutRange{0, 4 * s}));
    EXPECT_EQ(RangeRules::reset(-1), (CutRange{0, 0}));
    struct Case {
        CutRange range;
        int64_t clip;
        CutRange expected;
    };
    const Case cases[] = {
        // As long as the clip or longer: the whole clip (not the empty "10 s to 10 s").
        {{10 * s, 20 * s}, 5 * s, {0, 5 * s}},
        {{10 * s, 20 * s}, 10 * s, {0, 10 * s}},
        {{10 * s, 40 * s}, 30 * s, {0, 30 * s}},
        // Past the clip's end: moved back to end there, one microsecond past included.
        {{10 * s, 20 * s}, 15 * s, {5 * s, 15 * s}},
        {{10 * s, 40 * s}, 35 * s, {5 * s, 35 * s}},
        {{1 * s, 3 * s + 1}, 3 * s, {1 * s - 1, 3 * s}},
        // Inside the clip, or ending exactly at its end: unchanged.
        {{10 * s, 20 * s}, 30 * s, {10 * s, 20 * s}},
        {{1 * s, 4 * s}, 4 * s, {1 * s, 4 * s}},
        // Empty or inverted selections, a negative start, a clip without a length.
        {{3 * s, 3 * s}, 10 * s, {0, 10 * s}},
        {{5 * s, 2 * s}, 10 * s, {0, 10 * s}},
        {{-2 * s, 3 * s}, 10 * s, {0, 3 * s}},
        {{1 * s, 2 * s}, 0, {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RangeRules::applied(c.range, c.clip), c.expected)
            << c.range.startUs << ".." << c.range.stopUs << " in " << c.clip;
}
