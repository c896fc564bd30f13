#include "FiringTally.h"

#include "TemperatureText.h"

#include <algorithm>
#include <cmath>

namespace {

// No cycle lasts longer than this; a longer step is the wall clock jumping.
constexpr double kLongestStep = 600;

// A reading in the report's unit back in °C; a unit this program does not show counts as °C.
double celsius(double t, const QString& unit)
{
    const std::optional<TemperatureScale> scale = TemperatureScale::ofUnit(unit);
    return scale ? scale->Celsius(t) : t;
}

}  // namespace

std::optional<CurvePoint> FiringTally::add(const CycleReport& r, const QDateTime& wall)
{
    if (!figures_.startWall.isValid()) {
        figures_.startWall = wall;
        figures_.startKiln = r.time;
    }
    const double before = figures_.seconds;
    countTime(r);
    countEnergy(r);
    countWarnings(r);
    figures_.endWall = wall;
    figures_.endKiln = r.time;
    std::optional<CurvePoint> point;
    if (r.data) {
        if (r.kilnTemp)
            figures_.peak = std::max(figures_.peak, *r.kilnTemp);
        countDeviation(r);
        countHeating(r, figures_.seconds - before);
        point = CurvePoint{figures_.seconds, r.kilnTemp, r.setPoint, r.power, r.outsideTemp, {}};
        for (const ChannelReport& c : r.channels)
            point->channels.push_back(c.temp);
    }
    previous_ = r;
    return point;
}

// On the recording's own time line where it runs on, else on the kiln clock; never backwards.
void FiringTally::countTime(const CycleReport& r)
{
    if (!previous_)
        return;
    double step = 0;
    if (r.recordSeconds && previous_->recordSeconds && *r.recordSeconds >= *previous_->recordSeconds)
        step = *r.recordSeconds - *previous_->recordSeconds;
    else
        step = previous_->time.msecsTo(r.time) / 1000.0;
    if (step > 0 && step <= kLongestStep)
        figures_.seconds += step;
}

// A meter that went down was cleared: what it shows now was all used since.
void FiringTally::countEnergy(const CycleReport& r)
{
    const double lastEnergy = previous_ ? previous_->energyKWh : r.energyKWh;
    const double lastCost = previous_ ? previous_->cost : r.cost;
    figures_.energyKWh += r.energyKWh >= lastEnergy ? r.energyKWh - lastEnergy : r.energyKWh;
    figures_.cost += r.cost >= lastCost ? r.cost - lastCost : r.cost;
}

// A set point that stands on the same line is a hold; one that moves is a ramp. Only a
// running program is judged: waiting for the kiln to catch up is expected to stray.
void FiringTally::countDeviation(const CycleReport& r)
{
    if (r.state != 1 || !r.kilnTemp || !r.setPoint || !previous_ || !previous_->data || previous_->state != 1 ||
        previous_->line != r.line || !previous_->setPoint)
        return;
    const double off = std::abs(*r.kilnTemp - *r.setPoint);
    double& largest = std::abs(*r.setPoint - *previous_->setPoint) < 1e-9 ? figures_.holdDeviation : figures_.rampDeviation;
    largest = std::max(largest, off);
}

void FiringTally::countWarnings(const CycleReport& r)
{
    for (const WarningReport& w : r.warnings)
        if (!figures_.warnings.contains(w.text))
            figures_.warnings << w.text;
}

void FiringTally::countHeating(const CycleReport& r, double step)
{
    if (!previous_ || !previous_->data || !previous_->kilnTemp || !r.kilnTemp || step <= 0 || previous_->power < kFullPower ||
        r.power < kFullPower) {
        fullPowerSeconds_ = 0;
        return;
    }
    fullPowerSeconds_ += step;
    const double from = celsius(*previous_->kilnTemp, r.unit), to = celsius(*r.kilnTemp, r.unit);
    const bool inBand = from >= kBandLow && to <= kBandHigh && to >= kBandLow;
    // The chamber follows the elements some minutes late: until the heater has been fully on
    // that long, the rise still shows the power before.
    if (!inBand || fullPowerSeconds_ < kSettleSeconds)
        return;
    heatingSeconds_ += step;
    heatingRise_ += to - from;
    // A rate from less than a few minutes says little.
    if (heatingSeconds_ >= 300)
        figures_.heatingRate = heatingRise_ / heatingSeconds_ * 3600;
}
