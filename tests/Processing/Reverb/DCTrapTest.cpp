// DCTrap against its transfer function H(z) = (1 - z^-1) / (1 - c z^-1), c = 1 - 2 pi 25 / R:
// h[0] = 1, h[n] = (c - 1) c^(n - 1).
#include "Processing/Reverb/DCTrap.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
class CDCTrapTest : public ::testing::TestWithParam<float>
{
};

INSTANTIATE_TEST_SUITE_P(Rates, CDCTrapTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST_P(CDCTrapTest, ImpulseResponseAndDcRejection)
{
    const double rate = GetParam();
    const double c = 1.0 - 2.0 * 3.14159265358979323846 * 25.0 / rate;
    DCTrap trap;
    trap.SetSampleRate(GetParam());
    for (int n = 0; n < 64; ++n)
    {
        const double expected = n == 0 ? 1.0 : (c - 1.0) * std::pow(c, n - 1);
        EXPECT_NEAR(trap.Process(n == 0 ? 1.0f : 0.0f), expected, 1e-6) << n;
    }
    // A constant input dies away with the 25 Hz corner: below -80 dB after half a second.
    trap.Reset();
    float y = 0.0f;
    for (int n = 0; n < static_cast<int>(0.5 * rate); ++n)
        y = trap.Process(1.0f);
    EXPECT_LT(std::fabs(y), 1e-4f);
}
} // namespace
