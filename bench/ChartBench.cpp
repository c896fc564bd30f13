// Chart hot paths: one control cycle's points with an empty, a day-long and a week-long chart,
// the redraw of a day-long and of a week-long chart, the switch to elapsed time on a week, and
// the regulator preview of a 10-hour program.
#include "DateTime.h"
#include "Previews.h"
#include "ProgramTable.h"
#include "Services.h"
#include "TemperatureChart.h"
#include "Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <benchmark/benchmark.h>
#include <cmath>
#include <qcustomplot.h>

namespace {

constexpr int kDayOfCycles = 43200;  // 24 h at one point every 2 s
constexpr int kWeekOfCycles = 7 * kDayOfCycles;  // the longest recording without Clear
constexpr double kT0 = 45366.25;     // a morning in March 2024

// Shown, so the plot's viewport and paint buffers have the window's size.
void showAt(QCustomPlot& plot, int width, int height)
{
    plot.resize(width, height);
    plot.show();
    QCoreApplication::processEvents();
}

class QuietDialogs : public Dialogs {
public:
    bool askYesNo(const QString&, const QString&) override { return false; }
    void showMessage(const QString&, const QString&) override {}
    void showError(const QString&) override {}
    QString openFile(const QString&, const QString&, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    QString saveFile(const QString&, const QString&, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    QColor chooseColor(const QColor& initial) override { return initial; }
    QString choosePort(const QString&, const QStringList&, const QStringList&, const QString&) override { return {}; }
    double chooseStartTime(const QString&, const QStringList&, double) override { return 0; }
};

class NoTexts : public MessageSource {
public:
    QString LS(const QString& key) const override { return key; }
};

// The Work tab chart at about its size in the window, fed like the control cycle feeds it.
struct LiveChart {
    KilnState state;
    QuietDialogs dialogs;
    QCustomPlot plot;
    QCheckBox realTime;
    QLineEdit pidP{"1"}, pidI{"0.001"}, pidD{"5"};
    TemperatureChart chart{state, dialogs, TemperatureChartView{&plot, &realTime, &pidP, &pidI, &pidD, {}}};
    long long cycles = 0;

    LiveChart()
    {
        showAt(plot, 1000, 650);
        realTime.setChecked(true);
        state.RecordStart = kT0;
    }

    void cycle()
    {
        const double phase = double(cycles) / kDayOfCycles;
        state.CycleTime = kT0 + double(cycles) * 2 * DateTime::kSecond;
        state.Devices[17].Value = 22 + 3 * std::sin(phase * 40);
        for (int k = 1; k <= 8; ++k)
            state.Devices[k].Value = 1200 * std::sin(3.14159 * phase) + k * 5 + std::sin(double(cycles) * 0.7);
        state.TargetTemp = 1200 * std::sin(3.14159 * phase);
        state.Pid.Power = int(cycles % 101);
        state.Pid.Err = std::sin(double(cycles) * 0.01) * 30;
        state.Pid.Integral = std::cos(double(cycles) * 0.001) * 500;
        state.Pid.Derivative = std::sin(double(cycles) * 0.1);
        chart.DrawGraph();
        if (cycles % 3600 == 0)
            chart.AddLineMark(state.CycleTime, state.Temps.TX(state.TargetTemp), QString::number(cycles / 3600 + 1));
        ++cycles;
    }
    void fill(long long upTo)
    {
        while (cycles < upTo)
            cycle();
    }
    void fillDay() { fill(kDayOfCycles); }
    void showAllSeries()
    {
        for (int s = 0; s < TemperatureChart::kSeriesCount; ++s)
            chart.SetSeriesVisible(s, true);
    }
};

void BM_DrawGraph_Start(benchmark::State& st)
{
    LiveChart live;
    for (auto _ : st)
        live.cycle();
}
BENCHMARK(BM_DrawGraph_Start)->Iterations(5000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_DrawGraph_After24h(benchmark::State& st)
{
    LiveChart live;
    live.fillDay();
    for (auto _ : st)
        live.cycle();
}
BENCHMARK(BM_DrawGraph_After24h)->Iterations(5000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// st.range(0): 0 = the series shown at start, 1 = all series shown.
void BM_Replot24h(benchmark::State& st)
{
    LiveChart live;
    if (st.range(0) == 1)
        live.showAllSeries();
    live.fillDay();
    for (auto _ : st)
        live.chart.Redraw();
    st.counters["viewport_w"] = live.plot.viewport().width();
    st.counters["points"] = double(live.chart.pointCount(0)) * TemperatureChart::kSeriesCount;
}
BENCHMARK(BM_Replot24h)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A week of chart (17 x 302 400 points) with every series shown: one redraw, one cycle's
// points, and a switch between clock time and elapsed time.
struct WeekChart {
    LiveChart live;
    WeekChart()
    {
        live.showAllSeries();
        live.fill(kWeekOfCycles);
    }
};
WeekChart& weekChart()
{
    static WeekChart week;
    return week;
}

void BM_Replot7d(benchmark::State& st)
{
    WeekChart& week = weekChart();
    for (auto _ : st)
        week.live.chart.Redraw();
    st.counters["points"] = double(week.live.chart.pointCount(0)) * TemperatureChart::kSeriesCount;
}
BENCHMARK(BM_Replot7d)->Unit(benchmark::kMillisecond);

// As the window does it: a new cycle's points, then the redraw that shows them.
void BM_CycleAndReplot7d(benchmark::State& st)
{
    WeekChart& week = weekChart();
    for (auto _ : st) {
        week.live.cycle();
        week.live.chart.Redraw();
    }
}
BENCHMARK(BM_CycleAndReplot7d)->Unit(benchmark::kMillisecond);

void BM_DrawGraph_After7d(benchmark::State& st)
{
    WeekChart& week = weekChart();
    for (auto _ : st)
        week.live.cycle();
}
BENCHMARK(BM_DrawGraph_After7d)->Iterations(5000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_RealTimeClick7d(benchmark::State& st)
{
    WeekChart& week = weekChart();
    for (auto _ : st) {
        week.live.realTime.setChecked(!week.live.realTime.isChecked());
        week.live.chart.RealTimeClick();
    }
    week.live.realTime.setChecked(true);
}
BENCHMARK(BM_RealTimeClick7d)->Unit(benchmark::kMillisecond);

struct KilnTab {
    KilnState state;
    NoTexts texts;
    QCustomPlot plot;
    StringGrid grid{ProgramTable::kColumns, ProgramTable::kInitialRows, ProgramTable::kHeaderRows, 1};
    ProgramTable program{grid, state.Temps};
    QLineEdit modelP{"0.02"}, modelI{"0.005"}, modelR{"0.003"}, modelPower{"20"};
    QLineEdit pidP{"1"}, pidI{"0.001"}, pidD{"5"};
    RadioGroup corr{"corr"};
    std::unique_ptr<Previews> previews;

    KilnTab()
    {
        showAt(plot, 800, 600);
        corr.setItems({"0", "1", "2"});
        corr.setItemIndex(1);
        // 10 hours: ramp up, soak, cool.
        const char* lines[][2] = {{"600", "120"}, {"1000", "180"}, {"1000", "60"}, {"300", "240"}};
        for (int n = 1; n <= 4; ++n) {
            grid.setCell(1, n + 1, lines[n - 1][0]);
            grid.setCell(2, n + 1, lines[n - 1][1]);
        }
        previews = std::make_unique<Previews>(
            state, texts, program,
            PreviewsView{&plot, &modelP, &modelI, &modelR, &modelPower, &pidP, &pidI, &pidD, &corr});
    }
};

void BM_RegulatorPreview10h(benchmark::State& st)
{
    KilnTab tab;
    for (auto _ : st) {
        tab.previews->DrawTestProgram();
        tab.plot.replot();
    }
    st.counters["points"] = double(tab.previews->pointCount(0) * 3);
}
BENCHMARK(BM_RegulatorPreview10h)->Unit(benchmark::kMillisecond);

void BM_RegulatorPreview10hNoReplot(benchmark::State& st)
{
    KilnTab tab;
    for (auto _ : st)
        tab.previews->DrawTestProgram();
}
BENCHMARK(BM_RegulatorPreview10hNoReplot)->Unit(benchmark::kMillisecond);

void BM_ModelPreview(benchmark::State& st)
{
    KilnTab tab;
    for (auto _ : st) {
        tab.previews->DrawModel();
        tab.plot.replot();
    }
}
BENCHMARK(BM_ModelPreview)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
