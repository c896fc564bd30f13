#pragma once
#include "Guardian.h"

#include <QList>

// A guardian process that starts no process: records what it is told; the test sets its state.
class ScriptedGuardian : public GuardianProcess {
public:
    QList<GuardianLaunch> launches;
    int beats = 0;
    int releases = 0;
    bool startFails = false;
    State now = State::NotRunning;

    bool start(const GuardianLaunch& launch) override
    {
        launches << launch;
        if (startFails)
            return false;
        now = State::Running;
        return true;
    }
    State state() override { return now; }
    void beat() override { ++beats; }
    void release() override
    {
        ++releases;
        now = State::Released;
    }
    QString errorString() const override { return "no such file"; }
};
