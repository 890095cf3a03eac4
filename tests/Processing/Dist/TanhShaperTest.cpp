#include "Processing/Dist/TanhShaper.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(TanhShaperTest, StaysWithinItsStatedDistanceOfTanhOfHalfTheInput)
{
    double worst = 0.0;
    for (double v = -30.0; v <= 30.0; v += 0.001)
    {
        const float y = TanhShaper::Shape(static_cast<float>(v), 1.0f);
        worst = std::max(worst, std::fabs(y - std::tanh(v / 2.0)));
        ASSERT_LT(std::fabs(y), 1.0f) << v;
        ASSERT_FLOAT_EQ(TanhShaper::Shape(static_cast<float>(-v), 1.0f), -y) << v;
    }
    EXPECT_LT(worst, 0.027);
    // Slope gain / 2 at zero: 12 v / 24.
    EXPECT_NEAR(TanhShaper::Shape(1e-4f, 40.0f), 40.0f * 1e-4f / 2.0f, 1e-6f);
}
