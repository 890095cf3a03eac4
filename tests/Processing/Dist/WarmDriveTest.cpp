#include "Processing/Dist/WarmDrive.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr double kPi = 3.14159265358979323846;

// Square root of the magnitude, 0 at or below 1e-9.
double S(double v)
{
    return std::fabs(v) > 1e-9 ? std::sqrt(std::fabs(v)) : 0.0;
}

// The warm drive's shaper and DC blocker evaluated in double from their formulas.
struct WARM_REFERENCE
{
    double r, hp, m, p, nOff, nSq, norm, beta;
    double yPrev = 0.0, outPrev = 0.0;

    WARM_REFERENCE(double drive, double crispness, double rate)
    {
        const double g = 9.9 * drive + 0.1, b = 20.0 * crispness - 10.0;
        const double a = 12.0 / g, c = a / (10.5 - b), t = 2.0 * a * a - 1.0;
        r = S(t) + 1.0;
        hp = (2.0 - r) / 2.0;
        m = (a * a - r + 1.0) / 2.0;
        const double q = r / S(2.0 * S(t) - 2.0 * a * a);
        const double w = S(q * q + 1.0), k = 780.0 * c / 33.0;
        nOff = -k / w;
        p = 2.0 * q * k / w;
        nSq = k * k / (q * q + 1.0);
        norm = 2.0 / (2.0 * nOff + S(4.0 * nSq + 2.0 * p - 1.0) + 1.0);
        beta = 0.1 * rate / (1.0 + 0.1 * rate);
    }
    double Shape(double x) const
    {
        return x >= 0.0 ? (S((r - x) * x + m) + hp) * norm : -(S(nSq - (p + x) * x) + nOff) * norm;
    }
    double operator()(double x)
    {
        const double y = Shape(x);
        const double out = (y - yPrev + outPrev) * beta;
        yPrev = std::fabs(y) > 1e-9 ? y : 0.0;
        outPrev = std::fabs(out) > 1e-9 ? out : 0.0;
        return out;
    }
};
} // namespace

TEST(CWarmDriveTest, FollowsItsFormula)
{
    const double rate = 48000.0;
    for (double crispness : {0.0, 1.0})
    {
        for (double drive : {0.0, 0.3, 1.0})
        {
            CWarmDrive warm;
            warm.SetSampleRate(static_cast<float>(rate));
            WARM_REFERENCE left(drive, crispness, rate), right(drive, crispness, rate);
            for (int n = 0; n < 2400; ++n)
            {
                const double x = 0.9 * std::sin(2.0 * kPi * 300.0 * n / rate);
                float l = static_cast<float>(x), r = static_cast<float>(-0.5 * x);
                warm.Process(l, r, static_cast<float>(drive), static_cast<float>(crispness));
                ASSERT_NEAR(l, left(x), 1e-5) << drive << " " << crispness << " @" << n;
                ASSERT_NEAR(r, right(-0.5 * x), 1e-5) << drive << " " << crispness << " @" << n;
            }
        }
    }
}
