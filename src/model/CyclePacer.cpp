#include "CyclePacer.h"

#include <algorithm>
#include <cmath>

void CyclePacer::setInterval(double seconds)
{
    interval_ = seconds;
    started_ = false;
}

int CyclePacer::due(double nowSeconds)
{
    if (!(interval_ > 0))
        return 1;
    if (!started_ || nowSeconds - next_ > kForgivenSeconds) {
        started_ = true;
        next_ = nowSeconds + interval_;
        return 1;
    }
    // An early tick still runs its cycle, but the count never runs ahead of the clock by
    // more than one interval.
    const double behind = nowSeconds - next_;
    const int n = std::clamp(int(std::floor(behind / interval_)) + 1, 1, kMostPerTick);
    next_ = std::min(next_ + n * interval_, nowSeconds + interval_);
    return n;
}
