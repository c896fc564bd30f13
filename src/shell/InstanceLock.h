#pragma once
#include <QString>

// One program per program folder: an exclusive lock on the file fornaxel.lock in the folder,
// which holds the process number of its holder while it runs. The system lets the lock go
// with the process, so a lock left by a crash is taken over; the number still in the file
// then tells that the last run did not end in order. The file is emptied, never removed, at
// the orderly end: removing it would let two programs lock two different files.
class InstanceLock {
public:
    static inline const QString kFileName = "fornaxel.lock";

    enum class Result {
        Taken,            // the last run ended in order (or there was none)
        TakenOverStale,   // a run that did not end in order left its number
        HeldByAnother,    // another program holds the folder: see holder()
        Failed,           // the lock file cannot be opened or locked: see errorString()
    };

    explicit InstanceLock(QString folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Never writes the file unless the lock is taken.
    Result acquire();
    // The process number of the holder after HeldByAnother (0 if it wrote none yet).
    qint64 holder() const { return holder_; }
    QString errorString() const { return error_; }
    QString path() const;
    // Empties the file and lets the lock go (done by the destructor too).
    void release();

private:
    QString folder_;
    int fd_ = -1;
    qint64 holder_ = 0;
    QString error_;
};
