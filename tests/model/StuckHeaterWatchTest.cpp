// The watch for a heater that does not switch off, fed with a modelled kiln whose heater may
// heat whatever power is sent.
#include "FakeTexts.h"
#include "FaultSupervisor.h"
#include "StuckHeaterWatch.h"
#include "TestServices.h"
#include "ThermalModel.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

// The shipped kiln's factors, the room at 25 °C, a reading every 2 s with a little noise.
struct ModelledKiln : ::testing::Test {
    static constexpr double kStep = 2;
    KilnState state;
    FakeTexts texts;
    RecordingLog log;
    RecordingPowerOff powerOff;
    FaultSupervisor faults{state, texts, log, powerOff, {}};
    StuckHeaterWatch watch{state, faults, {}};
    double heater = 25;
    double chamber = 25;
    double modelI = 0.005;
    double modelR = 0.003;
    int readings = 0;

    // `seconds` of the kiln heated at `heating` % while `sent` % is sent; the verdicts seen.
    std::vector<StuckHeaterWatch::Verdict> run(double seconds, int sent, double heating)
    {
        std::vector<StuckHeaterWatch::Verdict> seen;
        for (double t = 0; t < seconds; t += kStep) {
            ModelStep(heater, chamber, 25, 0.003, 0.005, 0.057, kStep, heating);
            HeaterReading r;
            r.seconds = kStep;
            r.kilnTemp = chamber + (readings++ % 2 ? 0.7 : -0.7);
            r.power = sent;
            r.outsideTemp = 25;
            r.modelI = modelI;
            r.modelR = modelR;
            const StuckHeaterWatch::Verdict v = watch.Feed(r);
            if (v != StuckHeaterWatch::Verdict::None)
                seen.push_back(v);
        }
        return seen;
    }

    // Heated along, as a firing does, until the chamber reaches `temp`.
    void heatTo(double temp)
    {
        while (chamber < temp)
            run(kStep, 100, 100);
        heater = chamber;  // after a hold
    }

    static std::vector<StuckHeaterWatch::Verdict> once(StuckHeaterWatch::Verdict v) { return {v}; }
};

using Verdict = StuckHeaterWatch::Verdict;

}  // namespace

TEST_F(ModelledKiln, NaturalCoolingAndPowerThatComesAndGoesNeverRaiseIt)
{
    heatTo(1000);
    EXPECT_TRUE(run(3 * 3600, 0, 0).empty());  // the end of a firing and its cooling
    // A regulator that sends nothing for minutes now and then, heating in between.
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(run(290, 0, 0).empty());
        EXPECT_TRUE(run(60, 50, 50).empty());
    }
    EXPECT_FALSE(watch.alarm());
}

TEST_F(ModelledKiln, AHeaterThatHeatsWithNoPowerSentRaisesItOnceUntilTheKilnCoolsAgain)
{
    heatTo(400);
    run(600, 60, 60);
    // Stopped, but the relay has welded: the kiln goes on heating at 60 %.
    EXPECT_TRUE(run(240, 0, 60).empty());
    run(kStep, 1, 60);  // a moment of power restarts the five minutes without power
    EXPECT_TRUE(run(296, 0, 60).empty());
    EXPECT_EQ(run(20, 0, 60), once(Verdict::Stuck));
    EXPECT_TRUE(watch.alarm());
    EXPECT_TRUE(run(1800, 0, 60).empty());  // still heating: the alarm goes on, raised once
    // The mains are switched off: natural cooling ends it within a few minutes.
    EXPECT_TRUE(run(60, 0, 0).empty());
    EXPECT_EQ(run(540, 0, 0), once(Verdict::Cooling));
    EXPECT_FALSE(watch.alarm());
    EXPECT_TRUE(run(3600, 0, 0).empty());
    // Switched on again with the relay still welded: a new alarm.
    EXPECT_EQ(run(900, 0, 30), once(Verdict::Stuck));
}

TEST_F(ModelledKiln, AKilnThatCoolsFarSlowerThanTheModelRaisesIt)
{
    heatTo(900);
    // Stuck at 20 %: the kiln cools, never rising, but stays well above natural cooling.
    EXPECT_EQ(run(1200, 0, 20), once(Verdict::Stuck));
    EXPECT_TRUE(run(1200, 0, 20).empty());
    EXPECT_EQ(run(900, 0, 0), once(Verdict::Cooling));  // the mains switched off
}

TEST_F(ModelledKiln, WithoutModelFactorsOnlyARiseIsNoticed)
{
    modelI = std::numeric_limits<double>::quiet_NaN();
    heatTo(900);
    EXPECT_TRUE(run(1200, 0, 20).empty());
    EXPECT_EQ(run(900, 0, 80), once(Verdict::Stuck));
}
