#include "ThermalModel.h"

#include <gtest/gtest.h>

TEST(ModelStep, WorkedStepAndEquilibrium)
{
    double t1 = 100, t2 = 20;
    // heat in 2/13 × 100 × 0.02, loss 75 × 2/13 × 0.005, exchange 80 × 2/13 × 0.003
    ModelStep(t1, t2, 25, 0.003, 0.005, 0.02, 2.0 / 13, 100);
    EXPECT_NEAR(t1, 100 + 0.307692307692 - 0.057692307692 - 0.036923076923, 1e-11);
    EXPECT_NEAR(t1, 100.21307, 1e-5);
    EXPECT_NEAR(t2, 20.03692, 1e-5);

    double a = 25, b = 25;
    ModelStep(a, b, 25, 0.003, 0.005, 0.02, 2.0 / 13, 0);
    EXPECT_EQ(a, 25);
    EXPECT_EQ(b, 25);
}
