#include "EmulatorProcess.h"
#include "ReplyFields.h"
#include "TestFiles.h"
#include "Thermocouple.h"

#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

// A tests' emulator: fast replies, no status lines, its own NV state file.
QStringList arguments(const QTemporaryDir& dir, const QStringList& more = {})
{
    return QStringList{"--no-pacing", "--quiet", "--state", dir.filePath("nv.txt")} + more;
}

std::optional<int> nvRegister(EmulatorProcess& emulator, int n)
{
    const std::optional<QByteArray> r = emulator.readRegister(0xD0, QByteArray(1, char(n)));
    if (!r || r->size() != 6 || (*r)[3] != char(n))
        return std::nullopt;
    return std::uint8_t((*r)[4]) + 256 * std::uint8_t((*r)[5]);
}

// Inverts the type K voltage polynomial by bisection; it rises over the whole range.
double temperatureOfEmf(double emf)
{
    double low = -100, high = 1400;
    for (int i = 0; i < 60; ++i) {
        const double mid = (low + high) / 2;
        (TempToEmf(TypeK, mid) < emf ? low : high) = mid;
    }
    return (low + high) / 2;
}

// The program's two-point type K conversion with the controller's own calibration.
struct Calibration {
    double z, k, zt, kt;
    double temperature(double raw, double cj) const
    {
        const double e0 = TempToEmf(TypeK, zt - cj);
        const double e1 = TempToEmf(TypeK, kt - cj);
        return cj + temperatureOfEmf(e0 + (e1 - e0) / (k - z) * (raw - z));
    }
};

std::optional<Calibration> readCalibration(EmulatorProcess& emulator)
{
    std::optional<int> v[4];
    for (int n = 0; n < 4; ++n)
        if (!(v[n] = nvRegister(emulator, n)))
            return std::nullopt;
    return Calibration{*v[0] / 10.0, *v[1] / 10.0, *v[2] / 10.0, *v[3] / 10.0};
}

// The average reading of a channel, or -1 without an answer.
double average(EmulatorProcess& emulator, int channel)
{
    const std::optional<QByteArray> r = emulator.readRegister(0x0F + channel);
    if (!r || (*r)[0] != 0 || ReplyP(*r) == 0)
        return -1;
    return double(ReplyC(*r)) / ReplyP(*r);
}

int registerC(EmulatorProcess& emulator, int reg)
{
    const std::optional<QByteArray> r = emulator.readRegister(reg);
    return r ? ReplyC(*r) : -1;
}

// The next reply of a kind, empty without one.
QByteArray replyOfKind(EmulatorProcess& emulator, int kind)
{
    return emulator.await([kind](const QByteArray& r) { return r.size() >= 2 && r[1] == char(kind); })
        .value_or(QByteArray());
}

bool has(const QStringList& lines, const QString& part)
{
    return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(part); });
}

}  // namespace

TEST(Emulator, IntroducesItselfAndReadsTheRoomTemperature)
{
    QTemporaryDir dir;
    EmulatorProcess emulator(arguments(dir));
    ASSERT_TRUE(emulator.ready());

    EXPECT_TRUE(emulator.await([](const QByteArray& r) { return r == hex("000b"); })) << "power-up notice";
    const std::optional<QByteArray> name = emulator.readRegister(0xE0);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->mid(3), "Ardentor PC");
    const std::optional<QByteArray> firmware = emulator.readRegister(0xE1);
    ASSERT_TRUE(firmware);
    EXPECT_FALSE(firmware->mid(3).isEmpty());

    const int cj = registerC(emulator, 0x00);
    EXPECT_EQ(CjTemp(cj), 25.0);
    const int mains = registerC(emulator, 0xF0);
    EXPECT_EQ(mains, 10000);
    const int second = registerC(emulator, 0xF1);
    EXPECT_GT(second, 0);
    EXPECT_LE(second, mains);

    const std::optional<Calibration> calibration = readCalibration(emulator);
    ASSERT_TRUE(calibration);
    for (int channel = 1; channel <= 8; ++channel)
        EXPECT_GE(average(emulator, channel), 30) << "channel " << channel;
    EXPECT_NEAR(calibration->temperature(average(emulator, 1), CjTemp(cj)), 25.0, 2.0);

    const std::optional<QByteArray> tick = emulator.await([](const QByteArray& r) { return r.size() == 5 && r[1] == 10; });
    ASSERT_TRUE(tick) << "a tick every second, unasked";
    EXPECT_GT(ReplyC(*tick), 0);
    EXPECT_TRUE(emulator.quit());
}

TEST(Emulator, TakesWritesAndFaultsOnCommand)
{
    QTemporaryDir dir;
    EmulatorProcess emulator(arguments(dir));
    ASSERT_TRUE(emulator.ready());

    // Writes are not answered; a read behind them shows they were taken.
    emulator.send(hex("00022028"));
    emulator.send(hex("00022164"));
    ASSERT_TRUE(emulator.readRegister(0xE0));
    const QStringList state = emulator.command("state");
    EXPECT_TRUE(has(state, "power 40 %  output A 100  output B 0")) << state.join('\n').toStdString();

    EXPECT_EQ(emulator.command("break 1").last(), "ok");
    EXPECT_LT(average(emulator, 1), 30);
    EXPECT_GE(average(emulator, 2), 30);
    emulator.command("repair 1");
    EXPECT_GE(average(emulator, 1), 30);

    emulator.command("cj off");
    EXPECT_EQ(registerC(emulator, 0x00), 0x4000);
    emulator.command("cj on");
    EXPECT_EQ(registerC(emulator, 0x00), 400);

    emulator.command("mains 44");
    EXPECT_EQ(registerC(emulator, 0xF0), 8800);

    emulator.command("status 1");
    EXPECT_NE(emulator.readRegister(0xE0).value_or("??")[0], 0);
    EXPECT_EQ(emulator.readRegister(0xE0).value_or("??")[0], 0);

    // Garbage and a false start on the way in are skipped.
    emulator.sendRaw(hex("0102fe5503"));
    EXPECT_TRUE(emulator.readRegister(0xE0));
    // Garbage on the way out arrives as bytes.
    emulator.command("garbage 40");
    EXPECT_EQ(emulator.readRaw(40).size(), 40);

    emulator.command("silent 1.5");
    EXPECT_FALSE(emulator.readRegister(0xE0, {}, 500)) << "silent";
    QThread::msleep(1000);
    EXPECT_TRUE(emulator.readRegister(0xE0, {}, 2000)) << "answering again";

    EXPECT_EQ(emulator.command("break 9").last(), "error: no channel 9 (channels 1..8)");
    EXPECT_TRUE(emulator.quit());
}

TEST(Emulator, MemoriesAnswerInBlocksAndNvSurvivesARestart)
{
    QTemporaryDir dir;
    const QByteArray ramBlock = hex("00080001") + hex("010203") + QByteArray(13, '\0');
    const QByteArray nvBlock = hex("000d4000") + hex("aabb") + QByteArray(14, char(0xFF));
    std::optional<int> factoryZ;
    {
        EmulatorProcess emulator(arguments(dir));
        ASSERT_TRUE(emulator.ready());
        factoryZ = nvRegister(emulator, 0);
        emulator.send(hex("00090001010203"));
        emulator.send(hex("000e4000aabb"));
        emulator.send(hex("0002d0053412"));
        emulator.send(hex("000700011000"));
        EXPECT_EQ(replyOfKind(emulator, 8), ramBlock);
        emulator.send(hex("000c40001000"));
        EXPECT_EQ(replyOfKind(emulator, 13), nvBlock);
        EXPECT_TRUE(emulator.quit());
    }
    EmulatorProcess emulator(arguments(dir));
    ASSERT_TRUE(emulator.ready());
    EXPECT_EQ(nvRegister(emulator, 5), 0x1234);
    EXPECT_EQ(nvRegister(emulator, 0), factoryZ) << "the calibration is still there";
    emulator.send(hex("000c40001000"));
    EXPECT_EQ(replyOfKind(emulator, 13), nvBlock);
    emulator.send(hex("000700011000"));
    EXPECT_EQ(replyOfKind(emulator, 8), hex("00080001") + QByteArray(16, '\0')) << "RAM starts empty";
    EXPECT_TRUE(emulator.quit());
}

TEST(Emulator, HeatsAKilnFromAnOvenFile)
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("bad.ovn"), "[TForm1]\r\nMODEL_P_Text=fast\r\n");
    EmulatorProcess refused(arguments(dir, {"--oven", dir.filePath("bad.ovn")}));
    EXPECT_FALSE(refused.ready());
    refused.process().waitForFinished(EmulatorProcess::kWaitMs);
    EXPECT_EQ(refused.process().exitCode(), 2);
    EXPECT_TRUE(refused.process().readAllStandardError().contains("MODEL_P_Text"));

    writeBytes(dir.filePath("kiln.ovn"), "[TForm1]\r\nMODEL_P_Text=0,1\r\nMODEL_I_Text=0.004\r\n");
    EmulatorProcess emulator(arguments(dir, {"--oven", dir.filePath("kiln.ovn"), "--speed", "1000"}));
    ASSERT_TRUE(emulator.ready());
    EXPECT_TRUE(has(emulator.command("state"), "model P 0.1  I 0.004  R 0.003  speed 1000"));
    const std::optional<Calibration> calibration = readCalibration(emulator);
    ASSERT_TRUE(calibration);
    emulator.send(hex("00022064"));
    QThread::msleep(500);
    EXPECT_GT(calibration->temperature(average(emulator, 1), 25.0), 100.0);
    EXPECT_TRUE(emulator.quit());
}
