#include "ProgramPlan.h"

#include <gtest/gtest.h>

namespace {

// 25 → 600 in 60 min, hold 30 min, a step to 700 with no time, 700 → 500 in 20 min.
const ProgramPlan kPlan({{600, 60}, {600, 30}, {700, 0}, {500, 20}}, 25);

TEST(ProgramPlan, LengthAndEmptyPlans)
{
    EXPECT_DOUBLE_EQ(kPlan.seconds(), 110 * 60);
    EXPECT_FALSE(kPlan.empty());
    const ProgramPlan none({}, 30);
    EXPECT_TRUE(none.empty());
    EXPECT_DOUBLE_EQ(none.seconds(), 0);
    // Negative times (no number in the cell reads as 0 there, but a caller may pass one) are none.
    const ProgramPlan odd({{300, -5}, {300, 10}}, 25);
    EXPECT_DOUBLE_EQ(odd.seconds(), 600);
}

}  // namespace
