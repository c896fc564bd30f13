#include "DateTime.h"
#include "DelayedStart.h"
#include "Executor.h"
#include "FakeTexts.h"
#include "FaultSupervisor.h"
#include "LocaleFacts.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The executor and the delayed start on a kiln clock that follows a settable clock.
class DelayedStartTest : public ::testing::Test {
protected:
    ScopedLocaleFacts facts{LocaleFacts{}};
    KilnState state;
    StringGrid grid{5, 201, 2, 1};
    ProgramTable program{grid, state.Temps};
    FakeTexts texts;
    RecordingLog log;
    RecordingPowerOff powerOff;
    FakeClock clock;
    FakeDialogs dialogs;
    QLabel programState, programLine, programTime;
    QLineEdit dev{"10"}, impossible{"30"};
    QCheckBox normal, crash;
    QTimer shutDownTimer;
    QTabWidget pages;
    Panel panel8;
    QPushButton startButton, startAtButton;
    bool manual = false;
    FaultSupervisor faults{state, texts, log, powerOff, {&panel8, &crash, &shutDownTimer}};
    Executor exec{state, program, texts, log, {&programState, &programLine, &programTime, &dev, &impossible, &normal, &pages},
                  faults};
    DelayedStart delayed{state, exec, texts, log, dialogs, {&startButton, &startAtButton}, [this] { return manual; }};

    void SetUp() override
    {
        grid.setCell(1, 2, "500");
        grid.setCell(2, 2, "60");
        state.CycleTime = clock.now();
        exec.Prog_init();
        log.entries.clear();
    }
    // One control cycle of two seconds as far as the start is concerned.
    void cycle()
    {
        clock.advance(2);
        state.CycleTime = clock.now();
        exec.ExecProgram();
        delayed.CheckDelayedStart();
    }
    int cancellations() const { return int(log.keys().count("LogDelayedStartCancelled")); }
};

TEST_F(DelayedStartTest, StartsInTheFirstCycleAtOrAfterTheTime)
{
    // Seconds from now to the set time, and the cycle (2 s each) that starts the program.
    const struct {
        double offset;
        int startCycle;
    } cases[] = {{-3600, 1}, {0, 1}, {2, 1}, {3, 2}, {61, 31}, {601, 301}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        exec.StopButtonClick();
        log.entries.clear();
        dialogs.startTimeAnswer = clock.now() + c.offset * DateTime::kSecond;
        delayed.StartAtButtonClick();
        ASSERT_TRUE(delayed.schedule().pending());
        int n = 0;
        while (state.ProgState == Stopped && n < 1000) {
            EXPECT_EQ(state.ProgIdle, 1);
            ++n;
            cycle();
        }
        EXPECT_EQ(n, c.startCycle);
        EXPECT_GE(state.CycleTime, delayed.schedule().at());
        EXPECT_FALSE(delayed.schedule().pending());
        EXPECT_EQ(log.keys(), (QStringList{"LogDelayedStartSet", "LogDelayedStart", "LogProgram", "LogKilningProgramStart"}));
        cycle();
        EXPECT_EQ(state.ProgState, Running) << "started once";
        EXPECT_EQ(log.keys().count("LogKilningProgramStart"), 1);
    }
}

TEST_F(DelayedStartTest, WhatEndsTheWait)
{
    const struct {
        const char* what;
        std::function<void()> act;
        int cancelled;  // entries
        int state;
    } cases[] = {
        {"stop", [&] { delayed.StopButtonClick(); }, 1, Stopped},
        {"start pressed", [&] { delayed.StartButtonClick(); }, 1, Running},
        {"impossible program", [&] { state.ProgImpossible = true; }, 1, Stopped},
        {"manual power", [&] { manual = true; }, 1, Stopped},
        {"lasting link loss", [&] { faults.BreakTimerTimer(); }, 1, BreakDown},
        {"link down at the time: waits", [&] { startButton.setEnabled(false); }, 0, Stopped},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        exec.StopButtonClick();
        state.ProgImpossible = false;
        manual = false;
        startButton.setEnabled(true);
        log.entries.clear();
        delayed.Schedule(clock.now() + 60 * DateTime::kSecond);
        c.act();
        for (int i = 0; i < 40; ++i)
            cycle();
        EXPECT_EQ(cancellations(), c.cancelled);
        EXPECT_EQ(delayed.schedule().pending(), c.cancelled == 0);
        EXPECT_EQ(state.ProgState, c.state);
        EXPECT_EQ(log.keys().count("LogDelayedStart"), 0);
        EXPECT_EQ(startAtButton.isEnabled(), startButton.isEnabled());
    }
    // The link back: the start comes in the next cycle.
    startButton.setEnabled(true);
    cycle();
    EXPECT_EQ(state.ProgState, Running);
}

TEST_F(DelayedStartTest, NothingIsScheduledWhileStartIsImpossibleAndARunningProgramStops)
{
    state.ProgImpossible = true;
    dialogs.startTimeAnswer = clock.now() + DateTime::kMinute;
    delayed.StartAtButtonClick();
    EXPECT_FALSE(delayed.schedule().pending());
    EXPECT_TRUE(dialogs.asked.isEmpty());

    state.ProgImpossible = false;
    exec.StartButtonClick();
    delayed.StartAtButtonClick();
    EXPECT_TRUE(dialogs.asked.last().endsWith("|<StartAtPrompt>|<StartAtStopsProgram>"));
    EXPECT_EQ(state.ProgState, Stopped);
    EXPECT_EQ(state.Pid.Power, 0);
    EXPECT_EQ(log.keys().mid(2), (QStringList{"LogKilningProgramStop", "LogDelayedStartSet"}));
    EXPECT_EQ(delayed.Countdown(), "<StartCountdown>0:01:00 (" + DateTime::hm(delayed.schedule().at()) + ")");
    // Cancelled, the dialog offers an hour from now on the next five minutes.
    dialogs.startTimeAnswer = 0;
    delayed.StopButtonClick();
    delayed.StartAtButtonClick();
    EXPECT_FALSE(delayed.schedule().pending());
    EXPECT_GE(dialogs.startTimeOffered - clock.now(), 1.0 / 24);
    EXPECT_LT(dialogs.startTimeOffered - clock.now(), 1.0 / 24 + 5 * DateTime::kMinute);
}

}  // namespace
