#include "TrackingMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

void TrackingMeter::add(double setPoint, double kiln, int power, bool ramp)
{
    if (ramp) {
        f_.worstRampError = std::max(f_.worstRampError, std::fabs(setPoint - kiln));
        rampSum_ += std::fabs(setPoint - kiln);
        ++rampCycles_;
    } else {
        f_.worstOvershoot = std::max(f_.worstOvershoot, kiln - setPoint);
    }
    if (lastPower_ >= 0) {
        swingSum_ += std::abs(power - lastPower_);
        ++swings_;
    }
    lastPower_ = power;
}

TrackingFigures TrackingMeter::figures() const
{
    TrackingFigures f = f_;
    f.powerSwing = swings_ > 0 ? swingSum_ / double(swings_) : 0;
    return f;
}
