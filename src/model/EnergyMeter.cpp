#include "EnergyMeter.h"

#include "Regulator.h"
#include "TemperatureText.h"

#include <algorithm>

EnergyMeter::EnergyMeter(KilnState& state, Regulator& regulator, const EnergyMeterView& view)
    : state_(state), regulator_(regulator), view_(view)
{
}

void EnergyMeter::Calc()
{
    const double seconds = state_.CycleStep * 24 * 60 * 60;
    regulator_.DecidePower(seconds);

    const double heaterW = EditValue(view_.HeaterPower, kDefaultHeaterPower);
    const double price = EditValue(view_.EnergyCost, kDefaultEnergyCost);
    state_.MeterPowerKW = state_.Pid.Power / 100.0 * heaterW / 1000;
    // A step backwards in time (clock set back) consumed nothing.
    const double e = state_.MeterPowerKW * std::max(seconds, 0.0) / 60 / 60;
    state_.MeterEnergyKWh = state_.MeterEnergyKWh + e;
    state_.MeterCost = e * price + state_.MeterCost;
}

void EnergyMeter::clear()
{
    state_.MeterEnergyKWh = 0;
    state_.MeterCost = 0;
}
