// The program in controller mode against the kiln controller emulator on a pseudo-terminal,
// through the real serial port code. The test drives the cycles itself: it polls the port
// until the controller has answered, then runs the control cycle with the clock moved on by
// the cycle's two seconds.
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

struct ControllerOverEmulator : ::testing::Test, WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<TForm1> form;

    void SetUp() override
    {
        emulator = std::make_unique<EmulatorProcess>(
            QStringList{"--no-pacing", "--quiet", "--state", dir.path() + "/nv.txt"}, false);
        ASSERT_TRUE(emulator->started());
        writeControllerSettings(dir.path(), emulator->devicePath);
        form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        ASSERT_TRUE(form->state.PortOk) << dialogs.asked.join("; ").toStdString();
    }

    // Polling passes, as the 100 ms timer would run them, until `done` or the time is up.
    bool pollUntil(const std::function<bool()>& done, int ms = 2000)
    {
        return pollWindowUntil(*form, done, ms);
    }

    // One control cycle; with `waitForData` only once the controller has answered the batch.
    bool cycle(bool waitForData = true, int ms = 2000)
    {
        const bool data = !waitForData || pollUntil([this] { return form->state.DataReady; }, ms);
        if (data && waitForData)
            pollUntil([] { return false; }, 20);  // the rest of the batch's replies
        clock.advance(2);
        form->InterfaceTimerTimer();  // the next polling pass sends the batch it asks for
        return data;
    }

    // The power the emulator holds, once it has taken up what was sent.
    int emulatorPower()
    {
        pollUntil([this] { return form->state.DataReady; });  // a reply: the writes before it are in
        const QStringList lines = emulator->command("state");
        for (const QString& l : lines)
            if (l.startsWith("power "))
                return l.section(' ', 1, 1).toInt();
        return -1;
    }

    int count(const QString& key) const
    {
        int n = 0;
        for (const QString& line : form->log->lines())
            n += line.contains("?? " + key + " ??");
        return n;
    }

    // A step to 300 °C: the regulator heats at once.
    void startFiring()
    {
        form->Prog->setCell(1, 2, "300");
        form->Prog->setCell(2, 2, "0");
        form->Prog->setCell(1, 3, "0");
        form->Prog->setCell(2, 3, "0");
        form->StartButton->click();
        ASSERT_EQ(form->state.ProgState, Running);
    }

    // Cycles until the first ten thermocouple replies after the connection have gone by.
    void connect()
    {
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(cycle()) << i;
        ASSERT_TRUE(form->state.Connected);
    }
};

}  // namespace

TEST_F(ControllerOverEmulator, ConnectsIdentifiesAndSendsTheRegulatorsPower)
{
    connect();
    EXPECT_EQ(count("LogPort"), 1);
    EXPECT_EQ(count("LogControllerConnected"), 1);
    EXPECT_EQ(form->state.ControllerName, "Ardentor PC");
    EXPECT_FALSE(form->state.FirmwareVersion.isEmpty());
    EXPECT_GE(count("LogFirmwareVersion"), 1);  // asked every pass until it comes, so maybe twice
    EXPECT_NEAR(form->state.kilnTemp(), 25, 2);  // the emulator's room, through its calibration
    EXPECT_NEAR(form->state.outsideTemp(), 25, 0.1);
    startFiring();
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(cycle());
        ASSERT_GT(form->state.Pid.Power, 0);
        EXPECT_EQ(emulatorPower(), form->state.Pid.Power) << i;
    }
    form->StopButtonClick();
    form->HardwareTimerTimer();  // the next batch is due only after a cycle: stop wrote nothing yet
    cycle();
    EXPECT_EQ(emulatorPower(), 0);
}

TEST_F(ControllerOverEmulator, ClosingLeavesTheHeaterAndTheOutputsOff)
{
    connect();
    form->Prog->setCell(4, 2, "A  B");
    startFiring();
    for (int i = 0; i < 3; ++i)
        cycle();
    ASSERT_GT(emulatorPower(), 0);
    ASSERT_TRUE(emulator->command("state").filter("output A 100").size() == 1);
    EXPECT_TRUE(form->close());
    // The console and the line are read in either order: ask until the writes are in.
    QStringList state;
    for (int i = 0; i < 20 && state.filter("power 0 %  output A 0  output B 0").isEmpty(); ++i) {
        QThread::msleep(i == 0 ? 0 : 50);
        state = emulator->command("state");
    }
    EXPECT_EQ(state.filter("power 0 %  output A 0  output B 0").size(), 1) << state.join('\n').toStdString();
}

TEST_F(ControllerOverEmulator, ABrokenThermocoupleEndsTheFiring)
{
    connect();
    startFiring();
    cycle();
    emulator->command("break 1");
    // Counted from the first cycle that takes a broken reading in.
    int cycles = 0;
    for (int i = 0; i < 25 && programActive(form->state.ProgState); ++i) {
        ASSERT_TRUE(cycle());
        if (cycles > 0 || form->state.Devices[1].Raw < 30)
            ++cycles;
    }
    EXPECT_EQ(form->state.ProgState, BreakDown);
    EXPECT_EQ(cycles, 11);  // broken in the 11th cycle with data
    EXPECT_EQ(count("LogBreakdownThermocouple"), 1);
    cycle();
    EXPECT_EQ(emulatorPower(), 0);
}

TEST_F(ControllerOverEmulator, ASilentControllerIsLostAndThenBreaksTheFiringDown)
{
    connect();
    startFiring();
    form->PWR_DELAY->setText("0.02");  // 1.2 s
    emulator->command("silent 30");
    QThread::msleep(50);
    form->HardwareTimerTimer();  // replies already on their way are taken in
    cycle(false);
    cycle(false);
    EXPECT_EQ(count("LogConnectionLost"), 1);
    ASSERT_TRUE(form->BreakTimer->isActive());
    EXPECT_EQ(form->BreakTimer->interval(), 1200);
    QDeadlineTimer deadline(3000);
    while (form->state.ProgState != BreakDown && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(form->state.ProgState, BreakDown);
    EXPECT_EQ(count("LogBreakdownDisconnect"), 1);
    EXPECT_EQ(form->state.Pid.Power, 0);
}

TEST_F(ControllerOverEmulator, GarbageOnTheLineCostsNoMoreThanTheFramesItHits)
{
    connect();
    const int lostBefore = form->state.LostCycles;
    for (int i = 0; i < 5; ++i) {
        emulator->command("garbage 60");
        cycle(true, 4000);
    }
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(cycle()) << i;
    EXPECT_TRUE(form->state.Connected);
    EXPECT_LE(form->state.LostCycles - lostBefore, 1);
    EXPECT_NEAR(form->state.kilnTemp(), 25, 2);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(ControllerOverEmulator, AControllerThatGoesAwayIsReportedOnce)
{
    connect();
    ASSERT_TRUE(emulator->quit());
    for (int i = 0; i < 5; ++i)
        cycle(false, 200);
    pollUntil([] { return false; }, 300);
    EXPECT_EQ(dialogs.asked.filter("message:").size(), 1) << dialogs.asked.join("; ").toStdString();
    EXPECT_EQ(count("LogPortOpenError"), 1);
    EXPECT_FALSE(form->state.PortOk);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
}

TEST_F(ControllerOverEmulator, TheCalibrationWrittenReadsBack)
{
    connect();
    form->TERM_Z->setText("90");
    form->TERM_K->setText("500");
    form->TERM_KT->setText("980");
    form->TERM_ZT->setText("25.5");
    dialogs.yesNoAnswer = true;
    form->WriteCalibrationButton->click();
    for (QLineEdit* f : {form->TERM_Z, form->TERM_K, form->TERM_ZT, form->TERM_KT})
        f->clear();
    form->ReadCalibrationButton->click();
    EXPECT_TRUE(pollUntil([this] { return !form->TERM_ZT->text().isEmpty() && !form->TERM_KT->text().isEmpty(); }));
    EXPECT_EQ(form->TERM_Z->text(), "90.0");
    EXPECT_EQ(form->TERM_K->text(), "500.0");
    EXPECT_EQ(form->TERM_KT->text(), "980.0");
    EXPECT_EQ(form->TERM_ZT->text(), "25.5");
}
