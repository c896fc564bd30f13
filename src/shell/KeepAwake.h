#pragma once
#include "Texts.h"

#include <QString>

class SleepInhibitor;

// Keeps the computer awake during a firing: the controller holds the last power it was sent,
// so a computer that suspends would leave the kiln heating unsupervised. The lock is held while
// a program runs, waits for its temperature or is paused, and while a delayed start counts down
// (a computer asleep at the hour would start nothing and supervise nothing); it is given back
// in every other state.
class KeepAwake {
public:
    KeepAwake(SleepInhibitor& inhibitor, EventLogWriter& log, const MessageSource& texts);

    // Once per control cycle, and when the operator starts, schedules or stops a firing.
    void Follow(int progState, bool startPending = false);
    // At close.
    void Release();
    // While the lock is wanted and none could be had: the warning the program panel shows
    // beside the firing's state; empty otherwise.
    QString Warning() const;

private:
    SleepInhibitor& inhibitor_;
    EventLogWriter& log_;
    const MessageSource& texts_;
    bool asked_ = false;
    bool refused_ = false;        // for the firing under way
    bool refusalLogged_ = false;  // one entry for the program's run: the firing goes on without
};
