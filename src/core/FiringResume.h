#pragma once
#include "FiringSnapshot.h"
#include "KilnState.h"
#include "Texts.h"

#include <QString>
#include <functional>
#include <optional>

class Clock;
class Dialogs;
class Executor;
class ProgramTable;

// Where a line picks up at the kiln temperature `measured`, on the executor's ramp from s to
// e over `minutes`: the line time whose set point is the measured temperature.
struct ResumePoint {
    enum Where {
        OnRamp,       // the kiln stands within the ramp: the line goes on from there
        BeforeStart,  // the kiln fell back behind the ramp's start: the line starts anew from the
                      // kiln's temperature at its own rate, on the ramp drawn back (line time < 0)
        PastEnd,      // the kiln is beyond the ramp's end: the ramp is done, the line waits
        Hold,         // no ramp (same temperature, or no time): the rest of its time
    };
    Where where = Hold;
    double lineTime = 0;  // days

    static ResumePoint of(double s, double e, int minutes, double storedLineTime, double measured);
};

// Calls into parts built elsewhere.
struct FiringResumeHooks {
    // Loads the program file; false when there is none to load.
    std::function<bool(const QString& path)> LoadProgram;
    std::function<void(double heater, double chamber)> RestoreModel;
    // False when the program keeps no delayed start.
    std::function<bool(double at)> RestoreScheduledStart;
};

// At start-up, a firing that the last run left under way (the program ended without its
// close, the power failed) is offered for resuming, when its record is younger than a limit.
// Until the operator has answered and the first cycle with a kiln reading has come, the
// program stays stopped: the heater at 0 and the outputs off.
class FiringResume {
public:
    static constexpr double kDefaultLimitHours = 2;
    // How much later than now a record may say it was saved: the hour a clock goes back at
    // the end of summer time, and some.
    static constexpr double kFutureToleranceHours = 1.5;
    static constexpr double kFarthestStartDays = 366;

    FiringResume(KilnState& state, const Clock& clock, const MessageSource& texts, EventLogWriter& log,
                 Dialogs& dialogs, Executor& executor, const ProgramTable& program, FiringRecord& record,
                 FiringResumeHooks hooks);

    // Looks for the record and asks whether to resume it.
    void Offer(double limitHours);
    // Before the executor's step of every cycle: a resumed firing continues in the first one
    // with a valid kiln reading.
    void ContinueOnData();
    bool pending() const { return pending_.has_value(); }

private:
    bool readRecord(FiringSnapshot& s);
    QString outOfTime(const FiringSnapshot& s) const;
    bool young(const FiringSnapshot& s, double limitHours);
    bool accepted(const FiringSnapshot& s);
    bool programLoaded(const FiringSnapshot& s);
    void takeUp(const FiringSnapshot& s);
    QString question(const FiringSnapshot& s) const;
    void continueAt(const FiringSnapshot& s);
    QString lineTimeText(double days) const;

    KilnState& state_;
    const Clock& clock_;
    const MessageSource& texts_;
    EventLogWriter& log_;
    Dialogs& dialogs_;
    Executor& executor_;
    const ProgramTable& program_;
    FiringRecord& record_;
    FiringResumeHooks hooks_;
    std::optional<FiringSnapshot> pending_;
};
