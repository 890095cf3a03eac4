// Lo-fi module inside the real effect: the tone filters and their level compensation
// against the cookbook responses, the parameters reaching the lo-fi stage, the exact
// dry path at mix 0, and the block and state rules.
#include "Processing/LayerLoFi.h"
#include "Processing/LayerModuleHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <vector>

using namespace MorvexParam;

namespace
{
constexpr double kPi = 3.14159265358979323846;
using Signal = CLayerModuleHarness::Signal;

// The lo-fi module of a layer, configured with scaled values (tone 0.5 is flat) and settled.
class CLoFiHarness : public CLayerModuleHarness
{
public:
    explicit CLoFiHarness(float rate, int layer = 0) : CLayerModuleHarness(rate, kModuleLoFi, layer)
    {
    }
    void Configure(float bits, float rate, float noise, float tone, float mix)
    {
        Set(kLoFiBitDepth, bits);
        Set(kLoFiSampleRate, rate);
        Set(kLoFiNoise, noise);
        Set(kLoFiTone, tone);
        Set(kLoFiMix, mix);
        Settle();
    }
};

Signal Noise(int length, unsigned seed)
{
    Signal s(static_cast<size_t>(length));
    for (float& x : s)
    {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    }
    return s;
}

// |H| at hz of a biquad given by the RBJ cookbook: 0 peaking (q = bandwidth in octaves),
// 1 low shelf, 3 high shelf (q = shelf Q).
double CookbookMagnitude(int kind, double corner, double q, double gainDb, double rate, double hz)
{
    const double w = 2 * kPi * corner / rate, s = std::sin(w), c = std::cos(w);
    const double A = std::pow(10.0, gainDb / 40.0), r = 2 * std::sqrt(A) * s / q;
    double b[3], a[3];
    if (kind == 0)
    {
        const double alpha = s * std::sinh(std::log(2.0) / 2 * q * w / s);
        b[0] = 1 + alpha * A, b[1] = -2 * c, b[2] = 1 - alpha * A;
        a[0] = 1 + alpha / A, a[1] = -2 * c, a[2] = 1 - alpha / A;
    }
    else
    {
        const double sign = kind == 1 ? -1.0 : 1.0; // low shelf: the cookbook's sign swaps
        b[0] = A * ((A + 1) + sign * (A - 1) * c + r);
        b[1] = -2 * sign * A * ((A - 1) + sign * (A + 1) * c);
        b[2] = A * ((A + 1) + sign * (A - 1) * c - r);
        a[0] = (A + 1) - sign * (A - 1) * c + r;
        a[1] = 2 * sign * ((A - 1) - sign * (A + 1) * c);
        a[2] = (A + 1) - sign * (A - 1) * c - r;
    }
    const std::complex<double> z1 = std::polar(1.0, -2 * kPi * hz / rate), z2 = z1 * z1;
    return std::abs((b[0] + b[1] * z1 + b[2] * z2) / (a[0] + a[1] * z1 + a[2] * z2));
}

// RMS gain of the module at hz (a multiple of 10 Hz) after 0.1 s: a whole number of cycles.
double MeasureGainDb(CLoFiHarness& h, double hz, double rate)
{
    h.Module()->Reset();
    const int settle = static_cast<int>(rate / 10), window = settle;
    Signal l(static_cast<size_t>(settle + window));
    for (size_t n = 0; n < l.size(); ++n)
        l[n] = static_cast<float>(0.25 * std::sin(2 * kPi * hz * static_cast<double>(n) / rate));
    const Signal in = l;
    Signal r = l;
    h.Run(l, r);
    double inPower = 0, outPower = 0;
    for (size_t n = static_cast<size_t>(settle); n < l.size(); ++n)
    {
        inPower += static_cast<double>(in[n]) * in[n];
        outPower += static_cast<double>(l[n]) * l[n];
    }
    return 10 * std::log10(outPower / inPower);
}

class CLayerLoFiRateTest : public ::testing::TestWithParam<float>
{
};
INSTANTIATE_TEST_SUITE_P(Rates, CLayerLoFiRateTest,
                         ::testing::Values(44100.0f, 48000.0f, 96000.0f));
} // namespace

// Tone v = 1 - 2 tone (darker half): peak +11.52 v, high shelf -20.16 v, low shelf -24 v dB;
// u = 2 tone - 1 (brighter half): peak -3 u, high shelf +18.72 u, low shelf +8 u dB, then
// the compensation 1 / (2 tone). Peak at 1073 Hz, 3 octaves; shelves at 2324 and 239 Hz,
// Q 1. At 50 % all three are 0 dB and nothing is compensated: the output is the input.
TEST_P(CLayerLoFiRateTest, ToneFiltersAndCompensation)
{
    const double rate = GetParam();
    for (double tone : {0.5, 0.0, 0.25, 0.75, 1.0})
    {
        CLoFiHarness h(static_cast<float>(rate));
        h.Configure(0.0f, 0.0f, 0.0f, static_cast<float>(tone), 1.0f);
        if (tone == 0.5)
        {
            const Signal in = Noise(2000, 11);
            Signal l = in, r = in;
            h.Run(l, r);
            EXPECT_EQ(in, l);
            EXPECT_EQ(in, r);
        }
        const double v = tone < 0.5 ? 1 - 2 * tone : 0.0, u = tone >= 0.5 ? 2 * tone - 1 : 0.0;
        const double peakDb = 11.52 * v - 3 * u, highDb = -20.16 * v + 18.72 * u;
        const double lowDb = -24 * v + 8 * u;
        const double compensationDb = tone >= 0.5 ? -20 * std::log10(2 * tone) : 0.0;
        for (double hz : {50.0, 240.0, 1070.0, 2320.0, 8000.0, 16000.0})
        {
            const double expectedDb =
                20 * std::log10(CookbookMagnitude(0, 1073, 3, peakDb, rate, hz) *
                                CookbookMagnitude(3, 2324, 1, highDb, rate, hz) *
                                CookbookMagnitude(1, 239, 1, lowDb, rate, hz)) +
                compensationDb;
            EXPECT_NEAR(expectedDb, MeasureGainDb(h, hz, rate), 0.1)
                << "tone " << tone << " at " << hz << " Hz";
        }
    }
}

// Mix 0 returns the input bit for bit, whatever the other settings.
TEST(CLayerLoFiTest, MixZeroIsExactlyDry)
{
    CLoFiHarness h(48000.0f);
    h.Configure(1.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    const Signal left = Noise(4800, 3), right = Noise(4800, 4);
    Signal l = left, r = right;
    h.Run(l, r);
    EXPECT_EQ(left, l);
    EXPECT_EQ(right, r);
}

// The layer-B parameters reach the stage: bit depth 100 % gives multiples of 0.5.
TEST(CLayerLoFiTest, ParametersOfLayerBReachTheLoFiStage)
{
    CLoFiHarness h(48000.0f, 1);
    h.Configure(1.0f, 0.0f, 0.0f, 0.5f, 1.0f);
    Signal l = Noise(4800, 5), r = Noise(4800, 6);
    h.Run(l, r);
    for (size_t n = 0; n < l.size(); ++n)
    {
        ASSERT_EQ(0.0, std::remainder(l[n], 0.5)) << n;
        ASSERT_EQ(0.0, std::remainder(r[n], 0.5)) << n;
    }
}

// "On" off leaves the block and the state alone; one 512-sample call equals 16-sample
// pieces; a run after Reset repeats the first bit for bit; non-finite input does not
// stick, and every extreme stays finite and bounded.
TEST(CLayerLoFiTest, BlockStateAndExtremes)
{
    CLoFiHarness a(48000.0f), b(48000.0f);
    a.Configure(0.7f, 0.3f, 0.4f, 0.8f, 0.8f);
    b.Configure(0.7f, 0.3f, 0.4f, 0.8f, 0.8f);
    const Signal first = Noise(1000, 1), second = Noise(1000, 2);
    Signal al = first, ar = second, bl = first, br = second;
    a.Run(al, ar);
    b.Run(bl, br, 512);
    EXPECT_EQ(al, bl);
    EXPECT_EQ(ar, br);

    a.Set(kLoFiOn, 0.0f);
    Signal offLeft = second, offRight = first;
    a.Run(offLeft, offRight);
    EXPECT_EQ(second, offLeft);
    EXPECT_EQ(first, offRight);
    a.Set(kLoFiOn, 1.0f);
    al = second, ar = first, bl = second, br = first;
    a.Run(al, ar);
    b.Run(bl, br);
    EXPECT_EQ(al, bl);

    a.Module()->Reset();
    al = first, ar = second;
    a.Run(al, ar);
    a.Module()->Reset();
    Signal cl = first, cr = second;
    a.Run(cl, cr);
    EXPECT_EQ(al, cl);
    EXPECT_EQ(ar, cr);

    for (int corner = 0; corner < 32; ++corner)
    {
        CLoFiHarness h(48000.0f);
        auto bit = [&](int k) { return (corner >> k) & 1 ? 1.0f : 0.0f; };
        h.Configure(bit(0), bit(1), bit(2), bit(3), 0.5f + 0.5f * bit(4));
        Signal l = Noise(2400, 9);
        for (float& x : l)
            x *= 2.0f;
        l[300] = std::numeric_limits<float>::quiet_NaN();
        l[301] = -std::numeric_limits<float>::infinity();
        Signal r = l;
        h.Run(l, r);
        for (size_t n = 320; n < l.size(); ++n)
        {
            ASSERT_TRUE(std::isfinite(l[n]) && std::isfinite(r[n])) << corner << " at " << n;
            ASSERT_LT(std::fabs(l[n]), 20.0f) << corner << " at " << n;
        }
    }
}
