#pragma once
#include "SleepInhibitor.h"

// A sleep lock that asks no login manager: granted, or refused with `refusal`.
class ScriptedInhibitor : public SleepInhibitor {
public:
    int acquires = 0;
    int releases = 0;
    QString refusal;  // empty: the lock is granted
    bool held = false;
    void acquire(std::function<void(const QString&)> refused) override
    {
        ++acquires;
        if (refusal.isEmpty())
            held = true;
        else
            refused(refusal);
    }
    void release() override
    {
        ++releases;
        held = false;
    }
};
