#include "FakeTexts.h"
#include "FaultSupervisor.h"
#include "TForm2.h"
#include "TestServices.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(TForm2, ButtonsAndEscapeGoThroughTheHandlers)
{
    TForm2 form;
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.isModal());
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8("Выключение компьютера"));
    EXPECT_EQ(form.Label1->text(), QString::fromUtf8("Внимание!\nКомпьютер будет выключен\nчерез 10 секунд!"));
    EXPECT_EQ(form.Button1->text(), QString::fromUtf8("Выключить"));
    EXPECT_EQ(form.Button2->text(), QString::fromUtf8("Отмена"));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());

    int now = 0, cancels = 0;
    form.setHandlers([&] { ++now; }, [&] { ++cancels; });
    form.showCountdown("A\r\nB 5");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Label1->text(), "A\nB 5");
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    EXPECT_EQ(now, 1);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(form.isVisible());  // hiding is the cancel handler's business
    form.closeDialog();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(cancels, 1);
}

TEST(TForm2, CountdownShownAndCancelledThroughTheSupervisor)
{
    KilnState state;
    FakeTexts texts;
    texts.texts["WarningComputerShutdown"] = "Shutdown in\r\n";
    texts.texts["WarningComputerShutdownSec"] = " s";
    RecordingLog log;
    RecordingPowerOff powerOff;
    QTimer shutDownTimer;
    FaultSupervisor sup{state, texts, log, powerOff, {nullptr, nullptr, &shutDownTimer}};
    TForm2 form;
    sup.setDialog(&form);
    form.setHandlers([&] { sup.ShutdownNow(); }, [&] { sup.CancelShutdown(); });

    sup.RequestShutdown();
    sup.ShutDownTimerTimer();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Label1->text(), "Shutdown in\n30 s");
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(shutDownTimer.isActive());
    EXPECT_EQ(sup.ShutdownCountdown, 10);
    EXPECT_EQ(powerOff.requests, 0);
}
