#include "DeviceLock.h"

#include "Numbers.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

constexpr int kAttempts = 5;

QByteArray readSmall(int fd)
{
    char buffer[128];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
}

}  // namespace

DeviceLock::DeviceLock(QString folder) : folder_(std::move(folder)) {}

DeviceLock::~DeviceLock() { release(); }

QString DeviceLock::defaultFolder()
{
    const char* run = "/run/lock";
    return ::access(run, W_OK | X_OK) == 0 ? QString::fromLatin1(run) : QDir::tempPath();
}

QString DeviceLock::fileFor(dev_t device) const
{
    return folder_ + "/fornaxel-" + QString::number(major(device)) + "-" + QString::number(minor(device)) + ".lock";
}

QString DeviceLock::describeProcess(qint64 pid)
{
    QFile comm("/proc/" + QString::number(pid) + "/comm");
    QString name;
    if (comm.open(QIODevice::ReadOnly))
        name = QString::fromLocal8Bit(comm.readAll()).trimmed();
    return name.isEmpty() ? "PID " + QString::number(pid) : "PID " + QString::number(pid) + " (" + name + ")";
}

// The lock file, locked by us, and still the one at `path` (a holder removes it on release, and
// one who opened it just before holds a file nobody else sees any more).
int DeviceLock::openLockedFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0 && errno == EACCES)
            fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);  // another user's file
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const QByteArray text = readSmall(fd);
            ::close(fd);
            int pid = 0;
            const QString first = QString::fromLatin1(text).section('\n', 0, 0).trimmed();
            holder_ = Numbers::parseWhole(first, pid) && pid > 0 ? describeProcess(pid) : QString();
            errno = EBUSY;
            return -1;
        }
        struct stat opened {}, named {};
        if (::fstat(fd, &opened) == 0 && ::stat(name.constData(), &named) == 0 && opened.st_ino == named.st_ino &&
            opened.st_dev == named.st_dev)
            return fd;
        ::close(fd);
    }
    errno = EBUSY;
    return -1;
}

bool DeviceLock::acquire(dev_t device)
{
    release();
    holder_.clear();
    const QString path = fileFor(device);
    const int fd = openLockedFile(path);
    if (fd < 0) {
        // A folder we cannot use is no reason to refuse the port; a holder is.
        return errno != EBUSY;
    }
    const QByteArray who = QByteArray::number(qint64(::getpid())) + "\nfornaxel\n";
    if (::ftruncate(fd, 0) == 0)
        [[maybe_unused]] const ssize_t n = ::pwrite(fd, who.constData(), size_t(who.size()), 0);
    fd_ = fd;
    path_ = path;
    return true;
}

void DeviceLock::release()
{
    if (fd_ < 0)
        return;
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
    fd_ = -1;
    path_.clear();
}
