// HighLowShelf against its difference equations, computed here in double from the
// published coefficients (first-order bilinear shelves, tan replaced by its series
// x + x^3/3 + 2x^5/15).
#include "Processing/Reverb/HighLowShelf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
constexpr double kPi = 3.14159265358979323846;

double TanSeries(double x)
{
    return x + x * x * x / 3.0 + 2.0 * std::pow(x, 5) / 15.0;
}

// Impulse response of the high shelf (corner 4000 T Hz) followed by the low shelf (corner
// 65 / B Hz) at `rate`.
std::vector<double> ExpectedImpulse(double b, double t, double rate, int count)
{
    const double th = TanSeries(kPi * 4000.0 * t / rate);
    const double kh = 1.0 / (1.0 + th), ah = (1.0 - th) * kh, ch = (t * t - 1.0) * kh + 1.0;
    const double tl = TanSeries(kPi * (65.0 / b) / rate);
    const double kl = 1.0 / (1.0 + tl), al = (1.0 - tl) * kl, m = (b * b - 1.0) * tl * kl;
    std::vector<double> h(static_cast<size_t>(count));
    double hx1 = 0, hy1 = 0, lx1 = 0, ly1 = 0;
    for (int n = 0; n < count; ++n)
    {
        const double x = n == 0 ? 1.0 : 0.0;
        const double high = ch * x + (1.0 - ah - ch) * hx1 + ah * hy1;
        hx1 = x;
        hy1 = high;
        const double low = (1.0 + m) * high + (m - al) * lx1 + al * ly1;
        lx1 = high;
        ly1 = low;
        h[static_cast<size_t>(n)] = low;
    }
    return h;
}

class CHighLowShelfTest : public ::testing::TestWithParam<float>
{
protected:
    // Lane outputs for a constant-per-lane input sequence.
    std::vector<std::vector<float>> Run(HighLowShelf& shelf, const REVERB_SHELF_LANES& lanes,
                                        const std::vector<float>& x)
    {
        std::vector<std::vector<float>> out(4, std::vector<float>(x.size()));
        for (size_t n = 0; n < x.size(); ++n)
        {
            float y[4];
            Float4::Store(y, shelf.Process(Float4::Broadcast(x[n]), lanes));
            for (int k = 0; k < 4; ++k)
                out[static_cast<size_t>(k)][n] = y[k];
        }
        return out;
    }
};

INSTANTIATE_TEST_SUITE_P(Rates, CHighLowShelfTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST_P(CHighLowShelfTest, LanesFollowTheirDifferenceEquations)
{
    const float rate = GetParam();
    // Lanes 0, 1: a dark tank setting (bass -6 dB: B = 0.71; treble 0 dB: T = 0.855);
    // lanes 2, 3: the output shelves at treble +3 dB (T' = 1.1) with a flat bass.
    const REVERB_SHELF_LANES lanes =
        HighLowShelf::Lanes(HighLowShelf::Calculate(0.71f, 0.855f, 1.0f / rate),
                            HighLowShelf::Calculate(1.0f, 1.1f, 1.0f / rate));
    HighLowShelf shelf;
    std::vector<float> impulse(64, 0.0f);
    impulse[0] = 1.0f;
    const auto out = Run(shelf, lanes, impulse);
    const std::vector<double> dark = ExpectedImpulse(0.71, 0.855, rate, 64);
    const std::vector<double> bright = ExpectedImpulse(1.0, 1.1, rate, 64);
    for (size_t n = 0; n < 64; ++n)
    {
        EXPECT_NEAR(out[0][n], dark[n], 1e-6) << n;
        EXPECT_NEAR(out[1][n], dark[n], 1e-6) << n;
        EXPECT_NEAR(out[2][n], bright[n], 1e-6) << n;
        EXPECT_NEAR(out[3][n], bright[n], 1e-6) << n;
    }
}

TEST_P(CHighLowShelfTest, GainIsBSquaredAtDcAndTSquaredAtNyquist)
{
    const float rate = GetParam();
    // "Reverb Bass" at -6 dB: B = 1 - 0.29 = 0.71, a DC gain of 0.5041 per pass; T = 0.6.
    const REVERB_SHELF_COEFFICIENTS c = HighLowShelf::Calculate(0.71f, 0.6f, 1.0f / rate);
    const REVERB_SHELF_LANES lanes = HighLowShelf::Lanes(c, c);
    HighLowShelf dc;
    const auto settled = Run(dc, lanes, std::vector<float>(static_cast<size_t>(rate), 1.0f));
    EXPECT_NEAR(settled[0].back(), 0.71 * 0.71, 1e-4);
    HighLowShelf nyquist;
    std::vector<float> alternating(static_cast<size_t>(rate));
    for (size_t n = 0; n < alternating.size(); ++n)
        alternating[n] = n % 2 ? -1.0f : 1.0f;
    const auto ringing = Run(nyquist, lanes, alternating);
    EXPECT_NEAR(std::fabs(ringing[0].back()), 0.6 * 0.6, 1e-4);
}

} // namespace
