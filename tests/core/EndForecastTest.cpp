#include "DateTime.h"
#include "EndForecast.h"
#include "LocaleFacts.h"
#include "ProgramTable.h"
#include "TemperatureHistory.h"
#include "TemperatureText.h"
#include "Widgets.h"

#include <gtest/gtest.h>

namespace {

TEST(EndForecast, RemainingMinutesOfTheProgram)
{
    TemperatureScale scale;
    StringGrid grid{5, 201, 2, 1};
    ProgramTable program{grid, scale};
    // 100 °C in 60 min, 600 °C in 300, 900 °C in 120, then the end line with 15 minutes.
    const char* lines[][2] = {{"100", "60"}, {"600", "300"}, {"900", "120"}, {"0", "15"}};
    for (int n = 0; n < 4; ++n) {
        grid.setCell(1, n + 2, lines[n][0]);
        grid.setCell(2, n + 2, lines[n][1]);
    }
    const struct {
        const char* what;
        ForecastInput in;
        double minutes;
        bool unknown;
    } cases[] = {
        {"at the start", {1, 0, 20, 10, {}}, 60 + 300 + 120 + 15, false},
        {"on a ramp", {2, 100, 300, 10, {}}, 200 + 120 + 15, false},
        {"waiting, heating", {2, 310, 500, 10, 2.0}, 45 + 120 + 15, false},
        {"waiting, within the tolerance", {2, 310, 591, 10, 0.0}, 120 + 15, false},
        {"waiting, just outside it", {2, 310, 590, 10, 0.5}, 0 + 120 + 15, false},
        {"waiting, not heating", {2, 310, 500, 10, 0.0}, 120 + 15, true},
        {"waiting, no rate yet", {2, 310, 500, 10, {}}, 120 + 15, true},
        {"waiting, cooling towards it", {2, 310, 700, 10, -2.0}, 45 + 120 + 15, false},
        {"waiting, heating away from it", {2, 310, 700, 10, 1.0}, 120 + 15, true},
        {"the end line", {4, 5, 900, 10, {}}, 10, false},
        {"no line", {0, 0, 20, 10, {}}, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const EndForecast f = EndForecast::of(program, c.in);
        EXPECT_NEAR(f.minutes, c.minutes, 1e-9);
        EXPECT_EQ(f.waitUnknown, c.unknown);
    }
}

TEST(TemperatureHistory, RateOverTheLastMinutes)
{
    TemperatureHistory h;
    const double start = 45000.5;
    const auto at = [&](double seconds) { return start + seconds * DateTime::kSecond; };
    for (int s = 0; s < 4 * 60; s += 2)
        h.add(at(s), 20 + s * 0.05, 100);  // 3 °C per minute
    EXPECT_FALSE(h.ratePerMinute()) << "four minutes are too few";
    for (int s = 4 * 60; s <= 30 * 60; s += 2)
        h.add(at(s), s < 20 * 60 ? 20 + s * 0.05 : 80 - (s - 20 * 60) * 0.01, s < 20 * 60 ? 100 : 40);
    // Only the last ten minutes count: a fall of 0.6 °C per minute at 40 %.
    ASSERT_TRUE(h.ratePerMinute());
    EXPECT_NEAR(*h.ratePerMinute(), -0.6, 1e-9);
    EXPECT_NEAR(h.meanPower(), 40, 1e-9);
    EXPECT_NEAR(h.spanMinutes(), 10, 1e-6);
    h.add(at(0), 20, 0);  // the clock went back
    EXPECT_EQ(h.spanMinutes(), 0);
    EXPECT_FALSE(h.ratePerMinute());
}

TEST(EndForecast, LengthsOfTime)
{
    LocaleFacts facts;
    facts.timeSeparator = '.';
    ScopedLocaleFacts scoped{facts};
    const double minute = DateTime::kMinute, second = DateTime::kSecond;
    EXPECT_EQ(DateTime::span(29 * 60 * minute + 12.4 * minute, false), "29.12");
    EXPECT_EQ(DateTime::span(59.6 * minute, false), "1.00");
    EXPECT_EQ(DateTime::span(-5, true), "0.00.00");
    EXPECT_EQ(DateTime::span(1.2 * second, true), "0.00.02");
    EXPECT_EQ(DateTime::hm(45000.75), "18.00");
}

}  // namespace
