#include "Processing/Filters/FourPoleFilter.h"

#include "support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr double kPi = 3.14159265358979323846;

// One bilinear state-variable section in double, as published: u = (x + x[n-1]) / 4,
// bp' = (u - (k bp + lp)) w + bp, lp' = w bp' + lp, low-pass output lp + lp'.
struct REFERENCE_SECTION
{
    double w, k, bp = 0, lp = 0, previous = 0;
    REFERENCE_SECTION(double relativeHz, double d)
        : w(2 * kPi * relativeHz), k((2 + w) * (2 - w) * d / (2 * (d * w + 2 - w)))
    {
    }
    double Tick(double x)
    {
        const double u = (x + previous) * 0.25;
        previous = x;
        const double bpNew = (u - (k * bp + lp)) * w + bp;
        const double lpNew = w * bpNew + lp;
        const double out = lp + lpNew;
        bp = bpNew;
        lp = lpNew;
        return out;
    }
};
} // namespace

class CFourPoleFilterTest : public ::testing::TestWithParam<float>
{
};

INSTANTIATE_TEST_SUITE_P(Rates, CFourPoleFilterTest,
                         ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST_P(CFourPoleFilterTest, ImpulseResponseIsTwoSectionsInSeries)
{
    const double running = 2.0 * GetParam();
    for (double cutoffHz : {1000.0, 21101.0})
    {
        FourPoleFilter filter;
        filter.SetCutoff(static_cast<float>(cutoffHz), static_cast<float>(running));
        REFERENCE_SECTION first(cutoffHz / running, 0.933), second(cutoffHz / running, 0.933);
        for (int n = 0; n < 64; ++n)
        {
            const double x = n == 0 ? 1.0 : 0.0;
            const double expected = second.Tick(first.Tick(x));
            EXPECT_NEAR(filter.Process(0, static_cast<float>(x)), expected, 1e-6) << n;
            EXPECT_NEAR(filter.Process(1, static_cast<float>(-x)), -expected, 1e-6) << n;
        }
    }
}

TEST(CFourPoleFilterLimitTest, StaysStableWhereTheCutoffLiesBeyondTheSectionsRange)
{
    // 21.1 kHz at 2 x 32 kHz would make w = 2.07; unlimited, the sections' poles leave the
    // unit circle and the output grows without bound.
    FourPoleFilter filter;
    filter.SetCutoff(21101.0f, 64000.0f);
    float peak = 0.0f;
    for (float x : TestSignals::Noise(64000, 5))
        peak = std::max(peak, std::fabs(filter.Process(0, x)));
    EXPECT_LT(peak, 4.0f);
}
