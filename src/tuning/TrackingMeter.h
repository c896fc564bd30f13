#pragma once
#include "RegulatorTuner.h"

// Gathers how well the kiln followed the set point, cycle by cycle, for the model run and
// for a firing alike.
class TrackingMeter {
public:
    // One cycle of the program; `ramp`: the set point moved in it.
    void add(double setPoint, double kiln, int power, bool ramp);
    TrackingFigures figures() const;
    // The mean |set point − kiln| while the set point moves.
    double meanRampError() const { return rampCycles_ > 0 ? rampSum_ / double(rampCycles_) : 0; }

private:
    TrackingFigures f_;
    double swingSum_ = 0;
    long long swings_ = 0;
    double rampSum_ = 0;
    long long rampCycles_ = 0;
    int lastPower_ = -1;
};
