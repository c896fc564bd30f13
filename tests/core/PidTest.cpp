#include "Pid.h"

#include <gtest/gtest.h>

TEST(PidStep, WorkedStepAfterReset)
{
    PidState st;
    st.Err = 99;
    st.DerivCount = 7;
    PidReset(st);
    PidStep(0, st, 20, 30, 1, 0.001, 5, 2);
    EXPECT_DOUBLE_EQ(st.Err, 10);
    EXPECT_DOUBLE_EQ(st.Integral, 20);
    EXPECT_DOUBLE_EQ(st.Derivative, 5);
    EXPECT_DOUBLE_EQ(st.Output, 35.02);
    EXPECT_EQ(st.Power, 35);
}

TEST(PidStep, ClampsRoundsHalfToEvenAndCorrectsForTemperature)
{
    auto powerFor = [](double output, int corr, double tin) {
        PidState st;
        // p = output / err with no integral or derivative contribution.
        PidStep(corr, st, tin, tin + 1, output, 0, 0, 2);
        return st.Power;
    };
    EXPECT_EQ(powerFor(50.5, 0, 0), 50);
    EXPECT_EQ(powerFor(51.5, 0, 0), 52);
    EXPECT_EQ(powerFor(40, 1, 1000), 98);  // 40 × 1.25^4 = 97.65625
    EXPECT_EQ(powerFor(40, 2, 1000), 100);
    EXPECT_EQ(powerFor(-5, 0, 0), 0);
    EXPECT_EQ(powerFor(250, 0, 0), 100);
    EXPECT_EQ(powerFor(40, 7, 1000), 40);  // unknown correction: factor 1
}

TEST(MovingAverage, KeepsTheLatestFiftySlopes)
{
    PidState st;
    for (int step = 1; step <= 60; ++step)
        MovingAverage(st, step == 10 ? 1000.0 : 1.0);
    EXPECT_EQ(st.DerivCount, 50);
    EXPECT_DOUBLE_EQ(MovingAverage(st, 1.0), 1.0);  // the 10th slope has fallen out
    PidState fresh;
    EXPECT_DOUBLE_EQ(MovingAverage(fresh, 4), 4);
    EXPECT_DOUBLE_EQ(MovingAverage(fresh, 2), 3);
}
