#include "FakeTexts.h"
#include "FaultSupervisor.h"
#include "LocaleFacts.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class FakeDialogView : public ShutdownDialogView {
public:
    QStringList shown;
    int closes = 0;
    void showCountdown(const QString& text) override { shown << text; }
    void closeDialog() override { ++closes; }
};

LocaleFacts pointFacts()
{
    LocaleFacts f;
    f.decimalSeparator = '.';
    return f;
}

class FaultSupervisorTest : public ::testing::Test {
protected:
    ScopedLocaleFacts facts{pointFacts()};
    KilnState state;
    FakeTexts texts;
    RecordingLog log;
    RecordingPowerOff powerOff;
    Panel panel8;
    QCheckBox crash;
    QTimer shutDownTimer;
    FakeDialogView dialog;
    int closes = 0;
    QStringList titles;
    FaultSupervisor sup{state,
                        texts,
                        log,
                        powerOff,
                        {&panel8, &crash, &shutDownTimer},
                        {[this] { ++closes; }, [this](const QString& t) { titles << t; }, {}}};

    void SetUp() override { sup.setDialog(&dialog); }
};

TEST_F(FaultSupervisorTest, EveryBrokenDeviceIsLoggedInOrderWithoutShutdown)
{
    crash.setChecked(true);
    state.ProgState = Running;
    state.ProgIdle = 0;
    state.TargetTemp = 900;
    state.FlashColor = Colors::Orange;
    state.CycleMainsValue = 8800;
    state.Devices[DeviceTable::kThermocouple].Value = 1234;
    state.Devices[DeviceTable::kSensor].Value = 21;
    for (int d : {DeviceTable::kThermocouple, DeviceTable::kSensor, DeviceTable::kMains, DeviceTable::kOverheat})
        state.Devices[d].Broken = true;
    sup.CheckBrokenDevices();
    EXPECT_EQ(log.entries, (QStringList{"LogBreakdownThermocouple| 1", "LogBreakdownSensor|", "LogPhaseError|44 Hz",
                                        "LogBreakdownPower|",
                                        "LogBreakdownOverheat| 1234.0" + QString::fromUtf8(" °C")}));
    EXPECT_EQ(state.ProgState, BreakDown);
    EXPECT_EQ(state.ProgIdle, 1);
    EXPECT_EQ(state.TargetTemp, 21);
    EXPECT_EQ(panel8.color(), Colors::Orange);
    EXPECT_FALSE(shutDownTimer.isActive());

    // A fractional mains reading in the general format.
    log.entries.clear();
    state.Devices[DeviceTable::kThermocouple].Broken = false;
    state.Devices[DeviceTable::kSensor].Broken = false;
    state.Devices[DeviceTable::kOverheat].Broken = false;
    state.CycleMainsValue = 9410;
    sup.CheckBrokenDevices();
    EXPECT_EQ(log.entries.value(0), "LogPhaseError|47.05 Hz");

    // Nothing broken: nothing happens.
    log.entries.clear();
    state.Devices[DeviceTable::kMains].Broken = false;
    state.ProgState = Waiting;
    sup.CheckBrokenDevices();
    EXPECT_EQ(state.ProgState, Waiting);
    EXPECT_TRUE(log.entries.isEmpty());
}

TEST_F(FaultSupervisorTest, LinkLossBreaksDownAndShutsDownOnlyWhenAsked)
{
    state.ProgState = Stopped;
    sup.BreakTimerTimer();
    EXPECT_EQ(state.ProgState, BreakDown);
    EXPECT_EQ(log.entries, QStringList{"LogBreakdownDisconnect|"});
    EXPECT_FALSE(shutDownTimer.isActive());

    crash.setChecked(true);
    sup.BreakTimerTimer();
    EXPECT_EQ(log.entries.size(), 2);
    EXPECT_TRUE(shutDownTimer.isActive());

    // First countdown: 30 … 1, then the shutdown at the 31st tick.
    for (int i = 0; i < 30; ++i)
        sup.ShutDownTimerTimer();
    ASSERT_EQ(dialog.shown.size(), 30);
    EXPECT_EQ(dialog.shown.first(), "<WarningComputerShutdown>30<WarningComputerShutdownSec>");
    EXPECT_EQ(dialog.shown.last(), "<WarningComputerShutdown>1<WarningComputerShutdownSec>");
    EXPECT_EQ(powerOff.requests, 0);
    EXPECT_EQ(closes, 0);

    // Cancel: timer off, dialog closed, the next countdown is 10 s.
    sup.CancelShutdown();
    EXPECT_FALSE(shutDownTimer.isActive());
    EXPECT_EQ(dialog.closes, 1);
    EXPECT_EQ(state.ProgState, BreakDown);
    sup.BreakTimerTimer();  // the link is still down
    EXPECT_TRUE(shutDownTimer.isActive());
    dialog.shown.clear();
    sup.ShutDownTimerTimer();
    EXPECT_EQ(dialog.shown.value(0), "<WarningComputerShutdown>10<WarningComputerShutdownSec>");

    // "Выключить": the next tick shuts down, once.
    sup.ShutdownNow();
    sup.ShutDownTimerTimer();
    EXPECT_EQ(dialog.shown.size(), 1);
    EXPECT_EQ(log.entries.last(), "LogComputerShutdown|");
    EXPECT_EQ(powerOff.requests, 1);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(shutDownTimer.isActive());  // the close asks no questions while it runs
    sup.ShutDownTimerTimer();
    EXPECT_EQ(powerOff.requests, 1);
    EXPECT_EQ(log.keys().count("LogComputerShutdown"), 1);
}

TEST_F(FaultSupervisorTest, TitleAlternatesWithTheKilnTemperature)
{
    state.Devices[DeviceTable::kThermocouple].Value = 812.34;
    state.LinkOk = true;
    state.KilnReadingOk = true;
    for (int i = 0; i < 3; ++i)
        sup.FlashTimerTimer();
    state.LinkOk = false;
    sup.FlashTimerTimer();
    state.LinkOk = true;
    state.KilnReadingOk = false;  // a broken thermocouple's reading is no temperature
    sup.Caption = "Fornaxel - Simulator";
    sup.FlashTimerTimer();
    sup.FlashTimerTimer();
    EXPECT_EQ(titles, (QStringList{"Fornaxel", QString::fromUtf8("812.3 °C"), "Fornaxel", "<Error>",
                                   "Fornaxel - Simulator", "<NoReading>"}));
    EXPECT_EQ(sup.TitlePhase, 0);
}

}  // namespace
