// A thermocouple wire that breaks during a firing, against the controller emulator through the
// real serial port code. The safety judged is the heater power the emulator holds: the broken
// channel's reading (-299 °C) must never drive it up while the firing waits for the channel
// to be declared broken, and the breakdown that follows leaves it at 0.
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
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <cmath>

namespace {

struct BrokenReading : ::testing::Test, WindowServices {
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

    bool pollUntil(const std::function<bool()>& done, int ms = 5000)
    {
        return pollWindowUntil(*form, done, ms);
    }

    bool cycle()
    {
        const bool data = pollUntil([this] { return form->state.DataReady; });
        if (data)
            pollUntil([] { return false; }, 20);  // the rest of the batch's replies
        clock.advance(2);
        form->InterfaceTimerTimer();
        return data;
    }

    // The power the emulator holds once the writes of the last cycle's batch are in.
    int emulatorPower()
    {
        pollUntil([this] { return form->state.DataReady; });
        for (const QString& l : emulator->command("state"))
            if (l.startsWith("power "))
                return l.section(' ', 1, 1).toInt();
        return -1;
    }

    QStringList entriesWith(const QString& key) const
    {
        QStringList out;
        for (const QString& line : form->log->lines())
            if (line.contains("?? " + key + " ??"))
                out << line;
        return out;
    }
};

}  // namespace

TEST_F(BrokenReading, TheHeaterIsNeverDrivenUpByABrokenKilnThermocouple)
{
    // Start is offered only with a valid kiln reading, never on the 0 °C of no reading.
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(cycle()) << i;
        if (form->StartButton->isEnabled()) {
            EXPECT_GT(form->state.kilnTemp(), 10) << i;
        }
    }
    ASSERT_TRUE(form->StartButton->isEnabled());

    // A step above the kiln, far outside the arrival tolerance, with a proportional regulator:
    // a few tens of per cent.
    form->DEV->setText("1");
    form->PID_P->setText("2");
    form->PID_I->setText("0");
    form->PID_D->setText("0");
    const double kiln = form->state.kilnTemp();
    form->Prog->setCell(1, 2, QString::number(std::lround(kiln + 15)));
    form->Prog->setCell(2, 2, "0");
    form->Prog->setCell(1, 3, "0");
    form->Prog->setCell(2, 3, "0");
    form->StartButton->click();
    ASSERT_EQ(form->state.ProgState, Running);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(cycle());
    const int before = emulatorPower();
    ASSERT_GT(before, 5);
    ASSERT_LT(before, 50);

    // The wire breaks: ten cycles of tolerance before the channel is declared broken.
    emulator->command("break 1");
    int highest = 0;
    int brokenCycles = 0;
    for (int i = 0; i < 20 && form->state.ProgState != BreakDown; ++i) {
        ASSERT_TRUE(cycle());
        const int power = emulatorPower();
        highest = std::max(highest, power);
        if (i >= 1) {  // the replies of the first batch may have been on their way already
            ++brokenCycles;
            EXPECT_EQ(form->StatusInside->text(), "?? StatusInside ???? NoReading ??");
            EXPECT_FALSE(form->StartButton->isEnabled());
            const int last = form->chart->pointCount(7) - 1;
            EXPECT_TRUE(std::isnan(form->chart->pointY(7, last))) << "a gap, not -299 °C";
        }
    }
    EXPECT_GE(brokenCycles, 5);
    EXPECT_LE(highest, before + 1) << "the emulator was driven up by the broken reading";
    EXPECT_EQ(form->state.ProgState, BreakDown);
    ASSERT_EQ(entriesWith("LogNoKilnReading").size(), 1);
    EXPECT_TRUE(entriesWith("LogNoKilnReading").value(0).endsWith(" 1"));
    ASSERT_EQ(entriesWith("LogBreakdownThermocouple").size(), 1);
    EXPECT_TRUE(entriesWith("LogBreakdownThermocouple").value(0).endsWith(" 1"));

    cycle();
    EXPECT_EQ(emulatorPower(), 0);
    emulator->command("repair 1");
}
