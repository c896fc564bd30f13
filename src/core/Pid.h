#pragma once
#include "KilnState.h"

// The PID arithmetic, shared by the live regulator and the regulator preview.
void PidReset(PidState& st);
// Pushes x into the slope history (newest first, at most 50) and returns the mean.
double MovingAverage(PidState& st, double x);
// One PID step; the power setting is left in st.Power. corr is the item of the
// temperature correction (0 none, 1 small, 2 large), dt the step in seconds.
void PidStep(int corr, PidState& st, double tin, double target, double p, double i, double d, double dt);
