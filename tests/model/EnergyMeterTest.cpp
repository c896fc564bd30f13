#include "EnergyMeter.h"

#include "Regulator.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <gtest/gtest.h>

namespace {

class EnergyMeterTest : public ::testing::Test {
protected:
    EnergyMeterTest()
    {
        PowerRegulation.setItems({"PID", "Manual"});
        PowerRegulation.setItemIndex(1);
        PID_CORR.setItems({"None", "Small", "Large"});
        ManualPower.setRange(0, 100);
        ManualPower.setValue(70);  // 30 %
        state.CycleStep = 2.0 / 86400;
    }
    KilnState state;
    RadioGroup PowerRegulation{"mode"}, PID_CORR{"corr"};
    QSlider ManualPower{Qt::Vertical};
    QLineEdit PID_P{"1"}, PID_I{"0.001"}, PID_D{"5"};
    QCheckBox Fan1_Check, Fan2_Check;
    QLabel Label28, Label29, Label48;
    QGroupBox PIDRegulator;
    QLineEdit HeaterPower{"1000"}, EnergyCost{"10"};
    Regulator regulator{state, {&PowerRegulation, &ManualPower, &PID_P, &PID_I, &PID_D, &PID_CORR, &Fan1_Check,
                                &Fan2_Check, &Label28, &Label29, &Label48, &PIDRegulator}};
    EnergyMeter meter{state, regulator, {&HeaterPower, &EnergyCost}};
};

}  // namespace

TEST_F(EnergyMeterTest, OneCycleOfManualPower)
{
    meter.Calc();
    EXPECT_EQ(state.Pid.Power, 30);
    EXPECT_DOUBLE_EQ(state.MeterPowerKW, 0.3);
    EXPECT_DOUBLE_EQ(state.MeterEnergyKWh, 0.3 * 2 / 3600);
    EXPECT_DOUBLE_EQ(state.MeterCost, 0.3 * 2 / 3600 * 10);

    // Defaults for fields that hold no number: 1000 W and a price of 10.
    HeaterPower.setText("?");
    EnergyCost.setText("");
    meter.Calc();
    EXPECT_EQ(Colors::background(&HeaterPower), Colors::Red);
    EXPECT_EQ(Colors::background(&EnergyCost), Colors::Red);
    EXPECT_DOUBLE_EQ(state.MeterEnergyKWh, 2 * 0.3 * 2 / 3600);
    EXPECT_DOUBLE_EQ(state.MeterCost, 2 * 0.3 * 2 / 3600 * 10);

    meter.clear();
    EXPECT_EQ(state.MeterEnergyKWh, 0);
    EXPECT_EQ(state.MeterCost, 0);
    EXPECT_DOUBLE_EQ(state.MeterPowerKW, 0.3);  // the current power is not part of the count
}

TEST_F(EnergyMeterTest, EnergyIsTheSumOfPowerTimesStep)
{
    HeaterPower.setText("3500");
    EnergyCost.setText("0,25");
    double expected = 0;
    for (int n = 0; n < 500; ++n) {
        ManualPower.setValue(n % 101);
        state.CycleStep = (1.5 + (n % 7) * 0.25) / 86400;
        meter.Calc();
        const double kw = (100 - n % 101) / 100.0 * 3.5;
        EXPECT_DOUBLE_EQ(state.MeterPowerKW, kw);
        expected += kw * state.CycleStep * 24;
    }
    EXPECT_NEAR(state.MeterEnergyKWh, expected, 1e-9);
    EXPECT_NEAR(state.MeterCost, expected * 0.25, 1e-9);
}

TEST_F(EnergyMeterTest, NoProgramNoPowerAndABackwardStepCostsNothing)
{
    PowerRegulation.setItemIndex(0);
    state.ProgState = Finished;
    state.Devices[1].Value = 20;
    state.TargetTemp = 500;
    meter.Calc();
    EXPECT_EQ(state.Pid.Power, 0);
    EXPECT_EQ(state.MeterPowerKW, 0);

    state.ProgState = Running;
    meter.Calc();
    EXPECT_EQ(state.Pid.Power, 100);
    const double energy = state.MeterEnergyKWh;
    EXPECT_GT(energy, 0);
    state.CycleStep = -1.0 / 24;  // the wall clock was set back an hour
    meter.Calc();
    EXPECT_EQ(state.MeterEnergyKWh, energy);
}
