#include "KilnFit.h"

#include "Simulator.h"

#include <nlopt.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr double kModelAmbient = Simulator::kStartTemp;  // the model's room, as the simulator and the previews take it
constexpr double kMaxStep = 10;          // s
constexpr double kMinStep = 0.01;        // s
constexpr double kStableShare = 0.5;     // of the explicit step's stable length
constexpr double kMaxGap = 86400;        // s between two cycles: longer is no one firing
constexpr double kMinSeconds = 2 * 3600; // shorter firings do not show the losses
constexpr double kMinSpan = 100;         // °C the kiln must cover
// Relative uncertainty of a factor above which the record cannot tell it apart.
constexpr double kMaxUncertainty = 0.10;
// Neighbouring readings are not independent evidence: errors of a model that does not fit
// exactly last for minutes, so the uncertainty counts one sample in this many.
constexpr double kCorrelatedSamples = 150;

// Bounds of the searched factors (log space) and of node 1's start above the chamber. The
// program steps the model it is given by up to 10 s at a time (the stuck-heater watch) and 5 s
// (the reach forecast), explicitly: with i + 2r above 0.2/s such a step swings and grows instead
// of settling. An exchange of 0.05/s (a 20-s lag) is already as good as none on a firing.
constexpr double kMinI = 1e-7, kMaxI = 1e-2;
constexpr double kMinR = 1e-5, kMaxR = 0.05;
constexpr double kMinP = 1e-6, kMaxP = 1;

bool isFiniteNumber(double x) { return std::isfinite(x); }

double ambientOf(const FitSample& s)
{
    return s.outside && isFiniteNumber(*s.outside) ? *s.outside : kModelAmbient;
}

bool validReading(const FitSample& s) { return s.kiln && isFiniteNumber(*s.kiln); }

// A record the model can be run on: time that never goes back nor jumps by days, power that
// is a percentage.
bool wellFormed(const std::vector<FitSample>& samples)
{
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const FitSample& s = samples[k];
        if (!isFiniteNumber(s.seconds) || !isFiniteNumber(s.power) || s.power < 0 || s.power > 100)
            return false;
        if (k > 0 && !(s.seconds - samples[k - 1].seconds >= 0 && s.seconds - samples[k - 1].seconds <= kMaxGap))
            return false;
    }
    return true;
}

int firstValid(const std::vector<FitSample>& samples)
{
    for (std::size_t k = 0; k < samples.size(); ++k)
        if (validReading(samples[k]))
            return int(k);
    return -1;
}

// The model run over the record from sample `from` on, with node 2 starting at `chamber0` and
// node 1 at `heater0`, each cycle's power held until the next; `room` (0 or 1) scales the
// ambient, so that runs can be superposed: the model is linear in its start, its power gain
// and its ambient.
std::vector<double> run(const std::vector<FitSample>& samples, int from, double p, double i, double r,
                        double heater0, double chamber0, double room)
{
    std::vector<double> out(samples.size(), chamber0);
    double t1 = heater0, t2 = chamber0;
    for (std::size_t k = std::size_t(from) + 1; k < samples.size(); ++k) {
        const FitSample& prev = samples[k - 1];
        const double gap = samples[k].seconds - prev.seconds;
        // The explicit step stays stable while dt·(i + 2r) stays well below 2.
        // Factors from a field can be anything: a floor keeps an absurd exchange finite.
        const double longest = std::clamp(kStableShare / (i + 2 * r), kMinStep, kMaxStep);
        const int steps = std::max(1, int(std::ceil(gap / longest)));
        const double dt = gap / steps;
        const double ambient = room * ambientOf(prev);
        for (int s = 0; s < steps && gap > 0; ++s)
            ModelStep(t1, t2, ambient, r, i, p, dt, prev.power);
        out[k] = t2;
    }
    return out;
}

// For given losses (i, r) the prediction is C + p·U + h·H, linear in the power gain p and
// node 1's start h: both follow from a 2×2 least-squares problem.
struct Projection {
    double p = 0, heaterStart = 0, sse = std::numeric_limits<double>::infinity();
};

struct Problem {
    Problem(const std::vector<FitSample>& s, int f, double c) : samples(s), from(f), chamber0(c) {}
    const std::vector<FitSample>& samples;
    int from;
    double chamber0;
    int evaluations = 0;

    Projection project(double i, double r)
    {
        ++evaluations;
        // The unheated run with node 1 starting at the chamber; h: node 1's start above that.
        const std::vector<double> cold = run(unheated(), from, 1, i, r, chamber0, chamber0, 1);
        const std::vector<double> u = run(samples, from, 1, i, r, 0, 0, 0);
        const std::vector<double> h = run(unheated(), from, 1, i, r, 1, 0, 0);
        double suu = 0, suh = 0, shh = 0, suy = 0, shy = 0;
        for (std::size_t k = std::size_t(from); k < samples.size(); ++k) {
            if (!validReading(samples[k]))
                continue;
            const double y = *samples[k].kiln - cold[k];
            suu += u[k] * u[k];
            suh += u[k] * h[k];
            shh += h[k] * h[k];
            suy += u[k] * y;
            shy += h[k] * y;
        }
        Projection pr;
        const double det = suu * shh - suh * suh;
        if (!(std::fabs(det) > 0) || !isFiniteNumber(det)) {
            // Node 1's start cannot be told from the gain: keep it at the chamber's.
            pr.p = suu > 0 ? suy / suu : 0;
            pr.heaterStart = 0;
        } else {
            pr.p = (suy * shh - shy * suh) / det;
            pr.heaterStart = (suu * shy - suh * suy) / det;
        }
        pr.p = std::clamp(pr.p, kMinP, kMaxP);
        double sse = 0;
        for (std::size_t k = std::size_t(from); k < samples.size(); ++k) {
            if (!validReading(samples[k]))
                continue;
            const double e = cold[k] + pr.p * u[k] + pr.heaterStart * h[k] - *samples[k].kiln;
            sse += e * e;
        }
        pr.sse = isFiniteNumber(sse) ? sse : std::numeric_limits<double>::infinity();
        pr.heaterStart += chamber0;
        return pr;
    }

    // The record with the power off: node 1's start decays through it alone.
    const std::vector<FitSample>& unheated()
    {
        if (unheated_.empty()) {
            unheated_ = samples;
            for (FitSample& s : unheated_)
                s.power = 0;
        }
        return unheated_;
    }

private:
    std::vector<FitSample> unheated_;
};

double objective(unsigned, const double* x, double*, void* data)
{
    auto* problem = static_cast<Problem*>(data);
    return problem->project(std::exp(x[0]), std::exp(x[1])).sse;
}

struct Point {
    double logI, logR, sse;
};

// The losses on a coarse grid first: the least-squares surface has more than one valley
// from a poor start, and the grid finds the right one.
std::vector<Point> gridStarts(Problem& problem)
{
    constexpr int kSteps = 12;
    std::vector<Point> points;
    for (int a = 0; a < kSteps; ++a) {
        for (int b = 0; b < kSteps; ++b) {
            const double li = std::log(kMinI) + (std::log(kMaxI) - std::log(kMinI)) * (a + 0.5) / kSteps;
            const double lr = std::log(kMinR) + (std::log(kMaxR) - std::log(kMinR)) * (b + 0.5) / kSteps;
            points.push_back({li, lr, problem.project(std::exp(li), std::exp(lr)).sse});
        }
    }
    std::sort(points.begin(), points.end(), [](const Point& x, const Point& y) { return x.sse < y.sse; });
    points.resize(3);
    return points;
}

// BOBYQA: bounded, derivative-free and quick to converge on a smooth least-squares surface;
// the derivatives would cost a model run per factor anyway.
Point polish(Problem& problem, Point start)
{
    nlopt_opt opt = nlopt_create(NLOPT_LN_BOBYQA, 2);
    const double lower[2] = {std::log(kMinI), std::log(kMinR)};
    const double upper[2] = {std::log(kMaxI), std::log(kMaxR)};
    nlopt_set_lower_bounds(opt, lower);
    nlopt_set_upper_bounds(opt, upper);
    nlopt_set_min_objective(opt, objective, &problem);
    nlopt_set_xtol_abs1(opt, 1e-5);
    nlopt_set_ftol_rel(opt, 1e-12);
    nlopt_set_maxeval(opt, 400);
    const double step[2] = {0.3, 0.3};
    nlopt_set_initial_step(opt, step);
    double x[2] = {start.logI, start.logR};
    double f = start.sse;
    if (nlopt_optimize(opt, x, &f) >= 0 && f <= start.sse)
        start = {x[0], x[1], f};
    nlopt_destroy(opt);
    return start;
}

// The chamber sees the model only through i + 2r and i·r (with p·r as the gain), so the fit
// has a twin with i and 2r swapped. Of the two, a kiln's insulation loses heat more slowly
// than its elements pass it to the chamber: the twin with i ≤ 2r is the kiln.
Point physicalOf(Point p, Problem& problem)
{
    const double i = std::exp(p.logI), r = std::exp(p.logR);
    if (i <= 2 * r)
        return p;
    const double twinI = 2 * r, twinR = i / 2;
    if (twinR > kMaxR || twinI < kMinI)
        return p;
    Point twin = {std::log(twinI), std::log(twinR), 0};
    twin.sse = problem.project(twinI, twinR).sse;
    return polish(problem, twin);
}

// How well the record pins each factor: the relative standard error of p, i and r from the
// fit's Jacobian in log space, with node 1's start as a fourth unknown.
std::array<double, 3> relativeUncertainty(const std::vector<FitSample>& samples, int from, const ModelFactors& f,
                                          double heaterStart, double chamber0, double rms)
{
    const std::vector<double> base = run(samples, from, f.p, f.i, f.r, heaterStart, chamber0, 1);
    constexpr double kStep = 1e-4;
    std::array<std::vector<double>, 4> columns;
    columns[0] = run(samples, from, f.p * std::exp(kStep), f.i, f.r, heaterStart, chamber0, 1);
    columns[1] = run(samples, from, f.p, f.i * std::exp(kStep), f.r, heaterStart, chamber0, 1);
    columns[2] = run(samples, from, f.p, f.i, f.r * std::exp(kStep), heaterStart, chamber0, 1);
    columns[3] = run(samples, from, f.p, f.i, f.r, heaterStart + 1, chamber0, 1);
    std::array<std::array<double, 4>, 4> m{};
    for (std::size_t k = std::size_t(from); k < samples.size(); ++k) {
        if (!validReading(samples[k]))
            continue;
        std::array<double, 4> j;
        for (int c = 0; c < 4; ++c)
            j[std::size_t(c)] = (columns[std::size_t(c)][k] - base[k]) / (c == 3 ? 1 : kStep);
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 4; ++b)
                m[std::size_t(a)][std::size_t(b)] += j[std::size_t(a)] * j[std::size_t(b)];
    }
    // Invert by Gauss-Jordan with partial pivoting; a singular matrix pins nothing.
    std::array<std::array<double, 8>, 4> g{};
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 4; ++b)
            g[std::size_t(a)][std::size_t(b)] = m[std::size_t(a)][std::size_t(b)];
        g[std::size_t(a)][std::size_t(4 + a)] = 1;
    }
    const double inf = std::numeric_limits<double>::infinity();
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int a = c + 1; a < 4; ++a)
            if (std::fabs(g[std::size_t(a)][std::size_t(c)]) > std::fabs(g[std::size_t(pivot)][std::size_t(c)]))
                pivot = a;
        std::swap(g[std::size_t(c)], g[std::size_t(pivot)]);
        const double d = g[std::size_t(c)][std::size_t(c)];
        if (!(std::fabs(d) > 1e-300))
            return {inf, inf, inf};
        for (double& v : g[std::size_t(c)])
            v /= d;
        for (int a = 0; a < 4; ++a) {
            if (a == c)
                continue;
            const double factor = g[std::size_t(a)][std::size_t(c)];
            for (int b = 0; b < 8; ++b)
                g[std::size_t(a)][std::size_t(b)] -= factor * g[std::size_t(c)][std::size_t(b)];
        }
    }
    const double sigma2 = std::max(rms, 1.0) * std::max(rms, 1.0) * kCorrelatedSamples;
    std::array<double, 3> u{};
    for (int c = 0; c < 3; ++c) {
        const double v = g[std::size_t(c)][std::size_t(4 + c)] * sigma2;
        u[std::size_t(c)] = v >= 0 && isFiniteNumber(v) ? std::sqrt(v) : inf;
    }
    return u;
}

// The gain and the losses must be pinned. The exchange must be too, unless it is so fast
// (node 2 follows node 1 within a minute or so) that the record cannot see it, and neither
// does a regulator: then any fast value serves.
constexpr double kFastExchange = 1.0 / 60;  // 1/s

bool pinned(const ModelFactors& f, const std::array<double, 3>& u)
{
    return u[0] <= kMaxUncertainty && u[1] <= kMaxUncertainty && (u[2] <= kMaxUncertainty || f.r >= kFastExchange);
}

struct Coverage {
    double seconds = 0, low = 0, high = 0;
};

Coverage coverageOf(const std::vector<FitSample>& samples)
{
    Coverage c;
    double first = 0, last = 0;
    bool any = false;
    for (const FitSample& s : samples) {
        if (!validReading(s))
            continue;
        if (!any) {
            first = s.seconds;
            c.low = c.high = *s.kiln;
            any = true;
        }
        last = s.seconds;
        c.low = std::min(c.low, *s.kiln);
        c.high = std::max(c.high, *s.kiln);
    }
    c.seconds = last - first;
    return c;
}

// The curve of factors `after` with node 1 starting at `heaterStart`, and how far it lies from
// the record.
FitResult resultOf(const std::vector<FitSample>& samples, const ModelFactors& start, const ModelFactors& after,
                   double heaterStart, FitResult::Verdict verdict)
{
    FitResult result;
    result.verdict = verdict;
    result.before = start;
    result.after = after;
    result.heaterStart = heaterStart;
    result.fitted = PredictKiln(samples, after, heaterStart);
    const FitError error = CompareToRecord(samples, result.fitted);
    result.rms = error.rms;
    result.worst = error.worst;
    return result;
}

// A record that gives no factors keeps the starting ones; its curve is theirs, so that what
// is shown matches what is kept.
FitResult keepStart(const std::vector<FitSample>& samples, const ModelFactors& start, FitResult::Verdict verdict)
{
    const int from = firstValid(samples);
    return resultOf(samples, start, start, from >= 0 ? *samples[std::size_t(from)].kiln : kModelAmbient, verdict);
}

}  // namespace

FitResult FitKiln(const std::vector<FitSample>& samples, const ModelFactors& start)
{
    using Verdict = FitResult::Verdict;
    const int from = firstValid(samples);
    if (from < 0 || !wellFormed(samples)) {
        FitResult none;
        none.before = none.after = start;
        none.fitted.assign(samples.size(), std::numeric_limits<double>::quiet_NaN());
        return none;
    }
    const Coverage coverage = coverageOf(samples);
    if (coverage.seconds < kMinSeconds)
        return keepStart(samples, start, Verdict::TooShort);
    if (coverage.high - coverage.low < kMinSpan)
        return keepStart(samples, start, Verdict::TooFlat);

    const double chamber0 = *samples[std::size_t(from)].kiln;
    Problem problem{samples, from, chamber0};
    Point best = {0, 0, std::numeric_limits<double>::infinity()};
    for (Point p : gridStarts(problem)) {
        p = polish(problem, p);
        if (p.sse < best.sse)
            best = p;
    }
    best = physicalOf(best, problem);
    const Projection pr = problem.project(std::exp(best.logI), std::exp(best.logR));
    const ModelFactors fitted{pr.p, std::exp(best.logI), std::exp(best.logR)};
    FitResult result;
    if (!isFiniteNumber(pr.sse) || !fitted.usable() || !isFiniteNumber(pr.heaterStart)) {
        result = keepStart(samples, start, Verdict::Failed);
    } else {
        result = resultOf(samples, start, fitted, pr.heaterStart, Verdict::Fitted);
        if (!pinned(fitted, relativeUncertainty(samples, from, fitted, pr.heaterStart, chamber0, result.rms)))
            result = keepStart(samples, start, Verdict::TooFlat);
    }
    result.evaluations = problem.evaluations;
    return result;
}

std::vector<double> PredictKiln(const std::vector<FitSample>& samples, const ModelFactors& f, double heaterStart)
{
    const int from = firstValid(samples);
    if (from < 0 || !wellFormed(samples))
        return std::vector<double>(samples.size(), std::numeric_limits<double>::quiet_NaN());
    return run(samples, from, f.p, f.i, f.r, heaterStart, *samples[std::size_t(from)].kiln, 1);
}

FitError CompareToRecord(const std::vector<FitSample>& samples, const std::vector<double>& predicted)
{
    FitError e;
    double sum = 0;
    long long n = 0;
    const std::size_t count = std::min(samples.size(), predicted.size());
    for (std::size_t k = 0; k < count; ++k) {
        if (!validReading(samples[k]) || !isFiniteNumber(predicted[k]))
            continue;
        const double d = predicted[k] - *samples[k].kiln;
        sum += d * d;
        e.worst = std::max(e.worst, std::fabs(d));
        ++n;
    }
    e.rms = n > 0 ? std::sqrt(sum / double(n)) : 0;
    return e;
}
