#include "KeepAwake.h"

#include "KilnState.h"
#include "SleepInhibitor.h"

KeepAwake::KeepAwake(SleepInhibitor& inhibitor, EventLogWriter& log) : inhibitor_(inhibitor), log_(log) {}

void KeepAwake::Follow(int progState)
{
    const bool wanted = programActive(progState);
    if (wanted && !asked_) {
        asked_ = true;
        inhibitor_.acquire([this](const QString& reason) {
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
}
