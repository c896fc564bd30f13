#include "CyclePacer.h"

#include <gtest/gtest.h>
#include <vector>

// Ticks at the given times (seconds) with a 2-ms cycle: the cycles each runs.
TEST(CyclePacer, RunsTheCyclesTheClockCallsForAndForgivesAStall)
{
    struct Case {
        const char* what;
        std::vector<double> ticks;
        std::vector<int> cycles;
    };
    const Case cases[] = {
        {"on time", {0, 0.002, 0.004, 0.006}, {1, 1, 1, 1}},
        {"one tick 7 ms late catches up", {0, 0.002, 0.011, 0.013}, {1, 1, 4, 1}},
        {"early ticks run one, and do not bank cycles", {0, 0.0015, 0.003, 0.0045, 0.010}, {1, 1, 1, 1, 2}},
        {"a long catch-up is spread", {0, 0.040, 0.041, 0.042}, {1, 8, 8, 5}},
        {"a stall of seconds is forgiven", {0, 5.0, 5.002}, {1, 1, 1}},
        {"a clock that stands still", {3, 3, 3}, {1, 1, 1}},
    };
    for (const Case& c : cases) {
        CyclePacer pacer;
        pacer.setInterval(0.002);
        std::vector<int> got;
        for (double t : c.ticks)
            got.push_back(pacer.due(t));
        EXPECT_EQ(got, c.cycles) << c.what;
    }
    CyclePacer unpaced;
    unpaced.setInterval(0);
    EXPECT_EQ(unpaced.due(1), 1);
}
