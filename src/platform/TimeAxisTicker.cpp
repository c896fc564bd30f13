#include "TimeAxisTicker.h"

#include <algorithm>
#include <cmath>

TimeAxisTicker::TimeAxisTicker(std::function<QString(double)> label, std::function<double()> origin)
    : label_(std::move(label)), origin_(std::move(origin))
{
}

void TimeAxisTicker::generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                              QVector<double>& ticks, QVector<double>* subTicks, QVector<QString>* tickLabels)
{
    setTickOrigin(origin_ ? origin_() : 0.0);
    QCPAxisTicker::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
}

double TimeAxisTicker::getTickStep(const QCPRange& range)
{
    static constexpr double kSteps[] = {1,   2,    5,    10,   15,   30,    60,    120,   300,  600,
                                        900, 1800, 3600, 7200, 10800, 14400, 21600, 43200};
    const double seconds = range.size() * 86400.0 / std::max(1, tickCount());
    for (double s : kSteps)
        if (s >= seconds)
            return s / 86400.0;
    return std::ceil(seconds / 86400.0);  // whole days
}
