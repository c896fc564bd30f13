#pragma once
#include "ProgramPlan.h"
#include "ThermalModel.h"

#include <functional>
#include <vector>

struct PidFactors {
    double p = 0, i = 0, d = 0;
    int corr = 1;  // 0 none, 1 small, 2 large
};

struct TrackingFigures {
    double worstRampError = 0;  // °C, largest |set point − kiln| while the set point moves
    double worstOvershoot = 0;  // °C, largest kiln − set point while it stands (0 if never above)
    double powerSwing = 0;      // mean |power change| from cycle to cycle, percent
};

// The program fired on the model with the PID regulator in 2-s cycles (PidStep, as the live
// regulator does); optionally the per-cycle kiln temperature and power for a preview.
struct TrackedRun {
    TrackingFigures figures;
    std::vector<double> kiln, setPoint;
    std::vector<int> power;
};
TrackedRun TrackOnModel(const ModelFactors& model, const PidFactors& pid, const ProgramPlan& plan,
                        bool keepCurves = false);

struct TuneResult {
    bool cancelled = false, improved = false;
    PidFactors before, after;
    TrackingFigures beforeFigures, afterFigures;  // on the model
    int evaluations = 0;
};
// Searches PID_P, PID_I, PID_D and the correction for `plan` on `model`. `progress` is called
// now and then with 0..1 and returns false to cancel (then the best so far is returned, cancelled
// = true). Runs on any thread; touches nothing but its arguments.
TuneResult TuneRegulator(const ModelFactors& model, const PidFactors& start, const ProgramPlan& plan,
                         const std::function<bool(double)>& progress = {});
