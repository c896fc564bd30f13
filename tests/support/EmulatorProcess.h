#pragma once
#include "FrameCodec.h"
#include "FrameCutter.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

// The emulator as a child process, reached through its pseudo-terminal and its console.
// Every wait is bounded, so a broken emulator fails a test instead of hanging it.
class EmulatorProcess {
public:
    static constexpr int kWaitMs = 2000;

    // With `openPort` false the test only learns the device path, for the program to open.
    explicit EmulatorProcess(const QStringList& arguments, bool openPort = true)
    {
        process_.start(FORNAXEL_EMULATOR, arguments);
        const std::optional<QString> first = readLine(kWaitMs);
        if (first && first->startsWith("PORT "))
            devicePath = first->mid(5);
        if (devicePath.isEmpty() || !openPort)
            return;
        fd_ = ::open(devicePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios tio{};
        if (fd_ >= 0 && tcgetattr(fd_, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd_, TCSANOW, &tio);
        }
    }

    ~EmulatorProcess()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(kWaitMs))
                process_.kill();
            process_.waitForFinished(kWaitMs);
        }
    }

    bool ready() const { return fd_ >= 0; }
    bool started() const { return !devicePath.isEmpty(); }

    void sendRaw(const QByteArray& bytes) { [[maybe_unused]] const ssize_t n = ::write(fd_, bytes.constData(), bytes.size()); }
    void send(const QByteArray& payload) { sendRaw(BuildFrame(payload, start_++ & 0xFF)); }

    // The first reply that `wanted` accepts; the others on the way are dropped.
    std::optional<QByteArray> await(const std::function<bool(const QByteArray&)>& wanted, int ms = kWaitMs)
    {
        QDeadlineTimer deadline(ms);
        for (;;) {
            while (std::optional<QByteArray> reply = takeReply())
                if (wanted(*reply))
                    return reply;
            if (!waitForLine(deadline))
                return std::nullopt;
        }
    }

    // Reads register `reg` (with the NV register number in `extra` for 0xD0).
    std::optional<QByteArray> readRegister(int reg, const QByteArray& extra = {}, int ms = kWaitMs)
    {
        send(QByteArray::fromHex("0003") + char(reg) + extra);
        return await([reg](const QByteArray& r) { return r.size() >= 3 && r[1] == 4 && std::uint8_t(r[2]) == reg; },
                     ms);
    }

    // Whatever bytes arrive within `ms`, up to `count`.
    QByteArray readRaw(int count, int ms = kWaitMs)
    {
        QDeadlineTimer deadline(ms);
        while (rx_.size() < count && waitForLine(deadline)) {
        }
        const QByteArray bytes = rx_.left(count);
        rx_.remove(0, bytes.size());
        return bytes;
    }

    // The lines a console command prints, up to and including its "ok" or "error: ...".
    QStringList command(const QString& line)
    {
        process_.write((line + '\n').toUtf8());
        QStringList lines;
        while (std::optional<QString> l = readLine(kWaitMs)) {
            lines << *l;
            if (*l == "ok" || l->startsWith("error: "))
                break;
        }
        return lines;
    }

    // Quits through the console; false when the emulator does not end in time.
    bool quit()
    {
        command("quit");
        return process_.waitForFinished(kWaitMs) && process_.exitCode() == 0;
    }

    // The next line the emulator prints, within `ms`.
    std::optional<QString> nextLine(int ms = kWaitMs) { return readLine(ms); }

    QProcess& process() { return process_; }
    QString devicePath;

private:
    std::optional<QByteArray> takeReply()
    {
        for (;;) {
            const qsizetype before = rx_.size();
            if (std::optional<QByteArray> reply = TakeFrame(rx_))
                return reply;
            if (rx_.size() == before)
                return std::nullopt;
        }
    }

    bool waitForLine(const QDeadlineTimer& deadline)
    {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0)
            rx_.append(buffer, n);
        return n > 0 || (n < 0 && errno == EAGAIN);
    }

    std::optional<QString> readLine(int ms)
    {
        QDeadlineTimer deadline(ms);
        // An event loop run by the test may already have taken the output in.
        stdout_ += process_.readAllStandardOutput();
        while (!stdout_.contains('\n')) {
            if (!process_.waitForReadyRead(int(deadline.remainingTime())))
                return std::nullopt;
            stdout_ += process_.readAllStandardOutput();
        }
        const qsizetype end = stdout_.indexOf('\n');
        const QString line = QString::fromUtf8(stdout_.left(end));
        stdout_.remove(0, end + 1);
        return line;
    }

    QProcess process_;
    int fd_ = -1;
    int start_ = 0;
    QByteArray rx_;
    QByteArray stdout_;
};
