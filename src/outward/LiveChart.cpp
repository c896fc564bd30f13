#include "LiveChart.h"

#include <algorithm>

void LiveChart::add(const QDateTime& start, const LiveChartPoint& point)
{
    if (start != start_) {
        start_ = start;
        points_.clear();
    }
    // A clock set back within a recording must not leave the points out of order: the
    // page asks for what follows the last point it holds.
    if (!points_.empty() && point.seconds <= points_.back().seconds)
        return;
    points_.push_back(point);
    if (points_.size() > kMaxPoints)
        thin();
}

// Keeps every other point, counted from the newest, so that the newest always stays.
void LiveChart::thin()
{
    std::vector<LiveChartPoint> kept;
    kept.reserve(points_.size() / 2 + 1);
    const std::size_t last = points_.size() - 1;
    for (std::size_t i = last % 2; i <= last; i += 2)
        kept.push_back(points_[i]);
    points_ = std::move(kept);
}

std::vector<LiveChartPoint> LiveChart::since(double seconds) const
{
    const auto first = std::upper_bound(points_.begin(), points_.end(), seconds,
                                        [](double s, const LiveChartPoint& p) { return s < p.seconds; });
    return {first, points_.end()};
}
