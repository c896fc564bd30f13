#include "ReachWarning.h"
#include "ThermalModel.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

const ModelFactors shipped{0.0017, 0.00008, 0.003};

// The time to rise at full power agrees with the model stepped as the simulator steps it.
TEST(ReachWarning, FullPowerMinutesFollowTheModel)
{
    double t1 = 230, t2 = 200, seconds = 0;
    while (t2 < 600) {
        ModelStep(t1, t2, 25, shipped.r, shipped.i, shipped.p, 2.0 / 13, 100);
        seconds += 2.0 / 13;
    }
    EXPECT_NEAR(FullPowerMinutes(shipped, 230, 200, 600, 25, 1000) / (seconds / 60), 1, 0.01);
    EXPECT_TRUE(std::isinf(FullPowerMinutes(shipped, 230, 200, 600, 25, seconds / 60 - 5))) << "beyond the limit";
    EXPECT_EQ(FullPowerMinutes(shipped, 600, 600, 600, 25, 10), 0);
    EXPECT_TRUE(std::isinf(FullPowerMinutes({0.02, 0.005, 0.003}, 400, 400, 600, 25, 1e9))) << "holds 425 °C";
    EXPECT_TRUE(std::isinf(FullPowerMinutes({0.0017, 0.00008, 0}, 20, 20, 100, 25, 100)));
    EXPECT_TRUE(std::isinf(FullPowerMinutes({NAN, 0.00008, 0.003}, 20, 20, 100, 25, 100)));
}

TEST(ReachWarning, Verdicts)
{
    // A line to 1000 °C, the kiln at 700 °C; the shipped kiln takes about 95 minutes at full power.
    const auto input = [](double elapsed, double left, std::optional<double> rate, double power,
                          ModelFactors model = shipped) {
        ReachInput in;
        in.kilnTemp = 700;
        in.outsideTemp = 25;
        in.lineTemp = 1000;
        in.elapsedMinutes = elapsed;
        in.minutesToBreakdown = left;
        in.rate = rate;
        in.meanPower = power;
        in.model = model;
        return in;
    };
    const ModelFactors optimistic{0.02, 0.00008, 0.003};
    const ModelFactors outgrown{0.02, 0.005, 0.003};  // holds 425 °C
    const ModelFactors weak{0.00075, 0.00008, 0.003};  // holds 960 °C: 0.6 °C per minute at 700 °C
    const struct {
        const char* what;
        ReachInput in;
        bool unreachable;
    } cases[] = {
        {"time enough at full power", input(30, 120, 1.5, 60), false},
        {"too little time even at full power", input(30, 60, 1.5, 60), true},
        {"first minutes of the line", input(9, 60, 1.5, 60), false},
        {"the allowance has run out", input(200, 0, 1.5, 60), false},
        {"the model cannot get there", input(30, 500, 0.5, 60, weak), true},
        {"a model the kiln has outgrown", input(30, 500, 3.0, 100, outgrown), false},
        {"at full power, too slow", input(30, 100, 2.0, 95, optimistic), true},
        {"at full power, fast enough", input(30, 200, 2.0, 95, optimistic), false},
        {"slow at low power", input(30, 100, 0.5, 40, optimistic), false},
        {"not rising at full power", input(30, 1000, 0.0, 100, optimistic), true},
        {"no rate yet, optimistic model", input(30, 100, {}, 100, optimistic), false},
        {"no model, slow at full power", input(30, 100, 2.0, 100, {}), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReachWarning::Unreachable(c.in), c.unreachable) << c.what;
    ReachInput there = input(30, 10, 0.0, 100);
    there.kilnTemp = 990.5;
    EXPECT_FALSE(ReachWarning::Unreachable(there)) << "within the tolerance";
    there.kilnTemp = 1200;
    EXPECT_FALSE(ReachWarning::Unreachable(there)) << "a line that cools";
}

TEST(ReachWarning, OneEntryPerLineOnceTheVerdictHasStood)
{
    ReachWarning w;
    const struct {
        int line;
        double minute;
        bool unreachable;
        bool tell, standing;
    } steps[] = {
        {3, 0, true, false, false},  {3, 0.9, true, false, false}, {3, 1.0, true, true, true},
        {3, 2, true, false, true},   {3, 3, false, false, false},  {3, 4, true, false, false},
        {3, 5, true, false, true},   {4, 6, true, false, false},   {4, 7, true, true, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.minute);
        EXPECT_EQ(w.Follow(s.line, s.minute, s.unreachable), s.tell);
        EXPECT_EQ(w.standing(), s.standing);
    }
}

}  // namespace
