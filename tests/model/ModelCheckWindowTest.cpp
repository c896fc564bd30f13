// The model check in the real window: a kiln whose elements lose half their power mid-ramp is
// logged once, shown with the forecast and among the cycle report's warnings, and forgotten
// when the next firing starts. The firing itself goes on, at the power the regulator decides.
#include "SimulatedKiln.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

int entries(const TForm1& form, const QString& key)
{
    int n = 0;
    for (const QString& line : form.log->lines())
        n += line.contains("?? " + key + " ??");
    return n;
}

bool reported(TForm1& form, const QString& key)
{
    for (const WarningReport& w : form.reporter->build(true).warnings)
        if (w.key == key)
            return true;
    return false;
}

// The simulated kiln in controller mode, so that the test decides how much of the power sent
// heats it.
struct WeakElements : SimulatedKiln {
    double efficiency = 1;

    void SetUp() override
    {
        SimulatedKiln::SetUp();
        form->state.InterfaceMode = 0;
        form->PID_P->setText("5");
        form->PID_I->setText("0.005");
        form->PID_D->setText("50");
    }

    void cycle()
    {
        clock.advance(2);
        const int sent = form->state.Pid.Power;
        form->state.Pid.Power = int(sent * efficiency);
        form->simulator->Sim_Work();
        form->state.Pid.Power = sent;
        form->InterfaceTimerTimer();
    }

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

TEST_F(WeakElements, AreLoggedOnceAndShownWithTheForecastUntilTheNextFiring)
{
    setLine(1, "900", "180");
    setLine(2, "0", "0");
    cyclesUntil([] { return false; }, 3);
    form->StartButtonClick();
    cyclesUntil([this] { return form->state.kilnTemp() > 300; }, 3000);
    ASSERT_GT(form->state.kilnTemp(), 300);
    EXPECT_EQ(entries(*form, "ModelCheckLogBehind"), 0) << "a healthy kiln is its model";
    EXPECT_FALSE(form->ProgramForecast->text().contains("ModelCheck"));

    efficiency = 0.5;
    const int cycles = cyclesUntil([this] { return entries(*form, "ModelCheckLogBehind") > 0; }, 20 * 30);
    EXPECT_LT(cycles, 20 * 30) << "within twenty minutes";
    cyclesUntil([] { return false; }, 30 * 30);
    EXPECT_EQ(entries(*form, "ModelCheckLogBehind"), 1);
    EXPECT_EQ(entries(*form, "ModelCheckLogAhead"), 0);
    EXPECT_EQ(form->state.ProgState, Running) << "a warning, never the end of the firing";
    EXPECT_FALSE(form->ProgramForecast->isHidden());
    EXPECT_EQ(Colors::textColor(form->ProgramForecast), Colors::readableText(form->ProgramForecast, Colors::Red));
    EXPECT_TRUE(form->ProgramForecast->text().startsWith("?? ModelCheckBehind ??")) << form->ProgramForecast->text().toStdString();
    EXPECT_TRUE(form->ProgramForecast->text().contains("?? ForecastEnd")) << "the forecast stays";
    EXPECT_TRUE(reported(*form, "model_behind"));

    form->StopButtonClick();
    cyclesUntil([] { return false; }, 3);
    EXPECT_FALSE(reported(*form, "model_behind"));
    efficiency = 1;
    form->StartButtonClick();
    cyclesUntil([] { return false; }, 3);
    EXPECT_FALSE(form->ProgramForecast->text().contains("ModelCheck")) << form->ProgramForecast->text().toStdString();
    EXPECT_FALSE(reported(*form, "model_behind"));
    EXPECT_EQ(entries(*form, "ModelCheckLogBehind"), 1);
}

}  // namespace
