// Trapezoidal grain window against the closed form of a linear rise, sustain and fall.
#include "Common/wrappers/dsp/Trapezia.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace
{
// Closed form of the window for ramp R >= 2: i / (R - 1) while rising, 1 while
// sustaining, (R - 1 - j) / (R - 1) while falling, 0 after length L.
double Expected(int i, int length, int ramp)
{
    if (i >= length)
        return 0.0;
    if (i < ramp)
        return static_cast<double>(i) / (ramp - 1);
    if (i >= length - ramp)
        return static_cast<double>(ramp - 1 - (i - (length - ramp))) / (ramp - 1);
    return 1.0;
}
} // namespace

TEST(CTrapeziaTest, ShapeAndPhaseFollowTheClosedFormAfterASilentStartDelay)
{
    const struct
    {
        int length, ramp, delay;
    } shapes[] = {{100, 20, 0}, {2205, 441, 0}, {7, 2, 0}, {50, 24, 0}, {40, 8, 13}};
    for (const auto& [length, ramp, delay] : shapes)
    {
        SCOPED_TRACE(::testing::Message() << length << "/" << ramp << " after " << delay);
        CTrapezia window;
        window.SetParams(length, ramp);
        EXPECT_EQ(CTrapezia::kRising, window.GetStage());
        if (delay > 0)
            window.SetStartDelay(delay);
        for (int i = 0; i < delay; ++i)
        {
            EXPECT_EQ(0.0f, window.GetSample()) << i;
            EXPECT_EQ(0.0f, window.GetPhase()) << i;
            EXPECT_FALSE(window.IsIdle());
        }
        for (int i = 0; i < length + 5; ++i)
        {
            ASSERT_NEAR(window.GetSample(), Expected(i, length, ramp), 1e-6) << i;
            // The phase after sample i: (i + 1) / L, held at 1 once the window is over.
            ASSERT_NEAR(window.GetPhase(), std::min(1.0, (i + 1.0) / length), 1e-6) << i;
            EXPECT_EQ(window.IsIdle(), i >= length - 1) << i;
        }
    }
}

TEST(CTrapeziaTest, RampIsCutToLeaveASustainAndRestartRefills)
{
    // Length 10 with ramp 7: 10 / 2 <= 7, so the ramp becomes 10 / 2 - 1 = 4 and the
    // sustain 10 - 8 = 2: 0, 1/3, 2/3, 1 | 1, 1 | 1, 2/3, 1/3, 0.
    const double expected[] = {0, 1.0 / 3, 2.0 / 3, 1, 1, 1, 1, 2.0 / 3, 1.0 / 3, 0};
    CTrapezia window;
    for (int pass = 0; pass < 2; ++pass)
    {
        window.SetParams(10, 7); // the second pass restarts an idle window
        for (int i = 0; i < 10; ++i)
            ASSERT_NEAR(window.GetSample(), expected[i], 1e-6) << pass << " @" << i;
        EXPECT_TRUE(window.IsIdle());
        EXPECT_EQ(0.0f, window.GetSample());
    }
}

TEST(CTrapeziaTest, WindowsTooShortForARampStayFiniteAndWithinRange)
{
    // Ramps of 0 or 1 sample have no slope (1 / (R - 1) divides by zero or flips the sign):
    // values and phases stay finite in 0..1 and the window ends; no samples: idle at once.
    const std::pair<int, int> shapes[] = {{0, 0}, {1, 5}, {2, 1}, {3, 1}, {4, -3}, {5, 2}, {-4, 2}};
    for (const auto& [length, ramp] : shapes)
    {
        CTrapezia window;
        window.SetParams(length, ramp);
        int samples = 0;
        while (!window.IsIdle() && samples < 100)
        {
            const float value = window.GetSample();
            const float phase = window.GetPhase();
            ASSERT_TRUE(std::isfinite(value) && value >= 0.0f && value <= 1.0f)
                << length << "/" << ramp << ": " << value;
            ASSERT_TRUE(phase >= 0.0f && phase <= 1.0f) << length << "/" << ramp;
            ++samples;
        }
        EXPECT_LE(samples, length <= 0 ? 0 : length + 2) << length << "/" << ramp;
    }
}
