#pragma once

// When a firing is to begin by itself: a time on the kiln clock (a date-time number, as
// KilnState::CycleTime) or none.
class StartSchedule {
public:
    bool pending() const { return at_ != 0; }
    // The time set, 0 when none.
    double at() const { return at_; }
    // A time of 0 or no number leaves no schedule.
    void scheduleAt(double when);
    void cancel() { at_ = 0; }
    // The time has come: true from the first reading of the kiln clock at or after it
    // (a time in the past comes at once).
    bool due(double now) const { return pending() && now >= at_; }
    // Days still to wait, 0 once due or when nothing is scheduled.
    double remaining(double now) const;

private:
    double at_ = 0;
};
