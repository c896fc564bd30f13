#include "Regulator.h"

#include "Widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct RegulatorPage {
    RadioGroup PowerRegulation{"mode"};
    QSlider ManualPower{Qt::Vertical};
    QLineEdit PID_P{"1"}, PID_I{"0.001"}, PID_D{"5"};
    RadioGroup PID_CORR{"corr"};
    QCheckBox Fan1_Check{"Out A"}, Fan2_Check{"Out B"};
    QLabel Label28{"100"}, Label29{"50"}, Label48{"0"};
    QGroupBox PIDRegulator{"PID"};

    RegulatorPage()
    {
        PowerRegulation.setItems({"PID", "Manual"});
        PowerRegulation.setItemIndex(0);
        PID_CORR.setItems({"None", "Small", "Large"});
        PID_CORR.setItemIndex(0);
        ManualPower.setRange(0, 100);
        ManualPower.setValue(100);
    }
    RegulatorView view()
    {
        return {&PowerRegulation, &ManualPower, &PID_P, &PID_I, &PID_D, &PID_CORR,
                &Fan1_Check, &Fan2_Check, &Label28, &Label29, &Label48, &PIDRegulator};
    }
};

class RegulatorTest : public ::testing::Test {
protected:
    RegulatorTest()
    {
        state.Devices[1].Value = 20;
        state.TargetTemp = 30;
    }
    KilnState state;
    RegulatorPage page;
    Regulator reg{state, page.view()};
};

}  // namespace

TEST_F(RegulatorTest, ManualPowerIsTheInvertedBarWhateverTheProgramDoes)
{
    page.PowerRegulation.setItemIndex(1);
    page.ManualPower.setValue(30);
    for (int s : {Stopped, Running, Waiting, Paused, Finished, BreakDown}) {
        state.ProgState = s;
        state.Pid.Integral = 123;
        reg.DecidePower(2);
        EXPECT_EQ(state.Pid.Power, 70) << s;
        EXPECT_DOUBLE_EQ(state.Pid.Output, 70) << s;
        EXPECT_DOUBLE_EQ(state.Pid.Integral, 123) << "manual power must not step the PID";
    }
    page.ManualPower.setValue(100);
    reg.DecidePower(2);
    EXPECT_EQ(state.Pid.Power, 0);
}

TEST_F(RegulatorTest, PidRunsOnlyWhileTheProgramIsActive)
{
    // Running, Waiting and Paused step the PID: the worked step after a reset gives 35 %.
    for (int s : {Running, Waiting, Paused}) {
        state.Pid = PidState{};
        state.ProgState = s;
        reg.DecidePower(2);
        EXPECT_EQ(state.Pid.Power, 35) << s;
        EXPECT_DOUBLE_EQ(state.Pid.Output, 35.02) << s;
    }
    // Without a running program the heater is off and the PID memory stands still.
    for (int s : {Stopped, Finished, BreakDown}) {
        state.Pid = PidState{};
        state.Pid.Power = 80;
        state.Pid.Integral = 55;
        state.ProgState = s;
        reg.DecidePower(2);
        EXPECT_EQ(state.Pid.Power, 0) << s;
        EXPECT_DOUBLE_EQ(state.Pid.Output, 0) << s;
        EXPECT_DOUBLE_EQ(state.Pid.Integral, 55) << s;
    }
}

TEST_F(RegulatorTest, CorrectionItemIsPassedToThePidStep)
{
    state.ProgState = Running;
    state.Devices[1].Value = 1000;
    state.TargetTemp = 1040;
    page.PID_P.setText("1");
    page.PID_I.setText("0");
    page.PID_D.setText("0");
    page.PID_CORR.setItemIndex(1);
    reg.DecidePower(2);
    EXPECT_EQ(state.Pid.Power, 98);  // 40 × 1.25^4
}

TEST_F(RegulatorTest, BadFieldTurnsRedAndItsDefaultIsUsed)
{
    state.ProgState = Running;
    page.PID_P.setText("one");
    page.PID_I.setText("");
    page.PID_D.setText("5x");
    reg.DecidePower(2);
    EXPECT_EQ(Colors::background(&page.PID_P), Colors::Red);
    EXPECT_EQ(Colors::background(&page.PID_I), Colors::Red);
    EXPECT_EQ(Colors::background(&page.PID_D), Colors::Red);
    EXPECT_DOUBLE_EQ(state.Pid.Output, 35.02);  // defaults 1, 0.001, 5

    // The fields are read in manual mode too, so a bad one shows at once.
    page.PowerRegulation.setItemIndex(1);
    page.PID_P.setText("2");
    page.PID_I.setText("x");
    reg.DecidePower(2);
    EXPECT_EQ(Colors::background(&page.PID_P), Colors::Lime);
    EXPECT_EQ(Colors::background(&page.PID_I), Colors::Red);
}

TEST_F(RegulatorTest, StepWithoutPositiveLengthKeepsTheLastSetting)
{
    state.ProgState = Running;
    reg.DecidePower(2);
    const PidState before = state.Pid;
    reg.DecidePower(0);
    reg.DecidePower(-3600);
    EXPECT_EQ(state.Pid.Power, before.Power);
    EXPECT_EQ(state.Pid.DerivCount, before.DerivCount);
    EXPECT_DOUBLE_EQ(state.Pid.Integral, before.Integral);
}

TEST_F(RegulatorTest, OutputLevels)
{
    state.OutLevel = {0, 100, 100};
    // PID mode follows the program line only while the program is active.
    state.ProgState = Running;
    state.ProgIdle = 0;
    EXPECT_EQ(reg.OutputLevel(1), 100);
    EXPECT_EQ(reg.OutputLevel(2), 100);
    EXPECT_EQ(reg.OutputLevel(0), 0);
    EXPECT_EQ(reg.OutputLevel(3), 0);
    state.ProgIdle = 1;
    EXPECT_EQ(reg.OutputLevel(1), 0);
    state.ProgState = Stopped;
    for (int idle : {1, 0}) {  // even before the executor has marked the outputs idle
        state.ProgIdle = idle;
        EXPECT_EQ(reg.OutputLevel(1), 0);
        EXPECT_EQ(reg.OutputLevel(2), 0);
    }
    reg.DecidePower(2);
    EXPECT_EQ(state.Pid.Power, 0);

    // Manual mode follows the check boxes whatever the program does.
    page.PowerRegulation.setItemIndex(1);
    page.Fan2_Check.setChecked(true);
    EXPECT_EQ(reg.OutputLevel(1), 0);
    EXPECT_EQ(reg.OutputLevel(2), 100);
    EXPECT_EQ(reg.OutputLevel(5), 0);
    // Back in PID mode the kept check mark no longer counts.
    page.PowerRegulation.setItemIndex(0);
    EXPECT_EQ(reg.OutputLevel(2), 0);
}

TEST_F(RegulatorTest, ModeSwitchGreysTheUnusedControls)
{
    page.PowerRegulation.setItemIndex(1);
    reg.PowerRegulationClick();
    EXPECT_EQ(Colors::textColor(&page.Label28), Colors::plainText());
    EXPECT_EQ(Colors::textColor(&page.Label48), Colors::plainText());
    EXPECT_EQ(Colors::textColor(&page.PIDRegulator), Colors::readableText(&page.PIDRegulator, Colors::Grey));
    EXPECT_EQ(Colors::textColor(&page.PID_CORR), Colors::readableText(&page.PID_CORR, Colors::Grey));
    EXPECT_TRUE(page.Fan1_Check.isEnabled());
    EXPECT_TRUE(page.Fan2_Check.isEnabled());
    EXPECT_TRUE(reg.isManual());

    page.Fan1_Check.setChecked(true);
    state.Pid.Integral = 7;
    page.PowerRegulation.setItemIndex(0);
    reg.PowerRegulationClick();
    EXPECT_EQ(Colors::textColor(&page.Label29), Colors::readableText(&page.Label29, Colors::Grey));
    EXPECT_EQ(Colors::textColor(&page.PIDRegulator), Colors::plainText());
    EXPECT_EQ(Colors::textColor(&page.PID_CORR), Colors::plainText());
    EXPECT_FALSE(page.Fan1_Check.isEnabled());
    EXPECT_FALSE(page.Fan2_Check.isEnabled());
    EXPECT_TRUE(page.Fan1_Check.isChecked());  // the mark is kept
    EXPECT_DOUBLE_EQ(state.Pid.Integral, 7);   // no reset on a mode switch
    EXPECT_FALSE(reg.isManual());
}

// A kiln reading with its error flag set (a broken thermocouple reads -299 °C on the emulator,
// -129 °C from the controller) never reaches the PID: the power stays at most where the last
// good reading put it, and the integral and the slope history stand still.
TEST_F(RegulatorTest, ABrokenKilnReadingHoldsThePowerAndFreezesTheIntegral)
{
    struct Row {
        const char* what;
        double bogus;
        int state;
        int manualPosition;  // -1: PID mode
        int expected;        // -1: the power of the last good cycle
    };
    const std::vector<Row> rows{
        {"emulator's broken wire, running", -299, Running, -1, -1},
        {"controller's broken wire, waiting", -129, Waiting, -1, -1},
        {"a reading that is no number, paused", std::nan(""), Paused, -1, -1},
        {"stopped: off whatever the reading", -299, Stopped, -1, 0},
        {"manual power is the operator's", -299, Running, 40, 60},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        KilnState s;
        RegulatorPage p;
        Regulator r{s, p.view()};
        s.ProgState = row.state;
        s.TargetTemp = 405;  // a few per cent: a bogus reading far below would give 100
        if (row.manualPosition >= 0) {
            p.PowerRegulation.setItemIndex(1);
            p.ManualPower.setValue(row.manualPosition);
        }
        for (double t : {400.0, 402.0, 404.0}) {  // good readings, the kiln a little behind
            s.Devices[1].Value = t;
            s.Devices[1].Error = false;
            r.DecidePower(2);
        }
        const int lastGood = s.Pid.Power;
        if (row.manualPosition < 0 && programActive(row.state)) {
            ASSERT_LT(lastGood, 50);
        }
        const double integral = s.Pid.Integral;
        const int derivCount = s.Pid.DerivCount;
        for (int cycle = 0; cycle < 10; ++cycle) {
            s.Devices[1].Value = row.bogus;
            s.Devices[1].Error = true;
            r.DecidePower(2);
            EXPECT_EQ(s.Pid.Power, row.expected < 0 ? lastGood : row.expected) << cycle;
            if (row.manualPosition < 0) {
                EXPECT_EQ(s.Pid.Integral, integral) << cycle;
                EXPECT_EQ(s.Pid.DerivCount, derivCount) << cycle;
            }
        }
        // The reading back: the PID goes on from where it stood.
        s.Devices[1].Value = 406;
        s.Devices[1].Error = false;
        r.DecidePower(2);
        if (programActive(row.state) && row.manualPosition < 0) {
            EXPECT_NEAR(s.Pid.Integral, integral + (405 - 406) * 2, 1e-9);
        }
    }
}
