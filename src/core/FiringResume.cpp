#include "FiringResume.h"

#include "DateTime.h"
#include "Executor.h"
#include "Numbers.h"
#include "ProgramTable.h"
#include "Services.h"

ResumePoint ResumePoint::of(double s, double e, int minutes, double storedLineTime, double measured)
{
    if (minutes <= 0 || s == e)
        return {Hold, storedLineTime};
    const double d = minutes / 1440.0;
    // The executor's set point is s + (LineTime / d) × (e − s); solved for the measured
    // temperature. Drawn back past its start the ramp keeps its rate, so a kiln that has
    // cooled is brought back as fast as the line would have heated it, no faster.
    const double at = d * (measured - s) / (e - s);
    if (at < 0)
        return {BeforeStart, at};
    if (at > d)
        return {PastEnd, d};
    return {OnRamp, at};
}

FiringResume::FiringResume(KilnState& state, const Clock& clock, const MessageSource& texts, EventLogWriter& log,
                           Dialogs& dialogs, Executor& executor, const ProgramTable& program, FiringRecord& record,
                           FiringResumeHooks hooks)
    : state_(state), clock_(clock), texts_(texts), log_(log), dialogs_(dialogs), executor_(executor),
      program_(program), record_(record), hooks_(std::move(hooks))
{
}

// Each step that turns the record down logs why and removes it (a broken one is set aside),
// so that it is not offered again.
void FiringResume::Offer(double limitHours)
{
    FiringSnapshot s;
    if (readRecord(s) && young(s, limitHours) && accepted(s) && programLoaded(s))
        takeUp(s);
}

// A record saved later than now, or a start scheduled absurdly far ahead, is no record this
// program wrote on this clock: a clock set back by a month must not make it look recent.
QString FiringResume::outOfTime(const FiringSnapshot& s) const
{
    const double now = clock_.now();
    if (s.savedAt > now + kFutureToleranceHours / 24)
        return "key SavedAt: " + DateTime::stamp(s.savedAt) + " is later than now (" + DateTime::stamp(now) + ")";
    if (s.scheduledStart > now + kFarthestStartDays)
        return "key ScheduledStart: " + DateTime::stamp(s.scheduledStart) + " is more than " +
               Numbers::formatInt(int(kFarthestStartDays)) + " days ahead";
    return {};
}

bool FiringResume::readRecord(FiringSnapshot& s)
{
    QString error;
    FiringRecord::Found found = record_.read(s, error);
    if (found == FiringRecord::Found::Valid) {
        error = outOfTime(s);
        if (!error.isEmpty())
            found = FiringRecord::Found::Corrupt;
    }
    if (found == FiringRecord::Found::Corrupt) {
        log_.TLogLS("LogFiringStateBroken", error);
        record_.setAside();
    }
    return found == FiringRecord::Found::Valid;
}

bool FiringResume::young(const FiringSnapshot& s, double limitHours)
{
    const double ageHours = (clock_.now() - s.savedAt) * 24;
    if (ageHours < limitHours)
        return true;
    log_.TLogLS("LogResumeTooOld", Numbers::formatFixed(ageHours, 15, 1));
    record_.remove();
    return false;
}

bool FiringResume::accepted(const FiringSnapshot& s)
{
    if (dialogs_.askYesNo(texts_.LS("MBResumeFiring"), question(s)))
        return true;
    log_.TLogLS("LogResumeDeclined", s.programFile);
    record_.remove();
    return false;
}

bool FiringResume::programLoaded(const FiringSnapshot& s)
{
    if (!hooks_.LoadProgram || !hooks_.LoadProgram(s.programFile)) {
        log_.TLogLS("LogResumeNoProgram", s.programFile);
        record_.remove();
        return false;
    }
    if (state_.ProgImpossible) {  // what Start would refuse
        log_.TLogLS("LogResumeImpossible", s.programFile);
        record_.remove();
        return false;
    }
    return true;
}

// The program continues at the first kiln reading; the record stays until it is renewed.
void FiringResume::takeUp(const FiringSnapshot& s)
{
    if (s.simulated && state_.simulated() && hooks_.RestoreModel)
        hooks_.RestoreModel(s.modelHeaterT, s.modelChamberT);
    const bool scheduled =
        s.scheduledStart > 0 && hooks_.RestoreScheduledStart && hooks_.RestoreScheduledStart(s.scheduledStart);
    if (programActive(s.state))
        pending_ = s;
    else if (!scheduled)
        record_.remove();
}

QString FiringResume::question(const FiringSnapshot& s) const
{
    QString text = texts_.LS("MBResumeFiringText") + "\n\n" + s.programFile;
    if (programActive(s.state))
        text += "\n" + texts_.LS("ProgramLineNumber") + Numbers::formatInt(s.line) + ", " + texts_.LS("ProgramState") +
                texts_.LS(Executor::StateKey(s.state));
    if (s.scheduledStart > 0)
        text += "\n" + texts_.LS("MBResumeScheduled") + DateTime::stamp(s.scheduledStart);
    text += "\n" + texts_.LS("MBResumeInterrupted") + DateTime::stamp(s.savedAt);
    return text;
}

QString FiringResume::lineTimeText(double days) const { return texts_.LS("ProgramTime") + DateTime::signedLongTime(days); }

void FiringResume::ContinueOnData()
{
    if (!pending_ || !state_.DataReady || state_.Devices[DeviceTable::kThermocouple].Error)
        return;
    const FiringSnapshot s = *pending_;
    pending_.reset();
    continueAt(s);
}

void FiringResume::continueAt(const FiringSnapshot& s)
{
    const double t = state_.kilnTemp();
    const auto where = [&](double lineTime) {
        return " " + Numbers::formatInt(s.line) + ", T=" + state_.Temps.TermSdeg(t) + ", " + lineTimeText(lineTime);
    };
    if (s.state == Paused) {
        // The operator had paused it: it stays paused at the temperature chosen then.
        executor_.Continue(s.line, s.lineTime, Paused, s.startTemp, s.targetTemp);
        log_.TLogLS("LogResumePaused", where(s.lineTime));
        return;
    }
    const double start = s.line == 1 ? s.startTemp : program_.LineTemp(s.line - 1);
    const ResumePoint p =
        ResumePoint::of(start, program_.LineTemp(s.line), program_.LineMinutes(s.line), s.lineTime, t);
    executor_.Continue(s.line, p.lineTime, Running, s.startTemp, t);
    switch (p.where) {
    case ResumePoint::OnRamp: log_.TLogLS("LogResumeOnRamp", where(p.lineTime)); break;
    case ResumePoint::BeforeStart: log_.TLogLS("LogResumeBeforeStart", where(p.lineTime)); break;
    case ResumePoint::PastEnd: log_.TLogLS("LogResumePastEnd", where(p.lineTime)); break;
    case ResumePoint::Hold: log_.TLogLS("LogResumeHold", where(p.lineTime)); break;
    }
}
