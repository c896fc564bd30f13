#pragma once
#include "KilnState.h"

class QLineEdit;
class Regulator;

// The heater data and the price the meter reads every cycle.
struct EnergyMeterView {
    QLineEdit* HeaterPower = nullptr;  // rated heater power, W
    QLineEdit* EnergyCost = nullptr;   // price of 1 kWh
};

// Once per cycle with fresh data: lets the regulator decide the heater power and meters
// the energy and cost of that power over the cycle's step.
class EnergyMeter {
public:
    static constexpr double kDefaultHeaterPower = 1000;
    static constexpr double kDefaultEnergyCost = 10;

    EnergyMeter(KilnState& state, Regulator& regulator, const EnergyMeterView& view);

    void Calc();
    // A new recording starts with an empty meter.
    void clear();

private:
    KilnState& state_;
    Regulator& regulator_;
    EnergyMeterView view_;
};
