#include "ProgramPlan.h"

#include "ProgramTable.h"

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

double ProgramPlan::seconds() const
{
    double s = 0;
    for (const PlanLine& l : lines_)
        s += l.minutes * 60.0;
    return s;
}
