#include "TemperatureHistory.h"

#include <cmath>

void TemperatureHistory::add(double at, double temp, int power)
{
    const double minutes = at * 1440;
    if (!std::isfinite(minutes) || !std::isfinite(temp))
        return;
    if (!samples_.empty() && minutes < samples_.back().minutes)
        samples_.clear();
    samples_.push_back({minutes, temp, power});
    while (minutes - samples_.front().minutes > kWindowMinutes)
        samples_.pop_front();
}

double TemperatureHistory::spanMinutes() const
{
    return samples_.empty() ? 0 : samples_.back().minutes - samples_.front().minutes;
}

std::optional<double> TemperatureHistory::ratePerMinute() const
{
    if (spanMinutes() < kShortestSpanMinutes)
        return std::nullopt;
    // Around the first reading, so that the sums keep their precision.
    const double origin = samples_.front().minutes;
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Sample& s : samples_) {
        const double x = s.minutes - origin;
        n += 1;
        sx += x;
        sy += s.temp;
        sxx += x * x;
        sxy += x * s.temp;
    }
    const double d = n * sxx - sx * sx;
    if (d <= 0)
        return std::nullopt;
    return (n * sxy - sx * sy) / d;
}

double TemperatureHistory::meanPower() const
{
    if (samples_.empty())
        return 0;
    double sum = 0;
    for (const Sample& s : samples_)
        sum += s.power;
    return sum / double(samples_.size());
}
