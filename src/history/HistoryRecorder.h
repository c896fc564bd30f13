#pragma once
#include "CycleReport.h"
#include "FiringTally.h"
#include "HistoryWriter.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>

// Records each firing into the history: from its start (or its resume, which continues the
// record) to its end. In the control cycle it only counts and buffers; once a minute the
// buffer goes to the writer's thread as one batch.
class HistoryRecorder : public QObject, public CycleObserver {
    Q_OBJECT
public:
    struct Hooks {
        std::function<FiringFacts()> facts;   // what is being fired, asked at its start
        std::function<QDateTime()> wallClock;
        // A message key and its details for the event log, called on the window's thread.
        std::function<void(const QString& key, const QString& detail)> log;
    };

    HistoryRecorder(const QString& path, Hooks hooks,
                    std::chrono::milliseconds batch = std::chrono::minutes(1));
    ~HistoryRecorder() override;

    QString observerName() const override { return "history"; }
    void cycleReported(const CycleReport& report) override;
    void eventLogged(const EventEntry& entry) override;

    // Everything so far is on disk when this returns.
    void flush();
    bool recording() const { return tally_ != nullptr; }

signals:
    // A firing's record ended (the list is worth reading again).
    void firingRecorded();

private:
    void start(const CycleReport& report);
    void finish(const CycleReport& report);
    void handOffIfDue();
    static Outcome outcomeOf(int progState);

    Hooks hooks_;
    std::chrono::milliseconds batch_;
    std::unique_ptr<FiringTally> tally_;
    std::vector<CurvePoint> points_;
    std::chrono::steady_clock::time_point lastHandOff_;
    bool resumePending_ = false;
    QString breakdownCause_;
    std::unique_ptr<HistoryWriter> writer_;  // last: stopped first
};
