#include "ChartRecord.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <qcustomplot.h>

ChartRecord::ChartRecord(int seriesCount)
    : y_(std::size_t(std::max(0, seriesCount))), buckets_(std::size_t(std::max(0, seriesCount)))
{
}

void ChartRecord::clear()
{
    x_.clear();
    stamps_.clear();
    for (auto& y : y_)
        y.clear();
    for (auto& b : buckets_)
        b.clear();
    bucketSize_ = 1;
}

void ChartRecord::add(double x, double stamp, std::span<const double> values)
{
    x_.push_back(x_.empty() ? x : std::max(x, x_.back()));
    stamps_.push_back(stamp);
    for (std::size_t s = 0; s < y_.size(); ++s)
        y_[s].push_back(s < values.size() ? values[s] : std::nan(""));
    extendBuckets(size() - 1);
}

double ChartRecord::stampAt(double x) const
{
    if (x_.empty())
        return x;
    const auto after = std::upper_bound(x_.begin(), x_.end(), x);
    const std::size_t j = after == x_.begin() ? 0 : std::size_t(after - x_.begin() - 1);
    return x + (stamps_[j] - x_[j]);
}

bool ChartRecord::lower(int series, int j, int than) const
{
    const double v = y(series, j);
    const double w = y(series, than);
    return !std::isnan(v) && (std::isnan(w) || v < w);
}

bool ChartRecord::higher(int series, int j, int than) const
{
    const double v = y(series, j);
    const double w = y(series, than);
    return !std::isnan(v) && (std::isnan(w) || v > w);
}

// Point j, the newest, joins the last bucket or opens a new one.
void ChartRecord::extendBuckets(int j)
{
    const bool opens = j % bucketSize_ == 0;
    for (int s = 0; s < seriesCount(); ++s) {
        auto& buckets = buckets_[std::size_t(s)];
        if (opens) {
            buckets.push_back({j, j});
            continue;
        }
        Bucket& b = buckets.back();
        if (lower(s, j, b.low))
            b.low = j;
        if (higher(s, j, b.high))
            b.high = j;
    }
    if (!buckets_.empty() && int(buckets_.front().size()) > kMaxBuckets)
        mergeBucketPairs();
}

void ChartRecord::mergeBucketPairs()
{
    for (int s = 0; s < seriesCount(); ++s) {
        auto& buckets = buckets_[std::size_t(s)];
        std::size_t kept = 0;
        for (std::size_t b = 0; b < buckets.size(); b += 2) {
            Bucket merged = buckets[b];
            if (b + 1 < buckets.size()) {
                const Bucket& next = buckets[b + 1];
                if (lower(s, next.low, merged.low))
                    merged.low = next.low;
                if (higher(s, next.high, merged.high))
                    merged.high = next.high;
            }
            buckets[kept++] = merged;
        }
        buckets.resize(kept);
    }
    bucketSize_ *= 2;
}

void ChartRecord::drawingInto(int series, QVector<QCPGraphData>& out) const
{
    out.clear();
    if (series < 0 || series >= seriesCount())
        return;
    const auto& buckets = buckets_[std::size_t(series)];
    out.reserve(qsizetype(buckets.size() * (bucketSize_ == 1 ? 1 : 4)));
    for (std::size_t b = 0; b < buckets.size(); ++b) {
        const int first = int(b) * bucketSize_;
        const int last = std::min(size(), first + bucketSize_) - 1;
        std::array<int, 4> points{first, buckets[b].low, buckets[b].high, last};
        std::sort(points.begin(), points.end());
        for (std::size_t k = 0; k < points.size(); ++k)
            if (k == 0 || points[k] != points[k - 1])
                out.push_back(QCPGraphData(x(points[k]), y(series, points[k])));
    }
}
