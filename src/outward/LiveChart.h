#pragma once
#include <QDateTime>
#include <optional>
#include <vector>

// One point of the live page's chart: seconds since the recording began, the kiln's
// temperature and the set point in the window's scale (none without a valid reading or a
// running program), and the heater power in percent.
struct LiveChartPoint {
    double seconds = 0;
    std::optional<double> kilnTemp;
    std::optional<double> setPoint;
    int power = 0;
};

// The chart points of the current recording, in time order. Bounded: past kMaxPoints every
// other point is dropped, so that a firing of days still fits a phone and the memory stays
// flat. A new recording starts afresh.
class LiveChart {
public:
    static constexpr std::size_t kMaxPoints = 4000;

    // `start` is the recording's start; a different one begins a new chart.
    void add(const QDateTime& start, const LiveChartPoint& point);
    // The points after `seconds`, oldest first.
    std::vector<LiveChartPoint> since(double seconds) const;
    const QDateTime& start() const { return start_; }
    std::size_t size() const { return points_.size(); }

private:
    void thin();

    QDateTime start_;
    std::vector<LiveChartPoint> points_;
};
