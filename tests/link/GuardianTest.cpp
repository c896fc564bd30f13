// The program's side of the guardian process, over a scripted process: when one runs, what it
// is told, and what an end on its own leaves in the log.
#include "FakeGuardian.h"
#include "FakeSerialPort.h"
#include "FakeTexts.h"
#include "Guardian.h"
#include "PortManager.h"
#include "TestServices.h"

#include <gtest/gtest.h>

namespace {

class SharedSerialPort : public FakeSerialPort {
public:
    int descriptor() const override { return opened ? 7 : -1; }
};

struct GuardianSide : ::testing::Test {
    KilnState state;
    SharedSerialPort serial;
    FakeDialogs dialogs;
    FakeTexts texts;
    RecordingLog log;
    PortManager port{state, serial, dialogs, texts, log, {}};
    ScriptedGuardian process;
    Guardian guardian{state, port, serial, process, texts, log};

    void SetUp() override
    {
        state.InterfaceMode = 0;
        state.AppFolder = "/kiln";
        port.PortSetName("/dev/ttyUSB0");
        port.PortOpenTry();
        log.entries.clear();
        texts.texts["GuardianNoHeartbeat"] = "no heartbeat";
    }
};

}  // namespace

TEST_F(GuardianSide, RunsWhileThePortIsOpenInControllerModeAndBeatsEveryCycle)
{
    for (int i = 0; i < 3; ++i)
        guardian.Heartbeat();
    ASSERT_EQ(process.launches.size(), 1);
    const GuardianLaunch& l = process.launches[0];
    EXPECT_EQ(l.device, "/dev/ttyUSB0");
    EXPECT_EQ(l.descriptor, 7);  // the port itself is shared
    EXPECT_EQ(l.logFile, "/kiln/Data/guardian.log");
    EXPECT_EQ(l.silentText, "no heartbeat");  // its lines come in the operator's language
    EXPECT_EQ(process.beats, 3);

    // Another port: the guardian must hold the one in use.
    port.PortSetName("/dev/ttyUSB1");
    guardian.Heartbeat();
    EXPECT_EQ(process.releases, 1);
    ASSERT_EQ(process.launches.size(), 2);
    EXPECT_EQ(process.launches[1].device, "/dev/ttyUSB1");

    // No port, or the simulator: none runs.
    port.PortClose();
    guardian.Heartbeat();
    EXPECT_EQ(process.releases, 2);
    EXPECT_EQ(process.beats, 4);
    serial.open("/dev/ttyUSB1");
    state.InterfaceMode = 1;
    guardian.Heartbeat();
    EXPECT_EQ(process.launches.size(), 2);
    state.InterfaceMode = 0;
    guardian.Heartbeat();
    guardian.Release();
    guardian.Release();
    EXPECT_EQ(process.releases, 3);
    EXPECT_TRUE(log.entries.isEmpty()) << log.entries.join("; ").toStdString();
}

TEST_F(GuardianSide, OneThatEndedOnItsOwnIsLoggedOnceAndReplaced)
{
    guardian.Heartbeat();
    // The program was stopped for longer than the guardian waits: it switched the heater off.
    process.now = GuardianProcess::State::SafeStateSent;
    guardian.Heartbeat();
    guardian.Heartbeat();
    EXPECT_EQ(log.keys(), QStringList{"LogGuardianActed"});
    EXPECT_EQ(process.launches.size(), 2);

    process.now = GuardianProcess::State::Ended;  // killed from outside
    guardian.Heartbeat();
    process.now = GuardianProcess::State::PortLost;  // the port reports that itself
    guardian.Heartbeat();
    EXPECT_EQ(log.keys(), (QStringList{"LogGuardianActed", "LogGuardianGone"}));
    EXPECT_EQ(process.launches.size(), 4);
    EXPECT_EQ(process.beats, 5);
}

TEST_F(GuardianSide, AGuardianThatCannotStartIsLoggedOnceAndTriedAgain)
{
    process.startFails = true;
    for (int i = 0; i < 3; ++i)
        guardian.Heartbeat();
    EXPECT_EQ(process.launches.size(), 3);
    EXPECT_EQ(process.beats, 0);
    EXPECT_EQ(log.entries, QStringList{"LogNoGuardian|no such file"});
    process.startFails = false;
    guardian.Heartbeat();
    EXPECT_EQ(process.beats, 1);
    process.now = GuardianProcess::State::Ended;
    process.startFails = true;
    guardian.Heartbeat();
    guardian.Heartbeat();
    EXPECT_EQ(log.keys(), (QStringList{"LogNoGuardian", "LogGuardianGone", "LogNoGuardian"}));
}

TEST_F(GuardianSide, OneGuardianSeesALossThroughAndTheNextOneWatchesTheNewLine)
{
    guardian.Heartbeat();
    ASSERT_EQ(process.launches.size(), 1);
    // The adapter drops out: the guardian goes on (it tries the port on its own) and is beaten.
    serial.present = false;
    EXPECT_FALSE(port.CheckPort());
    for (int cycle = 0; cycle < 5; ++cycle) {
        port.PortRetry();
        guardian.Heartbeat();
    }
    EXPECT_EQ(process.launches.size(), 1);
    EXPECT_EQ(process.releases, 0);
    EXPECT_EQ(process.beats, 6);
    // Back under the same name: the old guardian is let go, a new one shares the new line.
    serial.present = true;
    port.PortRetry();
    guardian.Heartbeat();
    guardian.Heartbeat();
    EXPECT_EQ(process.releases, 1);
    ASSERT_EQ(process.launches.size(), 2);
    EXPECT_EQ(process.launches[1].device, "/dev/ttyUSB0");
    EXPECT_FALSE(process.launches[1].lostText.isEmpty());
    EXPECT_EQ(log.keys(), (QStringList{"LogPortOpenError", "LogPortBack"}));
}

TEST_F(GuardianSide, NoGuardianForAPortThatIsNotOpen)
{
    struct Case {
        const char* what;
        QString name;
        bool opens;
    };
    const Case cases[] = {{"no port configured (a cancelled picker)", "", true},
                          {"a port that cannot be opened", "/dev/ttyUSB0", false}};
    for (const Case& c : cases) {
        guardian.Release();
        port.PortClose();
        process.launches.clear();
        serial.openFails = !c.opens;
        port.PortSetName(c.name);
        port.PortOpenTry();
        for (int cycle = 0; cycle < 4; ++cycle) {
            port.PortRetry();
            guardian.Heartbeat();
        }
        EXPECT_TRUE(process.launches.isEmpty()) << c.what;
    }
}

TEST_F(GuardianSide, AGuardianEndedByASignalIsLoggedAsThat)
{
    guardian.Heartbeat();
    process.now = GuardianProcess::State::Terminated;
    guardian.Heartbeat();
    EXPECT_EQ(log.keys(), QStringList{"LogGuardianTerminated"});
    EXPECT_EQ(process.launches.size(), 2);
}
