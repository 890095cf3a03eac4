#include "Processing/Filters/HalfBandDecimator.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(CHalfBandDecimatorTest, WithMidpointPairsASineIsDelayedByExactlyFiveSamples)
{
    // Taps c0..c5. Pairs a[n] = (x[n] + x[n-1]) / 2, b[n] = x[n]: a sits half a sample
    // before b and carries cos(w/2) of it, so y[n] = A(w) x[n - 5] with the zero-phase gain
    // A(w) = c0 + cos(w/2) sum 2 c_k cos((2k - 1) w / 2).
    const double taps[6] = {0.5,    0.3077392578125, -0.07794189453125, 0.02618408203125,
                            -0.007080078125, 0.0010986328125};
    const double pi = 3.14159265358979323846;
    for (double omega : {0.02 * pi, 0.2 * pi, 0.45 * pi})
    {
        double sum = 0.0;
        for (int k = 1; k < 6; ++k)
            sum += 2.0 * taps[k] * std::cos((2 * k - 1) * omega / 2.0);
        const double gain = taps[0] + std::cos(omega / 2.0) * sum;
        CHalfBandDecimator decimator;
        float previous = 0.0f;
        for (int n = 0; n < 200; ++n)
        {
            const float x = static_cast<float>(std::sin(omega * n + 0.3));
            const float y = decimator.Process(0.5f * (x + previous), x);
            previous = x;
            if (n >= 10)
            {
                ASSERT_NEAR(y, gain * std::sin(omega * (n - 5) + 0.3), 2e-6) << omega << " " << n;
            }
        }
    }
}
