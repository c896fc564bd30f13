#include "ProgramPlan.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

struct PlanPoint {
    const char* name;
    double seconds;
    double setPoint;
    bool ramp;
};

void PrintTo(const PlanPoint& p, std::ostream* os) { *os << p.name; }

// 25 → 600 in 60 min, hold 30 min, a step to 700 with no time, 700 → 500 in 20 min.
const ProgramPlan kPlan({{600, 60}, {600, 30}, {700, 0}, {500, 20}}, 25);

class PlanAt : public ::testing::TestWithParam<PlanPoint> {};

TEST_P(PlanAt, SetPointAndRamp)
{
    EXPECT_NEAR(kPlan.setPointAt(GetParam().seconds), GetParam().setPoint, 1e-9);
    EXPECT_EQ(kPlan.rampAt(GetParam().seconds), GetParam().ramp);
}

INSTANTIATE_TEST_SUITE_P(Times, PlanAt,
                         ::testing::Values(PlanPoint{"Start", 0, 25, true}, PlanPoint{"HalfFirstRamp", 1800, 312.5, true},
                                           PlanPoint{"FirstRampEnds", 3600, 600, false},
                                           PlanPoint{"InHold", 4000, 600, false},
                                           PlanPoint{"StepLineTakesNoTime", 5400, 700, true},
                                           PlanPoint{"Cooling", 6000, 600, true},
                                           PlanPoint{"End", 6600, 500, false}, PlanPoint{"PastEnd", 1e6, 500, false},
                                           PlanPoint{"BeforeStart", -10, 25, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramPlan, LengthAndEmptyPlans)
{
    EXPECT_DOUBLE_EQ(kPlan.seconds(), 110 * 60);
    EXPECT_FALSE(kPlan.empty());
    const ProgramPlan none({}, 30);
    EXPECT_TRUE(none.empty());
    EXPECT_DOUBLE_EQ(none.seconds(), 0);
    EXPECT_DOUBLE_EQ(none.setPointAt(100), 30);
    EXPECT_FALSE(none.rampAt(0));
    // Negative times (no number in the cell reads as 0 there, but a caller may pass one) are none.
    const ProgramPlan odd({{300, -5}, {300, 10}}, 25);
    EXPECT_DOUBLE_EQ(odd.seconds(), 600);
    EXPECT_DOUBLE_EQ(odd.setPointAt(0), 300);
}

}  // namespace
