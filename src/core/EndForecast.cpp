#include "EndForecast.h"

#include "ProgramTable.h"

#include <algorithm>
#include <cmath>

std::optional<double> EndForecast::waitMinutes(double lineTemp, const ForecastInput& in)
{
    const double gap = std::fabs(lineTemp - in.kilnTemp) - in.dev;
    if (gap < 0)
        return 0.0;
    const double towards = lineTemp > in.kilnTemp ? 1 : -1;
    if (!in.rate || *in.rate * towards <= 0)
        return std::nullopt;
    return gap / std::fabs(*in.rate);
}

EndForecast EndForecast::of(const ProgramTable& program, const ForecastInput& in)
{
    EndForecast f;
    if (in.line < 1 || in.line > ProgramTable::kMaxLine)
        return f;
    const double lineTemp = program.LineTemp(in.line);
    const int lineMinutes = program.LineMinutes(in.line);
    f.minutes = std::max(0.0, lineMinutes - in.elapsedMinutes);
    // The end line finishes as soon as its time is spent; every other line then waits.
    if (lineTemp != 0 && in.elapsedMinutes >= lineMinutes) {
        const std::optional<double> wait = waitMinutes(lineTemp, in);
        if (wait)
            f.minutes += *wait;
        else
            f.waitUnknown = true;
    }
    if (lineTemp == 0)
        return f;
    for (int n = in.line + 1; n <= ProgramTable::kMaxLine; ++n) {
        f.minutes += program.LineMinutes(n);
        if (program.LineTemp(n) == 0)
            break;
    }
    return f;
}
