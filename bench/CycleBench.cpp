// The whole control cycle (simulator, executor, regulator, meter, chart with its "Range"
// extremes) at the start of a recording and with a day of points already in the chart.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "TestServices.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace {

void runCycles(benchmark::State& st, int prefill)
{
    QTemporaryDir dir;
    FakeClock clock;
    FakeRandom random;
    FakeDialogs dialogs;
    FakeSoundPlayer sound;
    RecordingPowerOff powerOff;
    TForm1 form(AppServices{clock, random, dialogs, sound, powerOff, dir.path()});
    restoreWithoutTimers(form);
    for (int i = 0; i < prefill; ++i)
        form.InterfaceTimerTimer();
    for (auto _ : st)
        form.InterfaceTimerTimer();
}

void BM_CycleAtStart(benchmark::State& st) { runCycles(st, 0); }
void BM_CycleAfterADay(benchmark::State& st) { runCycles(st, 43200); }

}  // namespace

BENCHMARK(BM_CycleAtStart)->Iterations(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CycleAfterADay)->Iterations(5000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
