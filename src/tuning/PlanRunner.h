#pragma once
#include "Executor.h"
#include "ProgramPlan.h"

// Runs a plan the way the executor runs a program, one control cycle at a time: a line's set
// point ramps over the line's time, then the line waits until the kiln reading comes within
// the arrival tolerance of its temperature; a kiln that has not arrived within the allowance
// beyond the line's time breaks the firing off.
class PlanRunner {
public:
    // The tolerance and the allowance are the executor's defaults (its DEV and IMPOSSIBLE fields).
    PlanRunner(const ProgramPlan& plan, double startTemp, double arrival = Executor::kDefaultDev,
               double allowanceMinutes = Executor::kDefaultImpossible);

    // One cycle of `seconds` with this cycle's kiln reading; nothing once the program ended.
    void step(double seconds, double kiln);

    bool active() const { return line_ <= int(plan_.lines().size()) && !brokeOff_; }
    bool brokeOff() const { return brokeOff_; }
    double setPoint() const { return setPoint_; }
    bool ramp() const { return ramp_; }  // the set point moved in this cycle
    int line() const { return line_; }   // 1-based; past the last line once ended

private:
    double lineStart() const;

    ProgramPlan plan_;
    double startTemp_;
    double arrival_;
    double allowance_;  // minutes
    int line_ = 1;
    bool waiting_ = false;
    bool brokeOff_ = false;
    bool ramp_ = false;
    double lineTime_ = 0;  // days
    double setPoint_;
};
