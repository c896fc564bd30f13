// The emulator as a controller that speaks only when asked, hangs, or loses its device: the
// faults the program's silence handling is judged against must be what they claim.
#include "EmulatorProcess.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

QStringList arguments(const QTemporaryDir& dir, const QStringList& more = {})
{
    return QStringList{"--no-pacing", "--quiet", "--no-ticks", "--state", dir.filePath("nv.txt")} + more;
}

QString powerLine(EmulatorProcess& emulator)
{
    for (const QString& l : emulator.command("state"))
        if (l.startsWith("power "))
            return l;
    return {};
}

bool isTick(const QByteArray& r) { return r.size() >= 2 && r[1] == 10; }

// The console and the line are read in either order: ask until the power is in.
bool holds(EmulatorProcess& emulator, const QString& power)
{
    for (int i = 0; i < 40; ++i) {
        if (powerLine(emulator).startsWith(power))
            return true;
        QThread::msleep(50);
    }
    return false;
}

}  // namespace

TEST(QuietEmulator, WithoutTicksItSpeaksOnlyWhenAsked)
{
    QTemporaryDir dir;
    EmulatorProcess emulator(arguments(dir));
    ASSERT_TRUE(emulator.ready());
    EXPECT_TRUE(emulator.await([](const QByteArray& r) { return r == hex("000b"); })) << "power-up notice";
    EXPECT_FALSE(emulator.await(isTick, 2500)) << "a tick came unasked";
    EXPECT_TRUE(emulator.readRegister(0xE0));
    EXPECT_TRUE(emulator.command("state").filter("(ticks off)").size() == 1);
}

TEST(QuietEmulator, HungItLosesWhatItIsSentAndAnswersAgainAfterwards)
{
    QTemporaryDir dir;
    EmulatorProcess emulator(arguments(dir));
    ASSERT_TRUE(emulator.ready());
    emulator.send(hex("00022028"));  // power 40
    ASSERT_TRUE(emulator.readRegister(0xE0));

    struct Case {
        const char* command;
        const char* expected;  // the power after a write of 0 during the fault
    };
    for (const Case& c : {Case{"silent 1.5", "power 0 %"}, Case{"deaf 1.5", "power 40 %"}}) {
        SCOPED_TRACE(c.command);
        emulator.send(hex("00022028"));
        ASSERT_TRUE(emulator.readRegister(0xE0));
        ASSERT_EQ(emulator.command(c.command).last(), "ok");
        emulator.send(hex("00022000"));
        EXPECT_FALSE(emulator.readRegister(0xE0, {}, 500)) << "answered during the fault";
        EXPECT_TRUE(holds(emulator, c.expected)) << powerLine(emulator).toStdString();
        QThread::msleep(1200);
        EXPECT_TRUE(emulator.readRegister(0xE0, {}, 2000)) << "answering again when asked";
        EXPECT_FALSE(emulator.await(isTick, 1200)) << "a tick came unasked after the fault";
    }
}

TEST(QuietEmulator, AVanishedDeviceComesBackBehindItsLinkWithTheControllersState)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("port");
    EmulatorProcess emulator(arguments(dir, {"--link", link}), false);
    ASSERT_TRUE(emulator.started());
    const int fd = ::open(link.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const QByteArray write40 = BuildFrame(hex("00022028"), 7);
    ASSERT_EQ(::write(fd, write40.constData(), size_t(write40.size())), write40.size());
    ASSERT_TRUE(holds(emulator, "power 40 %"));

    ASSERT_EQ(emulator.command("vanish 1").last(), "ok");
    EXPECT_FALSE(QFileInfo::exists(link)) << "the link stays while the device is gone";
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 1000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR)) << "the old device still looks alive";
    ::close(fd);

    const std::optional<QString> port = emulator.nextLine(5000);
    ASSERT_TRUE(port && port->startsWith("PORT ")) << port.value_or("(nothing)").toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), port->mid(5));
    EXPECT_TRUE(powerLine(emulator).startsWith("power 40 %")) << "the controller forgot its power";
}
