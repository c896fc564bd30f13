#include "Regulator.h"

#include "Pid.h"
#include "TemperatureText.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <algorithm>
#include <cmath>

Regulator::Regulator(KilnState& state, const RegulatorView& view) : state_(state), view_(view) {}

bool Regulator::isManual() const { return view_.PowerRegulation->itemIndex() == 1; }

void Regulator::DecidePower(double dtSeconds)
{
    // Read in both modes so that a bad field shows red at once.
    const double p = EditValue(view_.PID_P, kDefaultP);
    const double i = EditValue(view_.PID_I, kDefaultI);
    const double d = EditValue(view_.PID_D, kDefaultD);
    PidState& pid = state_.Pid;

    if (isManual()) {
        pid.Power = std::clamp(100 - view_.ManualPower->value(), 0, 100);
        pid.Output = pid.Power;
        lastGoodPower_ = pid.Power;
        return;
    }
    if (!programActive(state_.ProgState)) {
        pid.Power = 0;
        pid.Output = 0;
        lastGoodPower_ = 0;
        return;
    }
    // A broken thermocouple reads far below zero, which the PID answers with full power. Until
    // the kiln reading is valid again the power stays at most where the last good reading put
    // it, and the integral and the slope history stand still.
    if (state_.Devices[DeviceTable::kThermocouple].Error) {
        pid.Power = std::min(pid.Power, lastGoodPower_);
        return;
    }
    // A step that is not positive (the wall clock set back) has no slope: dividing by it
    // would poison the derivative history, possibly with +inf, which means full power for
    // the next 50 steps. Such a cycle keeps the last setting, as a cycle without data does.
    if (!(dtSeconds > 0))
        return;
    // A reading that is no number is a device fault; it must never reach the integral.
    if (!std::isfinite(state_.kilnTemp()) || !std::isfinite(state_.TargetTemp))
        return;
    PidStep(view_.PID_CORR->itemIndex(), pid, state_.kilnTemp(), state_.TargetTemp, p, i, d, dtSeconds);
    lastGoodPower_ = pid.Power;
}

int Regulator::OutputLevel(int k) const
{
    if (isManual()) {
        if (k == 1)
            return view_.Fan1_Check->isChecked() ? 100 : 0;
        if (k == 2)
            return view_.Fan2_Check->isChecked() ? 100 : 0;
        return 0;
    }
    if (k != 1 && k != 2)
        return 0;
    // The executor marks the outputs idle when no program runs; the state is checked as well
    // so that an output is never left on between a stop and the executor's next step.
    if (state_.ProgIdle != 0 || !programActive(state_.ProgState))
        return 0;
    return state_.OutLevel[std::size_t(k)] != 0 ? 100 : 0;
}

bool Regulator::CutManualPower()
{
    if (!isManual())
        return false;
    const bool wasOn = view_.ManualPower->value() != 100 || view_.Fan1_Check->isChecked() ||
                       view_.Fan2_Check->isChecked();
    view_.ManualPower->setValue(100);  // position 100 is 0 %
    view_.Fan1_Check->setChecked(false);
    view_.Fan2_Check->setChecked(false);
    state_.Pid.Power = 0;
    state_.Pid.Output = 0;
    return wasOn;
}

void Regulator::PowerRegulationClick()
{
    const bool manual = isManual();
    const QColor labels = manual ? Colors::plainText() : Colors::Grey;
    const QColor pidParts = manual ? Colors::Grey : Colors::plainText();
    for (QLabel* l : {view_.Label28, view_.Label29, view_.Label48})
        Colors::setTextColor(l, labels);
    Colors::setTextColor(view_.PIDRegulator, pidParts);
    Colors::setTextColor(view_.PID_CORR, pidParts);
    // The check marks are kept; they only count in manual mode.
    view_.Fan1_Check->setEnabled(manual);
    view_.Fan2_Check->setEnabled(manual);
}
