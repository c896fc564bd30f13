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
            record.add(j * 2.0, sample(j));
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

// A clock set back inserts where the point sorts, and the drawing follows.
TEST(ChartRecord, SortsAPointFromTheClockSetBack)
{
    ChartRecord record(1);
    const double values[][2] = {{10, 1}, {20, 2}, {30, 3}, {15, 9}, {20, 8}, {5, -1}};
    for (const auto& v : values)
        record.add(v[0], std::span<const double>(&v[1], 1));
    const double expected[][2] = {{5, -1}, {10, 1}, {15, 9}, {20, 2}, {20, 8}, {30, 3}};
    ASSERT_EQ(record.size(), 6);
    for (int j = 0; j < 6; ++j) {
        EXPECT_EQ(record.x(j), expected[j][0]);
        EXPECT_EQ(record.y(0, j), expected[j][1]);
    }
    QVector<QCPGraphData> drawn;
    record.drawingInto(0, drawn);
    EXPECT_EQ(drawn.size(), 6);
    record.clear();
    record.drawingInto(0, drawn);
    EXPECT_TRUE(drawn.isEmpty());
}
