// A controller that speaks only when asked (the emulator without its ticks) falls silent, hangs
// or loses its device in the middle of a firing. Whatever the program believes, what counts is
// the power the emulator holds: within one cycle of its first reply after the fault, 0 when the
// firing has ended, and the program's power when it goes on. The test drives the cycles itself.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "TestFiles.h"
#include "EmulatorProcess.h"
#include "LocaleFacts.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

enum class Fault {
    Silent,  // hears and acts on what it is sent, answers nothing
    Hung,    // hears nothing, answers nothing
    Vanish,  // the device goes away and comes back behind the same name
};

struct Row {
    const char* name;
    Fault fault;
    double seconds;      // how long the fault lasts
    bool longerThanDelay;  // PWR_DELAY 1.2 s instead of 10 minutes: the firing breaks down
    int state;           // Running or Waiting when the fault comes
};

struct SilentController : ::testing::Test, WindowServices {
    static constexpr int kMaxCycles = 12;
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    QString link;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<TForm1> form;

    void open(bool shortDelay)
    {
        link = dir.path() + "/port";
        emulator = std::make_unique<EmulatorProcess>(
            QStringList{"--no-ticks", "--no-pacing", "--quiet", "--state", dir.path() + "/nv.txt", "--link", link},
            false);
        ASSERT_TRUE(emulator->started());
        writeControllerSettings(dir.path(), link);
        form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        ASSERT_TRUE(form->state.PortOk) << dialogs.asked.join("; ").toStdString();
        form->PWR_DELAY->setText(shortDelay ? "0.02" : "10");
    }

    // Polling passes, as the 100 ms timer would run them, until `done` or the time is up. The
    // breakdown timer is a real one and fires in here.
    bool pollUntil(const std::function<bool()>& done, int ms)
    {
        return pollWindowUntil(*form, done, ms);
    }

    bool dataReady() const { return form->state.DataReady; }

    // One control cycle, once the controller has answered or the time is up, and the polling
    // pass after it that sends what the cycle asked for.
    bool cycle(int ms = 2000)
    {
        const bool data = pollUntil([this] { return dataReady(); }, ms);
        if (data)
            pollUntil([] { return false; }, 20);  // the rest of the batch's replies
        clock.advance(2);
        form->InterfaceTimerTimer();
        form->HardwareTimerTimer();
        return data;
    }

    // The power the emulator holds. The test runs no polling pass meanwhile, so nothing new is
    // sent: waiting only lets the emulator take in what is already on the line.
    int emulatorHolds(int expected)
    {
        int power = -1;
        QDeadlineTimer deadline(3000);
        do {
            for (const QString& l : emulator->command("state"))
                if (l.startsWith("power "))
                    power = l.section(' ', 1, 1).toInt();
            if (power == expected)
                return power;
            QThread::msleep(50);
        } while (!deadline.hasExpired());
        return power;
    }

    // Connected, and the firing in `state` with the heater on.
    void enter(int state)
    {
        for (int i = 0; i < kMaxCycles && !form->StartButton->isEnabled(); ++i)
            cycle();
        ASSERT_TRUE(form->state.Connected);
        form->Prog->setCell(1, 2, "900");
        form->Prog->setCell(2, 2, state == Waiting ? "0" : "2");  // a step waits at once
        form->Prog->setCell(1, 3, "0");
        form->Prog->setCell(2, 3, "0");
        form->StartButton->click();
        ASSERT_EQ(form->state.ProgState, Running);
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(cycle());
        ASSERT_EQ(form->state.ProgState, state);
        ASSERT_GT(form->state.Pid.Power, 0);
        ASSERT_EQ(emulatorHolds(form->state.Pid.Power), form->state.Pid.Power);
    }

    void inject(const Row& row)
    {
        const QString seconds = QString::number(row.seconds, 'f', 1);
        switch (row.fault) {
        case Fault::Silent: ASSERT_EQ(emulator->command("silent " + seconds).last(), "ok"); break;
        case Fault::Hung: ASSERT_EQ(emulator->command("deaf " + seconds).last(), "ok"); break;
        case Fault::Vanish: ASSERT_EQ(emulator->command("vanish " + seconds).last(), "ok"); break;
        }
    }

    // Cycles without data until the controller answers again; the operator picks the port again
    // when the device has come back. False when no reply came.
    bool untilFirstReply(const Row& row)
    {
        bool back = row.fault != Fault::Vanish;
        for (int i = 0; i < kMaxCycles; ++i) {
            if (!back && emulator->nextLine(1).value_or("").startsWith("PORT ")) {
                back = true;
                dialogs.portAnswer = link;
                form->PortSelectClick();
                form->InterfaceTimer->stop();
                form->HardwareTimer->stop();
            }
            if (back && pollUntil([this] { return dataReady(); }, 1000))
                return true;
            cycle(back ? 0 : 1000);
        }
        return false;
    }
};

}  // namespace

TEST_F(SilentController, IsAskedAgainAndHoldsWhatTheProgramDecidedWithinOneCycle)
{
    const std::vector<Row> rows{
        {"silence longer than the breakdown delay", Fault::Silent, 4, true, Running},
        {"hung longer than the breakdown delay", Fault::Hung, 4, true, Running},
        {"hung longer than the breakdown delay, waiting", Fault::Hung, 4, true, Waiting},
        {"glitch: hung for a cycle", Fault::Hung, 1.5, false, Running},
        {"glitch: silent for a cycle, waiting", Fault::Silent, 1.5, false, Waiting},
        {"device gone longer than the breakdown delay", Fault::Vanish, 3, true, Running},
        {"device gone for a second", Fault::Vanish, 1, false, Running},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        open(row.longerThanDelay);
        if (HasFatalFailure())
            return;
        enter(row.state);
        if (HasFatalFailure())
            return;
        const int lostBefore = form->state.LostCycles;
        inject(row);
        if (HasFatalFailure())
            return;
        // The replies already on their way are taken in; then the fault shows as a lost cycle.
        for (int i = 0; i < 3 && form->state.LostCycles == lostBefore; ++i)
            cycle(1000);
        ASSERT_GT(form->state.LostCycles, lostBefore);
        ASSERT_TRUE(untilFirstReply(row)) << "the controller was never asked again; "
                                          << (form->log->lines() + dialogs.asked).join("\n").toStdString();

        // The first reply is in: one cycle with data, and the controller holds its power.
        cycle();
        EXPECT_TRUE(form->state.Connected);
        if (row.longerThanDelay) {
            EXPECT_EQ(form->state.ProgState, BreakDown);
            EXPECT_EQ(emulatorHolds(0), 0);
        } else {
            EXPECT_EQ(form->state.ProgState, row.state);
            EXPECT_GT(form->state.Pid.Power, 0);
            EXPECT_EQ(emulatorHolds(form->state.Pid.Power), form->state.Pid.Power);
            form->StopButtonClick();
            cycle();
            EXPECT_EQ(emulatorHolds(0), 0) << "after the firing was stopped";
        }
        form.reset();
        emulator.reset();
    }
}
