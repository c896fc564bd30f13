#include "ControlCycle.h"

#include "FakeTexts.h"
#include "LocaleFacts.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct CycleFixture : ::testing::Test {
    ScopedLocaleFacts locale{LocaleFacts{}};
    KilnState state;
    FakeClock clock;
    FakeTexts texts;
    RecordingLog log;
    Panel p4, p7, p8, p31, p9;
    QLabel outside, inside, target, power, l1, l2, l3, l45;
    QLineEdit maxTemp{"1100"}, pwrDelay{"10"}, curPower, energy, cost;
    QTimer breakTimer;
    QPushButton start;
    QSlider manualPower;
    bool manual = false;
    int execCalls = 0, calcCalls = 0, drawCalls = 0, reopenCalls = 0;
    std::function<void()> deliver;  // what the "exchange" delivers before each cycle
    std::unique_ptr<ControlCycle> cycle;

    void SetUp() override
    {
        manualPower.setRange(0, 100);
        manualPower.setValue(100);
        state.InterfaceMode = 0;
        ControlCycleView v{&p4, &p7, &p8, &p31, &p9, &outside, &inside, &target, &power, &maxTemp, &pwrDelay,
                           &curPower, &energy, &cost, &l1, &l2, &l3, &l45, &breakTimer, &start, &manualPower};
        ControlCycleSteps steps;
        steps.ExecProgram = [this] { ++execCalls; };
        steps.Calc = [this] { ++calcCalls; };
        steps.DrawGraph = [this] { ++drawCalls; };
        steps.PortReopen = [this] { ++reopenCalls; };
        steps.ManualMode = [this] { return manual; };
        cycle = std::make_unique<ControlCycle>(state, clock, texts, log, v, steps);
        cycle->InitState();
    }

    // One cycle with fresh measurements: kiln 20 °C, outside 20 °C, mains 50 Hz.
    void goodCycle(double kiln = 20, double outsideT = 20, double mains = 10000)
    {
        state.Devices[1].Value = kiln;
        state.Devices[1].Error = false;
        state.Devices[17].Value = outsideT;
        state.Devices[17].Error = false;
        state.Devices[18].Value = mains;
        state.DataReady = true;
        clock.advance(2);
        cycle->WorkInterface();
    }
};

}  // namespace

TEST_F(CycleFixture, WithoutDataEveryCycleIsLostAndNothingIsLogged)
{
    for (int i = 0; i < 1800; ++i)  // an hour of cycles
        cycle->WorkInterface();
    EXPECT_EQ(state.LostCycles, 1800);
    EXPECT_TRUE(log.entries.isEmpty());  // never connected, so never lost
    EXPECT_FALSE(breakTimer.isActive());
    EXPECT_EQ(execCalls, 1800);  // the program still steps
    EXPECT_EQ(calcCalls, 0);
    EXPECT_EQ(drawCalls, 0);
    EXPECT_FALSE(state.RequestDue);
    EXPECT_FALSE(start.isEnabled());
    EXPECT_EQ(l45.text(), "1800");
    const QColor a = p4.color();
    cycle->WorkInterface();
    EXPECT_NE(p4.color(), a);  // the indicators flash red / orange
    EXPECT_TRUE(p4.color() == Colors::Red || p4.color() == Colors::Orange);
    EXPECT_EQ(p7.color(), p4.color());
    EXPECT_EQ(p9.color(), state.FlashColor);  // no polling pass for more than five cycles
}

TEST_F(CycleFixture, ConnectionAndLossEdgesArmTheBreakTimer)
{
    breakTimer.start(1000);
    goodCycle();
    EXPECT_EQ(log.entries, QStringList{"LogControllerConnected|"});
    EXPECT_FALSE(breakTimer.isActive());
    EXPECT_EQ(state.SkipReplies, 10);
    EXPECT_EQ(p4.color(), Colors::Lime);
    EXPECT_TRUE(state.RequestDue);
    EXPECT_TRUE(state.LinkOk);
    goodCycle();
    EXPECT_EQ(log.entries.size(), 1);
    pwrDelay.setText("2,5");
    cycle->WorkInterface();
    EXPECT_EQ(log.keys(), (QStringList{"LogControllerConnected", "LogConnectionLost"}));
    EXPECT_TRUE(breakTimer.isActive());
    EXPECT_EQ(breakTimer.interval(), 150000);
    EXPECT_FALSE(state.LinkOk);
    pwrDelay.setText("x");
    cycle->WorkInterface();  // still lost: no second entry, timer untouched
    EXPECT_EQ(log.entries.size(), 2);
    goodCycle();
    EXPECT_EQ(log.keys().last(), "LogControllerConnected");
    EXPECT_FALSE(breakTimer.isActive());
    cycle->WorkInterface();
    EXPECT_EQ(breakTimer.interval(), 600000);  // a bad field: the default of 10 minutes
    pwrDelay.setText("0");
    goodCycle();
    cycle->WorkInterface();
    EXPECT_GE(breakTimer.interval(), ControlCycle::kMinBreakDelayMs);
}

TEST_F(CycleFixture, ADeviceBreaksInTheEleventhCycleAndOneGoodReadingRefillsIt)
{
    auto missingReading = [this] {
        state.Devices[1].Error = true;  // the reading stopped arriving
        state.Devices[17].Error = false;
        state.Devices[18].Value = 10000;
        state.DataReady = true;
        cycle->WorkInterface();
    };
    goodCycle();
    for (int i = 0; i < 9; ++i)
        missingReading();
    goodCycle();  // one good reading in between refills the tolerance
    EXPECT_EQ(state.Devices[1].Count, 10);
    for (int i = 1; i <= 10; ++i) {
        missingReading();
        EXPECT_FALSE(state.Devices[1].Broken) << i;
    }
    missingReading();
    EXPECT_TRUE(state.Devices[1].Broken);  // the 11th cycle with data after the last good reading
    cycle->WorkInterface();                // lost cycles keep the flag
    EXPECT_TRUE(state.Devices[1].Broken);
    goodCycle();
    EXPECT_FALSE(state.Devices[1].Broken);
}

TEST_F(CycleFixture, MainsHoldOffAndBounds)
{
    goodCycle(20, 20, 8800);  // 44 Hz in the first cycle: the lower bound waits
    EXPECT_FALSE(state.Devices[18].Error);
    EXPECT_EQ(p8.color(), Colors::Lime);
    EXPECT_EQ(state.Devices[18].Value, 0);  // used for one cycle only
    EXPECT_EQ(state.CycleMainsValue, 8800);
    EXPECT_EQ(l2.text(), "44 Hz");
    goodCycle(20, 20, 8800);
    EXPECT_TRUE(state.Devices[18].Error);
    goodCycle(20, 20, 9400);  // 47 Hz passes
    EXPECT_FALSE(state.Devices[18].Error);

    KilnState fresh;
    state = fresh;
    cycle->InitState();
    goodCycle(20, 20, 11200);  // 56 Hz is flagged from the first cycle
    EXPECT_TRUE(state.Devices[18].Error);
}

TEST_F(CycleFixture, OverheatIsAStrictComparisonAndIndicatorThresholds)
{
    goodCycle(1100, 20);
    EXPECT_FALSE(state.Devices[16].Error);
    goodCycle(1100.1, 20);
    EXPECT_TRUE(state.Devices[16].Error);
    maxTemp.setText("abc");
    goodCycle(1000.5, 20);  // default 1000
    EXPECT_TRUE(state.Devices[16].Error);
    EXPECT_EQ(Colors::background(&maxTemp), Colors::Red);

    goodCycle(14.9, 20);
    EXPECT_EQ(p7.color(), Colors::LightBlue);
    goodCycle(25.1, 20);
    EXPECT_EQ(p7.color(), Colors::Lime);
    goodCycle(25.0, 20);
    EXPECT_EQ(p7.color(), Colors::buttonFace());
}

TEST_F(CycleFixture, StatusTextsAndTimeKeeping)
{
    state.Pid.Power = 42;
    state.MeterPowerKW = 1234.5;
    state.TargetTemp = 30;
    const double t0 = clock.value;
    goodCycle(20, 21.5);
    EXPECT_EQ(inside.text(), QString::fromUtf8("<StatusInside>20.0 °C"));
    EXPECT_EQ(outside.text(), QString::fromUtf8("<StatusOutside>21.5 °C"));
    EXPECT_EQ(target.text(), QString::fromUtf8("<StatusTarget>30.0 °C"));
    EXPECT_EQ(power.text(), "<StatusPower>:42 %");
    EXPECT_EQ(curPower.text(), "1,234.500");
    EXPECT_DOUBLE_EQ(state.RecordStart, state.CycleTime);
    EXPECT_DOUBLE_EQ(state.CycleTime, t0 + 2.0 / 86400);
    const double recordStart = state.RecordStart;
    clock.advance(10);  // a late cycle: its step spans the wait
    goodCycle();
    EXPECT_NEAR(state.CycleStep * 86400, 12, 1e-6);
    EXPECT_EQ(state.RecordStart, recordStart);

    // The wall clock set forward an hour, then back two: the steps stay the real 2 s, the
    // kiln clock follows the wall clock.
    for (double jump : {3600.0, -7200.0}) {
        clock.value += jump / 86400;
        goodCycle();
        EXPECT_NEAR(state.CycleStep * 86400, 2, 1e-6) << jump;
        EXPECT_DOUBLE_EQ(state.CycleTime, clock.value) << jump;
    }

    // Lost cycles measure their own steps, so the reconnecting cycle spans only its own 2 s.
    for (int i = 0; i < 3; ++i) {
        clock.advance(2);
        cycle->WorkInterface();
        EXPECT_NEAR(state.CycleStep * 86400, 2, 1e-6);
    }
    goodCycle();
    EXPECT_NEAR(state.CycleStep * 86400, 2, 1e-6);

    state.InterfaceMode = 1;  // simulated time runs in steps of SimStep
    const double before = state.CycleTime;
    goodCycle();
    EXPECT_DOUBLE_EQ(state.CycleTime, before + state.SimStep);
    EXPECT_EQ(p9.color(), Colors::Lime);
}

TEST_F(CycleFixture, StartButtonRuleAndPortRetry)
{
    state.PortOk = true;
    cycle->WorkInterface();
    EXPECT_EQ(reopenCalls, 1);  // a lost controller is retried every cycle
    goodCycle();
    EXPECT_TRUE(start.isEnabled());
    state.ProgImpossible = true;
    goodCycle();
    EXPECT_FALSE(start.isEnabled());
    state.ProgImpossible = false;
    manual = true;
    goodCycle();
    EXPECT_FALSE(start.isEnabled());
}

TEST_F(CycleFixture, OverheatStopsAFinishedProgramAndResetsManualPowerOnce)
{
    goodCycle();
    state.ProgState = Finished;
    manual = true;
    manualPower.setValue(40);
    for (int i = 0; i < 11; ++i)
        goodCycle(1200);
    EXPECT_TRUE(state.Devices[16].Broken);
    EXPECT_EQ(state.ProgState, Stopped);
    EXPECT_EQ(manualPower.value(), 100);
    EXPECT_EQ(log.keys().mid(1), (QStringList{"LogOverHeat", "LogOverHeat", "LogResetPowerSetting"}));
    goodCycle(1200);
    EXPECT_EQ(log.entries.size(), 4);  // once, while the bar stays at 0 %
    manualPower.setValue(50);
    goodCycle(1200);
    EXPECT_EQ(log.keys().mid(4), (QStringList{"LogOverHeat", "LogResetPowerSetting"}));
    state.ProgState = BreakDown;
    goodCycle(1200);
    EXPECT_EQ(state.ProgState, BreakDown);  // left where the supervisor put it
}

// What a cycle's kiln reading allows: Start only on a valid reading (not on the first data
// while the thermocouple replies are still skipped), the status without a bogus number, and
// one log entry naming the channel when a firing loses its reading.
TEST_F(CycleFixture, StartStatusAndLogFollowTheKilnReading)
{
    state.Devices[1].Tc_Name = "Kiln";
    struct Step {
        const char* what;
        bool reading;  // a valid thermocouple reply came in this cycle
        double value;
        int progState;
        bool startEnabled;
        const char* inside;
        QStringList newLog;
    };
    const std::vector<Step> steps{
        {"first data, thermocouple replies still skipped", false, 0, Stopped, false, "<StatusInside><NoReading>", {}},
        {"the first reading", true, 21, Stopped, true, "<StatusInside>21.0 °C", {}},
        {"broken wire while stopped", false, -299, Stopped, false, "<StatusInside><NoReading>", {}},
        {"back", true, 400, Running, true, "<StatusInside>400.0 °C", {}},
        {"broken wire while firing", false, -299, Running, false, "<StatusInside><NoReading>",
         {"LogNoKilnReading| 1 (Kiln)"}},
        {"still broken: no second entry", false, -299, Running, false, "<StatusInside><NoReading>", {}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        state.ProgState = s.progState;
        state.Devices[1].Value = s.value;
        // A reply clears the error the last cycle left; a missing or broken one leaves it set.
        if (s.reading)
            state.Devices[1].Error = false;
        else if (s.value != 0)
            state.Devices[1].Error = true;
        state.Devices[17].Value = 20;
        state.Devices[17].Error = false;
        state.Devices[18].Value = 10000;
        state.DataReady = true;
        const qsizetype before = log.entries.size();
        clock.advance(2);
        cycle->WorkInterface();
        EXPECT_EQ(start.isEnabled(), s.startEnabled);
        EXPECT_EQ(inside.text(), QString::fromUtf8(s.inside));
        QStringList added = log.entries.mid(before);
        added.removeAll("LogControllerConnected|");
        EXPECT_EQ(added, s.newLog);
    }
}
