#include "RichKiln.h"

#include "ChannelPlacements.h"
#include "KilnFaultText.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kStefanBoltzmann = 5.670374e-8;  // W/(m² K⁴)
constexpr double kKelvin = 273.15;
constexpr double kResistanceSpan = 1200 - 25;  // the resistance rise is given over this span
constexpr double kMaxStep = 1.0;               // s: the longest sub-step

// Net radiation between two bodies at a and b °C, per m².
double radiation(double a, double b)
{
    const double ta = a + kKelvin, tb = b + kKelvin;
    return kStefanBoltzmann * (ta * ta * ta * ta - tb * tb * tb * tb);
}

// How much faster radiation grows with the temperature, per m² (its derivative at t °C).
double radiationSlope(double t)
{
    const double k = std::max(t, 0.0) + kKelvin;
    return 4 * kStefanBoltzmann * k * k * k;
}

}  // namespace

#define P(name, low, high) RichKilnParameter{#name, &RichKilnParameters::name, low, high}
const std::array<RichKilnParameter, 13> kRichKilnParameters = {
    P(power, 0.1, 1000),           P(resistanceRise, 0, 50),   P(elementCapacity, 0.1, 10000),
    P(elementExchange, 0, 100000), P(elementArea, 0, 100),     P(chamberCapacity, 1, 100000),
    P(wareCapacity, 0.1, 100000),  P(wareExchange, 0, 100000), P(wallLoss, 0, 100000),
    P(radiatingArea, 0, 100),      P(lidArea, 0, 100),         P(lidLoss, 0, 100000),
    P(coupleLag, 0, 3600),
};
#undef P

RichKiln::RichKiln(const RichKilnParameters& parameters, double speed) : parameters_(parameters), speed_(speed) {}

void RichKiln::advance(double realSeconds, double power)
{
    double left = realSeconds * speed_;
    if (!(left > 0))
        return;
    power = std::clamp(power, 0.0, 100.0);
    while (left > 0) {
        const double dt = std::min(left, stableStep());
        step(dt, power);
        left -= dt;
    }
}

// Explicit steps stay stable while each is well below the fastest node's time constant; the
// radiation makes that depend on the temperatures, so it is taken afresh every step.
double RichKiln::stableStep() const
{
    const RichKilnParameters& k = parameters_;
    const double lidOpen = faults_.lidOpen ? 1 : 0;
    const double toChamber = k.elementExchange + k.elementArea * radiationSlope(std::max(elements_, chamber_));
    const double elementRate = toChamber / (k.elementCapacity * 1000);
    const double chamberRate = (toChamber + k.wareExchange + k.wallLoss + lidOpen * k.lidLoss +
                                (k.radiatingArea + lidOpen * k.lidArea) * radiationSlope(chamber_)) /
                               (k.chamberCapacity * 1000);
    const double wareRate = k.wareExchange / (k.wareCapacity * 1000);
    const double fastest = std::max({elementRate, chamberRate, wareRate, 1e-9});
    return std::clamp(0.5 / fastest, 1e-3, kMaxStep);
}

double RichKiln::heatingWatts(double power) const
{
    const RichKilnParameters& k = parameters_;
    const double resistance = 1 + k.resistanceRise / 100 * (elements_ - kAmbient) / kResistanceSpan;
    return k.power * 1000 * power / 100 * (1 - faults_.elementLossPercent / 100) / std::max(resistance, 0.5);
}

double RichKiln::lossWatts() const
{
    const RichKilnParameters& k = parameters_;
    const bool lid = faults_.lidOpen;
    return (k.wallLoss + (lid ? k.lidLoss : 0)) * (chamber_ - kAmbient) +
           (k.radiatingArea + (lid ? k.lidArea : 0)) * radiation(chamber_, kAmbient);
}

void RichKiln::step(double dt, double power)
{
    const RichKilnParameters& k = parameters_;
    const double toChamber = k.elementExchange * (elements_ - chamber_) + k.elementArea * radiation(elements_, chamber_);
    const double toWare = k.wareExchange * (chamber_ - ware_);
    const double heat = heatingWatts(power);
    const double loss = lossWatts();
    elements_ += dt * (heat - toChamber) / (k.elementCapacity * 1000);
    chamber_ += dt * (toChamber - toWare - loss) / (k.chamberCapacity * 1000);
    ware_ += dt * toWare / (k.wareCapacity * 1000);
    // The couples follow exactly, whatever the step.
    const double follow = k.coupleLag > 0 ? 1 - std::exp(-dt / k.coupleLag) : 1;
    chamberCouple_ += (chamber_ - chamberCouple_) * follow;
    elementCouple_ += (elements_ - elementCouple_) * follow;
}

double RichKiln::channelTemp(int channel) const
{
    return ChannelPlacements::Reading(channel, elementCouple_, chamberCouple_);
}

QStringList RichKiln::stateLines() const
{
    const auto oneDecimal = [](double value) { return QString::number(value, 'f', 1); };
    return {
        "kiln rich  ware " + oneDecimal(ware_) + " °C  elements give " + QString::number(heatingWatts(100) / 1000, 'f', 2) +
            " kW at full power  losses " + QString::number(lossWatts() / 1000, 'f', 2) + " kW  speed " +
            QString::number(speed_, 'g', 15),
        KilnFaultText::Line(faults_),
    };
}

std::unique_ptr<EmulatedKiln> MakeShippedKiln(double speed) { return std::make_unique<RichKiln>(RichKilnParameters{}, speed); }
