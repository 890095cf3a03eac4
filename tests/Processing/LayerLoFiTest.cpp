// Lo-fi module inside the real effect: the tone filters and their level compensation
// against the cookbook responses, the parameters reaching the lo-fi stage, the exact
// dry path at mix 0, and the block and state rules.
#include "Processing/LayerLoFi.h"
#include "support/EffectFixture.h"

#include "support/CookbookBiquad.h"
#include "support/Signals.h"

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
    return TestSignals::Noise(static_cast<size_t>(length), seed, 0.5f);
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
            using namespace CookbookBiquad;
            const double expectedDb = MagnitudeDb(Peaking(1073, 3, peakDb, rate), hz, rate) +
                                      MagnitudeDb(HighShelf(2324, 1, highDb, rate), hz, rate) +
                                      MagnitudeDb(LowShelf(239, 1, lowDb, rate), hz, rate) +
                                      compensationDb;
            EXPECT_NEAR(expectedDb, MeasureGainDb(h, hz, rate), 0.1)
                << "tone " << tone << " at " << hz << " Hz";
        }
    }
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
