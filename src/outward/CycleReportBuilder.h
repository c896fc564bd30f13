#pragma once
#include "CycleReport.h"
#include "KilnState.h"
#include "Texts.h"

#include <functional>
#include <vector>

class FaultSupervisor;
class FiringForecast;
class ProgramTable;

// Makes the cycle's report from what the control cycle and its subsystems hold at its end.
class CycleReportBuilder {
public:
    CycleReportBuilder(const KilnState& state, const MessageSource& texts, const ProgramTable& program,
                       const FiringForecast& forecast, const FaultSupervisor& faults);

    // `data`: readings arrived in this cycle.
    CycleReport build(bool data) const;
    // An event-log entry stamped with the kiln clock.
    EventEntry entry(const QString& key, const QString& text) const;

    static QString stateKey(int progState);
    // Warnings another subsystem holds, added to every report while a program is active.
    void addWarningSource(std::function<std::vector<WarningReport>()> source);

private:
    void addTemperatures(CycleReport& r) const;
    void addForecast(CycleReport& r) const;
    void addWarnings(CycleReport& r) const;
    QDateTime kilnTime(double days) const;

    const KilnState& state_;
    const MessageSource& texts_;
    const ProgramTable& program_;
    const FiringForecast& forecast_;
    const FaultSupervisor& faults_;
    std::vector<std::function<std::vector<WarningReport>()>> warningSources_;
};
