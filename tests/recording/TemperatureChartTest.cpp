#include "TemperatureChart.h"

#include "DateTime.h"
#include "LocaleFacts.h"
#include "TestServices.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMap>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <vector>
#include <qcustomplot.h>

namespace {

LocaleFacts dotFacts()
{
    LocaleFacts f;
    f.decimalSeparator = '.';
    f.longTimeFormat = "HH:mm:ss";
    return f;
}

struct ChartFixture : ::testing::Test {
    ScopedLocaleFacts facts{dotFacts()};
    KilnState state;
    FakeDialogs dialogs;
    QCustomPlot plot;
    QCheckBox realTime;
    QLineEdit pidP{"1"}, pidI{"1"}, pidD{"1"};
    QMap<QString, QCheckBox*> boxes;
    std::vector<std::unique_ptr<QCheckBox>> ownedBoxes;
    std::unique_ptr<TemperatureChart> chart;
    const double t0 = DateTime::fromQDateTime(QDateTime(QDate(2024, 3, 15), QTime(14, 0, 0)));

    void SetUp() override
    {
        plot.resize(800, 500);
        realTime.setChecked(true);
        // name -> series index, as the side panel lays them out
        const std::pair<const char*, int> switches[] = {
            {"CheckBox6", 0},   {"CheckBox8", 1},   {"CheckBox9", 2},   {"CheckBox10", 3},  {"CheckBox13", 4},
            {"CheckBox12", 5},  {"CheckBox11", 6},  {"CheckBox7", 7},   {"CheckBox15", 8},  {"CheckBox16", 9},
            {"CheckBox17", 10}, {"CheckBox18", 11}, {"CheckBox19", 12}, {"CheckBox20", 13}, {"CheckBox21", 14},
            {"CheckBox1", 16}};
        for (const auto& [name, index] : switches) {
            auto box = std::make_unique<QCheckBox>();
            box->setObjectName(name);
            setTag(box.get(), index);
            boxes[name] = box.get();
            ownedBoxes.push_back(std::move(box));
        }
        TemperatureChartView view{&plot, &realTime, &pidP, &pidI, &pidD,
                                  [this](const QString& name) { return boxes.value(name, nullptr); }};
        chart = std::make_unique<TemperatureChart>(state, dialogs, view);
        state.RecordStart = t0;
    }

    void cycle(double seconds)
    {
        state.CycleTime = t0 + seconds * DateTime::kSecond;
        chart->DrawGraph();
    }
};

}  // namespace

TEST_F(ChartFixture, DrawGraphFillsEverySeriesInDisplayScale)
{
    state.Temps.TempScale = 1;  // °F
    state.Devices[17].Value = 20;
    for (int k = 1; k <= 8; ++k)
        state.Devices[k].Value = 100 * k;
    state.TargetTemp = 500;
    state.Pid.Power = 42;
    state.Pid.Err = 500;         // × 0.5 = 250, limited to 100
    state.Pid.Integral = -1000;  // × 0.3 = -300, limited to -100
    state.Pid.Derivative = 50;   // × 2 = 100
    pidP.setText("0,5");
    pidI.clear();
    pidD.setText("2");
    cycle(0);

    EXPECT_DOUBLE_EQ(chart->pointY(0, 0), 68);
    EXPECT_DOUBLE_EQ(chart->pointY(1, 0), 212);  // TX(100)
    EXPECT_DOUBLE_EQ(chart->pointY(2, 0), -148);  // TX(-100)
    EXPECT_DOUBLE_EQ(chart->pointY(3, 0), 212);
    EXPECT_DOUBLE_EQ(chart->pointY(4, 0), 42);  // power is not converted
    EXPECT_DOUBLE_EQ(chart->pointY(5, 0), 932);
    EXPECT_DOUBLE_EQ(chart->pointY(6, 0), 42);
    for (int k = 1; k <= 8; ++k)
        EXPECT_DOUBLE_EQ(chart->pointY(6 + k, 0), 100 * k * 1.8 + 32) << k;
    EXPECT_EQ(Colors::background(&pidI), Colors::Red);  // default 0.3 used
    EXPECT_EQ(Colors::background(&pidP), Colors::Lime);

    for (int s = 0; s < TemperatureChart::kDataSeries; ++s) {
        ASSERT_EQ(chart->pointCount(s), 1) << s;
        EXPECT_DOUBLE_EQ(chart->pointX(s, 0), t0);
        EXPECT_EQ(chart->pointLabel(s, 0), "14:00:00");
    }
    EXPECT_EQ(chart->seriesTitle(0), "Amb");
    EXPECT_EQ(chart->seriesTitle(7), "T1");
    EXPECT_EQ(chart->seriesTitle(16), "Numbers");
    EXPECT_EQ(chart->seriesColor(5), QColor(255, 128, 0));
    EXPECT_EQ(chart->seriesColor(14), QColor(0, 128, 0));
    EXPECT_TRUE(std::isnan(chart->pointX(0, 1)));  // past the end
}

TEST_F(ChartFixture, RangeWidensTheShownSpanOnly)
{
    for (int s : {4, 5, 16})
        chart->SetSeriesVisible(s, false);
    state.Devices[17].Value = 20;
    state.Devices[1].Value = 820;
    state.Devices[2].Value = 400;
    state.Devices[3].Value = 100;
    state.Devices[4].Value = 5000;  // T4 is hidden
    state.Pid.Power = 100;
    state.TargetTemp = 1200;        // hidden too
    cycle(0);
    cycle(2);

    ASSERT_EQ(chart->pointCount(TemperatureChart::kRange), 2);  // only the last cycle's
    EXPECT_DOUBLE_EQ(chart->pointX(TemperatureChart::kRange, 0), t0 + 2 * DateTime::kSecond);
    EXPECT_DOUBLE_EQ(chart->pointY(TemperatureChart::kRange, 0), -20);
    EXPECT_DOUBLE_EQ(chart->pointY(TemperatureChart::kRange, 1), 860);
    chart->Redraw();
    EXPECT_LE(plot.yAxis->range().lower, -20);
    EXPECT_GE(plot.yAxis->range().upper, 860);
    EXPECT_LE(plot.xAxis->range().lower, t0);

    // A hidden series is filled all along; switching it on shows every past point and
    // widens the range at once.
    EXPECT_EQ(chart->pointCount(10), 2);
    QCheckBox* t4 = boxes["CheckBox17"];
    t4->setChecked(true);
    chart->CheckBox6Click(t4);
    EXPECT_TRUE(chart->seriesVisible(10));
    EXPECT_TRUE(chart->graph(10)->visible());
    EXPECT_DOUBLE_EQ(chart->pointY(TemperatureChart::kRange, 1), 5000 + 0.05 * 4980);
    EXPECT_GE(plot.yAxis->range().upper, 5000);
    t4->setChecked(false);
    chart->CheckBox6Click(t4);
    EXPECT_DOUBLE_EQ(chart->pointY(TemperatureChart::kRange, 1), 860);
}

TEST_F(ChartFixture, ColourPanelsFollowTheirSwitches)
{
    Panel t1;
    setTag(&t1, 7);
    t1.setColor(QColor(0, 128, 0));
    chart->Panel15Click(&t1);  // cancelled
    EXPECT_EQ(dialogs.asked, QStringList{"color"});
    EXPECT_EQ(t1.color(), QColor(0, 128, 0));
    EXPECT_EQ(chart->seriesColor(7), QColor(0, 128, 0));

    dialogs.colorAnswer = QColor(10, 20, 30);
    chart->Panel15Click(&t1);
    EXPECT_EQ(t1.color(), QColor(10, 20, 30));
    EXPECT_EQ(chart->seriesColor(7), QColor(10, 20, 30));

    // The "Numbers" panel colours the marks' background, not the series.
    Panel numbers;
    setTag(&numbers, 1);
    const QColor numbersPen = chart->seriesColor(16);
    chart->Panel15Click(&numbers);
    EXPECT_EQ(chart->marksBackground(), QColor(10, 20, 30));
    EXPECT_EQ(chart->seriesColor(16), numbersPen);

    Panel stray;
    setTag(&stray, 99);
    chart->Panel15Click(&stray);
    EXPECT_EQ(dialogs.asked.size(), 3);  // no switch, no dialog
}

TEST_F(ChartFixture, RelabelsToElapsedTimeAndTheAxisShowsTheSameTexts)
{
    for (int j = 0; j <= 1800; ++j)  // an hour of 2-second cycles
        cycle(2.0 * j);
    cycle(25 * 3600.0);
    chart->AddLineMark(t0, 50, "1");
    EXPECT_EQ(chart->pointLabel(0, 1800), "15:00:00");
    EXPECT_EQ(chart->pointLabel(TemperatureChart::kRange, 0), "15:00:00");

    realTime.setChecked(false);
    chart->RealTimeClick();
    for (int s : {0, 7, 14}) {
        EXPECT_EQ(chart->pointLabel(s, 0), "00:00:00");
        EXPECT_EQ(chart->pointLabel(s, 1), "00:00:02");
        EXPECT_EQ(chart->pointLabel(s, 1800), "01:00:00");
        EXPECT_EQ(chart->pointLabel(s, 1801), "01:00:00");  // hours wrap after 24
    }
    EXPECT_EQ(chart->pointLabel(TemperatureChart::kRange, 0), "15:00:00");  // kept
    EXPECT_EQ(chart->pointLabel(TemperatureChart::kNumbers, 0), "1");

    // The ticks count from the recording start and carry the point labels.
    QVector<double> ticks;
    QVector<QString> labels;
    const QCPRange range(t0 + 7 * DateTime::kSecond, t0 + 3600 * DateTime::kSecond);
    plot.xAxis->ticker()->generate(range, QLocale::c(), 'g', 6, ticks, nullptr, &labels);
    ASSERT_GE(ticks.size(), 3);
    for (int k = 0; k < ticks.size(); ++k) {
        EXPECT_EQ(labels[k], chart->TimeLabel(ticks[k]));
        const double seconds = (ticks[k] - t0) * 86400;
        EXPECT_NEAR(seconds, std::round(seconds / 60) * 60, 1e-3);  // whole minutes
    }
    const int j = int(std::lround((ticks[1] - t0) * 86400 / 2));
    EXPECT_EQ(labels[1], chart->pointLabel(0, j));
}

TEST_F(ChartFixture, MarksClearingAndCoalescedRedraws)
{
    QCoreApplication::processEvents();  // the plot's own first, queued replot
    int replots = 0;
    QObject::connect(&plot, &QCustomPlot::afterReplot, [&] { ++replots; });
    cycle(0);
    chart->AddLineMark(t0, 100, "1");
    chart->AddLineMark(t0 + DateTime::kMinute, 200, "2");
    for (int j = 1; j <= 5; ++j)
        cycle(2.0 * j);
    EXPECT_EQ(chart->LineMarkCount(), 2);
    EXPECT_EQ(chart->pointLabel(TemperatureChart::kNumbers, 1), "2");
    EXPECT_DOUBLE_EQ(chart->pointY(TemperatureChart::kNumbers, 1), 200);
    EXPECT_EQ(plot.itemCount(), 4);  // callout and frame per mark
    EXPECT_TRUE(chart->redrawPending());
    EXPECT_EQ(replots, 0);
    QTest::qWait(200);
    EXPECT_EQ(replots, 1);
    EXPECT_FALSE(chart->redrawPending());

    chart->SetSeriesVisible(16, false);
    EXPECT_FALSE(plot.item(0)->visible());

    chart->ClearAll();
    for (int s = 0; s < TemperatureChart::kSeriesCount; ++s)
        EXPECT_EQ(chart->pointCount(s), 0) << s;
    EXPECT_EQ(plot.itemCount(), 0);
    EXPECT_EQ(chart->LineMarkCount(), 0);
}

// The wall clock goes back an hour and later forward two: the points stay in the order of the
// cycles on a line that never runs back, and each keeps the clock time it had; elapsed labels
// and the axis count real time.
TEST_F(ChartFixture, AClockThatJumpsDrawsOnAndKeepsItsStamps)
{
    struct Cycle {
        double realSeconds;  // since t0
        double jumpSeconds;  // the wall clock's jumps so far
        const char* clock;
        const char* elapsed;
    };
    const Cycle cycles[] = {
        {0, 0, "14:00:00", "00:00:00"},       {2, 0, "14:00:02", "00:00:02"},
        {4, -3600, "13:00:04", "00:00:04"},   {6, -3600, "13:00:06", "00:00:06"},
        {8, 3600, "15:00:08", "00:00:08"},
    };
    for (const Cycle& c : cycles) {
        state.ClockJumps = c.jumpSeconds * DateTime::kSecond;
        cycle(c.realSeconds + c.jumpSeconds);
    }
    ASSERT_EQ(chart->pointCount(0), 5);
    for (int j = 0; j < 5; ++j) {
        EXPECT_DOUBLE_EQ(chart->pointX(0, j), t0 + cycles[j].realSeconds * DateTime::kSecond) << j;
        EXPECT_DOUBLE_EQ(chart->pointStamp(j), t0 + (cycles[j].realSeconds + cycles[j].jumpSeconds) * DateTime::kSecond);
        EXPECT_EQ(chart->pointLabel(7, j), cycles[j].clock) << j;
        EXPECT_EQ(chart->TimeLabel(chart->pointX(0, j)), cycles[j].clock) << j;  // the axis says the same
    }
    EXPECT_EQ(chart->pointLabel(TemperatureChart::kRange, 0), "15:00:08");
    realTime.setChecked(false);
    chart->RealTimeClick();
    for (int j = 0; j < 5; ++j) {
        EXPECT_EQ(chart->pointLabel(0, j), cycles[j].elapsed) << j;
        EXPECT_EQ(chart->TimeLabel(chart->pointX(0, j)), cycles[j].elapsed) << j;
    }
    chart->Redraw();
    EXPECT_DOUBLE_EQ(plot.xAxis->range().upper, t0 + 8 * DateTime::kSecond);
    EXPECT_DOUBLE_EQ(plot.xAxis->range().lower, t0);
}

// A channel whose reading has its error flag set (a broken thermocouple reads -299 °C on the
// emulator) leaves a gap in its curve: neither the point nor the vertical range takes it.
TEST_F(ChartFixture, AChannelWithoutAValidReadingLeavesAGap)
{
    for (int s : {4, 5, 9, 16})
        chart->SetSeriesVisible(s, false);
    state.Devices[17].Value = 20;
    struct Step {
        double t1, t2;
        bool error1, error2;
    };
    const std::vector<Step> steps{
        {800, 790, false, false}, {-299, 795, true, false}, {-299, -299, true, true}, {810, 800, false, false}};
    for (std::size_t j = 0; j < steps.size(); ++j) {
        state.Devices[1].Value = steps[j].t1;
        state.Devices[1].Error = steps[j].error1;
        state.Devices[2].Value = steps[j].t2;
        state.Devices[2].Error = steps[j].error2;
        cycle(2.0 * double(j));
    }
    for (std::size_t j = 0; j < steps.size(); ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(std::isnan(chart->pointY(7, int(j))), steps[j].error1);
        EXPECT_EQ(std::isnan(chart->pointY(8, int(j))), steps[j].error2);
        if (!steps[j].error1) {
            EXPECT_DOUBLE_EQ(chart->pointY(7, int(j)), steps[j].t1);
        }
    }
    chart->Redraw();
    EXPECT_GT(plot.yAxis->range().lower, -100);  // no spike to -300 stretching the scale
    EXPECT_DOUBLE_EQ(chart->pointY(TemperatureChart::kRange, 0), 20 - 0.05 * 790);
}
