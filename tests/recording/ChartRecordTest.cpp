#include "ChartRecord.h"

#include <gtest/gtest.h>
#include <cmath>
#include <qcustomplot.h>

namespace {

// A noisy ramp and a flat line, plus a NaN now and then on the second series.
std::array<double, 3> sample(int j)
{
    return {std::sin(j * 0.7) * 20 + j * 0.01, 25.0, j % 997 == 5 ? std::nan("") : double(j % 101)};
}

}  // namespace

// Whatever the length, the record keeps every point, and its drawing is short, ordered, made
// of real points, and has the first and last point and every bucket's lowest and highest.
TEST(ChartRecord, KeepsEveryPointAndDrawsTheExtremesOfEveryBucket)
{
    for (int n : {1, 7, ChartRecord::kMaxBuckets, ChartRecord::kMaxBuckets + 1, 302400}) {
        SCOPED_TRACE(n);
        ChartRecord record(3);
        for (int j = 0; j < n; ++j)
            record.add(j * 2.0, j * 2.0, sample(j));
        ASSERT_EQ(record.size(), n);
        for (int j : {0, n / 2, n - 1}) {
            EXPECT_EQ(record.x(j), j * 2.0);
            EXPECT_EQ(record.y(0, j), sample(j)[0]);
        }
        if (n <= ChartRecord::kMaxBuckets) {
            EXPECT_EQ(record.bucketSize(), 1);
        }

        QVector<QCPGraphData> drawn;
        for (int s = 0; s < 3; ++s) {
            record.drawingInto(s, drawn);
            ASSERT_FALSE(drawn.isEmpty());
            EXPECT_LE(drawn.size(), 4 * ChartRecord::kMaxBuckets + 4);
            if (n <= ChartRecord::kMaxBuckets) {
                EXPECT_EQ(drawn.size(), n);  // short records draw themselves
            }
            EXPECT_EQ(drawn.front().key, 0);
            EXPECT_EQ(drawn.back().key, (n - 1) * 2.0);
            for (int k = 1; k < drawn.size(); ++k)
                ASSERT_LT(drawn[k - 1].key, drawn[k].key);
            // Each bucket's extremes appear in the drawing.
            const int size = record.bucketSize();
            for (int first = 0; first < n; first += size * 97) {
                double lo = INFINITY, hi = -INFINITY, drawnLo = INFINITY, drawnHi = -INFINITY;
                for (int j = first; j < std::min(n, first + size); ++j)
                    if (!std::isnan(record.y(s, j)))
                        lo = std::min(lo, record.y(s, j)), hi = std::max(hi, record.y(s, j));
                for (const QCPGraphData& d : drawn)
                    if (d.key >= first * 2.0 && d.key < (first + size) * 2.0 && !std::isnan(d.value))
                        drawnLo = std::min(drawnLo, d.value), drawnHi = std::max(drawnHi, d.value);
                EXPECT_EQ(drawnLo, lo) << "bucket at " << first;
                EXPECT_EQ(drawnHi, hi) << "bucket at " << first;
            }
        }
    }
}

// The record keeps the cycles in the order they came, each with the wall clock it had; the
// time line never runs back, and a place on it reads as the wall clock of the cycle before.
TEST(ChartRecord, KeepsTheCyclesInTheirOrderWithTheirStamps)
{
    struct Cycle {
        double x, stamp, value;
    };
    const Cycle cycles[] = {
        {10, 10, 1}, {20, 20, 2}, {30, 30, 3},
        {40, 4, 4},   // the wall clock went back by 36
        {50, 14, 5},
        {50, 14, 6},  // a cycle at the same place
        {45, 55, 7},  // a time line that would run back is held where it was
    };
    ChartRecord record(1);
    for (const Cycle& c : cycles)
        record.add(c.x, c.stamp, std::span<const double>(&c.value, 1));
    ASSERT_EQ(record.size(), 7);
    const double expectedX[] = {10, 20, 30, 40, 50, 50, 50};
    for (int j = 0; j < 7; ++j) {
        EXPECT_EQ(record.x(j), expectedX[j]) << j;
        EXPECT_EQ(record.stamp(j), cycles[j].stamp) << j;
        EXPECT_EQ(record.y(0, j), cycles[j].value) << j;
    }
    const double places[][2] = {{5, 5}, {10, 10}, {25, 25}, {30, 30}, {35, 35}, {40, 4}, {44, 8}, {60, 65}};
    for (const auto& [x, wall] : places)
        EXPECT_EQ(record.stampAt(x), wall) << x;
    QVector<QCPGraphData> drawn;
    record.drawingInto(0, drawn);
    ASSERT_EQ(drawn.size(), 7);
    for (int k = 1; k < drawn.size(); ++k)
        EXPECT_LE(drawn[k - 1].key, drawn[k].key) << k;
    record.clear();
    record.drawingInto(0, drawn);
    EXPECT_TRUE(drawn.isEmpty());
    EXPECT_EQ(record.stampAt(7), 7);
}
