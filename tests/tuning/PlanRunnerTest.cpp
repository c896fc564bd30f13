#include "DateTime.h"
#include "Executor.h"
#include "FakeTexts.h"
#include "FaultSupervisor.h"
#include "PlanRunner.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace {

// How the kiln answers the set point in a case: the next reading from the last one and the
// set point.
using KilnResponse = std::function<double(double reading, double setPoint)>;

struct RunnerCase {
    const char* name;
    std::vector<PlanLine> lines;
    KilnResponse kiln;
};

void PrintTo(const RunnerCase& c, std::ostream* os) { *os << c.name; }

// The plan runner the tuning and the test firings use, against the executor itself, cycle by
// cycle on the same kiln readings: same line, same set point, same end or break-off.
class PlanRunnerAgainstExecutor : public ::testing::TestWithParam<RunnerCase> {
protected:
    KilnState state;
    StringGrid grid{5, 201, 2, 1};
    ProgramTable program{grid, state.Temps};
    FakeTexts texts;
    RecordingLog log;
    RecordingPowerOff powerOff;
    QLabel programState, programLine, programTime;
    QLineEdit dev{"10"}, impossible{"120"};
    QCheckBox normal, crash;
    QTimer shutDownTimer;
    QTabWidget pages;
    Panel panel8;
    FaultSupervisor faults{state, texts, log, powerOff, {&panel8, &crash, &shutDownTimer}};
    Executor exec{state, program, texts, log, {&programState, &programLine, &programTime, &dev, &impossible, &normal, &pages},
                  faults};

    void SetUp() override
    {
        pages.addTab(new QWidget, "work");
        pages.addTab(new QWidget, "program");
        state.CycleStep = 2 * DateTime::kSecond;
        state.CycleTime = 45000;
        setKiln(25);
        state.Devices[DeviceTable::kSensor].Value = 25;
        exec.Prog_init();
    }
    void setKiln(double t) { state.Devices[DeviceTable::kThermocouple].Value = t; }
};

TEST_P(PlanRunnerAgainstExecutor, FollowsTheExecutorCycleByCycle)
{
    const RunnerCase& c = GetParam();
    for (std::size_t n = 0; n < c.lines.size(); ++n) {
        grid.setCell(1, int(n) + 2, QString::number(c.lines[n].temp));
        grid.setCell(2, int(n) + 2, QString::number(c.lines[n].minutes));
    }
    exec.StartButtonClick();
    PlanRunner runner(ProgramPlan::fromTable(program, state.kilnTemp()), state.kilnTemp());
    double reading = state.kilnTemp();
    int cycles = 0;
    for (; cycles < 60000 && programActive(state.ProgState); ++cycles) {
        state.CycleTime += state.CycleStep;
        exec.ExecProgram();
        runner.step(2, reading);
        if (program.LineEnds(state.ProgLine) || state.ProgState == Finished) {
            ASSERT_FALSE(runner.active()) << "cycle " << cycles;
            ASSERT_FALSE(runner.brokeOff());
            continue;
        }
        if (state.ProgState == BreakDown) {
            ASSERT_TRUE(runner.brokeOff()) << "cycle " << cycles;
            break;
        }
        ASSERT_TRUE(runner.active()) << "cycle " << cycles;
        ASSERT_EQ(runner.line(), state.ProgLine) << "cycle " << cycles;
        ASSERT_NEAR(runner.setPoint(), state.TargetTemp, 1e-9) << "cycle " << cycles;
        reading = c.kiln(reading, state.TargetTemp);
        setKiln(reading);
    }
    EXPECT_LT(cycles, 60000);
    EXPECT_FALSE(runner.active());
    EXPECT_EQ(runner.brokeOff(), state.ProgState == BreakDown);
}

KilnResponse lagging(double share) { return [share](double t, double sp) { return t + (sp - t) * share; }; }
KilnResponse behindBy(double degrees) { return [degrees](double, double sp) { return sp - degrees; }; }
KilnResponse limitedRise(double perCycle)
{
    return [perCycle](double t, double sp) { return t + std::clamp(sp - t, -perCycle, perCycle); };
}

INSTANTIATE_TEST_SUITE_P(
    Programs, PlanRunnerAgainstExecutor,
    ::testing::Values(
        RunnerCase{"RampHoldEnd", {{600, 90}, {600, 30}}, lagging(0.05)},
        RunnerCase{"RampsAndCooling", {{500, 60}, {900, 60}, {700, 45}, {700, 10}}, lagging(0.02)},
        RunnerCase{"StepsWithoutTime", {{300, 0}, {300, 5}, {150, 0}}, limitedRise(0.5)},
        // Just inside the arrival tolerance: every line moves on the cycle its time ends.
        RunnerCase{"JustInsideTolerance", {{400, 30}, {800, 30}}, behindBy(9.9)},
        // Too slow for the last line: waits out the allowance and breaks off.
        RunnerCase{"TooSlowBreaksOff", {{300, 20}, {1200, 30}}, limitedRise(0.05)},
        RunnerCase{"OneMinuteLines", {{60, 1}, {90, 1}, {90, 1}}, lagging(0.3)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
