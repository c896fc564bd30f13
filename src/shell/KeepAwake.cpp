#include "KeepAwake.h"

#include "KilnState.h"
#include "SleepInhibitor.h"

KeepAwake::KeepAwake(SleepInhibitor& inhibitor, EventLogWriter& log, const MessageSource& texts)
    : inhibitor_(inhibitor), log_(log), texts_(texts)
{
}

void KeepAwake::Follow(int progState, bool startPending)
{
    const bool wanted = programActive(progState) || startPending;
    if (wanted && !asked_) {
        asked_ = true;
        inhibitor_.acquire([this](const QString& reason) {
            if (!asked_)
                return;  // an answer for a firing that has ended
            refused_ = true;
            if (!refusalLogged_)
                log_.TLogLS("LogNoSleepInhibitor", reason);
            refusalLogged_ = true;
        });
    } else if (!wanted && asked_) {
        Release();
    }
}

void KeepAwake::Release()
{
    if (asked_)
        inhibitor_.release();
    asked_ = false;
    refused_ = false;
}

QString KeepAwake::Warning() const { return asked_ && refused_ ? texts_.LS("NoSleepInhibitorWarning") : QString(); }
