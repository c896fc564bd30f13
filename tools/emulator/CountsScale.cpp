#include "CountsScale.h"

#include "Numbers.h"
#include "Thermocouple.h"

#include <cmath>

namespace {

// The reference function of type K above 0 °C has an exponential term besides its
// polynomial; a real thermocouple follows it, while TempToEmf leaves it out. Without it the
// program's inverse function would read up to 3 °C low around 150 °C.
double exponentialTerm(double t)
{
    constexpr double a0 = 0.118597600000E+00;
    constexpr double a1 = -0.118343200000E-03;
    constexpr double a2 = 0.126968600000E+03;
    return a0 * std::exp(a1 * (t - a2) * (t - a2));
}

// The program's two-point conversion pins its voltage scale on TempToEmf at the calibration
// points, so the scale is pinned on the same voltages.
double calibrationEmf(double t) { return TempToEmf(TypeK, t - CountsScale::kCalibrationColdJunction); }

}  // namespace

double CountsScale::CountsPerMv()
{
    return (kGainCounts - kZeroCounts) / (calibrationEmf(kGainTemp) - calibrationEmf(kZeroTemp));
}

double CountsScale::Offset() { return kZeroCounts - CountsPerMv() * calibrationEmf(kZeroTemp); }

double CountsScale::ThermocoupleEmf(double t) { return TempToEmf(TypeK, t) + exponentialTerm(t); }

double CountsScale::Counts(double t, double cj) { return Offset() + CountsPerMv() * ThermocoupleEmf(t - cj); }

NvCalibration DefaultCalibration()
{
    using namespace CountsScale;
    return {Numbers::roundHalfEven(10 * kZeroCounts), Numbers::roundHalfEven(10 * kGainCounts),
            Numbers::roundHalfEven(10 * kZeroTemp), Numbers::roundHalfEven(10 * kGainTemp)};
}
