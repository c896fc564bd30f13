#include "FiringStateKeeper.h"

#include "Services.h"

#include <exception>

FiringStateKeeper::FiringStateKeeper(const KilnState& state, const Clock& clock, FiringRecord& record,
                                     EventLogWriter& log, std::function<void(FiringSnapshot&)> details)
    : state_(state), clock_(clock), record_(record), log_(log), details_(std::move(details))
{
}

FiringSnapshot FiringStateKeeper::snapshot() const
{
    FiringSnapshot s;
    s.line = state_.ProgLine;
    s.lineTime = state_.LineTime;
    s.state = state_.ProgState;
    s.targetTemp = state_.TargetTemp;
    s.startTemp = state_.StartTemp;
    s.kilnTemp = state_.kilnTemp();
    s.cycleTime = state_.CycleTime;
    s.savedAt = clock_.now();
    s.simulated = state_.simulated();
    if (details_)
        details_(s);
    return s;
}

void FiringStateKeeper::Follow()
{
    const FiringSnapshot now = snapshot();
    if (now.worthKeeping()) {
        if (due(now))
            write(now);
    } else if (written_) {
        record_.remove();
        written_ = false;
    }
}

void FiringStateKeeper::Forget()
{
    record_.remove();
    written_ = false;
}

bool FiringStateKeeper::due(const FiringSnapshot& now) const
{
    if (!written_ || now.state != last_.state || now.line != last_.line || now.scheduledStart != last_.scheduledStart)
        return true;
    // A kiln clock that went back (a clock change with the controller) counts as due too.
    // A millisecond short counts: sums of two-second steps rarely hit the minute exactly.
    const double since = now.cycleTime - last_.cycleTime;
    return since > kInterval - 0.001 / 86400 || since < 0;
}

void FiringStateKeeper::write(const FiringSnapshot& now)
{
    try {
        record_.write(now);
    } catch (const std::exception& e) {
        if (!failing_)
            log_.TLogLS("LogFiringStateNotWritten", QString::fromUtf8(e.what()));
        failing_ = true;
        return;  // tried again at the next cycle
    }
    failing_ = false;
    written_ = true;
    last_ = now;
}
