#include "StartSchedule.h"

#include <cmath>

void StartSchedule::scheduleAt(double when) { at_ = std::isfinite(when) ? when : 0; }

double StartSchedule::remaining(double now) const { return pending() && now < at_ ? at_ - now : 0; }
