#include "PlanRunner.h"

#include <cmath>

PlanRunner::PlanRunner(const ProgramPlan& plan, double startTemp, double arrival, double allowanceMinutes)
    : plan_(plan), startTemp_(startTemp), arrival_(arrival), allowance_(allowanceMinutes * 60), setPoint_(startTemp)
{
}

double PlanRunner::lineStart() const
{
    return line_ == 1 ? startTemp_ : plan_.lines().at(std::size_t(line_ - 2)).temp;
}

void PlanRunner::step(double seconds, double kiln)
{
    ramp_ = false;
    if (!active())
        return;
    lineTime_ += seconds;
    const PlanLine& l = plan_.lines().at(std::size_t(line_ - 1));
    const double length = l.minutes * 60.0;
    if (!waiting_) {
        const double from = lineStart();
        // As the executor does: no clamping, the last step lies slightly past the line's end.
        setPoint_ = length == 0 ? l.temp : from + lineTime_ / length * (l.temp - from);
        ramp_ = length > 0 && from != l.temp;
        // The executor compares in days; a small margin keeps the same cycle despite rounding.
        if (lineTime_ >= length - 1e-6)
            waiting_ = true;
        return;
    }
    if (std::fabs(kiln - l.temp) < arrival_) {
        ++line_;
        lineTime_ = 0;
        waiting_ = false;
    } else if (lineTime_ > length + allowance_) {
        brokeOff_ = true;
    }
}
