// Modules at a mix of exactly 0 rest: they pass the input bit for bit without computing,
// and when the mix rises again they start from silence rather than replaying what they
// heard before the rest.
#include "Processing/LayerModuleHarness.h"

#include <gtest/gtest.h>

#include <vector>

using namespace MorvexParam;

namespace
{
using Signal = CLayerModuleHarness::Signal;

Signal Noise(size_t length, unsigned seed)
{
    Signal s(length);
    for (float& x : s)
    {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
    return s;
}

struct RESTING_CASE
{
    const char* name;
    int module;
    int mixId;
    std::vector<std::pair<int, float>> settings; // layer-A id, scaled value
};

class CLayerRestingTest : public ::testing::TestWithParam<RESTING_CASE>
{
};
} // namespace

TEST_P(CLayerRestingTest, MixZeroPassesTheInputAndWakesUpSilent)
{
    const RESTING_CASE& c = GetParam();
    CLayerModuleHarness h(48000.0f, c.module);
    for (const auto& setting : c.settings)
        h.Set(setting.first, setting.second);
    // Loud and wet first, so that lines and filters hold sound; then the mix falls to 0.
    h.Set(c.mixId, 1.0f);
    Signal wl = Noise(14400, 1), wr = Noise(14400, 2);
    h.Run(wl, wr);
    h.Set(c.mixId, 0.0f);
    Signal fl = Noise(24000, 7), fr = Noise(24000, 8);
    h.Run(fl, fr);

    // Resting: exactly the input, also for loud input.
    Signal l = Noise(48000, 3), r = Noise(48000, 4);
    const Signal inL = l, inR = r;
    h.Run(l, r);
    EXPECT_EQ(l, inL);
    EXPECT_EQ(r, inR);

    // Awake on silence: nothing of the loud second before comes back.
    h.Set(c.mixId, 1.0f);
    Signal sl(24000, 0.0f), sr(24000, 0.0f);
    h.Run(sl, sr);
    for (size_t n = 0; n < sl.size(); ++n)
    {
        ASSERT_EQ(sl[n], 0.0f) << n;
        ASSERT_EQ(sr[n], 0.0f) << n;
    }

    // And it works again: the same input now comes out changed.
    Signal al = Noise(4800, 5), ar = Noise(4800, 6);
    const Signal beforeL = al;
    h.Run(al, ar);
    EXPECT_NE(al, beforeL);
}

INSTANTIATE_TEST_SUITE_P(
    Modules, CLayerRestingTest,
    ::testing::Values(
        RESTING_CASE{"Flanger", kModuleFlanger, kFlangerMix,
                     {{kFlangerFeedback, 0.9f}, {kFlangerDepth, 0.8f}}},
        RESTING_CASE{"Phaser", kModuleFlanger, kFlangerMix,
                     {{kFlangerMode, 1.0f}, {kFlangerFeedback, 0.9f}}},
        RESTING_CASE{"LoFi", kModuleLoFi, kLoFiMix,
                     {{kLoFiBitDepth, 0.5f}, {kLoFiSampleRate, 0.5f}, {kLoFiTone, 0.8f}}}),
    [](const ::testing::TestParamInfo<RESTING_CASE>& test) { return std::string(test.param.name); });
