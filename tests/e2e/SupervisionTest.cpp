// How a firing ends or loses its supervision, and how the controller's clock is kept, through
// the real main window. Controller-mode cycles get their readings from the window's own
// simulator, called by the test in place of the polling pass.
#include "SimulatedKiln.h"

#include "Widgets.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <cmath>
#include <limits>
#include <vector>

namespace {

struct ControllerKiln : SimulatedKiln {
    void SetUp() override
    {
        SimulatedKiln::SetUp();
        form->state.InterfaceMode = 0;
        form->PID_P->setText("5");
        form->PID_I->setText("0.005");
        form->PID_D->setText("50");
    }

    // Two real seconds, then a cycle; with `data` the controller has answered.
    void cycle(bool data = true)
    {
        clock.advance(2);
        if (data)
            form->simulator->Sim_Work();
        form->InterfaceTimerTimer();
    }

    void start()
    {
        for (int i = 0; i < 3; ++i)
            cycle();
        form->StartButtonClick();
        ASSERT_EQ(form->state.ProgState, Running);
    }
};

struct Trace {
    std::vector<double> target;
    std::vector<int> power;
};

}  // namespace

TEST_F(ControllerKiln, AWallClockChangeMovesTheStampsButNotTheFiring)
{
    // Twenty minutes of a ramp; halfway the wall clock jumps (daylight saving, or the
    // operator sets the clock).
    auto fire = [this](double jumpSeconds) {
        form.reset();
        SetUp();
        setLine(1, "300", "60");
        setLine(2, "0", "0");
        start();
        const double before = form->state.CycleTime;
        Trace t;
        for (int i = 0; i < 600; ++i) {
            if (i == 300)
                clock.value += jumpSeconds / 86400;
            cycle();
            t.target.push_back(form->state.TargetTemp);
            t.power.push_back(form->state.Pid.Power);
        }
        EXPECT_NEAR((form->state.CycleTime - before) * 86400, 1200 + jumpSeconds, 1e-3);  // stamps follow
        EXPECT_EQ(form->state.ProgState, Running);
        return t;
    };
    const Trace steady = fire(0);
    for (double jump : {3600.0, -3600.0}) {
        const Trace jumped = fire(jump);
        EXPECT_EQ(jumped.power, steady.power) << jump;
        for (std::size_t i = 0; i < steady.target.size(); ++i)
            ASSERT_NEAR(jumped.target[i], steady.target[i], 1e-9) << jump << " cycle " << i;
    }
}

TEST_F(ControllerKiln, AnOutageInsideAHoldDoesNotShortenIt)
{
    setLine(1, "100", "5");
    setLine(2, "100", "20");  // a 20-minute hold
    setLine(3, "0", "0");
    start();
    int guard = 0;
    while (form->state.ProgLine != 2 && ++guard < 5000)
        cycle();
    ASSERT_EQ(form->state.ProgLine, 2);
    int cycles = 0;
    while (form->state.ProgState == Running && cycles < 2000) {
        cycle(cycles < 100 || cycles >= 250);  // five minutes without an answer
        ++cycles;
    }
    EXPECT_TRUE(logKeys().contains("LogConnectionLost"));
    EXPECT_EQ(form->state.ProgState, Waiting);
    EXPECT_NEAR(cycles, 600, 1);  // 20 minutes of 2-s cycles, outage included
}

TEST_F(ControllerKiln, AReadingThatIsNoNumberIsADeviceFault)
{
    setLine(1, "300", "60");
    setLine(2, "0", "0");
    start();
    for (int i = 0; i < 20; ++i)
        cycle();
    const double lastGood = form->state.kilnTemp();
    KilnState& s = form->state;
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        clock.advance(2);
        form->simulator->Sim_Work();
        s.Devices[1].Value = bad;
        s.Devices[17].Value = -bad;
        s.Devices[18].Value = bad;
        form->InterfaceTimerTimer();
        EXPECT_TRUE(s.Devices[18].Error);
        EXPECT_TRUE(std::isfinite(s.Pid.Integral));
        EXPECT_NEAR(s.kilnTemp(), lastGood, 5);  // the last good reading stays
        EXPECT_TRUE(std::isfinite(s.outsideTemp()));
        EXPECT_FALSE(form->StatusInside->text().contains("nan", Qt::CaseInsensitive));
    }
    // Counted like any missing reading: broken in the 11th cycle, and the firing ends.
    for (int i = 0; i < 9 && s.ProgState == Running; ++i) {
        clock.advance(2);
        s.Devices[1].Value = std::numeric_limits<double>::quiet_NaN();
        s.Devices[1].Error = false;
        s.DataReady = true;
        form->InterfaceTimerTimer();
    }
    EXPECT_EQ(s.ProgState, BreakDown);
    EXPECT_TRUE(logKeys().contains("LogBreakdownThermocouple"));
    EXPECT_EQ(s.Pid.Power, 0);
}

TEST_F(SimulatedKiln, StartWaitsForTheFirstCycleWithData)
{
    setLine(1, "300", "60");
    setLine(2, "0", "0");
    EXPECT_FALSE(form->StartButton->isEnabled());
    form->StartButton->click();
    EXPECT_EQ(form->state.ProgState, Stopped);
    form->InterfaceTimerTimer();
    EXPECT_TRUE(form->StartButton->isEnabled());
    form->StartButton->click();
    EXPECT_EQ(form->state.ProgState, Running);
}

// Every way a running firing is ended outside the cycle, in PID and in manual mode: the
// heater setting is 0 and the outputs off as soon as the handler returns.
TEST_F(SimulatedKiln, EveryEndOfAFiringCutsThePowerAtOnce)
{
    enum How { Stop, Disconnect, Thermocouple };
    for (bool manual : {false, true}) {
        for (How how : {Stop, Disconnect, Thermocouple}) {
            SCOPED_TRACE(testing::Message() << "manual " << manual << ", how " << how);
            form.reset();
            SetUp();
            setLine(1, "300", "60");
            form->Prog->setCell(4, 2, "A  B");
            setLine(2, "0", "0");
            form->InterfaceTimerTimer();
            form->StartButtonClick();
            if (manual) {
                form->PowerRegulation->setItemIndex(1);
                form->regulator->PowerRegulationClick();
                form->ManualPower->setValue(0);  // 100 %
                form->Fan1_Check->setChecked(true);
            }
            for (int i = 0; i < 5; ++i)
                form->InterfaceTimerTimer();
            ASSERT_GT(form->state.Pid.Power, 0);
            ASSERT_EQ(form->regulator->OutputLevel(1), 100);

            switch (how) {
            case Stop: form->StopButtonClick(); break;
            case Disconnect: form->BreakTimerTimer(); break;
            case Thermocouple:
                form->state.Devices[1].Broken = true;
                form->faults->CheckBrokenDevices();
                break;
            }
            EXPECT_EQ(form->state.Pid.Power, 0);
            if (manual && how == Stop)
                continue;  // outside a breakdown the manual setting is the operator's own
            EXPECT_EQ(form->regulator->OutputLevel(1), 0);
            EXPECT_EQ(form->regulator->OutputLevel(2), 0);
            if (manual) {
                EXPECT_EQ(form->ManualPower->value(), 100);
                EXPECT_EQ(logKeys().count("LogResetPowerSetting"), 1);
                form->ManualPower->setValue(50);  // raised again on purpose
                form->BreakTimerTimer();
                EXPECT_EQ(form->ManualPower->value(), 50);
                EXPECT_EQ(logKeys().count("LogResetPowerSetting"), 1);
            }
        }
    }
}

TEST_F(SimulatedKiln, AFailedCloseKeepsTheFiringSupervised)
{
    form->show();  // restores once more and switches the timers on
    setLine(1, "300", "60");
    setLine(2, "0", "0");
    form->InterfaceTimerTimer();
    form->StartButtonClick();
    QDir().mkpath(dir.path() + "/Data/lastlog.txt");  // a folder where the log file should go
    dialogs.answeredNo << "MBCloseWithoutFiles";  // the operator keeps the firing
    EXPECT_FALSE(form->close());
    EXPECT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->InterfaceTimer->isActive());
    EXPECT_TRUE(form->HardwareTimer->isActive());
    EXPECT_EQ(form->state.ProgState, Running);
    form->InterfaceTimer->stop();
    form->HardwareTimer->stop();
}
