#include "ThermalModel.h"

void ModelStep(double& t1, double& t2, double ambient, double r, double i, double p, double dt, double power)
{
    const double heatIn = dt * power * p;
    const double loss = (t1 - ambient) * dt * i;
    const double exchange = (t1 - t2) * dt * r;
    t1 = t1 + heatIn - loss - exchange;
    t2 = t2 + exchange;
}

#include <cmath>
#include <limits>

bool ModelFactors::usable() const
{
    return std::isfinite(p) && std::isfinite(i) && std::isfinite(r) && p > 0 && r > 0 && i >= 0;
}

// Both nodes rise at s: node 2 gets r (T1 - T2) = s, node 1 keeps
// p power - i (T1 - ambient) - s = s with T1 = T2 + s / r, hence
// s = (p power - i (T2 - ambient)) / (2 + i / r).
double SteadyHeatingRate(const ModelFactors& f, double chamber, double ambient, double power)
{
    if (!f.usable())
        return 0;
    return (f.p * power - f.i * (chamber - ambient)) / (2 + f.i / f.r);
}

// The steady rate falls in a straight line with the temperature, so the time to rise is a
// logarithm: dt = dT / (a - i' T).
double FullPowerMinutes(const ModelFactors& f, double from, double to, double ambient)
{
    constexpr double kNever = std::numeric_limits<double>::infinity();
    if (to <= from)
        return 0;
    if (!f.usable())
        return kNever;
    const double atFrom = SteadyHeatingRate(f, from, ambient, 100);
    const double atTo = SteadyHeatingRate(f, to, ambient, 100);
    if (atTo <= 0 || atFrom <= 0)
        return kNever;
    const double k = 2 + f.i / f.r;
    const double seconds = f.i == 0 ? (to - from) / atFrom : k / f.i * std::log(atFrom / atTo);
    return seconds / 60;
}
