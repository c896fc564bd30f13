// Seven simulated days of back-to-back firings on the simulator through the whole control
// cycle, with the chart recording throughout. Reports the resident memory growth against the
// chart's points, and the cycle's cost over the first and the last cycles.
//   fornaxel_soak [CYCLES]   (default 302400: seven days of 2-s cycles)
// With 100000 cycles or more it exits 1 when the end cost exceeds 1.05 x the start cost, when
// the memory grows by more than the chart's points account for (a generous 64 bytes a point,
// plus 8 MiB of slack for the allocator), or when the resident memory ends above 150 MB. A short run, e.g. `fornaxel_soak 3000` in the
// sanitizer build, only reports; LeakSanitizer judges it at exit.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "Widgets.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string>
#include <unistd.h>

namespace {

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

long chartPoints(const TForm1& form)
{
    long n = 0;
    for (int s = 0; s < TemperatureChart::kSeriesCount; ++s)
        n += form.chart->pointCount(s);
    return n;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long cycles = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 302400;
    const long window = std::max(10L, std::min(5000L, cycles / 10));

    QTemporaryDir dir;
    WindowServices services;
    services.random.fallback = -1;
    TForm1 form(services.app(dir.path()));
    restoreWithoutTimers(form);
    form.MODEL_P->setText("0.05");  // a kiln that reaches the firing's temperatures
    // A short bisque: up to 300 °C in an hour, half an hour's hold, then off.
    const char* lines[][2] = {{"300", "60"}, {"300", "30"}, {"0", "0"}};
    for (int n = 1; n <= 3; ++n) {
        form.Prog->setCell(1, n + 1, lines[n - 1][0]);
        form.Prog->setCell(2, n + 1, lines[n - 1][1]);
    }
    form.InterfaceTimerTimer();

    // Between the measuring windows the events run after every cycle (the chart's coalesced
    // redraws, the log mirror). Inside them only the cycle runs, so that its cost is not mixed
    // with the redraws' (which follow the points on screen) nor with the caches they sweep; the
    // redraw is timed on its own.
    long firings = 0;
    bool timing = false;
    auto runCycles = [&](long n) {
        for (long i = 0; i < n; ++i) {
            if (!programActive(form.state.ProgState)) {
                form.StopButtonClick();  // from line 1 again, not the line it ended on
                form.StartButtonClick();
                ++firings;
            }
            form.InterfaceTimerTimer();
            if (!timing)
                app.processEvents();
        }
    };
    struct Cost {
        double cycleUs, redrawMs;
    };
    auto timed = [&](long n) {
        // The least of ten slices: other work on a shared machine only ever adds time.
        QElapsedTimer t;
        timing = true;
        double cycleUs = std::numeric_limits<double>::infinity();
        for (int slice = 0; slice < 10; ++slice) {
            t.start();
            runCycles(n / 10);
            cycleUs = std::min(cycleUs, double(t.nsecsElapsed()) / 1000.0 / double(n / 10));
        }
        timing = false;
        t.start();
        for (int i = 0; i < 5; ++i)
            form.chart->Redraw();
        return Cost{cycleUs, double(t.nsecsElapsed()) / 1e6 / 5};
    };

    runCycles(window);  // warm up: first allocations, first redraws
    const long rssStart = residentKiB();
    const long pointsStart = chartPoints(form);
    const Cost costStart = timed(window);
    runCycles(cycles - 3 * window);
    const Cost costEnd = timed(window);
    const long rssEnd = residentKiB();
    const long pointsEnd = chartPoints(form);

    const long growthBytes = (rssEnd - rssStart) * 1024;
    const long points = pointsEnd - pointsStart;
    const double perPoint = points > 0 ? double(growthBytes) / double(points) : 0;
    std::printf("cycles %ld, firings %ld, chart points %ld (+%ld)\n", cycles, firings, pointsEnd, points);
    std::printf("RSS %ld KiB -> %ld KiB: +%ld KiB, %.1f bytes a chart point\n", rssStart, rssEnd, rssEnd - rssStart,
                perPoint);
    std::printf("cycle cost %.1f us at the start, %.1f us at the end (x%.2f)\n", costStart.cycleUs,
                costEnd.cycleUs, costEnd.cycleUs / costStart.cycleUs);
    std::printf("chart redraw %.2f ms at the start, %.2f ms at the end\n", costStart.redrawMs, costEnd.redrawMs);
    // A short run (the sanitizer build's, for its leak check at exit) is too short and too
    // noisy for the verdicts: it reports the figures only.
    const bool judged = cycles >= 100000;
    if (!judged)
        std::printf("short run: figures only\n");
    const bool costOk = !judged || costEnd.cycleUs <= 1.05 * costStart.cycleUs;
    const bool memoryOk = !judged || growthBytes <= 64L * points + 8L * 1024 * 1024;
    const bool residentOk = !judged || rssEnd * 1024.0 <= 150e6;
    if (!costOk)
        std::printf("FAIL: the cycle costs more than 1.05 x its start cost\n");
    if (!memoryOk)
        std::printf("FAIL: the memory grows by more than the chart's points account for\n");
    if (!residentOk)
        std::printf("FAIL: more than 150 MB resident at the end\n");
    return costOk && memoryOk && residentOk ? 0 : 1;
}
