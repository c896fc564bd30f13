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
#include <functional>
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

    // Start again: the firing begins anew at line 1.
    shutDownTimer.stop();
    exec.StartButtonClick();
    EXPECT_EQ(state.ProgLine, 1);
    EXPECT_EQ(state.LineTime, 0);
    cycle();
    EXPECT_EQ(state.ProgState, Running);

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
    // Stops before the end line, the one the executor finishes at (here the empty line 3).
    const QString temps = QString(" 1000 ") + "23456 ";
    const QString times = QString("   60 ") + "   30 ";
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

// A finished or broken-down firing started again begins at line 1 with a fresh line time; a
// line chosen with Prev/Next, or the line a pause left, is kept.
TEST_F(ExecutorTest, StartAgainBeginsAtLineOneAfterAnEnd)
{
    struct Row {
        const char* what;
        std::function<void()> end;
        int line;
        double lineTimeMinutes;
    };
    const std::vector<Row> rows{
        {"finished", [this] { exec.NextButtonClick(); state.ProgState = Waiting; cycle(); }, 1, 0},
        {"broken down", [this] { faults.BreakTimerTimer(); }, 1, 0},
        {"paused", [this] { exec.PauseButtonClick(); }, 2, 3},
        {"next chosen while stopped", [this] { exec.StopButtonClick(); exec.NextButtonClick(); exec.NextButtonClick(); }, 2, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        exec.Prog_init();
        line(1, "100", "0");
        line(2, "100", "30");
        line(3, "0", "0");
        setTemps(100, 20);
        exec.StartButtonClick();
        cycle();
        cycle();  // arrived: line 2, a hold
        ASSERT_EQ(state.ProgLine, 2);
        state.LineTime = 3 * DateTime::kMinute;
        row.end();
        setTemps(20, 20);
        exec.StartButtonClick();
        EXPECT_EQ(state.ProgState, Running);
        EXPECT_EQ(state.ProgLine, row.line);
        EXPECT_NEAR(state.LineTime / DateTime::kMinute, row.lineTimeMinutes, 1e-9);
    }
}

// "0" in a Temp cell ends the program on every scale: under °F it is not a target of
// -17.8 °C to wait for until the firing breaks down. A value that is 0 °C (32 °F, as a file's
// "0" with minutes loads) ends it too.
TEST_F(ExecutorTest, ZeroEndsTheProgramOnEveryScale)
{
    struct Row {
        int scale;
        QString top, end;
    };
    const std::vector<Row> rows{
        {0, "100", "0"}, {1, "212", "0"}, {1, "212", "32"}, {2, "373.15", "0"}, {3, "671.67", "0"}, {4, "80", "0"},
        {1, "212", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scale);
        SCOPED_TRACE(row.end.toStdString());
        state.Temps.TempScale = row.scale;
        exec.Prog_init();
        line(1, row.top, "0");
        line(2, row.end, "0");
        setTemps(100, 20);
        EXPECT_EQ(program.LineTemp(2), 0);
        exec.StartButtonClick();
        for (int i = 0; i < 4 && state.ProgState != Finished; ++i)
            cycle();
        EXPECT_EQ(state.ProgState, Finished);
    }
    state.Temps.TempScale = 0;
}

// Started warm, the program skips the lines at its start that heat (or hold) below the kiln
// temperature, and goes on at the line's own rate from where the kiln stands; the log names
// the skipped lines. Lines followed by cooling and the last line before the end are run.
TEST_F(ExecutorTest, AWarmKilnSkipsTheHeatingLinesItHasPassed)
{
    struct Row {
        const char* what;
        double kiln;
        std::vector<std::pair<QString, QString>> lines;
        int startLine;
        double lineTimeMinutes;
        QString skippedLog;
    };
    const std::vector<std::pair<QString, QString>> bisque{
        {"100", "60"}, {"100", "60"}, {"600", "300"}, {"600", "30"}, {"1000", "200"}, {"0", "0"}};
    const std::vector<Row> rows{
        {"cold kiln: from line 1", 20, bisque, 1, 0, ""},
        {"warm kiln: on line 5's ramp", 698, bisque, 5, 49, "LogSkippedLines| 1, 2, 3, 4, T=698.0 °C"},
        {"on the candling hold", 100, bisque, 3, 0, "LogSkippedLines| 1, 2, T=100.0 °C"},
        {"past the top: the last line waits", 1010, bisque, 5, 200, "LogSkippedLines| 1, 2, 3, 4, T=1010.0 °C"},
        {"a program that cools keeps its lines", 698, {{"500", "120"}, {"300", "120"}, {"0", "0"}}, 1, 0, ""},
        {"hold hot, then cool", 750, {{"700", "0"}, {"700", "60"}, {"500", "120"}, {"0", "0"}}, 2, 0,
         "LogSkippedLines| 1, T=750.0 °C"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        exec.Prog_init();
        for (int r = 2; r < grid.rows(); ++r)
            line(r - 1, "", "");
        for (std::size_t n = 0; n < row.lines.size(); ++n)
            line(int(n) + 1, row.lines[n].first, row.lines[n].second);
        setTemps(row.kiln, 20);
        log.entries.clear();
        exec.StartButtonClick();
        EXPECT_EQ(state.ProgLine, row.startLine);
        EXPECT_NEAR(state.LineTime / DateTime::kMinute, row.lineTimeMinutes, 1e-6);
        const QStringList skipped = log.entries.filter("LogSkippedLines");
        EXPECT_EQ(skipped.join(""), row.skippedLog);
        EXPECT_EQ(log.entries.last(), "LogKilningProgramStart|" + QString::number(row.startLine) + ", T=" +
                                          state.Temps.TermS(row.kiln) + degC);
        // The set point starts at the kiln temperature (or at the line's end, past it).
        cycle();
        if (row.startLine > 1 && row.lineTimeMinutes > 0 && row.kiln < 1000) {
            EXPECT_NEAR(state.TargetTemp, row.kiln, 1.0);
        }
    }
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
    EXPECT_EQ(Colors::textColor(&programState), Colors::readableText(&programState, Colors::Red));

    struct Case {
        int state;
        const char* key;
        QColor color;
    };
    state.FlashColor = Colors::Orange;
    for (const Case& c : {Case{Stopped, "ProgStopped", Colors::plainText()}, Case{Waiting, "ProgWaiting", Colors::Yellow},
                          Case{Paused, "ProgPaused", Colors::Blue}, Case{Finished, "ProgFinished", Colors::Lime},
                          Case{BreakDown, "ProgBreakDown", Colors::Orange}}) {
        state.ProgState = c.state;
        exec.ShowState();
        EXPECT_EQ(programState.text(), QString("<ProgramState><") + c.key + ">");
        EXPECT_EQ(Colors::textColor(&programState), Colors::readableText(&programState, c.color)) << c.key;
    }
}

}  // namespace
