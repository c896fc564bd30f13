// A stop from the network against the controller emulator: what counts is the heater power the
// emulator holds, not what the window believes.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "EmulatorProcess.h"
#include "LocaleFacts.h"
#include "MosquittoBroker.h"
#include "MqttSettingsBox.h"
#include "TestFiles.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace mqtt_test;

namespace {

struct KilnOnController : WindowServices {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<TForm1> form;

    bool poll(const std::function<bool()>& done, int ms = 10000) { return pollWindowUntil(*form, done, ms); }
    bool cycle()
    {
        const bool data = poll([this] { return form->state.DataReady; });
        if (data)
            poll([] { return false; }, 20);  // the rest of the batch's replies
        clock.advance(2);
        form->InterfaceTimerTimer();
        return data;
    }
    // Once the writes of the last cycle's batch are in.
    int emulatorPower()
    {
        poll([this] { return form->state.DataReady; });
        for (const QString& l : emulator->command("state"))
            if (l.startsWith("power "))
                return l.section(' ', 1, 1).toInt();
        return -1;
    }
    int logged(const QString& key) const
    {
        int n = 0;
        for (const QString& line : form->log->lines())
            n += line.contains("?? " + key + " ??");
        return n;
    }
};

}  // namespace

TEST(MqttController, ANetworkStopLeavesTheHeaterOffOnlyWhenAllowed)
{
    if (!MosquittoBroker::available())
        GTEST_SKIP() << "the mosquitto broker is not installed";
    MosquittoBroker broker;
    ASSERT_TRUE(broker.prepare()) << broker.error.toStdString();
    ASSERT_TRUE(broker.start()) << broker.error.toStdString();
    MqttWatcher watcher(broker.port);

    for (const bool allowed : {false, true}) {
        SCOPED_TRACE(allowed ? "allowed" : "not allowed");
        KilnOnController k;
        k.emulator = std::make_unique<EmulatorProcess>(
            QStringList{"--no-pacing", "--quiet", "--state", k.dir.path() + "/nv.txt"}, false);
        ASSERT_TRUE(k.emulator->started());
        writeControllerSettings(k.dir.path(), k.emulator->devicePath);
        k.form = std::make_unique<TForm1>(k.app(k.dir.path()));
        restoreWithoutTimers(*k.form);
        ASSERT_TRUE(k.form->state.PortOk);
        TForm1& form = *k.form;
        form.mqtt->setRetry({100, 400});
        MqttSettings s;
        s.enabled = true;
        s.host = "127.0.0.1";
        s.port = broker.port;
        s.user = MosquittoBroker::kUser;
        s.password = MosquittoBroker::kPassword;
        s.kilnName = "Controller Kiln";
        s.allowStop = allowed;
        form.MqttBox->fill(s);
        form.MqttApplyClick();

        // Heating with a few tens of per cent, as in a firing's first minutes.
        for (int i = 0; i < 4 && !form.StartButton->isEnabled(); ++i)
            ASSERT_TRUE(k.cycle());
        ASSERT_TRUE(form.StartButton->isEnabled());
        form.DEV->setText("1");
        form.PID_P->setText("2");
        form.PID_I->setText("0");
        form.PID_D->setText("0");
        form.Prog->setCell(1, 2, QString::number(std::lround(form.state.kilnTemp() + 15)));
        form.Prog->setCell(2, 2, "0");
        form.Prog->setCell(1, 3, "0");
        form.Prog->setCell(2, 3, "0");
        form.StartButton->click();
        ASSERT_EQ(form.state.ProgState, Running);
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(k.cycle());
        ASSERT_GT(k.emulatorPower(), 5);
        ASSERT_TRUE(k.poll([&] { return form.mqtt->connected(); }));

        // Sent until it is heard: the subscription may still be on its way.
        const QString heard = allowed ? "LogMqttStop" : "LogMqttStopNotAllowed";
        ASSERT_TRUE(k.poll([&] {
            watcher.publish("fornaxel/controller_kiln/command", "stop");
            return k.logged(heard) > 0;
        }));
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(k.cycle());
        if (allowed) {
            EXPECT_EQ(form.state.ProgState, Stopped);
            EXPECT_EQ(k.emulatorPower(), 0);
        } else {
            EXPECT_TRUE(programActive(form.state.ProgState)) << form.state.ProgState;
            EXPECT_GT(k.emulatorPower(), 5);
        }
    }
}
