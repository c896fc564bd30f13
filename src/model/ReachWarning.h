#pragma once
#include "ThermalModel.h"

#include <optional>

// What the warning judges a heating line by, in one cycle.
struct ReachInput {
    double kilnTemp = 0;
    double outsideTemp = 0;
    double lineTemp = 0;
    double dev = 10;                // arrival tolerance, °C
    double elapsedMinutes = 0;      // on the line
    double minutesToBreakdown = 0;  // until the line's minutes and the allowance run out
    std::optional<double> rate;     // measured °C per minute
    double meanPower = 0;           // percent, over the same readings
    ModelFactors model;
};

// Tells early that a line's temperature will not be reached before the executor declares it
// unreachable: when even at full power the kiln model, stepped on from the kiln as it is, does
// not bring the kiln within the tolerance in the time left, or when the kiln, already at high
// power, is rising too slowly to get there. A model the kiln has outgrown is not believed;
// nothing is judged in the first minutes of a line, while the kiln settles on the new ramp.
class ReachWarning {
public:
    static constexpr double kSettleMinutes = 10;
    static constexpr double kHighPower = 90;     // percent: the regulator is near its limit
    static constexpr double kHoldMinutes = 1;    // the verdict must stand this long
    static constexpr double kModelSlack = 1.02;  // of the rise above the ambient full power holds
    static constexpr double kModelSlackC = 5;

    static bool Unreachable(const ReachInput& in);

    // The verdict of one cycle for `line` at `nowMinutes` on the kiln clock. True once per
    // line: when the verdict has stood for kHoldMinutes.
    bool Follow(int line, double nowMinutes, bool unreachable);
    // The verdict stands (the forecast shows it).
    bool standing() const { return standing_; }
    void reset();

private:
    static bool believable(const ReachInput& in);

    int line_ = 0;
    std::optional<double> since_;
    bool standing_ = false;
    bool told_ = false;
};
