#pragma once
#include <QDeadlineTimer>
#include <QThread>
#include <functional>

// Polls `done` every 50 ms until it holds or `ms` have passed, without running the event loop:
// for tests that watch other processes.
inline bool waitFor(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}
