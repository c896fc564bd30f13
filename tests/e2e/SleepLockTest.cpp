// The sleep lock in the real window on the simulator: held from the moment a delayed start is
// set, and its absence shown in the program panel, where a firing is started.
#include "SimulatedKiln.h"

#include "DateTime.h"

#include <QLabel>

namespace {

struct SleepLock : SimulatedKiln {
    void cycles(int n)
    {
        for (int i = 0; i < n; ++i)
            form->InterfaceTimerTimer();
    }
    QString panelLine() const { return form->ProgramForecast->isHidden() ? QString() : form->ProgramForecast->text(); }
};

}  // namespace

TEST_F(SleepLock, HeldWhileADelayedStartCountsDownAndItsAbsenceShownWhereTheFiringIsStarted)
{
    setLine(1, "300", "30");
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused);
        sleepLock.refusal = refused ? "The name org.freedesktop.login1 was not provided" : "";
        cycles(3);
        const int acquiresBefore = sleepLock.acquires;
        dialogs.startTimeAnswer = form->state.CycleTime + 10 * DateTime::kMinute;
        form->StartAtButtonClick();
        ASSERT_TRUE(form->delayedStart->schedule().pending());
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(sleepLock.held, !refused);
            EXPECT_EQ(panelLine().startsWith("?? NoSleepInhibitorWarning ??  ?? StartCountdown ??"), refused)
                << panelLine().toStdString();
            EXPECT_EQ(Colors::textColor(form->ProgramForecast) == Colors::readableText(form->ProgramForecast, Colors::Red), refused);
            cycles(5);
        }
        EXPECT_EQ(sleepLock.acquires, acquiresBefore + 1);  // asked once for the whole countdown
        form->StopButtonClick();  // the start is called off: the lock is given back, the warning goes
        EXPECT_FALSE(sleepLock.held);
        EXPECT_EQ(panelLine(), "");
        form->StartButtonClick();
        EXPECT_EQ(panelLine().startsWith("?? NoSleepInhibitorWarning ??  ?? ForecastEnd ??"), refused)
            << panelLine().toStdString();
        form->StopButtonClick();
    }
    EXPECT_EQ(logKeys().count("LogNoSleepInhibitor"), 1);
}
