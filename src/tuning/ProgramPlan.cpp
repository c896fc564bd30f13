#include "ProgramPlan.h"

#include "ProgramTable.h"

#include <algorithm>
#include <utility>

ProgramPlan::ProgramPlan(std::vector<PlanLine> lines, double startTemp) : lines_(std::move(lines)), startTemp_(startTemp)
{
    for (PlanLine& l : lines_)
        if (l.minutes < 0)
            l.minutes = 0;
}

ProgramPlan ProgramPlan::fromTable(const ProgramTable& table, double startTemp)
{
    std::vector<PlanLine> lines;
    const int end = table.EndLine();
    for (int n = 1; n < end; ++n)
        lines.push_back({table.LineTemp(n), table.LineMinutes(n)});
    return ProgramPlan(std::move(lines), startTemp);
}

double ProgramPlan::lineStart(int n) const
{
    return n <= 1 || lines_.empty() ? startTemp_ : lines_.at(std::size_t(n - 2)).temp;
}

double ProgramPlan::seconds() const
{
    double s = 0;
    for (const PlanLine& l : lines_)
        s += l.minutes * 60.0;
    return s;
}

double ProgramPlan::setPointAt(double seconds) const
{
    seconds = std::max(seconds, 0.0);
    if (lines_.empty())
        return startTemp_;
    double from = startTemp_;
    for (const PlanLine& l : lines_) {
        const double length = l.minutes * 60.0;
        if (seconds < length)
            return from + (l.temp - from) * (seconds / length);
        seconds -= length;
        from = l.temp;
    }
    return lines_.back().temp;
}

bool ProgramPlan::rampAt(double seconds) const
{
    seconds = std::max(seconds, 0.0);
    double from = startTemp_;
    for (const PlanLine& l : lines_) {
        const double length = l.minutes * 60.0;
        if (seconds < length)
            return l.temp != from;
        seconds -= length;
        from = l.temp;
    }
    return false;
}
