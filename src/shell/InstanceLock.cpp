#include "InstanceLock.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QByteArray readAll(int fd)
{
    QByteArray bytes;
    char buffer[64];
    ::lseek(fd, 0, SEEK_SET);
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || bytes.size() > 1024)
            return bytes;
        bytes.append(buffer, n);
    }
}

}  // namespace

InstanceLock::InstanceLock(QString folder) : folder_(std::move(folder)) {}

InstanceLock::~InstanceLock() { release(); }

QString InstanceLock::path() const { return folder_ + "/" + kFileName; }

InstanceLock::Result InstanceLock::acquire()
{
    release();
    const QByteArray name = QFile::encodeName(path());
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = QString("%1: %2").arg(path(), QString::fromLocal8Bit(std::strerror(errno)));
        return Result::Failed;
    }
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int err = errno;
        if (err == EWOULDBLOCK) {
            holder_ = readAll(fd).trimmed().toLongLong();
            ::close(fd);
            return Result::HeldByAnother;
        }
        ::close(fd);
        error_ = QString("%1: %2").arg(path(), QString::fromLocal8Bit(std::strerror(err)));
        return Result::Failed;
    }
    fd_ = fd;
    const bool stale = !readAll(fd).trimmed().isEmpty();
    const QByteArray me = QByteArray::number(qint64(::getpid())) + "\n";
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, me.constData(), size_t(me.size()), 0) != me.size()) {
        error_ = QString("%1: %2").arg(path(), QString::fromLocal8Bit(std::strerror(errno)));
        release();
        return Result::Failed;
    }
    return stale ? Result::TakenOverStale : Result::Taken;
}

void InstanceLock::release()
{
    if (fd_ < 0)
        return;
    if (::ftruncate(fd_, 0) != 0) {
        // The number stays: the next start takes this run for one that did not end in order,
        // and keeps its log; nothing is lost.
    }
    ::close(fd_);
    fd_ = -1;
}
