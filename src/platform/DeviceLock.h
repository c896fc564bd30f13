#pragma once
#include <QString>
#include <sys/types.h>

// Claims a character device for this program, whatever name it is reached by: the lock file is
// named after the device number, so "/dev/serial/by-id/…" and "/dev/ttyUSB0" (or two names of one
// pseudo-terminal) meet at the same lock. The lock is an flock on that file, which the system
// drops when the holder dies, however it dies; the file says who the holder is.
class DeviceLock {
public:
    explicit DeviceLock(QString folder = defaultFolder());
    ~DeviceLock();
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    // False when another holder has the device; holder() then names it.
    bool acquire(dev_t device);
    void release();
    bool held() const { return fd_ >= 0; }
    // "PID 1234 (fornaxel)", or empty when nobody could be named.
    QString holder() const { return holder_; }

    QString fileFor(dev_t device) const;
    // /run/lock where it can be written, the temporary folder otherwise.
    static QString defaultFolder();
    // Who process `pid` is, in words: "PID 1234 (its name)".
    static QString describeProcess(qint64 pid);

private:
    int openLockedFile(const QString& path);

    QString folder_;
    QString path_;
    QString holder_;
    int fd_ = -1;
};
