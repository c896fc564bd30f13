#include "ReachWarning.h"


bool ReachWarning::Unreachable(const ReachInput& in)
{
    if (in.elapsedMinutes < kSettleMinutes || in.minutesToBreakdown <= 0)
        return false;
    const double band = in.lineTemp - in.dev;  // where the line counts as reached
    if (in.kilnTemp >= band)
        return false;  // there already, or a line that cools
    if (believable(in) &&
        FullPowerMinutes(in.model, HeaterFromChamberRate(in.model, in.kilnTemp, *in.rate / 60), in.kilnTemp, band,
                         in.outsideTemp, in.minutesToBreakdown) > in.minutesToBreakdown)
        return true;
    if (!in.rate || in.meanPower < kHighPower)
        return false;
    // Straight on at the present rate; the rate only falls as the kiln gets hotter.
    return *in.rate <= 0 || (band - in.kilnTemp) / *in.rate > in.minutesToBreakdown;
}

// The model is stepped from the kiln as it is, which needs the rate; a model whose node 1
// would have to stand above what full power can hold it at has been outgrown by the kiln.
bool ReachWarning::believable(const ReachInput& in)
{
    if (!in.model.usable() || !in.rate)
        return false;
    const double heater = HeaterFromChamberRate(in.model, in.kilnTemp, *in.rate / 60);
    const double held = in.model.heldAtFullPower(in.outsideTemp);
    return heater - in.outsideTemp <= (held - in.outsideTemp) * kModelSlack + kModelSlackC;
}

bool ReachWarning::Follow(int line, double nowMinutes, bool unreachable)
{
    if (line != line_) {
        reset();
        line_ = line;
    }
    if (!unreachable) {
        since_.reset();
        standing_ = false;
        return false;
    }
    if (!since_)
        since_ = nowMinutes;
    standing_ = nowMinutes - *since_ >= kHoldMinutes;
    if (!standing_ || told_)
        return false;
    told_ = true;
    return true;
}

void ReachWarning::reset()
{
    line_ = 0;
    since_.reset();
    standing_ = false;
    told_ = false;
}
