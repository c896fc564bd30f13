#include "RegulatorTuner.h"

#include "Pid.h"
#include "Simulator.h"
#include "PlanRunner.h"
#include "TrackingMeter.h"

#include <nlopt.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr double kCycle = 2;            // s, as the control cycle
constexpr double kModelAmbient = Simulator::kStartTemp;  // the model's room, as the simulator and the previews take it
constexpr double kMaxDays = 10;         // longest run, as the regulator preview

// A controller's reading: ten conversions of a count of about this many degrees, each with
// up to half a count of noise, averaged.
constexpr double kCountDegrees = 2.3;
constexpr int kConversions = 10;

// Scores of a run: the worst ramp error counts in full, the typical one and a power that
// swings from cycle to cycle less; overshoot in a hold is what a glaze suffers from, so
// anything above two degrees weighs heavily.
constexpr double kOvershootAllowed = 2;
constexpr double kOvershootWeight = 10;
constexpr double kSwingWeight = 0.03;
constexpr double kMeanRampWeight = 0.3;

// The search runs over the gain, the integral time PID_P / PID_I and the derivative time
// PID_D / PID_P, in log space. Their ranges keep out what only a model can take: an integral
// faster than the kiln's own lags winds up into a limit cycle, and a derivative time of
// minutes answers the reading's noise rather than the kiln.
constexpr std::array<double, 3> kLower = {0.5, 600, 2};      // gain, integral time s, derivative time s
constexpr std::array<double, 3> kUpper = {200, 30000, 60};

std::array<double, 3> shapeOf(const PidFactors& pid)
{
    return {pid.p, pid.i > 0 ? pid.p / pid.i : kUpper[1], pid.p > 0 ? pid.d / pid.p : kLower[2]};
}

PidFactors pidOf(const std::array<double, 3>& shape, int corr)
{
    return {shape[0], shape[0] / shape[1], shape[0] * shape[2], corr};
}

// The reading a controller gives of a temperature, from a small deterministic generator so
// that one setting always scores the same.
class Noise {
public:
    double read(double t)
    {
        double sum = 0;
        for (int k = 0; k < kConversions; ++k)
            sum += std::nearbyint(t / kCountDegrees + uniform() - 0.5);
        return sum / kConversions * kCountDegrees;
    }

private:
    double uniform()
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return double(state_ >> 11) / double(1ULL << 53);
    }

    std::uint64_t state_ = 0x2545F4914F6CDD1DULL;
};

struct RunScore {
    TrackingFigures figures;
    double meanRampError = 0;
};

struct RunOptions {
    bool noisy = false;
    double sensorLag = 0;  // s; 0: the reading is the chamber node
};

// The model as fitted, and with a reading that lags it by a minute: a fitted model shows
// little of the lag between the elements, the chamber and a thermocouple in its sheath,
// which is what a firm setting trips over.
constexpr double kSensorLag = 60;  // s

const std::array<RunOptions, 2> kVariants = {RunOptions{true, 0}, RunOptions{true, kSensorLag}};

RunScore runOnModel(const ModelFactors& model, const PidFactors& pid, const ProgramPlan& plan,
                    const RunOptions& options, TrackedRun* curves)
{
    double t1 = plan.startTemp(), t2 = plan.startTemp(), sensor = plan.startTemp();
    PidState st;
    PidReset(st);
    PlanRunner runner(plan, plan.startTemp());
    TrackingMeter meter;
    Noise noise;
    const long long maxCycles = (long long)(kMaxDays * 86400 / kCycle);
    const double lagShare = options.sensorLag > 0 ? 1 - std::exp(-kCycle / options.sensorLag) : 1;
    for (long long n = 0; n < maxCycles && runner.active(); ++n) {
        const double reading = options.noisy ? noise.read(sensor) : sensor;
        runner.step(kCycle, reading);
        if (!runner.active())
            break;
        PidStep(pid.corr, st, reading, runner.setPoint(), pid.p, pid.i, pid.d, kCycle);
        meter.add(runner.setPoint(), reading, st.Power, runner.ramp());
        if (curves) {
            curves->kiln.push_back(reading);
            curves->setPoint.push_back(runner.setPoint());
            curves->power.push_back(st.Power);
        }
        ModelStep(t1, t2, kModelAmbient, model.r, model.i, model.p, kCycle, st.Power);
        sensor += (t2 - sensor) * lagShare;
    }
    return {meter.figures(), meter.meanRampError()};
}

double scoreOf(const RunScore& s)
{
    const TrackingFigures& f = s.figures;
    return f.worstRampError + kMeanRampWeight * s.meanRampError +
           kOvershootWeight * std::max(0.0, f.worstOvershoot - kOvershootAllowed) + kSwingWeight * f.powerSwing;
}

struct Evaluated {
    PidFactors pid;
    double score = std::numeric_limits<double>::infinity();
};

class Search {
public:
    Search(const ModelFactors& model, const ProgramPlan& plan, const std::function<bool(double)>& progress, int budget)
        : model_(model), plan_(plan), progress_(progress), budget_(budget)
    {
    }

    Evaluated evaluate(const PidFactors& pid)
    {
        ++evaluations_;
        Evaluated e;
        e.pid = pid;
        e.score = 0;
        for (const RunOptions& variant : kVariants) {
            const RunScore run = runOnModel(model_, pid, plan_, variant, nullptr);
            e.score = std::max(e.score, scoreOf(run));
        }
        if (e.score < best_.score)
            best_ = e;
        if (progress_ && !progress_(std::min(1.0, double(evaluations_) / budget_)))
            cancelled_ = true;
        return e;
    }

    // Subplex: derivative-free and tolerant of the steps a whole-percent power and the
    // executor's line changes put into the score.
    void searchFrom(const PidFactors& start, int maxEvaluations)
    {
        if (cancelled_)
            return;
        corr_ = start.corr;
        nlopt_opt opt = nlopt_create(NLOPT_LN_SBPLX, 3);
        double lower[3], upper[3], x[3];
        const std::array<double, 3> s = shapeOf(start);
        for (int k = 0; k < 3; ++k) {
            lower[k] = std::log(kLower[std::size_t(k)]);
            upper[k] = std::log(kUpper[std::size_t(k)]);
            x[k] = std::clamp(std::log(std::max(s[std::size_t(k)], 1e-300)), lower[k], upper[k]);
        }
        nlopt_set_lower_bounds(opt, lower);
        nlopt_set_upper_bounds(opt, upper);
        nlopt_set_min_objective(opt, &Search::objective, this);
        nlopt_set_maxeval(opt, maxEvaluations);
        nlopt_set_xtol_abs1(opt, 0.02);
        const double step[3] = {0.7, 0.7, 0.7};
        nlopt_set_initial_step(opt, step);
        opt_ = opt;
        double f = 0;
        nlopt_optimize(opt, x, &f);
        opt_ = nullptr;
        nlopt_destroy(opt);
    }

    const Evaluated& best() const { return best_; }
    bool cancelled() const { return cancelled_; }
    int evaluations() const { return evaluations_; }

private:
    static double objective(unsigned, const double* x, double*, void* data)
    {
        auto* self = static_cast<Search*>(data);
        const double score = self->evaluate(pidOf({std::exp(x[0]), std::exp(x[1]), std::exp(x[2])}, self->corr_)).score;
        if (self->cancelled_)
            nlopt_force_stop(self->opt_);
        return std::isfinite(score) ? score : 1e12;
    }

    const ModelFactors& model_;
    const ProgramPlan& plan_;
    const std::function<bool(double)>& progress_;
    int budget_;
    int corr_ = 1;
    int evaluations_ = 0;
    bool cancelled_ = false;
    nlopt_opt opt_ = nullptr;
    Evaluated best_;
};

// A firm start from the model's gain: a degree of error asks for the power that heats the
// kiln by about 0.07 °C/s, integrated over some forty minutes, with a derivative time of
// fifteen seconds; the correction's share (about 1.6 small, 2.5 large mid-firing) taken out.
PidFactors firmStart(const ModelFactors& model, int corr)
{
    constexpr double kHeatPerDegree = 0.07;  // °C/s
    constexpr double kIntegralTime = 2500;   // s
    constexpr double kDerivativeTime = 15;   // s
    const double share = corr == 0 ? 1 : (corr == 1 ? 1.6 : 2.5);
    const double gain = std::clamp(kHeatPerDegree / model.p / share, kLower[0], kUpper[0]);
    return pidOf({gain, kIntegralTime, kDerivativeTime}, corr);
}

}  // namespace

TrackedRun TrackOnModel(const ModelFactors& model, const PidFactors& pid, const ProgramPlan& plan, bool keepCurves)
{
    TrackedRun run;
    if (!model.usable() || plan.empty())
        return run;
    run.figures = runOnModel(model, pid, plan, {}, keepCurves ? &run : nullptr).figures;
    return run;
}

TuneResult TuneRegulator(const ModelFactors& model, const PidFactors& start, const ProgramPlan& plan,
                         const std::function<bool(double)>& progress)
{
    TuneResult result;
    result.before = start;
    result.after = start;
    if (!model.usable() || plan.empty())
        return result;
    constexpr int kPerStart = 70;
    constexpr int kStarts = 2 * 3;
    Search search(model, plan, progress, kPerStart * kStarts + 1);
    const Evaluated before = search.evaluate(start);
    for (int corr = 0; corr <= 2; ++corr) {
        search.searchFrom(firmStart(model, corr), kPerStart);
        search.searchFrom({start.p, start.i, start.d, corr}, kPerStart);
    }
    result.cancelled = search.cancelled();
    result.evaluations = search.evaluations();
    const Evaluated& best = search.best();
    result.improved = best.score < before.score;
    result.after = result.improved ? best.pid : start;
    // The figures shown are those of the model itself, without the noise and the lag it was scored with.
    result.beforeFigures = runOnModel(model, start, plan, {}, nullptr).figures;
    result.afterFigures = result.improved ? runOnModel(model, best.pid, plan, {}, nullptr).figures : result.beforeFigures;
    return result;
}

