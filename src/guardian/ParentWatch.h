#pragma once
#include <sys/types.h>

// The monotonic clock in milliseconds, for the guardian's waits.
long long MonotonicMs();

// Why the guardian stopped waiting.
enum class WatchEnd {
    Released,     // "bye": the program closed in order, or has its port back and lets it go
    ParentEnded,  // the program is gone: its end of the heartbeat line closed, or it died
    Silent,       // no heartbeat within the time allowed: the program hangs
    Terminated,   // the guardian itself was sent SIGTERM, SIGINT or SIGHUP
    PortLost,     // the port hung up under it (an adapter pulled out, say)
    Tick,         // the time asked for passed with nothing else
};

struct WatchOptions {
    pid_t parent = 0;
    int heartbeatFd = 0;  // one line per control cycle: "beat", or "bye" at an orderly close
    int portFd = -1;      // watched for a hang-up only; -1: none
    int silenceMs = 10000;
};

// Watches the program: its heartbeat lines, its death (the parent-death signal, a changed
// parent, the end of the heartbeat line), signals to the guardian itself and the port's hang-up.
// The heartbeat's clock runs across calls.
class ParentWatch {
public:
    explicit ParentWatch(const WatchOptions& options);
    // Returns at the first of them; with `tickMs` > 0, also once that long has passed.
    WatchEnd next(int portFd, int tickMs);
    // The signal behind WatchEnd::Terminated, by name ("SIGTERM").
    static const char* terminatingSignal();

private:
    WatchOptions options_;
    char buffer_[128];
    size_t used_ = 0;
    long long lastBeat_;
};
