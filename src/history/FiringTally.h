#pragma once
#include "CycleReport.h"
#include "HistoryTypes.h"

#include <optional>

// Keeps the figures of one firing from the cycle reports: its own energy and cost (the meter
// counts per recording and may be cleared mid-firing), the peak, how far the kiln strayed from
// the set point, the warnings raised and how fast it heats at full power.
class FiringTally {
public:
    // The band and power that measure how fast the heater heats, in °C. The elements' wear
    // shows first at full power, and between 700 and 900 °C every kiln on a firing program
    // is usually still ramping with the heater fully on, well above the early steam and
    // burn-out holds yet below the glaze holds.
    static constexpr double kBandLow = 700;
    static constexpr double kBandHigh = 900;
    static constexpr int kFullPower = 95;
    // A firing whose regulator only touches full power now and then gives no figure.
    static constexpr double kSettleSeconds = 900;

    // A new firing, or `resumed` continuing the figures so far.
    explicit FiringTally(const FiringFigures& resumed = {}) : figures_(resumed) {}

    // Returns the curve point of a cycle with data; none without.
    std::optional<CurvePoint> add(const CycleReport& report, const QDateTime& wall);
    const FiringFigures& figures() const { return figures_; }

private:
    void countTime(const CycleReport& r);
    void countEnergy(const CycleReport& r);
    void countDeviation(const CycleReport& r);
    void countWarnings(const CycleReport& r);
    void countHeating(const CycleReport& r, double step);

    FiringFigures figures_;
    std::optional<CycleReport> previous_;
    double heatingSeconds_ = 0;
    double heatingRise_ = 0;
    double fullPowerSeconds_ = 0;  // the heater has been fully on without a break
};
