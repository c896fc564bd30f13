#include "DateTime.h"
#include "Executor.h"
#include "FakeTexts.h"
#include "FaultSupervisor.h"
#include "LocaleFacts.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

namespace {

const QString degC = QString::fromUtf8(" °C");

LocaleFacts pointFacts()
{
    LocaleFacts f;
    f.decimalSeparator = '.';
    f.longTimeFormat = "H:mm:ss";
    return f;
}

struct Mark {
    double x, y;
    QString label;
};

class ExecutorTest : public ::testing::Test {
protected:
    ScopedLocaleFacts facts{pointFacts()};
    KilnState state;
    StringGrid grid{5, 201, 2, 1};
    ProgramTable program{grid, state.Temps};
    FakeTexts texts;
    RecordingLog log;
    RecordingPowerOff powerOff;
    QLabel programState, programLine, programTime;
    QLineEdit dev{"10"}, impossible{"30"};
    QCheckBox normal, crash;
    QTimer shutDownTimer;
    QTabWidget pages;
    Panel panel8;
    std::vector<int> sounds;
    std::vector<Mark> marks;
    int drawProgCalls = 0;
    FaultSupervisor faults{state, texts, log, powerOff, {&panel8, &crash, &shutDownTimer}};
    Executor exec{state,
                  program,
                  texts,
                  log,
                  {&programState, &programLine, &programTime, &dev, &impossible, &normal, &pages},
                  faults,
                  {[this](int n) { sounds.push_back(n); },
                   [this] {
                       ++drawProgCalls;
                       return true;
                   },
                   [this](double x, double y, const QString& label) { marks.push_back({x, y, label}); },
                   [this] { return int(marks.size()); }, [] { return QString("Prog1.prg"); }}};

    void SetUp() override
    {
        pages.addTab(new QWidget, "work");
        pages.addTab(new QWidget, "program");
        state.CycleStep = 2 * DateTime::kSecond;
        state.CycleTime = 45000;
        setTemps(20, 20);
        exec.Prog_init();
        marks.clear();
        log.entries.clear();
    }

    void line(int n, const QString& temp, const QString& minutes, const QString& sound = "",
              const QString& out = "")
    {
        grid.setCell(1, n + 1, temp);
        grid.setCell(2, n + 1, minutes);
        grid.setCell(3, n + 1, sound);
        grid.setCell(4, n + 1, out);
    }
    void setTemps(double tin, double tout)
    {
        state.Devices[DeviceTable::kThermocouple].Value = tin;
        state.Devices[DeviceTable::kSensor].Value = tout;
    }
    void cycle()
    {
        state.CycleTime += state.CycleStep;
        exec.ExecProgram();
    }
    void expectSafe()
    {
        EXPECT_EQ(state.ProgIdle, 1);
        EXPECT_EQ(state.TargetTemp, state.outsideTemp());
    }
};

TEST_F(ExecutorTest, ThousandDegreesInAnHourThenFinish)
{
    line(1, "1000", "60");
    exec.StartButtonClick();
    EXPECT_EQ(state.ProgState, Running);
    EXPECT_EQ(state.ProgLine, 1);
    EXPECT_EQ(state.StartTemp, 20);
    EXPECT_EQ(log.entries.value(1), "LogKilningProgramStart|1, T=20.0" + degC);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].label, "1");

    int cycles = 0;
    double previous = state.TargetTemp;
    while (state.ProgState == Running && cycles < 2000) {
        cycle();
        ++cycles;
        if (state.ProgState == Running) {
            EXPECT_NEAR(state.TargetTemp - previous, 980.0 / 1800, 1e-9);
            EXPECT_EQ(state.ProgIdle, 0);
        }
        previous = state.TargetTemp;
    }
    ASSERT_EQ(state.ProgState, Waiting);
    EXPECT_GE(cycles, 1800);
    EXPECT_LE(cycles, 1801);
    EXPECT_GE(state.TargetTemp, 1000 - 1e-6);
    EXPECT_LT(state.TargetTemp, 1000 + 980.0 / 1800 + 1e-6);
    EXPECT_TRUE(log.entries.last().startsWith("LogProgramWaiting| (20.0" + degC + " -> 100")) << log.entries.last().toStdString();

    // Exactly DEV away is not there yet, on either side.
    const double kept = state.TargetTemp;
    for (double tin : {990.0, 1010.0}) {
        setTemps(tin, 20);
        cycle();
        EXPECT_EQ(state.ProgState, Waiting);
        EXPECT_EQ(state.ProgLine, 1);
        EXPECT_EQ(state.TargetTemp, kept);
    }
    setTemps(990.1, 20);
    cycle();
    EXPECT_EQ(state.ProgState, Running);
    EXPECT_EQ(state.ProgLine, 2);
    EXPECT_EQ(state.LineTime, 0);
    EXPECT_EQ(log.entries.last(), "LogProgramGoto| 2, T=990.1" + degC);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[1].label, "2");
    EXPECT_EQ(marks[1].y, kept);

    cycle();  // the empty end line: set point 0 at once
    EXPECT_EQ(state.ProgState, Waiting);
    EXPECT_EQ(state.TargetTemp, 0);
    EXPECT_EQ(log.entries.last(), "LogProgramWaiting| (990.1" + degC + " -> 0.0" + degC + ")");

    cycle();
    EXPECT_EQ(state.ProgState, Finished);
    EXPECT_EQ(log.entries.last(), "LogProgramDone|, T=990.1" + degC);
    expectSafe();
    EXPECT_FALSE(shutDownTimer.isActive());
    EXPECT_TRUE(sounds.empty());

    const double lineTime = state.LineTime;
    setTemps(990.1, 25);
    cycle();  // the line time keeps counting in Finished
    EXPECT_NEAR(state.LineTime - lineTime, state.CycleStep, 1e-15);
    expectSafe();
}

TEST_F(ExecutorTest, StepLinesSoundsOutputsAndNormalShutdown)
{
    line(1, "500", "0", "5", "A   ");
    line(2, "600", "0", "6", "A  B");
    line(3, "0", "0");
    normal.setChecked(true);
    exec.StartButtonClick();
    EXPECT_EQ(state.OutLevel[1], 100);
    EXPECT_EQ(state.OutLevel[2], 0);
    cycle();
    EXPECT_EQ(state.ProgState, Waiting);  // a zero-time step waits in the same cycle
    EXPECT_EQ(state.TargetTemp, 500);
    setTemps(495, 20);
    cycle();
    EXPECT_EQ(state.ProgLine, 2);
    EXPECT_EQ(sounds, std::vector<int>{5});
    EXPECT_EQ(state.OutLevel[1], 100);
    EXPECT_EQ(state.OutLevel[2], 100);
    cycle();
    EXPECT_EQ(state.TargetTemp, 600);
    setTemps(605, 20);
    cycle();  // sound 6 is not a line sound
    EXPECT_EQ(state.ProgLine, 3);
    EXPECT_EQ(sounds, std::vector<int>{5});
    EXPECT_EQ(state.OutLevel[1], 0);
    EXPECT_FALSE(shutDownTimer.isActive());
    cycle();
    cycle();
    EXPECT_EQ(state.ProgState, Finished);
    EXPECT_TRUE(shutDownTimer.isActive());

    exec.StopButtonClick();
    EXPECT_EQ(state.ProgState, Stopped);
    EXPECT_EQ(state.ProgLine, 0);
    EXPECT_EQ(state.OutLevel[1], 0);
    EXPECT_EQ(state.OutLevel[2], 0);
    EXPECT_EQ(marks.back().label, "0");
    EXPECT_EQ(marks.back().y, 20);
    EXPECT_EQ(log.entries.last(), "LogKilningProgramStop|T=605.0" + degC);
    expectSafe();
}

TEST_F(ExecutorTest, UnreachableTemperatureGivesUpAfterTheAllowance)
{
    line(1, "100", "60");
    crash.setChecked(true);
    exec.StartButtonClick();
    cycle();
    // Just before line time 90 min: still waiting.
    state.ProgState = Waiting;
    state.LineTime = 90 * DateTime::kMinute - state.CycleStep - 1e-9;
    cycle();
    EXPECT_EQ(state.ProgState, Waiting);
    EXPECT_FALSE(shutDownTimer.isActive());
    cycle();
    EXPECT_EQ(state.ProgState, BreakDown);
    EXPECT_EQ(log.entries.last(), "LogBreakDownUnreachable|");
    EXPECT_TRUE(shutDownTimer.isActive());
    expectSafe();

    // The alarm sounds every cycle; the line time stands still.
    const double lineTime = state.LineTime;
    cycle();
    cycle();
    EXPECT_EQ(sounds, (std::vector<int>{6, 6}));
    EXPECT_EQ(state.LineTime, lineTime);
    expectSafe();

    // Start again, still far off: Waiting on the ramp's extension for one cycle, then BreakDown.
    shutDownTimer.stop();
    exec.StartButtonClick();
    EXPECT_EQ(state.ProgLine, 1);
    EXPECT_EQ(state.LineTime, lineTime);
    cycle();
    EXPECT_EQ(state.ProgState, Waiting);
    EXPECT_GT(state.TargetTemp, 100);
    cycle();
    EXPECT_EQ(state.ProgState, BreakDown);

    // A field that is no number gives the default allowance of 120 minutes.
    impossible.setText("abc");
    exec.StopButtonClick();
    exec.StartButtonClick();
    state.ProgState = Waiting;
    state.LineTime = 179 * DateTime::kMinute;
    cycle();
    EXPECT_EQ(state.ProgState, Waiting);
    state.LineTime = 180 * DateTime::kMinute;
    cycle();
    EXPECT_EQ(state.ProgState, BreakDown);
}

TEST_F(ExecutorTest, StartListsTheProgramAndRefusesAnImpossibleOne)
{
    line(1, "1000", "60");
    line(2, "123456", "30");
    line(3, "", "");
    line(4, "5", "0");
    line(5, "700", "10");
    exec.StartButtonClick();
    ASSERT_EQ(log.entries.size(), 2);
    // Stops before the first time cell that is exactly "0"; an empty one does not stop it.
    const QString temps = QString(" 1000 ") + "23456 " + "      ";
    const QString times = QString("   60 ") + "   30 " + "      ";
    EXPECT_EQ(log.entries[0], "LogProgram|Prog1.prg\r\n" + temps + "\r\n" + times);
    EXPECT_EQ(Executor::PadLeft5("7"), "    7");
    EXPECT_EQ(Executor::PadLeft5(""), "     ");

    exec.StopButtonClick();
    log.entries.clear();
    state.ProgImpossible = true;
    const int draws = drawProgCalls;
    exec.StartButtonClick();
    EXPECT_EQ(drawProgCalls, draws + 1);
    EXPECT_EQ(pages.currentIndex(), 1);
    EXPECT_EQ(state.ProgState, Stopped);
    EXPECT_EQ(state.ProgLine, 0);
    EXPECT_TRUE(log.entries.isEmpty());
}

TEST_F(ExecutorTest, StartAfterFinishedRunsTheEndLineAgain)
{
    line(1, "100", "0");
    setTemps(100, 20);
    exec.StartButtonClick();
    for (int i = 0; i < 4; ++i)
        cycle();
    ASSERT_EQ(state.ProgState, Finished);
    ASSERT_EQ(state.ProgLine, 2);
    exec.StartButtonClick();
    EXPECT_EQ(state.ProgLine, 2);
    cycle();
    EXPECT_EQ(state.ProgState, Waiting);
    EXPECT_EQ(state.TargetTemp, 0);
    cycle();
    EXPECT_EQ(state.ProgState, Finished);
    EXPECT_EQ(log.keys().count("LogProgramDone"), 2);
}

TEST_F(ExecutorTest, PrevAndNextAtTheLimits)
{
    line(1, "100", "10");
    exec.PrevButtonClick();  // no line: stays 0
    EXPECT_EQ(state.ProgLine, 0);
    EXPECT_EQ(log.entries.last(), "LogKilningProgramPrev| (0), T=20.0" + degC);
    exec.NextButtonClick();
    EXPECT_EQ(state.ProgLine, 1);
    exec.StartButtonClick();
    cycle();
    state.LineTime = 0.5;
    exec.PrevButtonClick();
    EXPECT_EQ(state.ProgLine, 1);
    EXPECT_EQ(state.LineTime, 0);
    EXPECT_EQ(state.ProgState, Running);
    EXPECT_EQ(log.entries.last(), "LogKilningProgramPrev| (1), T=20.0" + degC);

    exec.SetProgLine(199);
    exec.NextButtonClick();
    EXPECT_EQ(state.ProgLine, 200);
    state.LineTime = 0.5;
    exec.NextButtonClick();
    EXPECT_EQ(state.ProgLine, 200);
    EXPECT_EQ(state.LineTime, 0);
    EXPECT_EQ(log.entries.last(), "LogKilningProgramNext| (200), T=20.0" + degC);
    EXPECT_EQ(state.ProgState, Running);
}

TEST_F(ExecutorTest, BrokenDeviceEndsTheFiringButNotInTheIdleStates)
{
    line(1, "100", "0");
    // Stopped: devices are not looked at.
    state.Devices[DeviceTable::kThermocouple].Broken = true;
    cycle();
    EXPECT_EQ(state.ProgState, Stopped);
    EXPECT_TRUE(log.entries.isEmpty());
    state.Devices[DeviceTable::kThermocouple].Broken = false;

    // The end line reached with a broken thermocouple: BreakDown, not Finished.
    setTemps(100, 20);
    normal.setChecked(true);
    crash.setChecked(true);
    exec.StartButtonClick();
    cycle();
    cycle();
    cycle();
    ASSERT_EQ(state.ProgState, Waiting);
    state.Devices[DeviceTable::kThermocouple].Broken = true;
    log.entries.clear();
    cycle();
    EXPECT_EQ(state.ProgState, BreakDown);
    EXPECT_EQ(log.keys(), (QStringList{"LogProgramDone", "LogBreakdownThermocouple"}));
    EXPECT_FALSE(shutDownTimer.isActive());  // neither a normal end nor a shutdown reason
    expectSafe();
    cycle();
    EXPECT_EQ(log.entries.size(), 2);  // logged once per ended firing

    // Paused checks the devices too; a Start with the device still broken ends it again.
    exec.StopButtonClick();
    exec.StartButtonClick();
    exec.PauseButtonClick();
    EXPECT_EQ(state.TargetTemp, 100);
    log.entries.clear();
    cycle();
    EXPECT_EQ(state.ProgState, BreakDown);
    EXPECT_EQ(log.keys(), QStringList{"LogBreakdownThermocouple"});
    expectSafe();
}

TEST_F(ExecutorTest, PauseHoldsTheKilnTemperature)
{
    line(1, "800", "100");
    exec.StartButtonClick();
    cycle();
    setTemps(33, 20);
    exec.PauseButtonClick();
    EXPECT_EQ(log.entries.last(), "LogKilningProgramPause|1, T=33.0" + degC);
    const double lineTime = state.LineTime;
    cycle();
    EXPECT_EQ(state.ProgState, Paused);
    EXPECT_EQ(state.TargetTemp, 33);
    EXPECT_EQ(state.ProgIdle, 0);
    EXPECT_EQ(state.LineTime, lineTime);
    exec.StartButtonClick();
    cycle();
    EXPECT_EQ(state.ProgState, Running);
    EXPECT_GT(state.LineTime, lineTime);
}

TEST_F(ExecutorTest, ShowsLineTimeAndStateInItsColour)
{
    line(1, "800", "3000");
    exec.StartButtonClick();
    state.LineTime = 25.0 / 24 - state.CycleStep;  // 25 h after the step: wraps to 1 h
    cycle();
    EXPECT_EQ(programLine.text(), "<ProgramLineNumber>1");
    EXPECT_EQ(programTime.text(), "<ProgramTime>1:00:00");
    EXPECT_EQ(programState.text(), "<ProgramState><ProgRunning>");
    EXPECT_EQ(Colors::textColor(&programState), Colors::Red);

    struct Case {
        int state;
        const char* key;
        QColor color;
    };
    state.FlashColor = Colors::Orange;
    for (const Case& c : {Case{Stopped, "ProgStopped", Colors::Black}, Case{Waiting, "ProgWaiting", Colors::Yellow},
                          Case{Paused, "ProgPaused", Colors::Blue}, Case{Finished, "ProgFinished", Colors::Lime},
                          Case{BreakDown, "ProgBreakDown", Colors::Orange}}) {
        state.ProgState = c.state;
        exec.ShowState();
        EXPECT_EQ(programState.text(), QString("<ProgramState><") + c.key + ">");
        EXPECT_EQ(Colors::textColor(&programState), c.color) << c.key;
    }
}

}  // namespace
