#include "PlanRunner.h"

#include <cmath>

PlanRunner::PlanRunner(const ProgramPlan& plan, double startTemp, double arrival, double allowanceMinutes)
    : plan_(plan), startTemp_(startTemp), arrival_(arrival), allowance_(allowanceMinutes), setPoint_(startTemp)
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
    // In days and with the executor's own arithmetic, so that a line ends on the same cycle.
    lineTime_ += seconds / 86400;
    const PlanLine& l = plan_.lines().at(std::size_t(line_ - 1));
    const double days = l.minutes / 1440.0;
    if (!waiting_) {
        const double from = lineStart();
        // No clamping: the last step of a ramp lies slightly past the line's end.
        setPoint_ = days == 0 ? l.temp : from + (lineTime_ / days) * (l.temp - from);
        ramp_ = days > 0 && from != l.temp;
        if (lineTime_ * 1440 >= l.minutes)
            waiting_ = true;
        return;
    }
    if (std::fabs(kiln - l.temp) < arrival_) {
        ++line_;
        lineTime_ = 0;
        waiting_ = false;
    } else if (lineTime_ * 1440 > double(l.minutes) + allowance_) {
        brokeOff_ = true;
    }
}
