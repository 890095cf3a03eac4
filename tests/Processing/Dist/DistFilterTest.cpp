#include "Processing/Dist/DistFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

// Three one-pole low-passes at fHigh, then three (1 - low-pass at fLow) high-passes:
// H(z) = [(1 - eH) / (1 - eH z^-1)]^3 [1 - (1 - eL) / (1 - eL z^-1)]^3.
class CDistFilterTest : public ::testing::TestWithParam<float>
{
};

TEST_P(CDistFilterTest, BandMatchesItsTransferFunction)
{
    constexpr double kPi = 3.14159265358979323846;
    const double rate = GetParam();
    const double bands[4][2] = {{30, 300}, {300, 2000}, {1000, 7200}, {3600, 14400}};
    for (const auto& band : bands)
    {
        const double eH = std::exp(-2.0 * kPi * band[1] / rate);
        const double eL = std::exp(-2.0 * kPi * band[0] / rate);
        for (double hz : {50.0, 500.0, 3000.0, 10000.0})
        {
            const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / rate);
            const std::complex<double> h = std::pow((1.0 - eH) / (1.0 - eH * z1), 3.0) *
                                           std::pow(1.0 - (1.0 - eL) / (1.0 - eL * z1), 3.0);
            CDistFilter filter;
            filter.CalcParams(static_cast<float>(rate), static_cast<float>(band[0]),
                              static_cast<float>(band[1]));
            const int settle = static_cast<int>(0.2 * rate), measure = static_cast<int>(0.2 * rate);
            double inPower = 0.0, outPower = 0.0;
            for (int n = 0; n < settle + measure; ++n)
            {
                const float x = static_cast<float>(0.5 * std::sin(2.0 * kPi * hz * n / rate));
                const float y = filter.Filter(x);
                if (n >= settle)
                {
                    inPower += static_cast<double>(x) * x;
                    outPower += static_cast<double>(y) * y;
                }
            }
            EXPECT_NEAR(10.0 * std::log10(outPower / inPower), 20.0 * std::log10(std::abs(h)), 0.1)
                << band[0] << ".." << band[1] << " Hz at " << hz << " Hz";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, CDistFilterTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));
