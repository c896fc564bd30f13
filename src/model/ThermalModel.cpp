#include "ThermalModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

void ModelStep(double& t1, double& t2, double ambient, double r, double i, double p, double dt, double power)
{
    const double heatIn = dt * power * p;
    const double loss = (t1 - ambient) * dt * i;
    const double exchange = (t1 - t2) * dt * r;
    t1 = t1 + heatIn - loss - exchange;
    t2 = t2 + exchange;
}


bool ModelFactors::usable() const
{
    return std::isfinite(p) && std::isfinite(i) && std::isfinite(r) && p > 0 && r > 0 && i >= 0;
}

double ModelFactors::heldAtFullPower(double ambient) const
{
    return i > 0 ? ambient + 100 * p / i : std::numeric_limits<double>::infinity();
}

double FullPowerMinutes(const ModelFactors& f, double heater, double chamber, double to, double ambient,
                        double limitMinutes)
{
    constexpr double kStepSeconds = 5;
    if (chamber >= to)
        return 0;
    if (!f.usable() || !std::isfinite(heater) || !std::isfinite(chamber))
        return std::numeric_limits<double>::infinity();
    const int steps = int(std::ceil(std::min(limitMinutes, 1e5) * 60 / kStepSeconds));
    for (int n = 1; n <= steps; ++n) {
        ModelStep(heater, chamber, ambient, f.r, f.i, f.p, kStepSeconds, 100);
        if (chamber >= to)
            return n * kStepSeconds / 60;
    }
    return std::numeric_limits<double>::infinity();
}
