#include "CycleReportBuilder.h"

#include "DateTime.h"
#include "Executor.h"
#include "FaultSupervisor.h"
#include "FiringForecast.h"
#include "ProgramTable.h"

#include <algorithm>

CycleReportBuilder::CycleReportBuilder(const KilnState& state, const MessageSource& texts, const ProgramTable& program,
                                       const FiringForecast& forecast, const FaultSupervisor& faults)
    : state_(state), texts_(texts), program_(program), forecast_(forecast), faults_(faults)
{
}

QString CycleReportBuilder::stateKey(int progState)
{
    switch (progState) {
    case Running: return "running";
    case Waiting: return "waiting";
    case Paused: return "paused";
    case Finished: return "finished";
    case BreakDown: return "breakdown";
    default: return "stopped";
    }
}

QDateTime CycleReportBuilder::kilnTime(double days) const
{
    const QDateTime t = DateTime::toQDateTime(days);
    return t.isValid() ? t.toOffsetFromUtc(t.offsetFromUtc()) : t;
}

CycleReport CycleReportBuilder::build(bool data) const
{
    CycleReport r;
    r.time = kilnTime(state_.CycleTime);
    r.data = data;
    r.state = state_.ProgState;
    r.stateKey = stateKey(state_.ProgState);
    r.stateText = texts_.LS(Executor::StateKey(state_.ProgState));
    r.line = state_.ProgLine;
    r.lineCount = std::max(0, program_.EndLine() - 1);
    r.power = state_.Pid.Power;
    r.outputA = state_.OutLevel[1];
    r.outputB = state_.OutLevel[2];
    r.energyKWh = state_.MeterEnergyKWh;
    r.cost = state_.MeterCost;
    r.controller = state_.simulated() ? state_.deviceName() : state_.ControllerName;
    r.simulated = state_.simulated();
    if (state_.RecordStart != 0) {
        r.recordStart = kilnTime(state_.RecordStart);
        r.recordSeconds = state_.recordElapsed() * 86400;
    }
    addTemperatures(r);
    addForecast(r);
    addWarnings(r);
    return r;
}

void CycleReportBuilder::addTemperatures(CycleReport& r) const
{
    const TemperatureScale& scale = state_.Temps;
    r.unit = scale.Deg();
    // The kiln channel's and the outside sensor's error flags are set again as the cycle hands
    // over to the next exchange; their validity is kept apart.
    const auto valid = [&](int device) {
        if (!r.data)
            return false;  // nothing was read in this cycle
        if (device == DeviceTable::kThermocouple)
            return state_.KilnReadingOk;
        if (device == DeviceTable::kSensor)
            return state_.OutsideReadingOk;
        return !state_.Devices[device].Error;
    };
    const auto reading = [&](int device) -> std::optional<double> {
        if (!valid(device))
            return std::nullopt;
        return scale.TX(state_.Devices[device].Value);
    };
    r.kilnTemp = reading(DeviceTable::kThermocouple);
    for (int k = 1; k <= 8; ++k)
        r.channels.push_back({k, state_.Devices[k].Tc_Name.trimmed(), reading(k)});
    r.outsideTemp = reading(DeviceTable::kSensor);
    if (programActive(state_.ProgState))
        r.setPoint = scale.TX(state_.TargetTemp);
}

void CycleReportBuilder::addForecast(CycleReport& r) const
{
    if (!programActive(state_.ProgState))
        return;
    const EndForecast f = forecast_.forecast();
    if (f.waitUnknown)
        return;
    r.minutesLeft = f.minutes;
    r.endTime = kilnTime(state_.CycleTime + f.minutes * DateTime::kMinute);
}

void CycleReportBuilder::addWarnings(CycleReport& r) const
{
    if (forecast_.warning() && programActive(state_.ProgState))
        r.warnings.push_back({"reach", texts_.LS("OutwardReachWarning")});
    if (faults_.HeaterAlarm)
        r.warnings.push_back({"stuck_heater", texts_.LS("OutwardHeaterStuck")});
    if (programActive(state_.ProgState))
        for (const auto& source : warningSources_)
            for (WarningReport& w : source())
                r.warnings.push_back(std::move(w));
    if (state_.ProgState == BreakDown && !faults_.BreakdownKey.isEmpty())
        r.warnings.push_back({"breakdown", faults_.BreakdownText.trimmed()});
}

void CycleReportBuilder::addWarningSource(std::function<std::vector<WarningReport>()> source)
{
    if (source)
        warningSources_.push_back(std::move(source));
}

EventEntry CycleReportBuilder::entry(const QString& key, const QString& text) const
{
    return {kilnTime(state_.CycleTime), key, text};
}
