// The kiln fit on a 12-hour firing (21 600 cycles, goal ≤ 2 s) and a regulator tuning run
// (goal ≤ 20 s), then the figures of the fit and the tuning against the emulator's kilns.
#include "EmulatorFiring.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>

namespace {

const ModelFactors kShippedModel{0.0017, 0.00008, 0.003};
const PidFactors kShippedPid{10, 0.01, 200, 1};
constexpr double kTwelveHours = 12 * 60;

// Prog1 on the shipped kiln, with the cooling that makes it twelve hours.
std::vector<FiredCycle> twelveHourFiring()
{
    auto kiln = MakeShippedKiln();
    const ProgramPlan plan = ShippedProgram("Prog1");
    FiringOptions o;
    o.coolMinutes = kTwelveHours - plan.seconds() / 60;
    std::vector<FiredCycle> cycles = FireAgainst(*kiln, plan, kShippedPid, o);
    cycles.resize(std::min<std::size_t>(cycles.size(), 21600));
    return cycles;
}

void BM_FitTwelveHours(benchmark::State& state)
{
    const std::vector<FitSample> samples = AsFitSamples(twelveHourFiring());
    for (auto _ : state) {
        FitResult r = FitKiln(samples, kShippedModel);
        benchmark::DoNotOptimize(r.after.p);
    }
    state.counters["cycles"] = double(samples.size());
}
BENCHMARK(BM_FitTwelveHours)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TuneThickBisque(benchmark::State& state)
{
    const ProgramPlan plan = ShippedProgram("ThickBisque");
    for (auto _ : state) {
        TuneResult r = TuneRegulator(kShippedModel, kShippedPid, plan);
        benchmark::DoNotOptimize(r.after.p);
    }
}
BENCHMARK(BM_TuneThickBisque)->Unit(benchmark::kMillisecond)->Iterations(1);

void printFigures()
{
    std::printf("Two-node kilns, fitted on a noisy Prog1 firing with cooling\n");
    std::printf("%-10s %10s %10s %10s %10s %10s %10s\n", "kiln", "p", "p fit", "i", "i fit", "r", "r fit");
    for (const ModelFactors& f : {kShippedModel, ModelFactors{0.004, 0.0002, 0.0012}}) {
        auto kiln = MakeTwoNodeKiln(f.p, f.i, f.r);
        const ProgramPlan plan = ShippedProgram("Prog1");
        FiringOptions o;
        o.coolMinutes = 120;
        const FitResult r = FitKiln(AsFitSamples(FireAgainst(*kiln, plan, kShippedPid, o)), {0.02, 0.005, 0.003});
        std::printf("%-10s %10.6f %10.6f %10.7f %10.7f %10.6f %10.6f\n", "two-node", f.p, r.after.p, f.i, r.after.i,
                    f.r, r.after.r);
    }

    auto kiln = MakeShippedKiln();
    const std::vector<FiredCycle> prog1 = FireAgainst(*kiln, ShippedProgram("Prog1"), kShippedPid, {120, 1, {}});
    const std::vector<FitSample> samples = AsFitSamples(prog1);
    const FitResult fit = FitKiln(samples, kShippedModel);
    auto kiln2 = MakeShippedKiln();
    const std::vector<FitSample> glaze = AsFitSamples(FireAgainst(*kiln2, ShippedProgram("Glaze1050"), kShippedPid, {120, 2, {}}));
    const FitError second = CompareToRecord(glaze, PredictKiln(glaze, fit.after, *glaze.front().kiln));
    std::printf("\nShipped kiln: fit on Prog1  verdict %d  p %.6f i %.7f r %.6f  RMS %.2f °C  worst %.2f °C\n",
                int(fit.verdict), fit.after.p, fit.after.i, fit.after.r, fit.rms, fit.worst);
    std::printf("Glaze1050 predicted: RMS %.2f °C  worst %.2f °C\n\n", second.rms, second.worst);

    std::printf("%-12s %9s %9s %9s %9s %9s %9s  %s\n", "program", "ramp old", "ramp new", "gain %", "over old",
                "over new", "swing new", "tuned P/I/D/corr");
    for (const char* name : {"Prog1", "Glaze1050", "Decal780", "ThickBisque"}) {
        const ProgramPlan plan = ShippedProgram(name);
        const auto t0 = std::chrono::steady_clock::now();
        const TuneResult tuned = TuneRegulator(fit.after, kShippedPid, plan);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        auto a = MakeShippedKiln();
        auto b = MakeShippedKiln();
        const TrackingFigures old = FiguresOf(FireAgainst(*a, plan, kShippedPid, {0, 3, {}}));
        const TrackingFigures now = FiguresOf(FireAgainst(*b, plan, tuned.after, {0, 3, {}}));
        std::printf("%-12s %9.2f %9.2f %9.1f %9.2f %9.2f %9.2f  %.3g/%.3g/%.3g/%d  (%.1f s, %d runs; model %.2f->%.2f)\n",
                    name, old.worstRampError, now.worstRampError,
                    100 * (1 - now.worstRampError / old.worstRampError), old.worstOvershoot, now.worstOvershoot,
                    now.powerSwing, tuned.after.p, tuned.after.i, tuned.after.d, tuned.after.corr, seconds,
                    tuned.evaluations, tuned.beforeFigures.worstRampError, tuned.afterFigures.worstRampError);
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    printFigures();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
