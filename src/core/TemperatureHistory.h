#pragma once
#include <deque>
#include <optional>

// The kiln temperature and the power sent over the last minutes of the kiln clock: how fast
// the kiln is heating at the power it gets.
class TemperatureHistory {
public:
    static constexpr double kWindowMinutes = 10;
    // A rate is given once the readings span half the window.
    static constexpr double kShortestSpanMinutes = kWindowMinutes / 2;

    // One reading; `at` on the kiln clock (days). A clock that went back starts afresh.
    void add(double at, double temp, int power);
    void clear() { samples_.clear(); }

    // °C per minute, the least-squares slope of the readings in the window; none while the
    // readings span too short a time.
    std::optional<double> ratePerMinute() const;
    // The mean power of the readings in the window, percent.
    double meanPower() const;
    double spanMinutes() const;

private:
    struct Sample {
        double minutes;  // kiln clock
        double temp;
        int power;
    };
    std::deque<Sample> samples_;
};
