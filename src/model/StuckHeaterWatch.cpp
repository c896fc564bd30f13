#include "StuckHeaterWatch.h"

#include "FaultSupervisor.h"
#include "TemperatureText.h"
#include "ThermalModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();

// Factors that are no numbers, negative, or so large (above 1/s) that no kiln has them give no
// prediction: a wrong prediction would raise the alarm over a healthy heater.
bool modelKnown(const HeaterReading& r)
{
    return std::isfinite(r.modelI) && std::isfinite(r.modelR) && r.modelI >= 0 && r.modelR >= 0 &&
           r.modelI + 2 * r.modelR <= 1;
}

// `seconds` of cooling without power, in steps short enough for the explicit model step to
// stay stable (a step of dt seconds is stable below 2 / (I + 2R)).
void coolFor(double& heater, double& chamber, double seconds, const HeaterReading& r)
{
    const double rate = r.modelI + 2 * r.modelR;
    const double longest = rate > 0 ? std::min(StuckHeaterWatch::kMaxModelStepSeconds, 0.5 / rate)
                                    : StuckHeaterWatch::kMaxModelStepSeconds;
    while (seconds > 0) {
        const double dt = std::min(seconds, longest);
        ModelStep(heater, chamber, r.outsideTemp, r.modelR, r.modelI, 0, dt, 0);
        seconds -= dt;
    }
}

// The heated node of a kiln that has cooled unheated for a while: the two-node model then decays
// at its slower rate L, with the heated node's excess over the room k = 1 + L / R times the
// chamber's (the node loses to the room, so it runs ahead of the chamber it cools).
double naturalHeaterTemp(double chamber, const HeaterReading& r)
{
    if (!(r.modelR > 0))
        return chamber;
    const double sum = r.modelI + 2 * r.modelR;
    const double slower = (-sum + std::sqrt(sum * sum - 4 * r.modelI * r.modelR)) / 2;
    return r.outsideTemp + (1 + slower / r.modelR) * (chamber - r.outsideTemp);
}

}  // namespace

StuckHeaterWatch::StuckHeaterWatch(KilnState& state, FaultSupervisor& faults, StuckHeaterView view)
    : state_(state), faults_(faults), view_(view)
{
}

void StuckHeaterWatch::WatchHeater()
{
    HeaterReading r;
    r.seconds = state_.CycleStep * 86400;
    r.kilnTemp = state_.kilnTemp();
    r.valid = !state_.Devices[DeviceTable::kThermocouple].Error && std::isfinite(r.kilnTemp);
    r.power = state_.Pid.Power;
    r.outsideTemp = state_.outsideTemp();
    r.modelI = EditValue(view_.MODEL_I, kNoNumber);
    r.modelR = EditValue(view_.MODEL_R, kNoNumber);
    switch (Feed(r)) {
    case Verdict::Stuck: faults_.HeaterStuck(" " + state_.Temps.TermSdeg(r.kilnTemp)); break;
    case Verdict::Cooling: faults_.HeaterCooling(); break;
    case Verdict::None: break;
    }
    if (alarm_)
        faults_.HeaterAlarmCycle();
}

StuckHeaterWatch::Verdict StuckHeaterWatch::Feed(const HeaterReading& r)
{
    now_ += std::max(r.seconds, 0.0);
    if (quiet_ && modelKnown(r))
        coolFor(heater_, chamber_, std::max(r.seconds, 0.0), r);
    if (!r.valid)
        return Verdict::None;
    if (alarm_) {
        keepWindow(r.kilnTemp);
        if (!coolsNaturally(r))
            return Verdict::None;
        alarm_ = false;
        beginQuiet(r.kilnTemp);  // watched afresh from here: a heater still stuck is found again
        return Verdict::Cooling;
    }
    if (r.power != 0) {
        quiet_ = false;
        return Verdict::None;
    }
    if (!quiet_)
        beginQuiet(r.kilnTemp);
    else
        keepWindow(r.kilnTemp);
    if (now_ - quietSince_ < kWindowSeconds || !heats(r))
        return Verdict::None;
    alarm_ = true;
    return Verdict::Stuck;
}

void StuckHeaterWatch::beginQuiet(double temp)
{
    quiet_ = true;
    quietSince_ = now_;
    heater_ = temp;
    chamber_ = temp;
    window_.clear();
    window_.push_back({now_, temp});
}

void StuckHeaterWatch::keepWindow(double temp)
{
    window_.push_back({now_, temp});
    while (window_.size() >= 2 && window_[1].at <= now_ - kWindowSeconds)
        window_.pop_front();
}

// The sample five minutes back (or just before), when the window reaches that far.
const StuckHeaterWatch::Sample* StuckHeaterWatch::windowStart() const
{
    return !window_.empty() && window_.front().at <= now_ - kWindowSeconds ? &window_.front() : nullptr;
}

bool StuckHeaterWatch::heats(const HeaterReading& r) const
{
    const Sample* start = windowStart();
    if (start && r.kilnTemp - start->temp > kRiseC)
        return true;
    return modelKnown(r) && r.kilnTemp > chamber_ + kAboveModelC;
}

// Falling, and by most of what an unheated kiln falls from where it was five minutes ago: a
// heater that still heats, even a little, slows the fall below that.
bool StuckHeaterWatch::coolsNaturally(const HeaterReading& r) const
{
    const Sample* start = windowStart();
    if (!start)
        return false;
    const double fall = start->temp - r.kilnTemp;
    if (!modelKnown(r))
        return fall > kRiseC;
    double heater = naturalHeaterTemp(start->temp, r);
    double chamber = start->temp;
    coolFor(heater, chamber, now_ - start->at, r);
    return fall > 0 && fall >= kCoolingShare * (start->temp - chamber);
}
