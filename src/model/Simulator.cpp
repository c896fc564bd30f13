#include "Simulator.h"

#include "Numbers.h"
#include "TemperatureText.h"
#include "ThermalModel.h"
#include "Widgets.h"

#include <QLineEdit>
#include <algorithm>
#include <cmath>

namespace {
// Nearest multiple of `step`, halves to even. Kept in doubles so that a model driven
// out of range by absurd factors cannot overflow an integer.
double quantise(double x, double step) { return std::nearbyint(x / step) * step; }

const QString kSimulatorName = "simulator";
}  // namespace

Simulator::Simulator(KilnState& state, Random& random, EventLogWriter& log, const SimulatorView& view)
    : state_(state), random_(random), log_(log), view_(view)
{
}

void Simulator::ModelInit()
{
    ModelHeaterT = kStartTemp;
    ModelChamberT = kStartTemp;
    SimAmbient = kStartTemp;
    state_.Devices[DeviceTable::kSensor].Value = kStartTemp;
    state_.Devices[DeviceTable::kThermocouple].Value = kStartTemp;
}

ModelFactors SimulatorView::factors() const
{
    return {EditValue(MODEL_P, Simulator::kDefaultP), EditValue(MODEL_I, Simulator::kDefaultI),
            EditValue(MODEL_R, Simulator::kDefaultR)};
}

void Simulator::Sim_Work()
{
    if (state_.DataReady)
        return;
    const auto [p, i, r] = view_.factors();

    // The room drifts slowly around 25.5 °C.
    const int drift = random_.uniform(1000);
    SimAmbient = ((drift - 500) / 500.0 + 25.5) * 0.01 + 0.99 * SimAmbient;

    // The cold-junction sensor resolves 1/16 °C.
    const double coldJunction = std::nearbyint(SimAmbient * 16) / 16;
    state_.Devices[DeviceTable::kSensor].Value = coldJunction;

    const double dt = state_.CycleStep * 24 * 60 * 60 / kSubSteps;
    const double power = state_.Pid.Power;
    double sum = 0;
    for (int step = 0; step < kSubSteps; ++step) {
        double noise = 0;
        for (int n = 0; n < 6; ++n)
            noise += (random_.uniform(3000) - 1500) / 8000.0;
        ModelStep(ModelHeaterT, ModelChamberT, coldJunction, r, i, p, dt, power);
        sum += coldJunction + quantise(ModelChamberT - coldJunction + noise, kQuantum);
    }
    state_.Devices[DeviceTable::kThermocouple].Value = sum / kSubSteps;

    ErrDevice& mains = state_.Devices[DeviceTable::kMains];
    mains.Value = 10000;  // 200 × 50 Hz
    mains.Raw = 5000;

    state_.DataReady = true;
    state_.Devices[DeviceTable::kThermocouple].Error = false;
    state_.Devices[DeviceTable::kSensor].Error = false;

    if (state_.ControllerName.isEmpty()) {
        state_.ControllerName = kSimulatorName;
        log_.TLogLS("LogController", kSimulatorName);
    }
}

SimulatorTiming SimulatorTiming::forSpeed(double simSpeed)
{
    SimulatorTiming t;
    t.SimSpeed = simSpeed > 0 ? simSpeed : 1;  // also catches NaN
    t.HardwareInterval = std::max(1, Numbers::roundHalfEven(kControllerHardwareMs / t.SimSpeed));
    t.InterfaceInterval = std::max(1, Numbers::roundHalfEven(kControllerInterfaceMs / t.SimSpeed));
    return t;
}

SimulatorTiming SimulatorTiming::read(QLineEdit* SIM_SPEED)
{
    const double speed = EditValue(SIM_SPEED, kDefaultSpeed);
    if (!(speed > 0))
        Colors::setBackground(SIM_SPEED, Colors::Red);
    return forSpeed(speed);
}
