#pragma once
#include <sys/types.h>

// Why the guardian stopped waiting.
enum class WatchEnd {
    Released,     // "bye": the program closed in order, after its own safe state
    ParentEnded,  // the program is gone: its end of the heartbeat line closed, or it died
    Silent,       // no heartbeat within the time allowed: the program hangs
    PortLost,     // the port itself is gone: there is nothing left to switch off
};

struct WatchOptions {
    pid_t parent = 0;
    int heartbeatFd = 0;  // one line per control cycle: "beat", or "bye" at an orderly close
    int portFd = -1;      // watched for a hang-up only; -1: none shared
    int silenceMs = 10000;
};

// Waits on the program: its heartbeat lines, its death (the parent-death signal, a changed
// parent, the end of the heartbeat line) and the port's hang-up. Returns at the first of them.
WatchEnd WatchParent(const WatchOptions& options);
