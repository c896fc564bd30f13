// Element wear on a simulated kiln: fired at full power through the wear band with the
// shipped kiln's model, its heater gain dropped by a fifth after five firings; the start after
// three slower firings logs the notice, and a kiln that keeps its gain never does.
#include "FiringTally.h"
#include "HistoryRig.h"
#include "TemperatureText.h"
#include "ThermalModel.h"

namespace {

// The shipped kiln (Oven/Oven1.ovn).
constexpr ModelFactors kShipped{0.0017, 0.00008, 0.003};
constexpr double kAmbient = 20;

// Full power from cold to 950 °C in 2-second cycles, then Finished.
void fireAtFullPower(HistoryRecorder& recorder, ReportMaker& make, double gain)
{
    double heater = kAmbient, chamber = kAmbient;
    while (chamber < 950) {
        ModelStep(heater, chamber, kAmbient, kShipped.r, kShipped.i, kShipped.p * gain, 2, 100);
        recorder.cycleReported(make.make(1, 1, chamber, 1000.0, 100));
    }
    recorder.cycleReported(make.make(4, 1, chamber, std::nullopt, 0));
}

}  // namespace

TEST(HistoryWear, TheStartAfterThreeSlowerFiringsLogsThatTheElementsMayBeWearing)
{
    struct Case {
        const char* name;
        double laterGain;  // from the sixth firing on
        bool notice;
    };
    const Case cases[] = {{"heater gain down by a fifth", 0.8, true}, {"the shipped kiln as it is", 1.0, false},
                          {"a little slower only", 0.97, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.path() + "/firings.sqlite";
        RecorderRig rig(path, std::chrono::minutes(1));
        ReportMaker make;
        for (int n = 1; n <= 9; ++n) {
            fireAtFullPower(*rig.recorder, make, n <= 5 ? 1.0 : c.laterGain);
            rig.settle();
            // Only the start of the ninth firing has three slower ones before it.
            const bool told = rig.logged.contains("LogElementsWearing");
            ASSERT_EQ(told, c.notice && n == 9) << "after the start of firing " << n;
        }
        EXPECT_EQ(rig.logged.size(), c.notice ? 1 : 0) << rig.logged.join("; ").toStdString();
        const std::vector<FiringSummary> firings = firingsIn(path);
        ASSERT_GE(firings.size(), 8u);
        ASSERT_TRUE(firings[0].figures.heatingRate.has_value());
        EXPECT_GT(*firings[0].figures.heatingRate, 100);
        RecordProperty(std::string(c.name) + ": rate first / sixth, C/h",
                       QString("%1 / %2")
                           .arg(*firings[0].figures.heatingRate, 0, 'f', 0)
                           .arg(firings[5].figures.heatingRate.value_or(0), 0, 'f', 0)
                           .toStdString());
    }
}

// The band is in °C whatever scale the window shows: the same firing shown in each scale
// measures the same rate.
TEST(HistoryWear, TheHeatingRateIsMeasuredInCelsiusInEveryScale)
{
    const auto rateIn = [](int scaleIndex) {
        TemperatureScale scale;
        scale.TempScale = scaleIndex;
        ReportMaker make;
        FiringTally tally;
        double heater = kAmbient, chamber = kAmbient;
        while (chamber < 950) {
            ModelStep(heater, chamber, kAmbient, kShipped.r, kShipped.i, kShipped.p, 2, 100);
            CycleReport r = make.make(1, 1, scale.TX(chamber), scale.TX(1000.0), 100);
            r.unit = TemperatureScale::unitText(scaleIndex);
            tally.add(r, make.start.addSecs(qint64(make.seconds)));
        }
        return tally.figures().heatingRate;
    };
    const std::optional<double> celsius = rateIn(0);
    ASSERT_TRUE(celsius.has_value());
    for (int scale = 1; scale <= 4; ++scale) {
        const std::optional<double> rate = rateIn(scale);
        ASSERT_TRUE(rate.has_value()) << TemperatureScale::unitText(scale).toStdString();
        EXPECT_NEAR(*rate, *celsius, 0.01) << TemperatureScale::unitText(scale).toStdString();
    }
}
