// The program crashed, killed or stopped in the middle of a firing over the emulator's line: the
// guardian process leaves the controller holding heater power 0 and both outputs off, and an
// orderly close or a firing that goes on is left alone.
#include "EmulatorProcess.h"
#include "TestFiles.h"
#include "WaitFor.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>

namespace {

struct GuardedFiring : ::testing::Test {
    static constexpr int kSafeWithinMs = 12000;
    QTemporaryDir dir;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<QProcess> program;
    QByteArray printed;

    void TearDown() override { endProgram(); }

    void endProgram()
    {
        if (program && program->state() != QProcess::NotRunning) {
            ::kill(pid_t(program->processId()), SIGKILL);
            program->waitForFinished(5000);
        }
    }

    // A fresh emulator, and the program firing on it with both outputs on.
    void launch()
    {
        endProgram();
        emulator = std::make_unique<EmulatorProcess>(
            QStringList{"--no-pacing", "--quiet", "--state", dir.path() + "/nv.txt"}, false);
        ASSERT_TRUE(emulator->started());
        writeControllerSettings(dir.path(), emulator->devicePath);
        program = std::make_unique<QProcess>();
        program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        printed.clear();
        program->start(FORNAXEL_GUARDED_FIRING, {dir.path(), FORNAXEL_GUARDIAN});
        ASSERT_TRUE(program->waitForStarted(5000));
        ASSERT_TRUE(awaitLine("FIRING", 15000));
        ASSERT_TRUE(waitFor([this] { return heatingWithBothOutputs(); }, 3000)) << state().join('\n').toStdString();
    }

    // The next line the program prints that contains `text`, within `ms`.
    bool awaitLine(const QString& text, int ms)
    {
        QDeadlineTimer deadline(ms);
        for (;;) {
            while (printed.contains('\n')) {
                const qsizetype end = printed.indexOf('\n');
                const QString line = QString::fromUtf8(printed.left(end));
                printed.remove(0, end + 1);
                if (line.contains(text))
                    return true;
            }
            if (deadline.hasExpired() || !program->waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1))))
                return false;
            printed += program->readAllStandardOutput();
        }
    }

    QStringList state() { return emulator->command("state"); }

    int power()
    {
        for (const QString& l : state())
            if (l.startsWith("power "))
                return l.section(' ', 1, 1).toInt();
        return -1;
    }

    bool heatingWithBothOutputs()
    {
        const QStringList s = state();
        return s.filter("output A 100  output B 100").size() == 1 && s.filter("power 0 %").isEmpty();
    }

    bool safe() { return state().filter("power 0 %  output A 0  output B 0").size() == 1; }

    // Milliseconds from now until the emulator holds the safe state; -1 when it does not in time.
    qint64 msUntilSafe()
    {
        QElapsedTimer t;
        t.start();
        return waitFor([this] { return safe(); }, kSafeWithinMs) ? t.elapsed() : -1;
    }

    QStringList guardianLog() const
    {
        return QString::fromUtf8(readBytes(dir.path() + "/Data/guardian.log")).split("\r\n", Qt::SkipEmptyParts);
    }

    // The guardian logs once it has repeated the frames for a second.
    QStringList guardianLogOf(int lines)
    {
        waitFor([&] { return guardianLog().size() >= lines; }, 3000);
        return guardianLog();
    }
};

}  // namespace

TEST_F(GuardedFiring, ACrashOrAKillLeavesTheHeaterAndTheOutputsOff)
{
    for (int signal : {SIGSEGV, SIGKILL}) {
        launch();
        ::kill(pid_t(program->processId()), signal);
        const qint64 ms = msUntilSafe();
        std::cout << "signal " << signal << ": safe after " << ms << " ms\n";
        EXPECT_GE(ms, 0) << "signal " << signal << "\n" << state().join('\n').toStdString();
        ASSERT_TRUE(program->waitForFinished(5000));
        EXPECT_EQ(program->exitStatus(), QProcess::CrashExit);
    }
    const QStringList log = guardianLogOf(2);
    ASSERT_EQ(log.size(), 2) << log.join('\n').toStdString();
    for (const QString& line : log) {
        EXPECT_TRUE(line.contains("GuardianProgramEnded")) << line.toStdString();
        EXPECT_TRUE(line.contains("GuardianSafeStateSent")) << line.toStdString();
    }
    EXPECT_TRUE(log[1].endsWith(emulator->devicePath));
}

TEST_F(GuardedFiring, AStoppedProgramLosesTheHeaterAndOnContinuingGetsANewGuardian)
{
    launch();
    // The heartbeat keeps the guardian quiet beyond the time it waits for one.
    QThread::msleep(11000);
    EXPECT_GT(power(), 0);
    EXPECT_TRUE(guardianLog().isEmpty());

    ::kill(pid_t(program->processId()), SIGSTOP);
    const qint64 ms = msUntilSafe();
    std::cout << "SIGSTOP: safe after " << ms << " ms\n";
    EXPECT_GE(ms, 0) << state().join('\n').toStdString();
    const QStringList log = guardianLogOf(1);
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains("GuardianNoHeartbeat")) << log[0].toStdString();

    // Going on, the program finds its guardian gone, says so once and starts another one.
    ::kill(pid_t(program->processId()), SIGCONT);
    EXPECT_TRUE(awaitLine("LogGuardianActed", 5000));
    EXPECT_TRUE(waitFor([this] { return power() > 0; }, 5000));
    EXPECT_FALSE(awaitLine("Guardian", 1500));
    ::kill(pid_t(program->processId()), SIGKILL);
    EXPECT_GE(msUntilSafe(), 0) << state().join('\n').toStdString();
    EXPECT_EQ(guardianLogOf(2).size(), 2);
}

TEST_F(GuardedFiring, AnOrderlyCloseLetsTheGuardianGoWithoutAWord)
{
    launch();
    program->write("close\n");
    EXPECT_TRUE(awaitLine("CLOSED released", 5000));
    ASSERT_TRUE(program->waitForFinished(5000));
    EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(waitFor([this] { return safe(); }, 2000));  // the program's own safe state
    EXPECT_TRUE(guardianLog().isEmpty());
}
