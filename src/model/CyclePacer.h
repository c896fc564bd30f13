#pragma once

// Keeps the simulated kiln at its speed-up. At a high speed the cycle timer's interval is a
// couple of milliseconds, and every tick that comes late (a chart redraw, a busy machine)
// would otherwise be a cycle lost for good: twelve hours at speed 1000 took a third longer
// than the 43 s they should. The pacer counts the cycles due on the monotonic clock since
// the first tick, and a late tick runs the ones missed, a few at a time. A long stall (a suspended machine, a debugger,
// timers stopped for a while) is forgiven rather than raced through.
class CyclePacer {
public:
    static constexpr int kMostPerTick = 8;
    static constexpr double kForgivenSeconds = 1.0;

    // The time one cycle stands for on the wall clock; 0 or less runs one cycle a tick.
    void setInterval(double seconds);
    // Cycles to run on a tick at `nowSeconds` (monotonic): 1, or more to catch up.
    int due(double nowSeconds);

private:
    double interval_ = 0;
    double next_ = 0;  // when the next cycle is due
    bool started_ = false;
};
