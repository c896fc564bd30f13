#include "FitSources.h"

#include "TemperatureChart.h"
#include "TemperatureText.h"

#include <cmath>
#include <stdexcept>

namespace {

// The chart's series (their order is fixed: the data file relies on it).
constexpr int kOutsideSeries = 0;
constexpr int kPowerSeries = 4;
constexpr int kKilnSeries = 7;  // thermocouple 1

std::optional<double> celsiusOrNone(std::optional<double> shown, int scale)
{
    if (!shown || !std::isfinite(*shown))
        return std::nullopt;
    return FitSources::Celsius(*shown, scale);
}

}  // namespace

int FitSources::ScaleOfUnit(const QString& unit)
{
    if (unit.trimmed().isEmpty())
        return 0;
    if (const std::optional<TemperatureScale> scale = TemperatureScale::ofUnit(unit))
        return scale->TempScale;
    throw std::runtime_error("the firing's temperatures are in an unknown unit '" + unit.toStdString() + "'");
}

double FitSources::Celsius(double shown, int scale)
{
    TemperatureScale sc;
    sc.TempScale = scale;
    return sc.Celsius(shown);
}

std::vector<FitSample> FitSources::FromCurve(const std::vector<CurvePoint>& curve, const QString& unit)
{
    const int scale = ScaleOfUnit(unit);
    std::vector<FitSample> samples;
    samples.reserve(curve.size());
    for (const CurvePoint& point : curve) {
        FitSample s;
        s.seconds = point.seconds;
        s.kiln = celsiusOrNone(point.kiln, scale);
        s.power = point.power;
        s.outside = celsiusOrNone(point.outside, scale);
        samples.push_back(s);
    }
    return samples;
}

std::vector<FitSample> FitSources::FromChart(const TemperatureChart& chart, int scale)
{
    const int n = std::min({chart.pointCount(kKilnSeries), chart.pointCount(kPowerSeries),
                            chart.pointCount(kOutsideSeries)});
    std::vector<FitSample> samples;
    samples.reserve(std::size_t(std::max(n, 0)));
    for (int j = 0; j < n; ++j) {
        FitSample s;
        // x is in days on the recording's time line.
        s.seconds = (chart.pointX(kKilnSeries, j) - chart.pointX(kKilnSeries, 0)) * 86400;
        s.kiln = celsiusOrNone(chart.pointY(kKilnSeries, j), scale);
        const double power = chart.pointY(kPowerSeries, j);
        s.power = std::isfinite(power) ? power : 0;
        s.outside = celsiusOrNone(chart.pointY(kOutsideSeries, j), scale);
        samples.push_back(s);
    }
    return samples;
}
