// DCTrap against its transfer function H(z) = (1 - z^-1) / (1 - c z^-1), c = 1 - 2 pi 25 / R:
// h[0] = 1, h[n] = (c - 1) c^(n - 1), a zero at DC.
#include "Processing/Reverb/DCTrap.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(CDCTrapTest, ImpulseResponse)
{
    for (float rate : {44100.0f, 48000.0f, 96000.0f})
    {
        const double c = 1.0 - 2.0 * 3.14159265358979323846 * 25.0 / rate;
        DCTrap trap;
        trap.SetSampleRate(rate);
        for (int n = 0; n < 64; ++n)
        {
            const double expected = n == 0 ? 1.0 : (c - 1.0) * std::pow(c, n - 1);
            ASSERT_NEAR(trap.Process(n == 0 ? 1.0f : 0.0f), expected, 1e-6) << rate << " " << n;
        }
    }
}
