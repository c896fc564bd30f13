#include "PtyPort.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError(const char* what) { return QString::fromLatin1(what) + ": " + QString::fromLocal8Bit(std::strerror(errno)); }

}  // namespace

PtyPort::PtyPort(QObject* parent) : QObject(parent) {}

PtyPort::~PtyPort() { close(); }

void PtyPort::close()
{
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
    slave_ = master_ = -1;
    pending_.clear();
}

QString PtyPort::open()
{
    close();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0)
        return systemError("posix_openpt");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0)
        return systemError("grantpt/unlockpt");
    const char* name = ptsname(master_);
    if (!name)
        return systemError("ptsname");
    devicePath_ = QString::fromLocal8Bit(name);
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0)
        return systemError("open the slave side");
    // Raw from the start: no echo and no line editing before the program sets the line up.
    termios tio{};
    if (tcgetattr(slave_, &tio) != 0)
        return systemError("tcgetattr");
    cfmakeraw(&tio);
    if (tcsetattr(slave_, TCSANOW, &tio) != 0)
        return systemError("tcsetattr");

    readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PtyPort::readAvailable);
    writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &PtyPort::writePending);
    return {};
}

void PtyPort::readAvailable()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            emit received(QByteArray(buffer, n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            // The line is gone (cannot happen while the slave side is held open); stop
            // listening rather than spin.
            qWarning("%s", qPrintable(systemError("reading the pseudo-terminal")));
            readNotifier_->setEnabled(false);
        }
        return;
    }
}

void PtyPort::write(const QByteArray& bytes)
{
    if (master_ < 0)
        return;
    pending_ += bytes;
    if (pending_.size() > kMaxPending)
        pending_.remove(0, pending_.size() - kMaxPending);
    writePending();
}

void PtyPort::writePending()
{
    while (!pending_.isEmpty()) {
        const ssize_t n = ::write(master_, pending_.constData(), size_t(pending_.size()));
        if (n > 0) {
            pending_.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            qWarning("%s", qPrintable(systemError("writing the pseudo-terminal")));
            pending_.clear();
        }
        break;  // the line is full: wait until it takes more
    }
    if (writeNotifier_)
        writeNotifier_->setEnabled(!pending_.isEmpty());
}
