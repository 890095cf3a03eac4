// Lo-fi module inside the real effect: the tone filters against the cookbook responses.
#include "Processing/LayerLoFi.h"
#include "support/EffectFixture.h"
#include "support/ProcessingMeasure.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace MorvexParam;
using TestSignals::Signal;

namespace
{
void Configure(CLayerModuleHarness& h, float bits, float tone)
{
    h.Set(kLoFiBitDepth, bits);
    h.Set(kLoFiSampleRate, 0.0f);
    h.Set(kLoFiNoise, 0.0f);
    h.Set(kLoFiTone, tone);
    h.Set(kLoFiMix, 1.0f);
    h.Settle();
}

class CLayerLoFiTest : public ::testing::TestWithParam<float>
{
};
INSTANTIATE_TEST_SUITE_P(Rates, CLayerLoFiTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));
} // namespace

// v = 1 - 2 tone: peak +11.52 v, high shelf -20.16 v, low shelf -24 v dB; u = 2 tone - 1:
// -3 u, +18.72 u, +8 u dB and 1 / (2 tone). Peak 1073 Hz, 3 octaves; shelves 2324, 239 Hz.
TEST_P(CLayerLoFiTest, ToneFiltersAndCompensation)
{
    const double rate = GetParam();
    for (double tone : {0.5, 0.0, 0.25, 0.75, 1.0})
    {
        CLayerModuleHarness h(static_cast<float>(rate), kModuleLoFi);
        Configure(h, 0.0f, static_cast<float>(tone));
        if (tone == 0.5)
        {
            const Signal in = TestSignals::Noise(2000, 11, 0.5f);
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
            const auto run = [&](Signal& l, Signal& r) {
                h.Module()->Reset();
                h.Run(l, r);
            };
            EXPECT_NEAR(expectedDb, ProcessingMeasure::SineGainDb(run, hz, rate), 0.1)
                << "tone " << tone << " at " << hz << " Hz";
        }
    }
}

// The layer-B parameters reach the stage: bit depth 100 % gives multiples of 0.5.
TEST(CLayerLoFiLayerTest, ParametersOfLayerBReachTheLoFiStage)
{
    CLayerModuleHarness h(48000.0f, kModuleLoFi, 1);
    Configure(h, 1.0f, 0.5f);
    Signal l = TestSignals::Noise(4800, 5, 0.5f), r = TestSignals::Noise(4800, 6, 0.5f);
    h.Run(l, r);
    for (size_t n = 0; n < l.size(); ++n)
    {
        ASSERT_EQ(0.0, std::remainder(l[n], 0.5)) << n;
        ASSERT_EQ(0.0, std::remainder(r[n], 0.5)) << n;
    }
}
