#include "ReachWarning.h"

#include <algorithm>

bool ReachWarning::Unreachable(const ReachInput& in)
{
    if (in.elapsedMinutes < kSettleMinutes || in.minutesToBreakdown <= 0)
        return false;
    const double band = in.lineTemp - in.dev;  // where the line counts as reached
    if (in.kilnTemp >= band)
        return false;  // there already, or a line that cools
    const double modelRate = SteadyHeatingRate(in.model, in.kilnTemp, in.outsideTemp, 100) * 60;
    const bool outrun = in.rate && *in.rate > std::max(modelRate, 0.0) * kOutrunFactor + kOutrunSlack;
    if (in.model.usable() && !outrun &&
        FullPowerMinutes(in.model, in.kilnTemp, band, in.outsideTemp) > in.minutesToBreakdown)
        return true;
    if (!in.rate || in.meanPower < kHighPower)
        return false;
    // Straight on at the present rate; the rate only falls as the kiln gets hotter.
    return *in.rate <= 0 || (band - in.kilnTemp) / *in.rate > in.minutesToBreakdown;
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
