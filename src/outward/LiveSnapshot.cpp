#include "LiveSnapshot.h"

#include <QMutexLocker>

void LiveSnapshot::update(const CycleReport& report)
{
    // Copied before the lock is taken: the lock only swaps a pointer and adds a point.
    auto copy = std::make_shared<const CycleReport>(report);
    std::optional<LiveChartPoint> point;
    if (report.recordSeconds && report.recordStart.isValid())
        point = LiveChartPoint{*report.recordSeconds, report.kilnTemp, report.setPoint, report.power};
    QMutexLocker lock(&mutex_);
    report_.swap(copy);
    ++generation_;
    reported_.start();
    if (point)
        chart_.add(report.recordStart, *point);
    lock.unlock();
    // The old report is freed here, outside the lock.
}

void LiveSnapshot::setKilnName(const QString& name)
{
    QMutexLocker lock(&mutex_);
    kilnName_ = name;
    ++generation_;
}

void LiveSnapshot::setLabels(const QJsonObject& labels)
{
    QMutexLocker lock(&mutex_);
    labels_ = labels;
}

LiveSnapshot::State LiveSnapshot::state() const
{
    QMutexLocker lock(&mutex_);
    return State{report_, kilnName_, generation_, reported_.isValid() ? reported_.elapsed() : 0};
}

QJsonObject LiveSnapshot::labels() const
{
    QMutexLocker lock(&mutex_);
    return labels_;
}

std::pair<QDateTime, std::vector<LiveChartPoint>> LiveSnapshot::chartSince(double seconds) const
{
    QMutexLocker lock(&mutex_);
    return {chart_.start(), chart_.since(seconds)};
}
