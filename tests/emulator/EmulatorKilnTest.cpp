// The emulator process with its kilns: which kiln the command line chooses, and the kiln faults
// the console sets, judged by what the controller then reports on the line.
#include "EmulatorProcess.h"
#include "ReplyFields.h"
#include "TestFiles.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QString kiln(const char* name) { return QString(FORNAXEL_KILNS_DIR) + "/" + name; }

QStringList arguments(const QTemporaryDir& dir, const QStringList& more = {})
{
    return QStringList{"--no-pacing", "--quiet", "--no-ticks", "--state", dir.filePath("nv.txt")} + more;
}

bool has(const QStringList& lines, const QString& part)
{
    return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(part); });
}

// The average counts of channel 1, or -1 without an answer: about 85 at 25 °C, 500 at 900 °C.
double counts(EmulatorProcess& emulator)
{
    const std::optional<QByteArray> r = emulator.readRegister(0x10);
    if (!r || (*r)[0] != 0 || ReplyP(*r) == 0)
        return -1;
    return double(ReplyC(*r)) / ReplyP(*r);
}

}  // namespace

TEST(EmulatorKiln, TheCommandLineChoosesTheKiln)
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("bad.kiln"), "[Kiln]\nwallLoss = thick\n");
    writeBytes(dir.filePath("kiln.ovn"), "[TForm1]\r\nMODEL_P_Text=0,002\r\n");
    const struct {
        QStringList more;
        const char* says;  // in `state` when it starts, else on standard error
        int exitCode;      // -1: runs
    } rows[] = {
        {{}, "kiln rich  ware 25.0 °C  elements give 9.10 kW", -1},
        {{"--kiln", kiln("studio.kiln")}, "kiln rich", -1},
        {{"--kiln", kiln("two-node.kiln"), "--speed", "60"}, "model P 0.0017  I 8e-05  R 0.003  speed 60", -1},
        {{"--oven", dir.filePath("kiln.ovn")}, "model P 0.002  I 8e-05  R 0.003", -1},
        {{"--kiln", dir.filePath("bad.kiln")}, "'thick' is no number (key wallLoss", 2},
        {{"--kiln", dir.filePath("none.kiln")}, "none.kiln: there is no such file", 2},
        {{"--kiln", kiln("studio.kiln"), "--oven", dir.filePath("kiln.ovn")}, "give one of them", 2},
    };
    for (const auto& r : rows) {
        EmulatorProcess emulator(arguments(dir, r.more));
        const std::string label = r.more.join(' ').toStdString();
        if (r.exitCode < 0) {
            ASSERT_TRUE(emulator.ready()) << label;
            const QStringList state = emulator.command("state");
            EXPECT_TRUE(has(state, r.says)) << label << "\n" << state.join('\n').toStdString();
            EXPECT_TRUE(emulator.quit()) << label;
        } else {
            EXPECT_FALSE(emulator.started()) << label;
            emulator.process().waitForFinished(EmulatorProcess::kWaitMs);
            EXPECT_EQ(emulator.process().exitCode(), r.exitCode) << label;
            const QString error = QString::fromUtf8(emulator.process().readAllStandardError());
            EXPECT_TRUE(error.contains(r.says)) << label << ": " << error.toStdString();
        }
    }
}

TEST(EmulatorKiln, TheConsoleSetsAndShowsTheKilnFaults)
{
    QTemporaryDir dir;
    EmulatorProcess emulator(arguments(dir));
    ASSERT_TRUE(emulator.ready());
    const struct {
        const char* command;
        const char* answer;
        const char* state;  // the kiln's fault line after it
    } rows[] = {
        {"element 33", "ok", "elements give 67 % of their power  lid closed"},
        {"lid", "ok", "elements give 67 % of their power  lid open"},
        {"element 12.5", "ok", "elements give 87.5 % of their power  lid open"},
        {"lid closed", "ok", "elements give 87.5 % of their power  lid closed"},
        {"lid open", "ok", "lid open"},
        {"element 101", "error: '101' is no share of the power lost (0..100 %)", "87.5 %"},
        {"element -1", "error: '-1' is no share of the power lost (0..100 %)", "87.5 %"},
        {"element many", "error: 'many' is no share of the power lost (0..100 %)", "87.5 %"},
        {"element", "error: usage: element N", "87.5 %"},
        {"lid ajar", "error: usage: lid", "lid open"},
        {"element 0", "ok", "elements give 100 % of their power  lid open"},
        {"lid closed", "ok", "elements give 100 % of their power  lid closed"},
    };
    for (const auto& r : rows) {
        const QStringList answer = emulator.command(r.command);
        ASSERT_FALSE(answer.isEmpty()) << r.command;
        EXPECT_EQ(answer.last(), r.answer) << r.command;
        const QStringList state = emulator.command("state");
        EXPECT_TRUE(has(state, r.state)) << r.command << "\n" << state.join('\n').toStdString();
    }
    const QStringList help = emulator.command("help");
    for (const char* command : {"element N", "lid ", "lid open", "lid closed"})
        EXPECT_TRUE(has(help, command)) << command;
    EXPECT_TRUE(emulator.quit());
}

// A kiln whose elements have all failed reports no rise at full power; repaired, it heats.
TEST(EmulatorKiln, FailedElementsLeaveTheKilnColdOnTheLine)
{
    QTemporaryDir dir;
    EmulatorProcess emulator(arguments(dir, {"--speed", "1000"}));
    ASSERT_TRUE(emulator.ready());
    const double cold = counts(emulator);
    ASSERT_GT(cold, 70);
    emulator.command("element 100");
    emulator.send(QByteArray::fromHex("00022064"));  // full power
    QThread::msleep(3000);                            // nearly an hour of kiln time
    EXPECT_LT(counts(emulator), cold + 3) << "no heat from failed elements";

    emulator.command("element 0");
    QDeadlineTimer deadline(30000);
    double now = counts(emulator);
    while (now < cold + 40 && !deadline.hasExpired()) {
        QThread::msleep(200);
        now = counts(emulator);
    }
    EXPECT_GE(now, cold + 40) << "heating again once repaired";
    EXPECT_TRUE(emulator.quit());
}
