// A logout, a system shutdown or a closed terminal in the middle of a firing: the program, sent
// SIGTERM, SIGINT or SIGHUP, closes in order without asking: the controller holds heater power 0
// and both outputs off as it exits, the guardian is let go, and the firing's files, lastlog.txt
// and term.ini are on disk.
#include "EmulatorProcess.h"
#include "TestFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct SignalledFiring : ::testing::Test {
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<QProcess> program;
    QByteArray printed;

    void TearDown() override
    {
        if (program && program->state() != QProcess::NotRunning) {
            ::kill(pid_t(program->processId()), SIGKILL);
            program->waitForFinished(5000);
        }
    }

    void launch()
    {
        TearDown();
        dir = std::make_unique<QTemporaryDir>();
        emulator = std::make_unique<EmulatorProcess>(
            QStringList{"--no-pacing", "--quiet", "--state", dir->path() + "/nv.txt"}, false);
        ASSERT_TRUE(emulator->started());
        writeControllerSettings(dir->path(), emulator->devicePath);
        program = std::make_unique<QProcess>();
        program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        printed.clear();
        program->start(FORNAXEL_GUARDED_FIRING, {dir->path(), FORNAXEL_GUARDIAN});
        ASSERT_TRUE(program->waitForStarted(5000));
        ASSERT_TRUE(awaitLine("FIRING", 15000));
        QDeadlineTimer deadline(5000);
        while (!heating() && !deadline.hasExpired())
            QThread::msleep(50);
        ASSERT_TRUE(heating());
    }

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
    bool heating() { return state().filter("output A 100  output B 100").size() == 1; }
    bool off() { return state().filter("power 0 %  output A 0  output B 0").size() == 1; }
};

}  // namespace

TEST_F(SignalledFiring, ClosesInOrderWithoutAsking)
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(sig));
        launch();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(::kill(pid_t(program->processId()), sig), 0);
        // The guardian is let go, not left to act: what the emulator holds is the program's doing.
        EXPECT_TRUE(awaitLine("CLOSED released", 20000));
        ASSERT_TRUE(program->waitForFinished(10000));
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->exitCode(), 0);
        QDeadlineTimer deadline(3000);  // the emulator takes in what is already on its line
        while (!off() && !deadline.hasExpired())
            QThread::msleep(50);
        EXPECT_TRUE(off());
        const QDir data(dir->path() + "/Data");
        EXPECT_EQ(data.entryList({"*.dat"}).size(), 1);
        EXPECT_EQ(data.entryList({"*.gif"}).size(), 1);
        EXPECT_TRUE(data.exists("lastlog.txt"));
        EXPECT_FALSE(data.exists("firing.state"));
        EXPECT_TRUE(readBytes(data.filePath("lastlog.txt")).contains("LogCloseProgram"));
        EXPECT_TRUE(readBytes(dir->path() + "/term.ini").contains("FormVersion=0"));
    }
}
