#include "Processing/Dist/TubeModelA.h"

#include "DistReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace DistReference;

namespace
{
double Cubic(double u)
{
    return ((0.38944033 * u - 0.71108556) * u - 0.79618573) * u;
}

// The cubic between its turning points, held at its values there outside.
double HeldCubic(double v)
{
    if (v < -0.41699257)
        return 0.18012051;
    if (v > 1.6342703)
        return -1.5005202;
    return Cubic(v);
}
} // namespace

TEST(CTubeModelATest, FollowsItsFormula)
{
    const double rate = 48000.0;
    for (double gain : {1.07, 10.0, 128.0})
    {
        CTubeModelA model;
        model.SetSampleRate(static_cast<float>(rate));
        HIGHPASS input(220.0, rate), output(40.0, rate);
        TONE_FILTER filter1, filter2;
        const double level = 1.5;
        for (int n = 0; n < 4800; ++n)
        {
            const double x = 0.8 * std::sin(2.0 * kPi * 1000.0 * n / rate) + 0.1;
            const double s = Cubic(std::clamp(input(x), -0.9999, 0.9999)) * gain;
            filter2.Step(HeldCubic(filter1.Step(s, false)), false);
            const double b = filter2.Step(HeldCubic(filter1.Step(0.0, true)), false);
            const double expected = output(std::max(0.02, 0.06 / gain) * b) * level;
            const float y = model.Process(static_cast<float>(x), static_cast<float>(gain),
                                          static_cast<float>(level));
            ASSERT_NEAR(y, expected, 1e-5) << "gain " << gain << ", sample " << n;
        }
    }
}
