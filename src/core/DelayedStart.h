#pragma once
#include "KilnState.h"
#include "StartSchedule.h"
#include "Texts.h"

#include <QString>
#include <functional>

class Dialogs;
class Executor;
class QWidget;

struct DelayedStartView {
    QWidget* StartButton = nullptr;
    QWidget* StartAtButton = nullptr;  // enabled exactly when StartButton is
};

// A firing that begins by itself at a set time on the kiln clock. Until then the program
// stays Stopped (heater 0, outputs off); at the time the control cycle presses Start.
class DelayedStart {
public:
    DelayedStart(KilnState& state, Executor& executor, const MessageSource& texts, EventLogWriter& log,
                 Dialogs& dialogs, DelayedStartView view, std::function<bool()> manualMode = {});

    StartSchedule& schedule() { return schedule_; }
    const StartSchedule& schedule() const { return schedule_; }

    // Asks for the time and schedules the start.
    void StartAtButtonClick();
    // Stops whatever runs, so that the kiln waits cold, and sets the time. Refused while
    // Start is not possible.
    void Schedule(double when);
    // A start that was set before the program was last closed or lost: taken up at start-up,
    // while Start still waits for the first reading (the cycle's check drops it should the
    // program turn out impossible).
    void Restore(double when);
    // A press of Start or Stop drops the schedule first.
    void StartButtonClick();
    void StopButtonClick();
    // Once per control cycle, after the Start button's rule: starts the program when the
    // time has come, or drops the schedule when a fault or a change made Start impossible.
    void CheckDelayedStart();
    // "Start in h:nn:ss (hh:nn)" while a start is scheduled, otherwise empty.
    QString Countdown() const;

    static constexpr double kDefaultDelayHours = 1;

private:
    bool startable() const;
    void cancel();
    double suggestedTime() const;

    KilnState& state_;
    Executor& executor_;
    const MessageSource& texts_;
    EventLogWriter& log_;
    Dialogs& dialogs_;
    DelayedStartView view_;
    std::function<bool()> manualMode_;
    StartSchedule schedule_;
};
