#include "Processing/Dist/FuzzDistortion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

TEST(CFuzzDistortionTest, FollowsItsFormulaAndMixZeroPassesTheInput)
{
    constexpr double kPi = 3.14159265358979323846;
    for (double mix : {0.0, 0.4, 0.75})
    {
        CFuzzDistortion fuzz;
        double lowpass = 0.0, lowpassPrev = 0.0, blocker = 0.0, treble = 0.0;
        const double gain = 87.9; // 10^(2.4 * 0.81): fuzz at 100 %
        for (int n = 0; n < 2000; ++n)
        {
            const double x = 0.3 * std::sin(2.0 * kPi * n / 97.0);
            lowpass += (x - lowpass) * 0.4988662;
            double y = 0.9943172 * blocker + (1.0 + 0.9943172) / 2.0 * (lowpass - lowpassPrev);
            lowpassPrev = lowpass;
            blocker = y;
            y *= gain;
            treble += (y - treble) * 0.2028858;
            y = std::clamp(y + 3.0 * (y - treble), -0.25, 0.25);
            const double expected = y * mix + x * (1.0 - mix);

            float l = static_cast<float>(x), r = static_cast<float>(x);
            fuzz.Process(l, r, static_cast<float>(gain), static_cast<float>(mix));
            if (mix == 0.0)
            {
                ASSERT_EQ(l, static_cast<float>(x)) << n;
            }
            ASSERT_NEAR(l, expected, 1e-4) << mix << " @" << n;
            ASSERT_EQ(l, r);
        }
    }
}
