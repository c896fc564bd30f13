#include "Simulator.h"

#include "FakeTexts.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QLineEdit>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

class SimulatorTest : public ::testing::Test {
protected:
    SimulatorTest()
    {
        sim.ModelInit();
        state.CycleStep = 2.0 / 86400;
    }
    KilnState state;
    FakeRandom random;
    RecordingLog log;
    QLineEdit MODEL_P{"0.02"}, MODEL_I{"0.005"}, MODEL_R{"0.003"};
    Simulator sim{state, random, log, {&MODEL_P, &MODEL_I, &MODEL_R}};

    // One control cycle's worth: the simulator delivers, the cycle takes the data up.
    void cycle()
    {
        sim.Sim_Work();
        state.DataReady = false;
    }
};

}  // namespace

TEST_F(SimulatorTest, DeliversAFreshSetOfMeasurements)
{
    state.Devices[1].Error = true;
    state.Devices[17].Error = true;
    sim.Sim_Work();
    EXPECT_TRUE(state.DataReady);
    EXPECT_FALSE(state.Devices[1].Error);
    EXPECT_FALSE(state.Devices[17].Error);
    EXPECT_EQ(state.Devices[18].Value, 10000);  // 200 × 50 Hz
    EXPECT_EQ(state.Devices[18].Raw, 5000);
    // One ambient draw and six per sub-step.
    EXPECT_EQ(random.calls, 1 + 13 * 6);
}

TEST_F(SimulatorTest, DoesNothingWhileTheLastDataWaits)
{
    state.Pid.Power = 100;
    sim.Sim_Work();
    const double heater = sim.ModelHeaterT, chamber = sim.ModelChamberT, ambient = sim.SimAmbient;
    const double tc = state.Devices[1].Value, cj = state.Devices[17].Value;
    const int calls = random.calls;
    state.Devices[1].Error = true;
    state.Devices[18].Value = 0;
    MODEL_P.setText("bad");

    sim.Sim_Work();  // DataReady still set
    EXPECT_EQ(sim.ModelHeaterT, heater);
    EXPECT_EQ(sim.ModelChamberT, chamber);
    EXPECT_EQ(sim.SimAmbient, ambient);
    EXPECT_EQ(state.Devices[1].Value, tc);
    EXPECT_EQ(state.Devices[17].Value, cj);
    EXPECT_TRUE(state.Devices[1].Error);
    EXPECT_EQ(state.Devices[18].Value, 0);
    EXPECT_EQ(random.calls, calls);
    EXPECT_NE(Colors::background(&MODEL_P), Colors::Red) << "fields are not even read";
}

TEST_F(SimulatorTest, AmbientDriftsAndTheColdJunctionResolvesSixteenths)
{
    // The highest draw pulls the ambient towards 26.498 °C.
    random.script = {999};
    sim.Sim_Work();
    EXPECT_DOUBLE_EQ(sim.SimAmbient, (499.0 / 500 + 25.5) * 0.01 + 0.99 * 25.5);

    random.fallback = 999;
    for (int n = 0; n < 1000; ++n) {
        state.DataReady = false;
        random.script.clear();
        sim.Sim_Work();
        const double cj = state.Devices[17].Value;
        EXPECT_EQ(cj * 16, std::floor(cj * 16)) << cj;
        EXPECT_LE(std::fabs(cj - sim.SimAmbient), 1.0 / 32);
    }
    EXPECT_NEAR(sim.SimAmbient, 26.498, 0.001);
    EXPECT_LE(sim.SimAmbient, 26.498);
}

TEST_F(SimulatorTest, ColdJunctionHalvesRoundToEven)
{
    // With the middle draw the ambient becomes 0.255 + 0.99 × previous. Find a previous
    // ambient that lands exactly on a half sixteenth.
    auto ambientLandingOn = [](double target) -> double {
        double s = (target - 0.255) / 0.99;
        for (int n = 0; n < 200; ++n, s = std::nextafter(s, 0.0))
            ;
        for (int n = 0; n < 400; ++n, s = std::nextafter(s, 100.0))
            if ((0.0 / 500 + 25.5) * 0.01 + 0.99 * s == target)
                return s;
        return NAN;
    };
    for (auto [sixteenths, expected] : {std::pair{408.5, 408.0}, std::pair{409.5, 410.0}}) {
        const double start = ambientLandingOn(sixteenths / 16);
        ASSERT_FALSE(std::isnan(start)) << sixteenths;
        sim.SimAmbient = start;
        state.DataReady = false;
        random.script = {500};
        sim.Sim_Work();
        ASSERT_EQ(sim.SimAmbient * 16, sixteenths);
        EXPECT_EQ(state.Devices[17].Value, expected / 16) << sixteenths;
    }
}

TEST_F(SimulatorTest, AveragedReadingIsFinerThanOneCount)
{
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> draw(0, 2999);
    std::vector<double> readings;
    for (int n = 0; n < 200; ++n) {
        // A steady chamber 0.6 °C above a steady 25.5 °C room, no power.
        state.DataReady = false;
        sim.SimAmbient = 25.5;
        sim.ModelHeaterT = 26.1;
        sim.ModelChamberT = 26.1;
        random.script = {500};
        for (int k = 0; k < 13 * 6; ++k)
            random.script.push_back(draw(gen));
        sim.Sim_Work();
        ASSERT_EQ(state.Devices[17].Value, 25.5);
        readings.push_back(state.Devices[1].Value);
    }
    // Each reading is the cold junction plus a whole number of 1.46484375 / 13 steps, and
    // neighbouring readings are much closer than one count.
    std::set<double> distinct(readings.begin(), readings.end());
    double smallestGap = 1e9, previous = NAN, mean = 0;
    for (double r : distinct) {
        const double units = (r - 25.5) * 13 / Simulator::kQuantum;
        EXPECT_NEAR(units, std::nearbyint(units), 1e-9) << r;
        if (!std::isnan(previous))
            smallestGap = std::min(smallestGap, r - previous);
        previous = r;
    }
    for (double r : readings)
        mean += r / readings.size();
    EXPECT_GE(distinct.size(), 3u);
    EXPECT_LT(smallestGap, Simulator::kQuantum / 4);
    // The average lies between the two counts around the chamber, not on either.
    EXPECT_GT(mean, 25.5 + 0.1);
    EXPECT_LT(mean, 25.5 + Simulator::kQuantum - 0.1);
}

TEST_F(SimulatorTest, PowerHeatsTheModelOverTheCycleStep)
{
    // 13 sub-steps of 2/13 s at 100 % put in 100 × 0.02 × 2 = 4 °C, less small losses.
    state.Pid.Power = 100;
    double before = sim.ModelHeaterT;
    cycle();
    EXPECT_NEAR(sim.ModelHeaterT - before, 4.0, 0.1);
    EXPECT_GT(sim.ModelChamberT, 25.5);

    MODEL_P.setText("0,04");
    before = sim.ModelHeaterT;
    cycle();
    EXPECT_NEAR(sim.ModelHeaterT - before, 8.0, 0.2);

    // A bad model field turns red and its default is used.
    MODEL_P.setText("x");
    before = sim.ModelHeaterT;
    cycle();
    EXPECT_EQ(Colors::background(&MODEL_P), Colors::Red);
    EXPECT_NEAR(sim.ModelHeaterT - before, 4.0, 0.3);
}

TEST_F(SimulatorTest, NamesTheControllerOnce)
{
    for (int n = 0; n < 5; ++n)
        cycle();
    EXPECT_EQ(state.ControllerName, "simulator");
    EXPECT_EQ(log.entries, QStringList{"LogController|simulator"});
    // Once the name is forgotten (as a cleared recording does), the next step reports it again.
    state.ControllerName.clear();
    cycle();
    EXPECT_EQ(log.entries.size(), 2);
}

TEST(SimulatorTiming, IntervalsFollowTheSpeed)
{
    auto check = [](double speed, int hw, int iface) {
        const SimulatorTiming t = SimulatorTiming::forSpeed(speed);
        EXPECT_EQ(t.HardwareInterval, hw) << speed;
        EXPECT_EQ(t.InterfaceInterval, iface) << speed;
    };
    check(10, 10, 200);
    check(3, 33, 667);
    check(8, 12, 250);  // 12.5 rounds to even
    check(1, 100, 2000);
    check(1000, 1, 2);  // never below 1 ms
    check(0, 100, 2000);
    check(-5, 100, 2000);
    check(NAN, 100, 2000);

    QLineEdit SIM_SPEED;
    for (const char* text : {"0", "-5"}) {
        SIM_SPEED.setText(text);
        const SimulatorTiming t = SimulatorTiming::read(&SIM_SPEED);
        EXPECT_EQ(t.SimSpeed, 1) << text;
        EXPECT_EQ(t.InterfaceInterval, 2000) << text;
        EXPECT_EQ(Colors::background(&SIM_SPEED), Colors::Red) << text;
        EXPECT_EQ(SIM_SPEED.text(), text);
    }
    SIM_SPEED.setText("fast");
    EXPECT_EQ(SimulatorTiming::read(&SIM_SPEED).SimSpeed, 10);
    EXPECT_EQ(Colors::background(&SIM_SPEED), Colors::Red);
    SIM_SPEED.setText("3");
    const SimulatorTiming t = SimulatorTiming::read(&SIM_SPEED);
    EXPECT_EQ(t.SimSpeed, 3);
    EXPECT_EQ(t.HardwareInterval, 33);
    EXPECT_EQ(Colors::background(&SIM_SPEED), Colors::Lime);
}
