#include "TwoNodeKiln.h"

#include "ChannelPlacements.h"
#include "KilnFaultText.h"
#include "ThermalModel.h"

#include <algorithm>
#include <cmath>

namespace {

// Longest model step: keeps the explicit Euler step far from unstable at any speed.
constexpr double kMaxStep = 1.0;

}  // namespace

TwoNodeKiln::TwoNodeKiln(const KilnFactors& factors, double speed) : factors_(factors), speed_(speed) {}

void TwoNodeKiln::advance(double realSeconds, double power)
{
    const double modelSeconds = realSeconds * speed_;
    if (!(modelSeconds > 0))
        return;
    const double gain = factors_.p * (1 - faults_.elementLossPercent / 100);
    const double loss = factors_.i * (faults_.lidOpen ? kLidLossFactor : 1);
    const int steps = std::max(1, int(std::ceil(modelSeconds / kMaxStep)));
    const double dt = modelSeconds / steps;
    for (int s = 0; s < steps; ++s)
        ModelStep(heater_, chamber_, kAmbient, factors_.r, loss, gain, dt, power);
}

double TwoNodeKiln::channelTemp(int channel) const { return ChannelPlacements::Reading(channel, heater_, chamber_); }

QStringList TwoNodeKiln::stateLines() const
{
    const auto general = [](double value) { return QString::number(value, 'g', 15); };
    return {
        "model P " + general(factors_.p) + "  I " + general(factors_.i) + "  R " + general(factors_.r) + "  speed " +
            general(speed_),
        KilnFaultText::Line(faults_),
    };
}

std::unique_ptr<EmulatedKiln> MakeTwoNodeKiln(double p, double i, double r, double speed)
{
    return std::make_unique<TwoNodeKiln>(KilnFactors{p, i, r}, speed);
}
