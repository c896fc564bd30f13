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
    for (auto& y : y_)
        y.clear();
    for (auto& b : buckets_)
        b.clear();
    bucketSize_ = 1;
}

void ChartRecord::add(double x, std::span<const double> values)
{
    const bool inOrder = x_.empty() || x >= x_.back();
    const auto at = inOrder ? x_.end() : std::upper_bound(x_.begin(), x_.end(), x);
    const auto index = at - x_.begin();
    x_.insert(at, x);
    for (std::size_t s = 0; s < y_.size(); ++s)
        y_[s].insert(y_[s].begin() + index, s < values.size() ? values[s] : std::nan(""));
    if (inOrder)
        extendBuckets(size() - 1);
    else
        rebuildBuckets();
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

void ChartRecord::rebuildBuckets()
{
    for (auto& b : buckets_)
        b.clear();
    bucketSize_ = 1;
    while (size() > kMaxBuckets * bucketSize_)
        bucketSize_ *= 2;
    for (int j = 0; j < size(); ++j)
        extendBuckets(j);
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
