#include "Processing/Dist/TubeModelB.h"

#include "DistReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace DistReference;

namespace
{
// Rational clip u (u^2 + 27) / (9 u^2 + 27).
double Clip(double u)
{
    return u * (u * u + 27.0) / (9.0 * u * u + 27.0);
}
} // namespace

TEST(CTubeModelBTest, FollowsItsFormula)
{
    const double rate = 44100.0;
    for (double gain : {1.0, 2.8, 8.0})
    {
        CTubeModelB model;
        model.SetSampleRate(static_cast<float>(rate));
        HIGHPASS output(40.0, rate);
        TONE_FILTER filter;
        const double level = 2.0;
        for (int n = 0; n < 4410; ++n)
        {
            const double x = 1.2 * std::sin(2.0 * kPi * 440.0 * n / rate);
            filter.Step(Clip(std::clamp(x, -0.9999, 0.9999)) * gain, false);
            const double a = std::clamp(filter.Step(0.0, true), -1.0, 1.0);
            const double expected = output(std::max(0.2, 0.6 / gain) * Clip(a)) * level;
            const float y = model.Process(static_cast<float>(x), static_cast<float>(gain),
                                          static_cast<float>(level));
            ASSERT_NEAR(y, expected, 1e-5) << "gain " << gain << ", sample " << n;
        }
    }
}
