#pragma once
#include "Texts.h"

class SleepInhibitor;

// Keeps the computer awake during a firing: the controller holds the last power it was sent,
// so a computer that suspends would leave the kiln heating unsupervised. The lock is held while
// a program runs, waits for its temperature or is paused, and given back in every other state.
class KeepAwake {
public:
    KeepAwake(SleepInhibitor& inhibitor, EventLogWriter& log);

    // Once per control cycle.
    void Follow(int progState);
    // At close.
    void Release();

private:
    SleepInhibitor& inhibitor_;
    EventLogWriter& log_;
    bool asked_ = false;
    bool refusalLogged_ = false;  // one entry for the program's run: the firing goes on without
};
