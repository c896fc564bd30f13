#pragma once
#include <optional>

class ProgramTable;

// Where the executor stands, as the forecast needs it.
struct ForecastInput {
    int line = 0;                 // current line, 1-based
    double elapsedMinutes = 0;    // on the current line
    double kilnTemp = 0;          // °C
    double dev = 10;              // arrival tolerance, °C
    std::optional<double> rate;  // measured °C per minute, none while unknown
};

// Minutes until the program ends: what is left of the current line's time, the wait for its
// temperature once that time is spent, and the minutes of the lines after it up to and
// including the end line (temperature 0).
struct EndForecast {
    double minutes = 0;        // the part that is known
    bool waitUnknown = false;  // the current line waits and the kiln is not moving towards it

    static EndForecast of(const ProgramTable& program, const ForecastInput& in);
    // Minutes to come within the tolerance of `lineTemp` at `rate`; none when the kiln does
    // not move that way. 0 once there.
    static std::optional<double> waitMinutes(double lineTemp, const ForecastInput& in);
};
