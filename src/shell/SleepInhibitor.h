#pragma once
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <functional>

// A lock that keeps the computer from suspending while it is held. Tests replace it.
class SleepInhibitor {
public:
    virtual ~SleepInhibitor() = default;
    // Asks for the lock unless it is held or asked for. When there is none to be had,
    // `refused` is called, at once or later, with the reason.
    virtual void acquire(std::function<void(const QString& reason)> refused) = 0;
    // Gives the lock back (or drops it when it arrives after all).
    virtual void release() = 0;
};

// The login manager's lock: logind's Inhibit("sleep", …, "block") over the system bus, held as
// long as the file descriptor it answers with is open. The call does not wait on the bus.
class LogindSleepInhibitor : public SleepInhibitor {
public:
    void acquire(std::function<void(const QString& reason)> refused) override;
    void release() override;
    bool held() const { return lock_.isValid(); }

private:
    QObject context_;  // owns the pending call's watcher; answers die with it
    QDBusUnixFileDescriptor lock_;
    bool wanted_ = false;
    bool pending_ = false;
};
