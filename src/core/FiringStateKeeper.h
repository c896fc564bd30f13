#pragma once
#include "CycleReport.h"
#include "FiringSnapshot.h"
#include "KilnState.h"
#include "Texts.h"

#include <functional>

class Clock;

// Keeps the firing record up to date while a program runs, waits or is paused, or a start
// is scheduled: at every change of state, line or schedule and once a minute of kiln clock.
// Once there is nothing left to keep, the record this run wrote goes. A record that cannot
// be written is logged once until one can again; the firing goes on regardless.
class FiringStateKeeper : public CycleObserver {
public:
    static constexpr double kInterval = 1.0 / 1440;  // one minute, in days

    // `details` adds what the kiln state does not hold: the program file, the schedule,
    // the model's temperatures.
    FiringStateKeeper(const KilnState& state, const Clock& clock, FiringRecord& record, EventLogWriter& log,
                      std::function<void(FiringSnapshot&)> details);

    // After every control cycle and every operator command that moves the program.
    void Follow();
    QString observerName() const override { return "firing record"; }
    void cycleReported(const CycleReport&) override { Follow(); }
    // The orderly end of the run: whatever record there is goes.
    void Forget();

    FiringSnapshot snapshot() const;

private:
    bool due(const FiringSnapshot& now) const;
    void write(const FiringSnapshot& now);

    const KilnState& state_;
    const Clock& clock_;
    FiringRecord& record_;
    EventLogWriter& log_;
    std::function<void(FiringSnapshot&)> details_;
    bool written_ = false;  // this run's record is on disk
    bool failing_ = false;  // the last write failed and was logged
    FiringSnapshot last_;
};
