// A heater that goes on heating with no power sent, through the real main window: on the
// simulated kiln, against the emulator's stuck heater, and never on a healthy kiln's cooling.
#include "SimulatedKiln.h"

#include "EmulatorProcess.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

int entries(const TForm1& form, const QString& key)
{
    int n = 0;
    for (const QString& line : form.log->lines())
        n += line.contains("?? " + key + " ??");
    return n;
}

// The two titles the flasher alternates between, in either order.
QSet<QString> titles(TForm1& form)
{
    QSet<QString> shown;
    for (int i = 0; i < 2; ++i) {
        form.FlashTimerTimer();
        shown << form.windowTitle();
    }
    return shown;
}

// The simulated kiln in controller mode, so that the test decides what heats it: a welded relay
// heats at the last power it switched, whatever the regulator sends.
struct WeldedRelay : SimulatedKiln {
    int welded = -1;  // the power the heater is stuck at; -1: it follows the power sent

    void SetUp() override
    {
        SimulatedKiln::SetUp();
        form->state.InterfaceMode = 0;
        form->PID_P->setText("5");
        form->PID_I->setText("0.005");
        form->PID_D->setText("50");
        QDir().mkpath(dir.path() + "/Sounds");
        writeBytes(dir.path() + "/Sounds/" + form->WAV6->text(), "RIFF");
    }

    void cycle()
    {
        clock.advance(2);
        const int sent = form->state.Pid.Power;
        if (welded >= 0)
            form->state.Pid.Power = welded;
        form->simulator->Sim_Work();
        form->state.Pid.Power = sent;
        form->InterfaceTimerTimer();
    }

    // Cycles until `done`, at most `limit`; the number run.
    int cyclesUntil(const std::function<bool()>& done, int limit)
    {
        int n = 0;
        while (!done() && n < limit) {
            cycle();
            ++n;
        }
        return n;
    }
};

}  // namespace

TEST_F(WeldedRelay, AHeaterThatKeepsHeatingEndsTheFiringAndWarnsUntilTheKilnCools)
{
    setLine(1, "600", "60");
    setLine(2, "0", "0");
    cyclesUntil([] { return false; }, 3);
    form->StartButtonClick();
    cyclesUntil([this] { return form->state.kilnTemp() > 200; }, 2000);
    ASSERT_GT(form->state.Pid.Power, 0);
    welded = form->state.Pid.Power;
    form->StopButtonClick();

    const int cycles = cyclesUntil([this] { return form->heaterWatch->alarm(); }, 400);
    EXPECT_GE(cycles, 150);  // five minutes without power first
    EXPECT_LT(cycles, 160);
    EXPECT_EQ(form->state.ProgState, BreakDown);
    EXPECT_EQ(form->state.Pid.Power, 0);
    EXPECT_EQ(entries(*form, "LogBreakdownHeaterStuck"), 1);
    EXPECT_EQ(titles(*form), (QSet<QString>{"?? TitleHeaterStuck ??", form->state.Temps.TermSdeg(form->state.kilnTemp())}));

    // Acknowledged with Stop, the alarm goes on sounding while the kiln heats.
    form->StopButtonClick();
    const qsizetype sounded = sound.played.size();
    cyclesUntil([] { return false; }, 300);
    EXPECT_GE(sound.played.size() - sounded, 300);
    EXPECT_TRUE(sound.played.last().endsWith(form->WAV6->text()));
    EXPECT_TRUE(form->heaterWatch->alarm());

    welded = -1;  // the mains switched off
    EXPECT_LT(cyclesUntil([this] { return !form->heaterWatch->alarm(); }, 600), 600);
    const qsizetype atEnd = sound.played.size();
    cyclesUntil([] { return false; }, 1800);  // an hour of cooling
    EXPECT_EQ(sound.played.size(), atEnd);
    EXPECT_EQ(titles(*form), (QSet<QString>{form->faults->Caption, form->state.Temps.TermSdeg(form->state.kilnTemp())}));
    EXPECT_EQ(entries(*form, "LogBreakdownHeaterStuck"), 1);
    EXPECT_EQ(powerOff.requests, 0);
}

TEST(ShippedKilnCooling, TheFirstStartProgramAndItsCoolingNeverRaiseTheStuckHeaterAlarm)
{
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/Prog");
    QDir().mkpath(dir.path() + "/Oven");
    for (const char* name : {"English.lng", "term.ini", "Prog/Prog1.prg", "Oven/Oven1.ovn"})
        ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/" + name, dir.path() + "/" + name)) << name;
    // The simulator's noise, repeatable.
    struct SeededRandom : Random {
        QRandomGenerator generator{20240611};
        int uniform(int count) override { return int(generator.bounded(count)); }
    } random;
    WindowServices services;
    TForm1 form(AppServices{services.clock, random, services.dialogs, services.sound, services.powerOff, dir.path()});
    restoreWithoutTimers(form);
    for (int i = 0; i < 5; ++i)
        form.InterfaceTimerTimer();
    form.StartButtonClick();
    int cycles = 0;
    while (form.state.ProgState != Finished && form.state.ProgState != BreakDown && cycles < 40000) {
        form.InterfaceTimerTimer();
        ++cycles;
        ASSERT_FALSE(form.heaterWatch->alarm()) << cycles;
    }
    ASSERT_EQ(form.state.ProgState, Finished);
    for (int i = 0; i < 14 * 1800 && !form.heaterWatch->alarm(); ++i)  // fourteen hours of cooling
        form.InterfaceTimerTimer();
    EXPECT_FALSE(form.heaterWatch->alarm());
    EXPECT_EQ(form.state.ProgState, Finished);
    EXPECT_LT(form.state.kilnTemp(), 200);
}

namespace {

// The program against the emulator, whose kiln runs kSpeed times faster than real time; the
// program's clock keeps pace with it.
struct StuckOnTheLine : ::testing::Test, WindowServices {
    static constexpr double kSpeed = 300;
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<TForm1> form;
    QElapsedTimer real;

    void SetUp() override
    {
        // The program's model and the emulated kiln are the same shipped kiln.
        QDir().mkpath(dir.path() + "/Oven");
        const QString oven = dir.path() + "/Oven/Oven1.ovn";
        ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/Oven/Oven1.ovn", oven));
        emulator = std::make_unique<EmulatorProcess>(QStringList{"--no-pacing", "--quiet", "--state",
                                                                 dir.path() + "/nv.txt", "--speed", QString::number(kSpeed),
                                                                 "--oven", oven},
                                                     false);
        ASSERT_TRUE(emulator->started());
        writeControllerSettings(dir.path(), emulator->devicePath);
        form = std::make_unique<TForm1>(app(dir.path()));
        restoreWithoutTimers(*form);
        ASSERT_TRUE(form->state.PortOk);
        real.start();
    }

    // One control cycle once the controller has answered the batch.
    bool cycle()
    {
        QDeadlineTimer deadline(2000);
        while (!form->state.DataReady && !deadline.hasExpired()) {
            form->HardwareTimerTimer();
            QCoreApplication::processEvents();
            QThread::msleep(2);
        }
        const qint64 ms = real.restart();
        clock.advance(ms / 1000.0 * kSpeed);
        form->InterfaceTimerTimer();
        form->HardwareTimerTimer();  // the batch the cycle asked for goes out
        return form->state.Connected;
    }

    bool cyclesUntil(const std::function<bool()>& done, int ms)
    {
        QDeadlineTimer deadline(ms);
        while (!done())
            if (!cycle() || deadline.hasExpired())
                return false;
        return true;
    }
};

}  // namespace

TEST_F(StuckOnTheLine, TheEmulatorsStuckHeaterIsNoticedAndTheAlarmEndsWhenItIsFreed)
{
    ASSERT_TRUE(cyclesUntil([this] { return form->StartButton->isEnabled() && form->state.kilnTemp() > 20; }, 5000));
    form->Prog->setCell(1, 2, "300");
    form->Prog->setCell(2, 2, "0");
    form->Prog->setCell(1, 3, "0");
    form->Prog->setCell(2, 3, "0");
    form->StartButton->click();
    ASSERT_TRUE(cyclesUntil([this] { return form->state.kilnTemp() > 100; }, 10000));
    emulator->command("stuck");
    form->StopButtonClick();
    ASSERT_TRUE(cyclesUntil([this] { return form->heaterWatch->alarm(); }, 20000));
    EXPECT_EQ(form->state.ProgState, BreakDown);
    EXPECT_EQ(entries(*form, "LogBreakdownHeaterStuck"), 1);
    const QStringList state = emulator->command("state");
    EXPECT_EQ(state.filter("power 0 %  output A 0  output B 0").size(), 1) << state.join('\n').toStdString();
    EXPECT_EQ(state.filter("heater stuck, heating at").size(), 1) << state.join('\n').toStdString();

    emulator->command("unstick");
    EXPECT_TRUE(cyclesUntil([this] { return !form->heaterWatch->alarm(); }, 20000));
    EXPECT_EQ(entries(*form, "LogBreakdownHeaterStuck"), 1);
}
