// The range rules of Reset and Apply to All, on the lengths users meet: clips shorter than
// the range, as long as it, ending inside it, and long enough to take it unchanged.
#include "tools/shared/RangeRules.h"

#include <gtest/gtest.h>

namespace {
constexpr int64_t s = 1000000;
} // namespace

TEST(RangeRules, ResetGivesTheWholeClip) {
    EXPECT_EQ(RangeRules::reset(4 * s), (CutRange{0, 4 * s}));
    EXPECT_EQ(RangeRules::reset(-1), (CutRange{0, 0}));
}

TEST(RangeRules, ARangeAsLongAsTheClipOrLongerGivesTheWholeClip) {
    const CutRange tenToTwenty{10 * s, 20 * s};
    EXPECT_EQ(RangeRules::applied(tenToTwenty, 5 * s), (CutRange{0, 5 * s}));
    // Exactly as long: the whole clip, not the empty "10 s to 10 s".
    EXPECT_EQ(RangeRules::applied(tenToTwenty, 10 * s), (CutRange{0, 10 * s}));
    const CutRange tenToForty{10 * s, 40 * s};
    EXPECT_EQ(RangeRules::applied(tenToForty, 20 * s), (CutRange{0, 20 * s}));
    EXPECT_EQ(RangeRules::applied(tenToForty, 30 * s), (CutRange{0, 30 * s}));
}

TEST(RangeRules, ARangePastTheClipsEndIsMovedBackToEndThere) {
    EXPECT_EQ(RangeRules::applied({10 * s, 20 * s}, 15 * s), (CutRange{5 * s, 15 * s}));
    EXPECT_EQ(RangeRules::applied({10 * s, 40 * s}, 35 * s), (CutRange{5 * s, 35 * s}));
    // One microsecond past the end is still moved, keeping the length.
    EXPECT_EQ(RangeRules::applied({1 * s, 3 * s + 1}, 3 * s), (CutRange{1 * s - 1, 3 * s}));
}

TEST(RangeRules, ARangeInsideTheClipStaysWhereItIs) {
    EXPECT_EQ(RangeRules::applied({10 * s, 20 * s}, 30 * s), (CutRange{10 * s, 20 * s}));
    EXPECT_EQ(RangeRules::applied({10 * s, 40 * s}, 100 * s), (CutRange{10 * s, 40 * s}));
    // Ending exactly at the clip's end.
    EXPECT_EQ(RangeRules::applied({1 * s, 4 * s}, 4 * s), (CutRange{1 * s, 4 * s}));
}

TEST(RangeRules, BrokenInputsGiveARangeInsideTheClip) {
    // Empty or inverted selections, a negative start, a clip without a length.
    EXPECT_EQ(RangeRules::applied({3 * s, 3 * s}, 10 * s), (CutRange{0, 10 * s}));
    EXPECT_EQ(RangeRules::applied({5 * s, 2 * s}, 10 * s), (CutRange{0, 10 * s}));
    EXPECT_EQ(RangeRules::applied({-2 * s, 3 * s}, 10 * s), (CutRange{0, 3 * s}));
    EXPECT_EQ(RangeRules::applied({1 * s, 2 * s}, 0), (CutRange{0, 0}));
}
