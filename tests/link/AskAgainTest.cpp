// After a cycle without data the polling pass asks again, once: the reads of the batch, led by
// heater off and outputs off once no firing is active; nothing while the port is unusable.
#include "FakeSerialPort.h"
#include "FakeTexts.h"
#include "FrameLink.h"
#include "LocaleFacts.h"
#include "Poller.h"
#include "PortManager.h"
#include "TestServices.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

const QList<QByteArray> kReads{hex("000300"), hex("000310"), hex("000311"), hex("000312"), hex("000313"), hex("000314"),
                               hex("000315"), hex("000316"), hex("000317"), hex("0003F0"), hex("0003F1")};
const QList<QByteArray> kOff{hex("00022000"), hex("00022100"), hex("00022200")};

struct AskAgain : ::testing::Test {
    ScopedLocaleFacts locale{LocaleFacts{}};
    KilnState state;
    FakeSerialPort serial;
    FakeDialogs dialogs;
    FakeTexts texts;
    RecordingLog log;
    FakeRandom random;
    QTabWidget pages;
    QPushButton portSelect;
    QTimer hardwareTimer, interfaceTimer;
    PortManager port{state, serial, dialogs, texts, log, {&portSelect, &pages, &hardwareTimer, &interfaceTimer}};
    FrameLink link{port, random, {}};
    // Output A would be on and the power is high: a stale setting must never go out here.
    Poller poller{state, link, texts, log, {}, {[](int) { return 100; }, {}, {}}};

    void SetUp() override
    {
        for (int i = 0; i < 6; ++i)
            pages.addTab(new QWidget, QString::number(i));
        state.InterfaceMode = 0;
        state.ControllerName = "Ardentor PC";
        state.FirmwareVersion = "1.0";
        state.Pid.Power = 80;
        port.PortSetName("/dev/ttyUSB0");
        port.PortOpenTry();
        serial.written.clear();
    }
};

}  // namespace

TEST_F(AskAgain, ReadsEveryLostCycleAndSwitchesOffOnceNoFiringIsActive)
{
    struct Row {
        int progState;
        bool portOk;
        QList<QByteArray> expected;
    };
    const std::vector<Row> rows{
        {Running, true, kReads},  {Waiting, true, kReads},        {Paused, true, kReads},
        {Stopped, true, kOff + kReads}, {Finished, true, kOff + kReads}, {BreakDown, true, kOff + kReads},
        {BreakDown, false, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.progState) + (row.portOk ? " port ok" : " port lost"));
        state.ProgState = row.progState;
        state.PortOk = row.portOk;
        state.AskAgain = true;  // what a cycle without data leaves
        poller.WorkHardware();
        EXPECT_EQ(serial.takeRequests(), row.expected);
        EXPECT_FALSE(state.AskAgain);
        poller.WorkHardware();  // once per cycle, not on every pass
        EXPECT_TRUE(serial.takeRequests().isEmpty());
    }
}
