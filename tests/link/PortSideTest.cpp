// The program's side of the line over an in-memory port: queueing, the one-time port report,
// the polling pass, reply handling and the service commands.
#include "FakeSerialPort.h"
#include "FakeTexts.h"
#include "FrameLink.h"
#include "LocaleFacts.h"
#include "Poller.h"
#include "PortManager.h"
#include "ServiceCommands.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

struct PortSide : ::testing::Test {
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
    QPlainTextEdit memo1, memo2;
    QCheckBox traceBox;
    StringGrid grid{4, 8, 1, 1};
    QLabel label13;
    QLineEdit edit2{"0000"}, edit3{"100"}, edit4{"00"}, termZ, termK, termZT, termKT;
    PortManager port{state, serial, dialogs, texts, log, {&portSelect, &pages, &hardwareTimer, &interfaceTimer}};
    FrameLink link{port, random, {&memo1, &traceBox}};
    ServiceCommands service{state, link, dialogs, texts, {&edit2, &edit3, &edit4, &memo2, &termZ, &termK, &termZT, &termKT}};
    Poller poller{state,
                  link,
                  texts,
                  log,
                  {&grid, &label13},
                  {[](int k) { return k == 1 ? 100 : 0; },
                   [this](const QByteArray& r) { service.NvRegisterReply(r); },
                   [this](const QByteArray& r) { service.DumpBlock(r); }}};

    void SetUp() override
    {
        for (int i = 0; i < 6; ++i)
            pages.addTab(new QWidget, QString::number(i));
        state.InterfaceMode = 0;
        state.ControllerName = "Ardentor PC";
        state.FirmwareVersion = "1.0";
        port.PortSetName("/dev/ttyUSB0");
        port.PortOpenTry();
        serial.written.clear();
        log.entries.clear();
    }

    // The controller's reply, taken in by one polling pass.
    void answer(const QByteArray& payload)
    {
        serial.reply(payload);
        poller.WorkHardware();
    }
};

}  // namespace

TEST_F(PortSide, ALostPortIsTriedEveryCycleWithOneBoxAndComesBackOnItsOwn)
{
    serial.present = false;  // the adapter is pulled out
    link.tx_block(hex("000300"));
    link.tx_block(hex("000310"));
    EXPECT_EQ(dialogs.asked.filter("message:"),
              QStringList{"message:<MBError>|<CantOpenPort>/dev/ttyUSB0: <PortNoDevice>\r\n<PortTriedAgain>"});
    EXPECT_EQ(pages.currentIndex(), PortManager::kLogPage);
    EXPECT_TRUE(serial.written.isEmpty());
    // Gone, then there but not yet openable: tried every cycle, without a word.
    const int opensBefore = serial.opens;
    for (int cycle = 0; cycle < 3; ++cycle)
        port.PortRetry();
    EXPECT_EQ(serial.opens, opensBefore);  // nothing to open while the name is gone
    serial.present = true;
    serial.openFails = true;
    for (int cycle = 0; cycle < 3; ++cycle) {
        port.PortRetry();
        poller.WorkHardware();
    }
    EXPECT_EQ(serial.opens, opensBefore + 3);
    EXPECT_FALSE(state.PortOk);
    serial.openFails = false;
    port.PortRetry();
    EXPECT_TRUE(state.PortOk);
    port.PortRetry();
    EXPECT_EQ(serial.opens, opensBefore + 4);
    EXPECT_EQ(dialogs.asked.filter("message:").size(), 1);
    EXPECT_EQ(log.entries, (QStringList{"LogPortOpenError| /dev/ttyUSB0: <PortNoDevice>", "LogPortBack| /dev/ttyUSB0"}));
    link.DoTx();
    EXPECT_EQ(serial.takeRequests(), (QList<QByteArray>{hex("000300"), hex("000310")}));

    // Lost again later: one more box, and the cycle keeps trying.
    serial.writeFails = true;
    link.tx_block(hex("000312"));
    link.tx_block(hex("000313"));
    EXPECT_EQ(dialogs.asked.filter("message:").size(), 2);
    EXPECT_EQ(port.LossCount(), 2);
    serial.writeFails = false;
    port.PortRetry();
    link.DoTx();
    EXPECT_EQ(serial.takeRequests(), (QList<QByteArray>{hex("000312"), hex("000313")}));
}

TEST_F(PortSide, ASilentControllersReopenThatFailsIsALossTriedAgainNotTheEnd)
{
    serial.openFails = true;
    port.PortReopen();
    EXPECT_FALSE(state.PortOk);
    serial.openFails = false;
    port.PortRetry();
    EXPECT_TRUE(state.PortOk);
    EXPECT_TRUE(serial.isOpen());
}

TEST_F(PortSide, FramesQueuedWhileThePortIsLostAreTheLatestBatchAndOneIdentification)
{
    state.ControllerName.clear();
    serial.present = false;
    for (int cycle = 0; cycle < 60; ++cycle) {
        state.Pid.Power = quint8(cycle);
        poller.WorkHardware();  // a batch and a name request each time
        state.RequestDue = true;
        poller.WorkHardware();
    }
    EXPECT_EQ(link.queuedFrames(), 15);
    serial.present = true;
    port.PortRetry();
    link.DoTx();
    const QList<QByteArray> sent = serial.takeRequests();
    ASSERT_EQ(sent.size(), 15);
    EXPECT_EQ(sent.count(hex("0003E0")), 1);
    EXPECT_EQ(sent.count(hex("000300")), 1);
    // The latest batch in its order: the reads, then power, A and B.
    EXPECT_EQ(sent.mid(11), (QList<QByteArray>{hex("000220") + char(59), hex("00022164"), hex("00022200"),
                                               hex("0003E0")}));
    EXPECT_EQ(link.queuedFrames(), 0);
}

TEST_F(PortSide, TheOpenFailureNamesItsCause)
{
    struct Case {
        SerialPort::Failure failure;
        QString holder;
        QString cause;
    };
    const Case cases[] = {
        {SerialPort::Failure::NoDevice, "", "<PortNoDevice>"},
        {SerialPort::Failure::PermissionDenied, "", "<PortPermissionDenied>"},
        {SerialPort::Failure::InUse, "PID 42 (fornaxel)", "<PortInUse>: PID 42 (fornaxel)"},
        {SerialPort::Failure::InUse, "", "<PortInUse>"},
        {SerialPort::Failure::Other, "", "no such device"},
    };
    for (const Case& c : cases) {
        dialogs.asked.clear();
        serial.openFails = true;
        serial.openFailure = c.failure;
        serial.heldBy = c.holder;
        port.PortOpenTry();
        EXPECT_EQ(dialogs.asked, QStringList{"message:<MBError>|<CantOpenPort>/dev/ttyUSB0: " + c.cause +
                                             "\r\n<PortTriedAgain>"});
        EXPECT_EQ(log.entries.last(), "LogPortOpenError| /dev/ttyUSB0: " + c.cause);
    }
}

TEST_F(PortSide, ThePickerListsStableNamesFirstInNaturalOrderWithTheConfiguredPort)
{
    struct Case {
        QStringList found;
        QString configured;
        QStringList offered;
    };
    const QString byId = "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
    const Case cases[] = {
        {{"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyS1"}, "", {"/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS10"}},
        {{"/dev/ttyUSB0", "/dev/ttyS0", byId}, "/dev/ttyUSB0", {byId, "/dev/ttyS0", "/dev/ttyUSB0"}},
        {{"/dev/ttyS0"}, "/dev/ttyUSB3", {"/dev/ttyS0", "/dev/ttyUSB3"}},  // lost: still offered
        {{"/dev/ttyACM10", "/dev/ttyACM9", "/dev/ttyACM09"}, "/dev/ttyACM9",
         {"/dev/ttyACM09", "/dev/ttyACM9", "/dev/ttyACM10"}},
        {{}, "", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PortManager::pickerPorts(c.found, c.configured), c.offered) << c.found.join(' ').toStdString();
}

TEST_F(PortSide, ThePickerLeavesTheCycleRunningAndCancelKeepsThePort)
{
    int ticks = 0;
    QObject::connect(&interfaceTimer, &QTimer::timeout, [&] { ++ticks; });
    interfaceTimer.start(5);
    hardwareTimer.start(5);
    serial.ports = {"/dev/ttyS10", "/dev/ttyS2"};
    dialogs.portPickerOpenMs = 300;
    dialogs.portAnswer.clear();  // Cancel
    const int opens = serial.opens;
    port.PortSelectClick();
    EXPECT_GT(ticks, 0);  // the cycle went on while the picker was open
    EXPECT_TRUE(interfaceTimer.isActive() && hardwareTimer.isActive());
    EXPECT_EQ(dialogs.portPreselected, "/dev/ttyUSB0");
    EXPECT_EQ(dialogs.portsOffered, (QStringList{"/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0"}));
    EXPECT_EQ(port.PortName(), "/dev/ttyUSB0");
    EXPECT_TRUE(state.PortOk && serial.isOpen());
    EXPECT_EQ(serial.opens, opens);
    EXPECT_TRUE(dialogs.asked.filter("message:").isEmpty());

    // Another port: switched to at once after the picker, and reported as opened.
    dialogs.portPickerOpenMs = 0;
    dialogs.portAnswer = "/dev/ttyS2";
    port.PortSelectClick();
    EXPECT_EQ(serial.openedPath, "/dev/ttyS2");
    EXPECT_EQ(portSelect.text(), "<Port>/dev/ttyS2");
    EXPECT_EQ(log.keys().last(), "LogPort");
}

TEST_F(PortSide, AnUnopenablePortIsReportedOnceAndTheCancelledPickerToo)
{
    state.PortOk = false;
    serial.openFails = true;
    port.PortOpenTry();
    EXPECT_EQ(dialogs.asked.filter("message:").size(), 1);
    for (int i = 0; i < 5; ++i)
        poller.WorkHardware();  // nothing sent, nothing reported again
    EXPECT_EQ(dialogs.asked.filter("message:").size(), 1);
    EXPECT_TRUE(serial.written.isEmpty());

    // No port configured: the picker comes up; Cancel fails the open.
    serial.openFails = false;
    port.PortSetNumber(0);
    port.PortOpenTry();
    EXPECT_TRUE(dialogs.asked.contains(
        "port:Select Port|The configured serial port is not valid.|Please choose another port."));
    EXPECT_EQ(serial.ports, dialogs.portsOffered);
    EXPECT_EQ(dialogs.asked.filter("message:").size(), 2);
    EXPECT_EQ(portSelect.text(), "<Port>");
    EXPECT_EQ(dialogs.asked.filter("message:").last(),
              "message:<MBError>|<CantOpenPort>: <ChooseAnotherPort>\r\n<PortTriedAgain>");
    EXPECT_EQ(PortManager::nameOfNumber(3), "/dev/ttyS2");
}

TEST_F(PortSide, TheBatchCarriesThePowerAndTheOutputsInItsOrder)
{
    state.RequestDue = true;
    state.Pid.Power = 37;
    poller.WorkHardware();
    EXPECT_FALSE(state.RequestDue);
    EXPECT_EQ(serial.takeRequests(),
              (QList<QByteArray>{hex("000300"), hex("000310"), hex("000311"), hex("000312"), hex("000313"),
                                 hex("000314"), hex("000315"), hex("000316"), hex("000317"), hex("0003F0"),
                                 hex("0003F1"), hex("00022025"), hex("00022164"), hex("00022200")}));
}

TEST_F(PortSide, ThermocoupleAndColdJunctionReplies)
{
    ErrDevice& ch1 = state.Devices[1];
    ch1.Tc_Type = 6;  // linear, so the value is easy to follow: 10 counts a degree from 0
    ch1.Tc_z = 0;
    ch1.Tc_zt = 0;
    ch1.Tc_k = 1000;
    ch1.Tc_kt = 100;
    struct Case {
        const char* reply;
        double raw;
        bool error;
        const char* label;
    };
    for (const Case& c : {Case{"0004102C010A00", 30.0, false, "300:10=30.0"},
                          Case{"00041022010A00", 29.0, true, "290:10=29.0"},
                          Case{"0004102C010A", 30.0, false, "300:10=30.0"}}) {
        state.Devices[17].Value = 0;
        ch1.Error = !c.error;
        answer(hex(c.reply));
        EXPECT_DOUBLE_EQ(ch1.Raw, c.raw) << c.reply;
        EXPECT_EQ(ch1.Error, c.error) << c.reply;
        EXPECT_EQ(label13.text(), c.label) << c.reply;
        EXPECT_NEAR(ch1.Value, c.raw / 10, 1e-9) << c.reply;
    }
    EXPECT_EQ(grid.cell(1, 1), "0x012C");
    EXPECT_EQ(grid.cell(2, 1), "10");
    {
        ScopedLocaleFacts comma{[] {
            LocaleFacts f;
            f.decimalSeparator = ',';
            return f;
        }()};
        answer(hex("0004102C010A00"));
        EXPECT_EQ(label13.text(), "300:10=30,0");
    }
    ch1.Error = true;
    answer(hex("0004102C010100"));  // a single reading: no temperature, the flag untouched
    EXPECT_EQ(label13.text(), "300:1=?");
    EXPECT_EQ(ch1.Value, 0);
    EXPECT_TRUE(ch1.Error);

    ch1.Tc_k = 0;  // a calibration that divides by nothing is a channel fault
    answer(hex("0004102C010A00"));
    EXPECT_TRUE(ch1.Error);
    EXPECT_EQ(ch1.Value, 0);

    ErrDevice& cj = state.Devices[17];
    for (auto [reading, expected] : {std::pair{400, 25.0}, {16385, -3071.9375}, {65520, -1.0}}) {
        cj.Error = true;
        QByteArray r = hex("000400");
        r.append(char(reading & 0xFF)).append(char(reading >> 8));
        answer(r);
        EXPECT_FALSE(cj.Error) << reading;
        EXPECT_DOUBLE_EQ(cj.Value, expected) << reading;
    }
    cj.Error = true;
    answer(hex("0004000040"));  // 16384: the sensor has no reading
    EXPECT_TRUE(cj.Error);
    EXPECT_DOUBLE_EQ(cj.Value, -1.0);
    EXPECT_EQ(grid.cell(3, 1), "16384");
}

TEST_F(PortSide, TenThermocoupleRepliesAreSkippedAfterAConnectionAndOddRepliesStillCount)
{
    state.SkipReplies = 10;
    state.Devices[1].Raw = -1;
    for (int i = 0; i < 10; ++i)
        answer(hex("0004102C010A00"));
    EXPECT_EQ(state.Devices[1].Raw, -1);
    EXPECT_EQ(grid.cell(1, 1), "0x012C");  // the grid still shows them
    answer(hex("0004102C010A00"));
    EXPECT_EQ(state.Devices[1].Raw, 30);

    for (const char* odd : {"0104102C010A00", "0063", "0004990102"}) {  // bad status, unknown kind, register
        state.DataReady = false;
        answer(hex(odd));
        EXPECT_TRUE(state.DataReady) << odd;
    }
    state.DataReady = false;
    answer(hex("00"));  // too short to count
    EXPECT_FALSE(state.DataReady);

    answer(hex("000A003930"));  // a tick, c from bytes 3..4
    EXPECT_EQ(state.ControllerTick, 0x3039);
}

TEST_F(PortSide, IdentificationByName)
{
    state.ControllerName.clear();
    state.FirmwareVersion.clear();
    poller.WorkHardware();
    poller.WorkHardware();
    EXPECT_EQ(serial.takeRequests(), (QList<QByteArray>{hex("0003E0"), hex("0003E0")}));
    answer(QByteArray(hex("0004E0")) + "Ardentor PC");
    EXPECT_EQ(state.ControllerName, "Ardentor PC");
    EXPECT_EQ(serial.takeRequests().last(), hex("0003E1"));  // asked for the firmware
    answer(QByteArray(hex("0004E1")) + "2.1");
    EXPECT_EQ(log.entries.mid(log.entries.size() - 2),
              (QStringList{"LogController|Ardentor PC", "LogFirmwareVersion|2.1"}));
    serial.takeRequests();
    poller.WorkHardware();
    EXPECT_TRUE(serial.takeRequests().isEmpty());

    answer(hex("000B"));  // power-up: asked again
    EXPECT_TRUE(state.ControllerName.isEmpty() && state.FirmwareVersion.isEmpty());
    EXPECT_EQ(serial.takeRequests().last(), hex("0003E0"));
    answer(QByteArray(hex("0004E0")) + "Other");
    serial.takeRequests();
    poller.WorkHardware();
    EXPECT_TRUE(serial.takeRequests().isEmpty());  // another name is never asked for firmware
}

TEST_F(PortSide, DumpAndWriteRequests)
{
    struct Length {
        const char* text;
        int blocks;
    };
    for (const Length& l : {Length{"0", 1}, Length{"1", 1}, Length{"10", 1}, Length{"11", 2}, Length{"FFFF", 4096},
                            Length{"zz", 1}}) {
        edit2.setText("0100");
        edit3.setText(l.text);
        service.DumpCmd(7);
        const QList<QByteArray> sent = serial.takeRequests();
        ASSERT_EQ(sent.size(), l.blocks) << l.text;
        EXPECT_EQ(sent.first(), hex("0007000110 00")) << l.text;
        const int last = (0x100 + 16 * (l.blocks - 1)) % 65536;
        EXPECT_EQ(quint8(sent.last()[2]) + 256 * quint8(sent.last()[3]), last) << l.text;
    }
    edit2.setText("0020");
    edit4.setText("01 2 zz  FF 100");
    service.WriteCmd(9);
    EXPECT_EQ(serial.takeRequests(), QList<QByteArray>{hex("0009200001 02 FF")});

    // More than one frame can carry: several requests, each at its own address.
    edit2.setText("0000");
    edit4.setText(QString("AB ").repeated(600).trimmed());
    service.WriteCmd(14);
    const QList<QByteArray> parts = serial.takeRequests();
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(parts[0].size(), 4 + 250);
    EXPECT_EQ(parts[1].mid(0, 4), hex("000EFA00"));
    EXPECT_EQ(parts[2].mid(0, 4), hex("000EF401"));
    EXPECT_EQ(parts[2].size(), 4 + 100);
}

TEST_F(PortSide, CalibrationWriteAndReadBack)
{
    termZ.setText("90");
    termK.setText("500");
    termKT.setText("980");
    termZT.setText("25,5");  // either separator
    dialogs.yesNoAnswer = true;
    service.WriteCalibrationButtonClick();
    EXPECT_EQ(serial.takeRequests(), (QList<QByteArray>{hex("0002D0008403"), hex("0002D0018813"),
                                                        hex("0002D0034826"), hex("0002D002FF00")}));
    service.ReadCalibrationButtonClick();
    EXPECT_EQ(serial.takeRequests(),
              (QList<QByteArray>{hex("0003D000"), hex("0003D001"), hex("0003D003"), hex("0003D002")}));
    termZ.clear();
    termK.clear();
    termZT.clear();
    termKT.clear();
    state.Temps.TempScale = 1;  // °F on the screen: the fields still hold counts and °C
    for (const char* r : {"0004D0008403", "0004D0018813", "0004D0034826", "0004D002FF00"})
        answer(hex(r));
    EXPECT_EQ(memo2.toPlainText(),
              "NVREG 0 = $0384 (900)\nNVREG 1 = $1388 (5000)\nNVREG 3 = $2648 (9800)\nNVREG 2 = $00FF (255)");
    EXPECT_EQ(termZ.text(), "90.0");
    EXPECT_EQ(termK.text(), "500.0");
    EXPECT_EQ(termKT.text(), "980.0");
    EXPECT_EQ(termZT.text(), "25.5");

    answer(hex("0004D0070100"));  // not asked for by the calibration read: only the line
    EXPECT_TRUE(memo2.toPlainText().endsWith("NVREG 7 = $0001 (1)"));

    edit2.setText("0010");
    answer(hex("000810 00 000102030405060708090A0B0C0D0E0F"));
    EXPECT_EQ(memo2.toPlainText(), "Addr 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n"
                                   "0010 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ");
    answer(hex("000D2000 FF"));  // another address adds its line only, as far as it goes
    EXPECT_TRUE(memo2.toPlainText().endsWith("\n0020 FF "));
}

TEST_F(PortSide, AStrayStartWithALargeLengthHoldsNoReplyBack)
{
    serial.incoming = hex("0155FF0203");  // garbage: a start byte and a length of 255
    answer(hex("000A003930"));
    EXPECT_EQ(state.ControllerTick, 0x3039);
    serial.incoming = hex("55FF02");  // only a beginning: it waits, as a real long frame would
    poller.WorkHardware();
    EXPECT_EQ(link.receivedBytes(), 3);
}

TEST_F(PortSide, TheTraceShowsWhatGoesOutAndComesIn)
{
    traceBox.setChecked(true);
    link.tx_block(hex("000310"));
    answer(hex("000A0100"));
    EXPECT_EQ(memo1.toPlainText(), "   >> 000310\n<<    000A0100");
}
