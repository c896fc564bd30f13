#pragma once
#include <QVector>
#include <deque>
#include <span>
#include <vector>

class QCPGraphData;

// Every cycle's points of the chart's data series, kept whole for the data file, and a
// drawing of them that stays a few thousand points long however long the recording runs.
//
// The series share their x values, so x is kept once. For drawing, consecutive points are
// grouped into buckets of `bucketSize()` points; a bucket is drawn by its first, lowest,
// highest and last point, in their order. Buckets double in size when there are more than
// kMaxBuckets of them, so a week of 2-s cycles draws from at most 4 x kMaxBuckets points a
// series: on a chart a few hundred to two thousand pixels wide every pixel column still
// holds whole buckets, and the drawing has the same vertical extent in every column as the
// full polyline. Until the first doubling the drawing is the points themselves.
class ChartRecord {
public:
    static constexpr int kMaxBuckets = 4096;

    explicit ChartRecord(int seriesCount);

    // One cycle: x on the recording's time line, the wall-clock stamp it had, and one value
    // per series. Points stay in the order of the cycles; an x below the newest one is drawn
    // at the newest one's, so the drawing never runs back.
    void add(double x, double stamp, std::span<const double> values);
    void clear();

    int size() const { return int(x_.size()); }
    int seriesCount() const { return int(y_.size()); }
    double x(int j) const { return x_[std::size_t(j)]; }
    double stamp(int j) const { return stamps_[std::size_t(j)]; }
    // The wall clock at x on the time line: x moved by the stamp of the newest point at or
    // before it (of the first point before the first); x itself on an empty record.
    double stampAt(double x) const;
    double y(int series, int j) const { return y_[std::size_t(series)][std::size_t(j)]; }
    int bucketSize() const { return bucketSize_; }

    // The points that draw `series`, oldest first.
    void drawingInto(int series, QVector<QCPGraphData>& out) const;

private:
    struct Bucket {
        int low;   // index of the lowest value (a NaN only while the bucket holds nothing else)
        int high;  // index of the highest value
    };

    void extendBuckets(int j);
    void mergeBucketPairs();
    bool lower(int series, int j, int than) const;
    bool higher(int series, int j, int than) const;

    std::deque<double> x_;
    std::deque<double> stamps_;
    std::vector<std::deque<double>> y_;
    std::vector<std::vector<Bucket>> buckets_;  // per series; bucket b holds points b*size..
    int bucketSize_ = 1;
};
