#include "RegulatorTuner.h"

TrackedRun TrackOnModel(const ModelFactors&, const PidFactors&, const ProgramPlan&, bool) { return {}; }

TuneResult TuneRegulator(const ModelFactors&, const PidFactors& start, const ProgramPlan&,
                         const std::function<bool(double)>&)
{
    TuneResult r;
    r.before = start;
    r.after = start;
    return r;
}
