// The port under a firing does the unexpected: a USB adapter that drops out and comes back under
// its name while the controller stays powered, the port picker opened mid-firing, a second
// program on another name of the same device, a signal to the guardian alone. The program runs
// as a process of its own with its real guardian; safety is judged by what the emulator holds.
#include "EmulatorProcess.h"
#include "PtyRelay.h"
#include "QtSerialPort.h"
#include "TestFiles.h"
#include "WaitFor.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kSafeWithinMs = 15000;

// The guardian processes started for the program `parent`, by process number.
QSet<qint64> guardiansOf(qint64 parent)
{
    QSet<qint64> found;
    const QByteArray wanted = QByteArray("--parent") + '\0' + QByteArray::number(parent) + '\0';
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile cmdline("/proc/" + entry + "/cmdline");
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray args = cmdline.readAll();
        if (args.contains("fornaxel-guardian") && args.contains(wanted))
            found.insert(pid);
    }
    return found;
}

// One program process: its folder, its output lines and its log entries.
struct Program {
    QTemporaryDir dir;
    QProcess process;
    QByteArray printed;
    QStringList lines;  // every line printed so far

    ~Program() { kill(); }

    bool start(const QString& port)
    {
        writeControllerSettings(dir.path(), port);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(FORNAXEL_GUARDED_FIRING, {dir.path(), FORNAXEL_GUARDIAN});
        return process.waitForStarted(5000);
    }

    qint64 pid() const { return process.processId(); }

    void kill()
    {
        if (process.state() != QProcess::NotRunning) {
            ::kill(pid_t(process.processId()), SIGKILL);
            process.waitForFinished(5000);
        }
    }

    // Takes in what the program printed, waiting up to `ms` for more.
    void take(int ms)
    {
        if (process.state() != QProcess::NotRunning)
            process.waitForReadyRead(ms);
        printed += process.readAllStandardOutput();
        while (printed.contains('\n')) {
            const qsizetype end = printed.indexOf('\n');
            lines << QString::fromUtf8(printed.left(end));
            printed.remove(0, end + 1);
        }
    }

    // Whether a line containing every one of `parts` is printed within `ms`.
    bool await(const QStringList& parts, int ms)
    {
        QDeadlineTimer deadline(ms);
        for (;;) {
            for (const QString& line : lines)
                if (std::all_of(parts.begin(), parts.end(), [&](const QString& p) { return line.contains(p); }))
                    return true;
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
                return false;
            take(int(std::clamp<qint64>(deadline.remainingTime(), 1, 200)));
        }
    }

    QStringList logLines(const QString& containing)
    {
        take(1);
        return lines.filter("LOG ").filter(containing);
    }

    QStringList guardianLog() const
    {
        return QString::fromUtf8(readBytes(dir.path() + "/Data/guardian.log")).split("\r\n", Qt::SkipEmptyParts);
    }
};

struct PortLoss : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<PtyRelay> relay;

    void SetUp() override
    {
        emulator = std::make_unique<EmulatorProcess>(
            QStringList{"--no-pacing", "--quiet", "--state", dir.path() + "/nv.txt"}, false);
        ASSERT_TRUE(emulator->started());
    }

    void addRelay()
    {
        relay = std::make_unique<PtyRelay>(emulator->devicePath, dir.path() + "/usb-adapter");
        ASSERT_TRUE(relay->ready());
    }

    // The program firing over `port` with the heater on and both outputs on.
    void fire(Program& program, const QString& port)
    {
        ASSERT_TRUE(program.start(port));
        ASSERT_TRUE(program.await({"FIRING"}, 20000)) << program.lines.join('\n').toStdString();
        ASSERT_TRUE(waitFor([this] { return heatingWithBothOutputs(); }, 5000)) << state().join('\n').toStdString();
        ASSERT_TRUE(waitFor([&] { return guardiansOf(program.pid()).size() == 1; }, 5000));
    }

    QStringList state() { return emulator->command("state"); }

    bool heatingWithBothOutputs()
    {
        const QStringList s = state();
        return s.filter("output A 100  output B 100").size() == 1 && s.filter("power 0 %").isEmpty();
    }

    bool safe() { return state().filter("power 0 %  output A 0  output B 0").size() == 1; }

    // Samples the program's guardians until `done`, or `ms` have passed; returns every one seen.
    QSet<qint64> watchGuardians(Program& program, const std::function<bool()>& done, int ms)
    {
        QSet<qint64> seen;
        waitFor(
            [&] {
                seen.unite(guardiansOf(program.pid()));
                return done();
            },
            ms);
        return seen;
    }
};

}  // namespace

TEST_F(PortLoss, AnAdapterThatDropsOutForASecondLeavesTheFiringGoingWithOneGuardianPerLoss)
{
    addRelay();
    Program program;
    fire(program, relay->path());
    relay->dropOut(1000);
    const QSet<qint64> guardians =
        watchGuardians(program, [&] { return program.await({"LogPortBack", relay->path()}, 1); }, 20000);
    ASSERT_TRUE(program.await({"LogPortBack"}, 1)) << program.lines.join('\n').toStdString();
    // The one that saw the loss through and the one for the line that came back; the sanitizer
    // build, slower by far, has been seen with a third over the same single loss. Still far from
    // one a cycle, which is what this guards against.
    EXPECT_LE(guardians.size(), 3);
    EXPECT_TRUE(waitFor([this] { return heatingWithBothOutputs(); }, 8000)) << state().join('\n').toStdString();
    EXPECT_EQ(program.logLines("LogPortOpenError").size(), 1);
    EXPECT_EQ(program.logLines("LogPortBack").size(), 1);
    EXPECT_TRUE(program.logLines("Guardian").isEmpty()) << program.logLines("Guardian").join('\n').toStdString();
    EXPECT_TRUE(program.logLines("Breakdown").isEmpty());
    // The guardian may have switched off on its own line before the program was back.
    for (const QString& line : program.guardianLog())
        EXPECT_TRUE(line.contains("GuardianPortLost") && line.contains("GuardianSafeStateSent")) << line.toStdString();
}

TEST_F(PortLoss, AKillAfterOrDuringADropOutLeavesTheControllerOff)
{
    addRelay();
    // Killed once the adapter is back, and killed while it is still out: the guardian then
    // switches off as soon as the device is there again.
    for (const bool whileOut : {false, true}) {
        Program program;
        fire(program, relay->path());
        relay->dropOut(whileOut ? 3000 : 1000);
        if (whileOut) {
            ASSERT_TRUE(program.await({"LogPortOpenError"}, 10000));
        } else {
            ASSERT_TRUE(program.await({"LogPortBack"}, 20000)) << program.lines.join('\n').toStdString();
            ASSERT_TRUE(waitFor([this] { return heatingWithBothOutputs(); }, 8000));
        }
        program.kill();
        EXPECT_TRUE(waitFor([this] { return safe(); }, kSafeWithinMs))
            << (whileOut ? "killed while out\n" : "killed after\n") << state().join('\n').toStdString()
            << program.guardianLog().join('\n').toStdString() << program.lines.join('\n').toStdString();
        EXPECT_TRUE(waitFor([&] { return program.guardianLog().filter("GuardianProgramEnded").size() == 1; }, 5000))
            << program.guardianLog().join('\n').toStdString();
        waitFor([&] { return guardiansOf(program.pid()).isEmpty(); }, 5000);
    }
}

TEST_F(PortLoss, ThePickerOpenedAndCancelledDuringAFiringLeavesItSupervised)
{
    Program program;
    fire(program, emulator->devicePath);
    const QSet<qint64> before = guardiansOf(program.pid());
    // Open for longer than the guardian waits for a heartbeat.
    program.process.write("pick 12000\n");
    const QSet<qint64> guardians =
        watchGuardians(program, [&] { return program.await({"PICKED " + emulator->devicePath}, 1); }, 30000);
    ASSERT_TRUE(program.await({"PICKED " + emulator->devicePath}, 1)) << program.lines.join('\n').toStdString();
    EXPECT_EQ(guardians, before);
    EXPECT_TRUE(heatingWithBothOutputs()) << state().join('\n').toStdString();
    EXPECT_TRUE(program.guardianLog().isEmpty()) << program.guardianLog().join('\n').toStdString();
    EXPECT_TRUE(program.logLines("Guardian").isEmpty());
    EXPECT_TRUE(program.logLines("LogPortOpenError").isEmpty());
    EXPECT_TRUE(program.logLines("LogConnectionLost").isEmpty());
    program.kill();
    EXPECT_TRUE(waitFor([this] { return safe(); }, kSafeWithinMs)) << state().join('\n').toStdString();
}

TEST_F(PortLoss, ASecondProgramOnAnotherNameOfTheSameDeviceIsRefused)
{
    Program first;
    fire(first, emulator->devicePath);
    const QString otherName = dir.path() + "/serial-by-id-link";
    ASSERT_TRUE(QFile::link(emulator->devicePath, otherName));
    Program second;
    ASSERT_TRUE(second.start(otherName));
    EXPECT_TRUE(second.await({"LogPortOpenError", "PortInUse", "PID " + QString::number(first.pid())}, 15000))
        << second.lines.join('\n').toStdString();
    // The first goes on undisturbed, also once the second has gone.
    QThread::msleep(2000);
    second.kill();
    EXPECT_FALSE(second.await({"FIRING"}, 1));
    EXPECT_TRUE(guardiansOf(second.pid()).isEmpty());
    QThread::msleep(1500);
    EXPECT_TRUE(heatingWithBothOutputs()) << state().join('\n').toStdString();
    EXPECT_TRUE(first.logLines("LogPortOpenError").isEmpty());
    EXPECT_TRUE(first.guardianLog().isEmpty());
}

TEST_F(PortLoss, ASignalToTheGuardianAloneIsLoggedAsWhatItIs)
{
    Program program;
    fire(program, emulator->devicePath);
    const QSet<qint64> guardians = guardiansOf(program.pid());
    ASSERT_EQ(guardians.size(), 1);
    ::kill(pid_t(*guardians.begin()), SIGTERM);
    EXPECT_TRUE(waitFor([&] { return !program.guardianLog().isEmpty(); }, 8000));
    const QStringList log = program.guardianLog();
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains("GuardianTerminated") && log[0].contains("SIGTERM.")) << log.join("\n").toStdString();
    EXPECT_TRUE(log[0].contains("GuardianSafeStateSent")) << log[0].toStdString();
    EXPECT_FALSE(log[0].contains("GuardianProgramEnded"));
    EXPECT_TRUE(program.await({"LogGuardianTerminated"}, 8000));
    // The program goes on with a new guardian, and heats again.
    EXPECT_TRUE(waitFor([&] { return guardiansOf(program.pid()).size() == 1 && guardiansOf(program.pid()) != guardians; },
                      8000));
    EXPECT_TRUE(waitFor([this] { return heatingWithBothOutputs(); }, 8000));
}

TEST_F(PortLoss, AnOpenClaimsTheDeviceWhateverItsNameAndSaysWhyItCannot)
{
    const QString link = dir.path() + "/by-id-name";
    const QString fifo = dir.path() + "/a-fifo";
    ASSERT_TRUE(QFile::link(emulator->devicePath, link));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QtSerialPort first(dir.path()), second(dir.path());
    ASSERT_TRUE(first.open(emulator->devicePath)) << first.errorString().toStdString();
    struct Case {
        QString path;
        SerialPort::Failure failure;
    };
    const Case cases[] = {
        {link, SerialPort::Failure::InUse},
        {emulator->devicePath, SerialPort::Failure::InUse},
        {dir.path() + "/no-such-port", SerialPort::Failure::NoDevice},
        {fifo, SerialPort::Failure::NoDevice},  // not a serial device: refused before any open
        {"", SerialPort::Failure::NoDevice},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(second.open(c.path)) << c.path.toStdString();
        EXPECT_EQ(second.failure(), c.failure) << c.path.toStdString();
        EXPECT_FALSE(second.isOpen());
    }
    second.open(link);
    EXPECT_EQ(second.holder().section(' ', 0, 1), "PID " + QString::number(::getpid()));
    // Released with the close, it is free under either name.
    first.close();
    EXPECT_TRUE(second.open(link)) << second.errorString().toStdString();
    EXPECT_FALSE(first.open(emulator->devicePath));
    second.close();
    EXPECT_TRUE(first.open(emulator->devicePath));
}
