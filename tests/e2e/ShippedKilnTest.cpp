// The kiln shipped for the first start, in the real window on the simulator: it fires the
// shipped program to its end, and heats and cools as a small electric kiln does, so that a
// potter can read from the simulator when the kiln may be opened.
#include "TForm1.h"

#include "DrivenWindow.h"
#include "LocaleFacts.h"
#include "TestServices.h"
#include "Thermocouple.h"
#include "Widgets.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <qcustomplot.h>

namespace {

// Full power near 200 °C and near 1000 °C, °C per hour; natural cooling 1000 → 200 °C, hours.
constexpr double kMinRate200 = 150, kMaxRate200 = 300;
constexpr double kMinRate1000 = 80;
constexpr double kMinCooling = 8, kMaxCooling = 16;
constexpr double kHalfBand = 20;  // a rate near T is taken from T − 20 to T + 20 °C

// A temperature curve sampled in time (hours): when it first passes a temperature.
struct Curve {
    std::vector<std::pair<double, double>> points;
    std::optional<double> firstAbove(double t, double after = -1) const
    {
        for (const auto& [h, v] : points)
            if (h > after && v >= t)
                return h;
        return std::nullopt;
    }
    std::optional<double> firstBelow(double t, double after = -1) const
    {
        for (const auto& [h, v] : points)
            if (h > after && v <= t)
                return h;
        return std::nullopt;
    }
    // °C per hour while rising through `t`; 0 when it never gets through.
    double risingRate(double t) const
    {
        const auto from = firstAbove(t - kHalfBand);
        const auto to = from ? firstAbove(t + kHalfBand, *from) : std::nullopt;
        return to ? 2 * kHalfBand / (*to - *from) : 0;
    }
};

struct ShippedKiln : ::testing::Test {
    ScopedLocaleFacts locale{LocaleFacts{}};
    QTemporaryDir dir;
    FakeClock clock;
    LcgRandom random;
    FakeDialogs dialogs;
    FakeSoundPlayer sound;
    RecordingPowerOff powerOff;
    std::unique_ptr<TForm1> form;
    int cycles = 0;

    void SetUp() override
    {
        QDir().mkpath(dir.path() + "/Prog");
        QDir().mkpath(dir.path() + "/Oven");
        for (const char* name : {"English.lng", "term.ini", "Prog/Prog1.prg", "Oven/Oven1.ovn"})
            ASSERT_TRUE(QFile::copy(QString(FORNAXEL_DATA_DIR) + "/" + name, dir.path() + "/" + name)) << name;
        form = std::make_unique<TForm1>(AppServices{clock, random, dialogs, sound, powerOff, dir.path()});
        restoreWithoutTimers(*form);
        ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("; ").toStdString();
    }

    double kiln() const { return form->state.kilnTemp(); }
    double hours() const { return cycles * 2 / 3600.0; }
    // Runs 2-second cycles while `more` holds, at most `limit` hours; the kiln's curve.
    Curve runWhile(const std::function<bool()>& more, double limit)
    {
        Curve c;
        const int end = cycles + int(limit * 1800);
        while (more() && cycles < end) {
            form->InterfaceTimerTimer();
            ++cycles;
            c.points.emplace_back(hours(), kiln());
        }
        return c;
    }
    void manualPower(int percent)
    {
        form->PowerRegulation->setItemIndex(1);
        form->ManualPower->setValue(100 - percent);
    }
};

}  // namespace

TEST_F(ShippedKiln, FiresTheFirstProgramThenHeatsAndCoolsLikeASmallElectricKiln)
{
    EXPECT_EQ(form->PID_P->text(), "10");  // the kiln's regulator, not the window's defaults
    EXPECT_FALSE(form->ovenFile->OvenChanged());

    // The model preview at full power shows the rates the firing will meet.
    form->MODELPOWER->setText("100");
    form->previews->DrawModel();
    Curve preview;
    for (const QCPGraphData& p : *form->previews->graph(0)->data())
        preview.points.emplace_back(p.key * 24, p.value);
    const double preview200 = preview.risingRate(200), preview1000 = preview.risingRate(1000);
    EXPECT_GE(preview200, kMinRate200);
    EXPECT_LE(preview200, kMaxRate200);
    EXPECT_GE(preview1000, kMinRate1000);

    // The shipped program to its end, followed within the arrival band.
    for (int i = 0; i < 5; ++i)
        form->InterfaceTimerTimer();
    form->StartButtonClick();
    ASSERT_EQ(form->state.ProgState, Running);
    double worst = 0;
    runWhile(
        [&] {
            if (form->state.ProgState == Running && hours() > 0.25)
                worst = std::max(worst, std::fabs(kiln() - form->state.TargetTemp));
            return form->state.ProgState != Finished && form->state.ProgState != BreakDown;
        },
        14);
    ASSERT_EQ(form->state.ProgState, Finished) << "after " << hours() << " h";
    EXPECT_LT(worst, 10);
    EXPECT_LT(hours(), 651 / 60.0 + 0.5) << "the lines end in time: no waiting for the kiln";
    EXPECT_GT(form->state.MeterEnergyKWh, 10.0);
    EXPECT_LT(form->state.MeterEnergyKWh, 40.0);
    EXPECT_EQ(form->state.Pid.Power, 0);
    EXPECT_EQ(powerOff.requests, 0);
    RecordProperty("worst tracking", QString::number(worst, 'f', 2).toStdString());

    // Finished: the heater stays off and the kiln cools.
    const double finished = kiln();
    runWhile([&] { return kiln() > finished - 30; }, 1);
    EXPECT_LT(kiln(), finished - 29);

    // Full power through 1000 °C, then the kiln left to cool through 200 °C.
    manualPower(100);
    const Curve hot = runWhile([&] { return kiln() < 1000 + kHalfBand + 5; }, 2);
    const double rate1000 = hot.risingRate(1000);
    EXPECT_GE(rate1000, kMinRate1000);
    form->PowerRegulation->setItemIndex(0);  // back to the regulator: with the program finished, off
    const Curve cooling = runWhile([&] { return kiln() > 150; }, 24);
    ASSERT_LE(kiln(), 150);
    const double coolingHours = *cooling.firstBelow(200) - *cooling.firstBelow(1000);
    EXPECT_GE(coolingHours, kMinCooling);
    EXPECT_LE(coolingHours, kMaxCooling);
    // And full power through 200 °C again.
    manualPower(100);
    const Curve warm = runWhile([&] { return kiln() < 200 + kHalfBand + 5; }, 2);
    const double rate200 = warm.risingRate(200);
    EXPECT_GE(rate200, kMinRate200);
    EXPECT_LE(rate200, kMaxRate200);
    EXPECT_NE(form->state.ProgState, BreakDown);

    RecordProperty("full power near 200 C, C/h", QString::number(rate200, 'f', 0).toStdString());
    RecordProperty("full power near 1000 C, C/h", QString::number(rate1000, 'f', 0).toStdString());
    RecordProperty("cooling 1000 to 200 C, h", QString::number(coolingHours, 'f', 2).toStdString());
    RecordProperty("preview near 200 / 1000 C, C/h",
                   (QString::number(preview200, 'f', 0) + " / " + QString::number(preview1000, 'f', 0)).toStdString());
}

// The thermocouple page as the window wires it, on the shipped kiln's channels.
TEST_F(ShippedKiln, TheThermocouplePageShowsTheLoadedChannelsAndDrawsTheirCurve)
{
    EXPECT_EQ(form->TC_Name->text(), "Kiln");
    EXPECT_EQ(form->ThermoCoupleType->itemIndex(), TypeK);
    EXPECT_EQ((QStringList{form->TERM_Z->text(), form->TERM_ZT->text(), form->TERM_K->text(), form->TERM_KT->text()}),
              (QStringList{"85", "25", "500", "900"}));
    EXPECT_FALSE(form->ovenFile->OvenChanged());

    form->state.Devices[2].Tc_Type = TypeB;
    form->TC_Index->setCurrentIndex(1);
    EXPECT_EQ(form->ThermoCoupleType->itemIndex(), TypeLinear);
    EXPECT_FALSE(form->ovenFile->OvenChanged());
    form->ThermoCoupleType->button(TypeMax31855K)->click();
    EXPECT_EQ(form->state.Devices[2].Tc_Type, TypeMax31855K);
    EXPECT_TRUE(form->ovenFile->OvenChanged());

    form->TC_Index->setCurrentIndex(0);
    form->TC_Graph->click();
    EXPECT_EQ(form->Chart3->xAxis->label(), "# (Z, K)");
    EXPECT_GT(form->previews->pointCount(0), 100);
    EXPECT_GT(form->previews->pointCount(3), 100);
    // Another preview puts the time axis back.
    form->OvenModel->click();
    EXPECT_NE(form->Chart3->xAxis->label(), "# (Z, K)");
    EXPECT_EQ(form->previews->pointCount(0), 2 * 9000);
}
