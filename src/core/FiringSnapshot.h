#pragma once
#include "KilnState.h"

#include <QString>

// What it takes to pick a firing up again after the program ended without closing: the
// program and where it stood in it, the clocks, and in simulator mode the model's heat.
struct FiringSnapshot {
    QString programFile;
    int line = 0;
    double lineTime = 0;  // days
    int state = Stopped;
    double targetTemp = 0;
    double startTemp = 0;  // the start of line 1's ramp
    double kilnTemp = 0;
    double cycleTime = 0;  // kiln clock
    double savedAt = 0;    // wall clock when written; the age of the record is measured from it
    double scheduledStart = 0;  // a delayed start's date-time, 0 when none
    bool simulated = false;
    double modelHeaterT = 0;
    double modelChamberT = 0;

    // Only a program under way or a start still to come is worth picking up again.
    bool worthKeeping() const { return programActive(state) || scheduledStart > 0; }
};

// Where the snapshot is kept between two runs.
class FiringRecord {
public:
    enum class Found { None, Valid, Corrupt };

    virtual ~FiringRecord() = default;
    // Replaces the record; throws std::runtime_error naming the reason when it cannot.
    virtual void write(const FiringSnapshot& snapshot) = 0;
    // Corrupt: `error` says what is wrong with it.
    virtual Found read(FiringSnapshot& snapshot, QString& error) const = 0;
    virtual void remove() = 0;
    // A record that cannot be read is moved out of the way, kept for a look but not read again.
    virtual void setAside() = 0;
};
