#include "DelayedStart.h"

#include "DateTime.h"
#include "Executor.h"
#include "Services.h"

#include <QWidget>
#include <cmath>

DelayedStart::DelayedStart(KilnState& state, Executor& executor, const MessageSource& texts, EventLogWriter& log,
                           Dialogs& dialogs, DelayedStartView view, std::function<bool()> manualMode)
    : state_(state), executor_(executor), texts_(texts), log_(log), dialogs_(dialogs), view_(view),
      manualMode_(std::move(manualMode))
{
}

bool DelayedStart::startable() const
{
    const bool manual = manualMode_ && manualMode_();
    return !state_.ProgImpossible && !manual && (!view_.StartButton || view_.StartButton->isEnabled());
}

// An hour from now on the kiln clock, on the next five minutes.
double DelayedStart::suggestedTime() const
{
    if (schedule_.pending())
        return schedule_.at();
    const double fiveMinutes = 5 * DateTime::kMinute;
    return std::ceil((state_.CycleTime + kDefaultDelayHours / 24) / fiveMinutes) * fiveMinutes;
}

void DelayedStart::StartAtButtonClick()
{
    if (!startable())
        return;
    QStringList lines{texts_.LS("StartAtPrompt")};
    if (programActive(state_.ProgState))
        lines << texts_.LS("StartAtStopsProgram");
    const double when = dialogs_.chooseStartTime(texts_.LS("StartAtTitle"), lines, suggestedTime());
    if (when != 0)
        Schedule(when);
}

void DelayedStart::Schedule(double when)
{
    if (!startable() || !std::isfinite(when) || when == 0)
        return;
    if (state_.ProgState != Stopped)
        executor_.StopButtonClick();
    schedule_.scheduleAt(when);
    log_.TLogLS("LogDelayedStartSet", DateTime::stamp(when));
}

void DelayedStart::Restore(double when)
{
    if (!std::isfinite(when) || when == 0 || state_.ProgState != Stopped)
        return;
    schedule_.scheduleAt(when);
    log_.TLogLS("LogDelayedStartSet", DateTime::stamp(when));
}

void DelayedStart::cancel()
{
    if (!schedule_.pending())
        return;
    schedule_.cancel();
    log_.TLogLS("LogDelayedStartCancelled", "");
}

void DelayedStart::StartButtonClick()
{
    cancel();
    executor_.StartButtonClick();
}

void DelayedStart::StopButtonClick()
{
    cancel();
    executor_.StopButtonClick();
}

void DelayedStart::CheckDelayedStart()
{
    if (view_.StartAtButton && view_.StartButton)
        view_.StartAtButton->setEnabled(view_.StartButton->isEnabled());
    if (!schedule_.pending())
        return;
    // A breakdown while waiting (a lost link), a program made impossible, manual power: the
    // firing is not to begin unattended.
    const bool manual = manualMode_ && manualMode_();
    if (state_.ProgState != Stopped || state_.ProgImpossible || manual) {
        cancel();
        return;
    }
    // With the link down Start is disabled: the start waits for the link to return.
    if (!schedule_.due(state_.CycleTime) || (view_.StartButton && !view_.StartButton->isEnabled()))
        return;
    schedule_.cancel();
    log_.TLogLS("LogDelayedStart", "");
    executor_.StartButtonClick();
}

QString DelayedStart::Countdown() const
{
    if (!schedule_.pending())
        return QString();
    return texts_.LS("StartCountdown") + DateTime::span(schedule_.remaining(state_.CycleTime), true) + " (" +
           DateTime::hm(schedule_.at()) + ")";
}
