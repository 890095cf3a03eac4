// HighLowShelf against its difference equations in double: first-order bilinear shelves at
// 4000 T Hz and 65 / B Hz, gains T^2 and B^2.
#include "Processing/Reverb/HighLowShelf.h"
#include "support/ProcessingHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
using ProcessingHarness::TanSeries;
using TestSignals::kPi;

std::vector<double> ExpectedImpulse(double b, double t, double rate, int count)
{
    const double th = TanSeries(kPi * 4000.0 * t / rate);
    const double kh = 1.0 / (1.0 + th), ah = (1.0 - th) * kh, ch = (t * t - 1.0) * kh + 1.0;
    const double tl = TanSeries(kPi * (65.0 / b) / rate);
    const double kl = 1.0 / (1.0 + tl), al = (1.0 - tl) * kl, m = (b * b - 1.0) * tl * kl;
    std::vector<double> h(static_cast<size_t>(count));
    double hx1 = 0, hy1 = 0, lx1 = 0, ly1 = 0;
    for (size_t n = 0; n < h.size(); ++n)
    {
        const double x = n == 0 ? 1.0 : 0.0;
        const double high = ch * x + (1.0 - ah - ch) * hx1 + ah * hy1;
        h[n] = (1.0 + m) * high + (m - al) * lx1 + al * ly1;
        hx1 = x, hy1 = high, lx1 = high, ly1 = h[n];
    }
    return h;
}
} // namespace

TEST(CHighLowShelfTest, LanesFollowTheirDifferenceEquations)
{
    for (float rate : {44100.0f, 48000.0f, 96000.0f})
    {
        // Lanes 0, 1: a dark tank setting (bass -6 dB: B = 0.71; treble 0 dB: T = 0.855);
        // lanes 2, 3: the output shelves at treble +3 dB (T' = 1.1) with a flat bass.
        const REVERB_SHELF_LANES lanes =
            HighLowShelf::Lanes(HighLowShelf::Calculate(0.71f, 0.855f, 1.0f / rate),
                                HighLowShelf::Calculate(1.0f, 1.1f, 1.0f / rate));
        HighLowShelf shelf;
        const std::vector<double> dark = ExpectedImpulse(0.71, 0.855, rate, 64);
        const std::vector<double> bright = ExpectedImpulse(1.0, 1.1, rate, 64);
        for (size_t n = 0; n < 64; ++n)
        {
            float y[4];
            Float4::Store(y, shelf.Process(Float4::Broadcast(n == 0 ? 1.0f : 0.0f), lanes));
            const double expected[4] = {dark[n], dark[n], bright[n], bright[n]};
            for (int k = 0; k < 4; ++k)
                ASSERT_NEAR(y[k], expected[k], 1e-6) << rate << " lane " << k << " @" << n;
        }
    }
}
