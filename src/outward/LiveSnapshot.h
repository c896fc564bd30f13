#pragma once
#include "CycleReport.h"
#include "LiveChart.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QMutex>
#include <memory>

// What the control cycle last told the live page, shared between the window's thread, which
// only writes, and the server's thread, which only reads. Every access is a copy under a lock
// held for as little as a copy takes, so the cycle never waits on a request.
class LiveSnapshot {
public:
    // The window's thread: the newest report and its chart point.
    void update(const CycleReport& report);
    void setKilnName(const QString& name);
    void setLabels(const QJsonObject& labels);

    struct State {
        std::shared_ptr<const CycleReport> report;  // none before the first cycle
        QString kilnName;
        quint64 generation = 0;  // grows with every report
        qint64 ageMs = 0;        // since the report was handed over
    };
    State state() const;
    QJsonObject labels() const;
    // The chart's start and its points after `seconds`.
    std::pair<QDateTime, std::vector<LiveChartPoint>> chartSince(double seconds) const;

private:
    mutable QMutex mutex_;
    std::shared_ptr<const CycleReport> report_;
    QString kilnName_;
    QJsonObject labels_;
    LiveChart chart_;
    quint64 generation_ = 0;
    QElapsedTimer reported_;
};
