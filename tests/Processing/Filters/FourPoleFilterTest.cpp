#include "Processing/Filters/FourPoleFilter.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace
{
// One bilinear state-variable section in double, as published: u = (x + x[n-1]) / 4,
// bp' = (u - (k bp + lp)) w + bp, lp' = w bp' + lp, low-pass output lp + lp'.
struct REFERENCE_SECTION
{
    double w, k, bp = 0, lp = 0, previous = 0;
    REFERENCE_SECTION(double relativeHz, double d)
        : w(2 * 3.14159265358979323846 * relativeHz),
          k((2 + w) * (2 - w) * d / (2 * (d * w + 2 - w)))
    {
    }
    double Tick(double x)
    {
        const double u = (x + std::exchange(previous, x)) * 0.25;
        const double bpNew = (u - (k * bp + lp)) * w + bp;
        const double lpNew = w * bpNew + lp;
        const double out = lp + lpNew;
        bp = bpNew, lp = lpNew;
        return out;
    }
};
} // namespace

TEST(CFourPoleFilterTest, ImpulseResponseIsTwoSectionsInSeries)
{
    for (double running : {88200.0, 96000.0, 192000.0})
    {
        for (double cutoffHz : {1000.0, 21101.0})
        {
            FourPoleFilter filter;
            filter.SetCutoff(static_cast<float>(cutoffHz), static_cast<float>(running));
            REFERENCE_SECTION first(cutoffHz / running, 0.933), second(cutoffHz / running, 0.933);
            for (int n = 0; n < 64; ++n)
            {
                const double x = n == 0 ? 1.0 : 0.0, expected = second.Tick(first.Tick(x));
                ASSERT_NEAR(filter.Process(0, static_cast<float>(x)), expected, 1e-6) << n;
                ASSERT_NEAR(filter.Process(1, static_cast<float>(-x)), -expected, 1e-6) << n;
            }
        }
    }
}

TEST(CFourPoleFilterTest, StaysStableWhereTheCutoffLiesBeyondTheSectionsRange)
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
