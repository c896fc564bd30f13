#pragma once
#include "HistoryTypes.h"
#include "KilnFit.h"

#include <QString>
#include <vector>

class TemperatureChart;

// The firings a fit can start from, as samples in °C: the Work tab's recording and the
// firings of the history. Both hold their temperatures in the scale they were shown in.
namespace FitSources {

// The scale index (TemperatureScale::TempScale) of a unit text; an empty text is °C (a
// firing recorded before the unit was kept). Throws std::runtime_error naming an unknown one.
int ScaleOfUnit(const QString& unit);
// A temperature shown in `scale` back in °C.
double Celsius(double shown, int scale);

// A firing of the history: kiln, power and outside temperature per cycle.
std::vector<FitSample> FromCurve(const std::vector<CurvePoint>& curve, const QString& unit);
// The recording on the Work tab's chart (thermocouple 1, the power, the outside temperature).
std::vector<FitSample> FromChart(const TemperatureChart& chart, int scale);

}  // namespace FitSources
