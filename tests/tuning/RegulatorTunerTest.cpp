#include "EmulatorFiring.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <ostream>

namespace {

const PidFactors kShippedPid{10, 0.01, 200, 1};  // data/Oven/Oven1.ovn
const ModelFactors kShippedModel{0.0017, 0.00008, 0.003};

// The model fitted on a firing of Prog1 against the emulator's shipped kiln, once.
const ModelFactors& fittedShippedKiln()
{
    static const ModelFactors fitted = [] {
        auto kiln = MakeShippedKiln();
        const FitResult r =
            FitKiln(AsFitSamples(FireAgainst(*kiln, ShippedProgram("Prog1"), kShippedPid, {120, 21, {}})), kShippedModel);
        return r.verdict == FitResult::Verdict::Fitted ? r.after : ModelFactors{};
    }();
    return fitted;
}

struct ProgramGoal {
    const char* name;
    double rampGain;  // how much lower the worst ramp error must be than with the shipped settings
};

void PrintTo(const ProgramGoal& g, std::ostream* os) { *os << g.name; }

class TunedOnTheFit : public ::testing::TestWithParam<ProgramGoal> {};

// Tuned on the fitted model, then fired against the emulator's kiln with its lagging couple
// and its noisy counts: ramps followed closer than with the shipped settings, and no hold
// overshot by more than 3 °C. ThickBisque's ramps start from holds at 80 and 120 °C, where
// the kiln's own lag sets a floor that the shipped settings already come close to.
TEST_P(TunedOnTheFit, FollowsRampsCloserWithoutOvershoot)
{
    ASSERT_TRUE(fittedShippedKiln().usable());
    const ProgramPlan plan = ShippedProgram(GetParam().name);
    const TuneResult tuned = TuneRegulator(fittedShippedKiln(), kShippedPid, plan);
    ASSERT_TRUE(tuned.improved);
    ASSERT_FALSE(tuned.cancelled);

    auto a = MakeShippedKiln();
    auto b = MakeShippedKiln();
    const TrackingFigures shipped = FiguresOf(FireAgainst(*a, plan, kShippedPid, {0, 31, {}}));
    const TrackingFigures now = FiguresOf(FireAgainst(*b, plan, tuned.after, {0, 31, {}}));
    EXPECT_LE(now.worstRampError, (1 - GetParam().rampGain) * shipped.worstRampError)
        << "shipped " << shipped.worstRampError << " tuned " << now.worstRampError << " with " << tuned.after.p << "/"
        << tuned.after.i << "/" << tuned.after.d << "/" << tuned.after.corr;
    EXPECT_LE(now.worstOvershoot, 3.0);
}

INSTANTIATE_TEST_SUITE_P(ShippedPrograms, TunedOnTheFit,
                         ::testing::Values(ProgramGoal{"Prog1", 0.3}, ProgramGoal{"Glaze1050", 0.3},
                                           ProgramGoal{"Decal780", 0.3}, ProgramGoal{"ThickBisque", 0.2}),
                         [](const auto& info) { return std::string(info.param.name); });

// The model run and a firing of a kiln that is that model measure alike: same set point,
// same definitions of the figures, only the reading's noise between them.
TEST(TrackOnModel, MeasuresAsAFiringOfTheSameKilnDoes)
{
    for (const char* name : {"Prog1", "Glaze1050"}) {
        const ProgramPlan plan = ShippedProgram(name);
        auto kiln = MakeTwoNodeKiln(kShippedModel.p, kShippedModel.i, kShippedModel.r);
        const TrackingFigures fired = FiguresOf(FireAgainst(*kiln, plan, kShippedPid, {0, 5, {}}));
        const TrackedRun model = TrackOnModel(kShippedModel, kShippedPid, plan, true);
        EXPECT_NEAR(model.figures.worstRampError, fired.worstRampError, 1.0) << name;
        EXPECT_NEAR(model.figures.worstOvershoot, fired.worstOvershoot, 1.0) << name;
        ASSERT_FALSE(model.kiln.empty());
        EXPECT_EQ(model.kiln.size(), model.setPoint.size());
        EXPECT_EQ(model.kiln.size(), model.power.size());
        EXPECT_NEAR(double(model.kiln.size()), plan.seconds() / 2, plan.seconds() / 2 * 0.05) << name;
    }
}

struct Unusable {
    const char* name;
    ModelFactors model;
    ProgramPlan plan;
};

void PrintTo(const Unusable& u, std::ostream* os) { *os << u.name; }

class TuneWithoutGround : public ::testing::TestWithParam<Unusable> {};

// Nothing to tune on: the settings come back as they were, and nothing runs away.
TEST_P(TuneWithoutGround, KeepsTheSettings)
{
    const TuneResult r = TuneRegulator(GetParam().model, kShippedPid, GetParam().plan);
    EXPECT_FALSE(r.improved);
    EXPECT_EQ(r.after.p, kShippedPid.p);
    EXPECT_EQ(r.after.i, kShippedPid.i);
    EXPECT_EQ(r.after.d, kShippedPid.d);
    EXPECT_EQ(r.after.corr, kShippedPid.corr);
    const TrackedRun run = TrackOnModel(GetParam().model, kShippedPid, GetParam().plan, true);
    EXPECT_LE(run.kiln.size(), 10u * 86400 / 2);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Models, TuneWithoutGround,
    ::testing::Values(Unusable{"NoProgram", kShippedModel, ProgramPlan()},
                      Unusable{"ZeroGain", {0, 0.00008, 0.003}, ProgramPlan({{600, 60}}, 25)},
                      Unusable{"NotANumber", {kNaN, 0.00008, 0.003}, ProgramPlan({{600, 60}}, 25)},
                      Unusable{"NoExchange", {0.0017, 0.00008, 0}, ProgramPlan({{600, 60}}, 25)}),
    [](const auto& info) { return std::string(info.param.name); });

// Progress runs from 0 to 1 without going back; a cancel stops the search at once and
// hands back usable settings no worse than the start on the model.
TEST(TuneProgress, ReportsAndCancels)
{
    const ProgramPlan plan = ShippedProgram("Decal780");
    std::vector<double> seen;
    int calls = 0;
    const TuneResult r = TuneRegulator(kShippedModel, kShippedPid, plan, [&](double f) {
        seen.push_back(f);
        return ++calls < 25;
    });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(calls, 25);
    EXPECT_LE(r.evaluations, 25);
    for (std::size_t k = 1; k < seen.size(); ++k)
        EXPECT_GE(seen[k], seen[k - 1]);
    EXPECT_GE(seen.front(), 0.0);
    EXPECT_LE(seen.back(), 1.0);
    EXPECT_GT(r.after.p, 0);
    const TrackingFigures start = TrackOnModel(kShippedModel, kShippedPid, plan).figures;
    EXPECT_TRUE(std::isfinite(r.afterFigures.worstRampError));
    if (r.improved) {
        EXPECT_LE(r.afterFigures.worstRampError + r.afterFigures.worstOvershoot,
                  start.worstRampError + start.worstOvershoot + 5);
    }
}

}  // namespace
