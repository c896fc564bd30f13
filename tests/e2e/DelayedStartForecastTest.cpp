// The delayed start and the end forecast in the real window on the simulator.
#include "SimulatedKiln.h"

#include "DateTime.h"
#include "ProgramTable.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>

namespace {

struct DelayedStartForecast : SimulatedKiln {
    void cycles(int n)
    {
        for (int i = 0; i < n; ++i)
            form->InterfaceTimerTimer();
    }
    QString below() const { return form->ProgramForecast->isHidden() ? QString() : form->ProgramForecast->text(); }
};

TEST_F(DelayedStartForecast, TheKilnWaitsColdUntilTheTimeThenStartsAsStartDoes)
{
    setLine(1, "300", "30");
    form->Prog->setCell(4, 2, OutOptions().at(1));  // output A on during line 1
    cycles(3);
    ASSERT_TRUE(form->StartAtButton->isEnabled());
    dialogs.startTimeAnswer = form->state.CycleTime + 10 * DateTime::kMinute;
    form->StartAtButtonClick();
    ASSERT_TRUE(form->delayedStart->schedule().pending());
    EXPECT_EQ(below(), "?? StartCountdown ??0:10:00 (" + DateTime::hm(dialogs.startTimeAnswer) + ")");
    int waited = 0;
    while (form->state.ProgState == Stopped && waited < 1000) {
        form->InterfaceTimerTimer();
        ++waited;
        ASSERT_EQ(form->state.Pid.Power, 0) << waited;
        ASSERT_EQ(form->regulator->OutputLevel(1) + form->regulator->OutputLevel(2), 0) << waited;
        ASSERT_EQ(below().startsWith("?? StartCountdown ??"), form->state.ProgState == Stopped) << waited;
    }
    // In the first cycle at or after the time (2 s each).
    const double late = form->state.CycleTime - dialogs.startTimeAnswer;
    EXPECT_GE(late, 0);
    EXPECT_LT(late, 2 * DateTime::kSecond);
    EXPECT_NEAR(waited, 300, 1);
    cycles(30);
    EXPECT_GT(form->state.Pid.Power, 0);
    EXPECT_EQ(form->regulator->OutputLevel(1), 100);
    EXPECT_TRUE(below().startsWith("?? ForecastEnd ??")) << below().toStdString();
    form->StopButtonClick();
    EXPECT_TRUE(form->ProgramForecast->isHidden());
}

// A kiln that levels off near 425 °C, on a line to 800 °C in 20 minutes: the breakdown comes
// after 20 + 30 minutes; the warning long before it, once, and the forecast turns red.
TEST_F(DelayedStartForecast, AWeakKilnIsWarnedOfLongBeforeTheBreakdown)
{
    form->MODEL_P->setText("0.02");
    setLine(1, "800", "20");
    cycles(3);
    form->StartButtonClick();
    double warnedAt = 0;
    int n = 0;
    while (form->state.ProgState != BreakDown && n < 4000) {
        form->InterfaceTimerTimer();
        ++n;
        if (warnedAt == 0 && logKeys().contains("LogReachWarning")) {
            warnedAt = form->state.CycleTime;
            EXPECT_EQ(Colors::textColor(form->ProgramForecast), Colors::readableText(form->ProgramForecast, Colors::Red));
        }
    }
    ASSERT_EQ(form->state.ProgState, BreakDown);
    ASSERT_GT(warnedAt, 0) << logKeys().join(" ").toStdString() << " " << n;
    EXPECT_GE((form->state.CycleTime - warnedAt) * 1440, 30);
    EXPECT_EQ(logKeys().count("LogReachWarning"), 1);
    EXPECT_EQ(logKeys().indexOf("LogReachWarning"), logKeys().indexOf("LogProgramWaiting") - 1);
    RecordProperty("warned minutes before the breakdown",
                   QString::number((form->state.CycleTime - warnedAt) * 1440, 'f', 1).toStdString());
}

// Every shipped program on the shipped kiln runs to its end without a warning, and the
// forecast at the start is the program's minutes.
TEST(ShippedProgramsForecast, NeverWarn)
{
    ScopedLocaleFacts locale{LocaleFacts{}};
    const QStringList programs = QDir(QString(FORNAXEL_DATA_DIR) + "/Prog").entryList({"*.prg"}, QDir::Files);
    ASSERT_FALSE(programs.isEmpty());
    for (const QString& name : programs) {
        SCOPED_TRACE(name.toStdString());
        QTemporaryDir dir;
        QDir().mkpath(dir.path() + "/Prog");
        QDir().mkpath(dir.path() + "/Oven");
        for (const QString& file : {QString("English.lng"), QString("term.ini"), "Prog/" + name, QString("Oven/Oven1.ovn")})
            ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/" + file, dir.path() + "/" + file));
        WindowServices services;
        LcgRandom random;
        TForm1 form(AppServices{services.clock, random, services.dialogs, services.sound, services.powerOff,
                                dir.path(), nullptr, &services.guardian, &services.sleepLock});
        restoreWithoutTimers(form);
        ASSERT_TRUE(form.programFile->Load(dir.path() + "/Prog/" + name));
        int minutes = 0;
        for (int n = 1; form.program->LineTemp(n) != 0; ++n)
            minutes += form.program->LineMinutes(n);
        for (int i = 0; i < 5; ++i)
            form.InterfaceTimerTimer();
        form.StartButtonClick();
        form.InterfaceTimerTimer();
        EXPECT_TRUE(form.ProgramForecast->text().endsWith(", left " + DateTime::span(minutes * DateTime::kMinute, false)))
            << form.ProgramForecast->text().toStdString();
        int cycles = 0;
        while (form.state.ProgState != Finished && form.state.ProgState != BreakDown && cycles < 20 * 1800) {
            form.InterfaceTimerTimer();
            ++cycles;
            ASSERT_FALSE(form.firingForecast->warning()) << "after " << cycles * 2 / 60 << " min, line "
                                                          << form.state.ProgLine;
        }
        EXPECT_EQ(form.state.ProgState, Finished);
        EXPECT_EQ(form.log->lines().filter("cannot reach").size(), 0);
    }
}

}  // namespace
