// The model check as an observer of the cycle's report: once per firing and kind, in the
// window's scale, and never on readings it cannot trust.
#include "FakeTexts.h"
#include "KilnState.h"
#include "ModelCheck.h"
#include "TemperatureText.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

namespace {

const ModelFactors kModel{0.0017, 0.00008, 0.003};

// A two-node kiln with the check's own factors, whose elements give `efficiency` of the power
// sent and which is heated by `hidden` percent more that nobody sent.
struct TwoNodeKiln {
    double heater = 25, chamber = 25;
    double efficiency = 1;
    double hidden = 0;
    void run(double seconds, double power)
    {
        for (double left = seconds; left > 0; left -= 1)
            ModelStep(heater, chamber, 25, kModel.r, kModel.i, kModel.p, std::min(left, 1.0),
                      power * efficiency + hidden);
    }
};

// The reports of a firing at a fixed power, in one scale.
struct Firing {
    explicit Firing(ModelCheck& c) : check(c) {}
    ModelCheck& check;
    TwoNodeKiln kiln;
    int scale = 0;
    int state = Running;
    double seconds = 0;
    double power = 80;
    bool data = true;
    std::function<std::optional<double>(double)> reading;  // replaces the kiln reading, °C

    void cycles(int n)
    {
        TemperatureScale s;
        s.TempScale = scale;
        for (int k = 0; k < n; ++k) {
            CycleReport r;
            r.time = QDateTime::fromSecsSinceEpoch(1700000000).addMSecs(qint64(seconds * 1000));
            r.state = state;
            r.data = data;
            r.unit = s.Deg();
            const std::optional<double> celsius = reading ? reading(kiln.chamber) : kiln.chamber;
            if (celsius)
                r.kilnTemp = std::isfinite(*celsius) ? s.TX(*celsius) : *celsius;
            r.outsideTemp = s.TX(25);
            r.power = int(power);
            r.recordSeconds = seconds;
            check.cycleReported(r);
            kiln.run(2, programActive(state) ? power : 0);
            seconds += 2;
        }
    }
    void minutes(double m) { cycles(int(m * 30)); }
};

struct ModelCheckObserver : ::testing::Test {
    FakeTexts texts;
    RecordingLog log;
    ModelFactors fields = kModel;
    int asked = 0;
    ModelCheck check{texts, log, [this] {
                         ++asked;
                         return fields;
                     }};
};

TEST_F(ModelCheckObserver, TellsOncePerFiringAndKindAndForgetsItWhenTheNextFiringStarts)
{
    Firing f{check};
    f.kiln.efficiency = 0.67;
    f.minutes(12);
    EXPECT_TRUE(log.entries.isEmpty()) << "a window must pass first";
    f.minutes(30);
    ASSERT_EQ(log.keys(), QStringList{"ModelCheckLogBehind"});
    EXPECT_EQ(asked, 1) << "the factors are taken when the firing begins";
    EXPECT_EQ(check.notice(), "<ModelCheckBehind>");
    ASSERT_EQ(check.warnings().size(), 1u);
    EXPECT_EQ(check.warnings()[0].key, "model_behind");

    f.state = Finished;
    f.cycles(1);
    EXPECT_TRUE(check.notice().isEmpty()) << "shown only while the firing goes on";
    EXPECT_TRUE(check.warnings().empty());

    // The next firing, on a kiln heated by what nobody sent: the check starts afresh.
    f.state = Running;
    f.kiln = {f.kiln.heater, f.kiln.chamber, 1, 40};
    f.power = 0;
    f.minutes(40);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(log.keys(), (QStringList{"ModelCheckLogBehind", "ModelCheckLogAhead"}));
    EXPECT_EQ(check.notice(), "<ModelCheckAhead>") << "the last firing's verdict is gone";
}

TEST_F(ModelCheckObserver, ComparesInCelsiusWhateverTheWindowShowsAndLogsInItsScale)
{
    const struct {
        int scale;
        QString unit;
    } cases[] = {{0, "°C"}, {1, "°F"}, {2, "K"}, {3, "°Ra"}, {4, "°R"}};
    for (const auto& c : cases) {
        RecordingLog scaled;
        ModelCheck check(texts, scaled, [] { return kModel; });
        Firing f{check};
        f.scale = c.scale;
        f.kiln.efficiency = 0.67;
        f.minutes(40);
        ASSERT_EQ(scaled.keys(), QStringList{"ModelCheckLogBehind"}) << c.unit.toStdString();
        EXPECT_EQ(scaled.entries[0].count(" " + c.unit), 2) << scaled.entries[0].toStdString();
        ASSERT_TRUE(check.lastWindow());
        EXPECT_LT(check.lastWindow()->kiln, 400) << "°C inside: " << c.unit.toStdString();
    }
}

// Readings it cannot trust, a clock it cannot follow, factors it cannot run: it keeps quiet
// rather than warn on them, on a kiln that falls far behind its model.
TEST_F(ModelCheckObserver, NeverWarnsOnWhatItCannotJudge)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        std::function<void(Firing&)> setUp;
        ModelFactors model;
    } cases[] = {
        {"no data", [](Firing& f) { f.data = false; }, kModel},
        {"no kiln reading", [](Firing& f) { f.reading = [](double) { return std::nullopt; }; }, kModel},
        {"readings that are no number", [nan](Firing& f) { f.reading = [nan](double) { return nan; }; }, kModel},
        {"readings that are infinite", [inf](Firing& f) { f.reading = [inf](double) { return inf; }; }, kModel},
        {"an unknown scale", [](Firing& f) { f.scale = 9; }, kModel},
        {"no exchange between the nodes", {}, {0.0017, 0.00008, 0}},
        {"factors that are no number", {}, {nan, 0.00008, 0.003}},
        {"no firing", [](Firing& f) { f.state = Stopped; }, kModel},
    };
    for (const auto& c : cases) {
        RecordingLog quiet;
        ModelCheck check(texts, quiet, [&c] { return c.model; });
        Firing f{check};
        f.kiln.efficiency = 0.5;
        if (c.setUp)
            c.setUp(f);
        f.minutes(60);
        EXPECT_TRUE(quiet.entries.isEmpty()) << c.what;
        EXPECT_FALSE(check.toldBehind()) << c.what;
    }
}

// The kiln clock can stand, run back or leap (a lost link, the wall clock set): a window across
// such a break is not compared, and the check goes on once a whole window has passed after it.
TEST_F(ModelCheckObserver, StartsItsWindowsAfreshAfterABreakInTheClock)
{
    const struct {
        const char* what;
        double jump;  // seconds added to the clock every ten minutes
        bool warns;
    } cases[] = {
        {"a steady clock", 0, true},
        {"a two-minute break", 120, false},
        {"the clock set back", -3600, false},
        {"a standing clock", -2, false},
        {"a break within what the check bridges", 30, true},
    };
    for (const auto& c : cases) {
        RecordingLog breaks;
        ModelCheck check(texts, breaks, [] { return kModel; });
        Firing f{check};
        f.kiln.efficiency = 0.5;
        for (int k = 0; k < 6; ++k) {
            f.minutes(10);
            f.seconds += c.jump;
        }
        EXPECT_EQ(check.toldBehind(), c.warns) << c.what;
    }
}

}  // namespace
