#include "SafeState.h"

#include "DateTime.h"
#include "FrameCodec.h"
#include "Wire.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kRounds = 4;
constexpr int kRoundGapMs = 300;
constexpr int kWriteWaitMs = 200;

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

// The whole of `bytes`, waiting a little where the port's buffer is full.
bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, kWriteWaitMs) <= 0)
                return false;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

// The controller's line: raw, 9600 baud, 8 data bits, no parity, one stop bit, no flow control.
int OpenDevice(const QString& device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS | CSIZE);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

namespace {

QByteArray request(int reg)
{
    const char bytes[] = {char(Wire::kAddress), char(Wire::WriteRegister), char(reg), 0};
    return QByteArray(bytes, sizeof bytes);
}

}  // namespace

QByteArray SafeStateFrames(int start)
{
    QByteArray frames;
    for (int reg : {Wire::HeaterPower, Wire::OutputA, Wire::OutputB})
        frames += BuildFrame(request(reg), start++);
    return frames;
}

QString SendSafeState(int sharedFd, const QString& device)
{
    int fd = sharedFd;
    int ownFd = -1;
    QString error;
    bool sent = false;
    const int start = int(QDateTime::currentMSecsSinceEpoch() & 0xFF);
    for (int round = 0; round < kRounds; ++round) {
        if (round > 0)
            ::usleep(kRoundGapMs * 1000);
        const QByteArray frames = SafeStateFrames(start + 3 * round);
        if (fd >= 0 && writeAll(fd, frames)) {
            sent = true;
            continue;
        }
        error = systemError();
        // The shared descriptor is dead (the device went and came back, say): a fresh open
        // works now that the program no longer holds the port.
        if (ownFd < 0 && !device.isEmpty()) {
            ownFd = OpenDevice(device);
            if (ownFd < 0) {
                error = systemError();
                continue;
            }
            fd = ownFd;
            if (writeAll(fd, frames))
                sent = true;
            else
                error = systemError();
        }
    }
    if (ownFd >= 0) {
        tcdrain(ownFd);
        ::close(ownFd);
    }
    return sent ? QString() : (error.isEmpty() ? QStringLiteral("no port") : error);
}

void AppendLogLine(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QByteArray line =
        (DateTime::stamp(DateTime::fromQDateTime(QDateTime::currentDateTime())) + " " + text + "\r\n").toUtf8();
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    writeAll(fd, line);
    ::close(fd);
}
