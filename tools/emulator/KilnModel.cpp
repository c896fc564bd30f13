#include "KilnModel.h"

#include "ThermalModel.h"

#include <algorithm>
#include <cmath>

namespace {

// Longest model step: keeps the explicit Euler step far from unstable at any speed.
constexpr double kMaxStep = 1.0;

enum class Node { Heater, Chamber };

struct Placement {
    Node node;
    double offset;  // °C: thermocouples never agree exactly
};

// Where the eight thermocouples sit: five in the chamber, three near the elements.
constexpr Placement kPlacements[KilnModel::kChannels] = {
    {Node::Chamber, 0},  {Node::Chamber, -3}, {Node::Chamber, 2}, {Node::Chamber, 5},
    {Node::Chamber, -1}, {Node::Heater, 3},   {Node::Heater, 1},  {Node::Heater, -2},
};

}  // namespace

KilnModel::KilnModel(const KilnFactors& factors, double speed) : factors_(factors), speed_(speed) {}

void KilnModel::advance(double realSeconds, double power)
{
    const double modelSeconds = realSeconds * speed_;
    if (!(modelSeconds > 0))
        return;
    const int steps = std::max(1, int(std::ceil(modelSeconds / kMaxStep)));
    const double dt = modelSeconds / steps;
    for (int s = 0; s < steps; ++s)
        ModelStep(heater_, chamber_, kAmbient, factors_.r, factors_.i, factors_.p, dt, power);
}

double KilnModel::channelTemp(int channel) const
{
    const Placement& at = kPlacements[std::clamp(channel, 1, kChannels) - 1];
    return (at.node == Node::Heater ? heater_ : chamber_) + at.offset;
}
