#include "Common/wrappers/BaseEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{
// A bare effect with a handful of parameters of every curve kind.
class CTestEffect : public CBaseEffect
{
public:
    CTestEffect() : CBaseEffect(nullptr)
    {
        SetParameterInfo(0, kCurveStepped, "Stepped", 0, 3, 0, nullptr);
        SetParameterInfo(1, kCurveOctave, "Octave", 50, 18000, 1000, nullptr);
        SetParameterInfo(2, kCurveLinear, "Linear", -24, 24, 0, nullptr);
        SetParameterInfo(3, kCurvePower, "Power", -60, 0, 0, nullptr, 50, 0.35f);
        SetParameterInfo(4, kCurveLogarithmic, "Log", 0, 99, 0, nullptr);
        SetParameterInfo(5, kCurveLinear, "Smoothed", 0, 1, 0, nullptr, 50);
    }
    PARAM_MODULATION* GetParameterModulation(int id) override
    {
        return id == 2 ? &m_mod : nullptr;
    }
    void OnSetParameter(int id, float value) override { m_notified.push_back({id, value}); }
    PARAM_MODULATION m_mod;
    std::vector<std::pair<int, float>> m_notified;
};

class CBaseEffectTest : public ::testing::Test
{
protected:
    CTestEffect m_effect;
};
} // namespace

TEST_F(CBaseEffectTest, CurvesFollowTheirFormulasBothWays)
{
    struct CASE
    {
        const char* name;
        int id;
        float scaled, unscaled, tolerance;
    };
    const CASE cases[] = {
        // Stepped, min 0, max 3: trunc(3.99 x) -> 0 (0.9975), 1 (1.995), 2 (2.9925), 3.
        {"stepped 0.25", 0, 0.25f, 0.0f, 0.0f},
        {"stepped 0.5", 0, 0.5f, 1.0f, 0.0f},
        {"stepped 0.75", 0, 0.75f, 2.0f, 0.0f},
        {"stepped 1", 0, 1.0f, 3.0f, 0.0f},
        // Octave: 50 * 2^(0.5 * log2 360) = 50 * sqrt(360) = 948.68.
        {"octave", 1, 0.5f, 948.68f, 0.05f},
        // Linear: -24 + 48 x.
        {"linear", 2, 0.25f, -12.0f, 1e-6f},
        // Power 0.35: -60 + 60 * 0.5^0.35 = -60 + 60 * 0.78458 = -12.925.
        {"power", 3, 0.5f, -12.925f, 0.01f},
        // Logarithmic, range 99: e^(x ln 100) - 1 -> x = 0.5 gives 9.
        {"logarithmic", 4, 0.5f, 9.0f, 1e-4f},
    };
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(m_effect.ScaledValueToUnscaled(c.id, c.scaled), c.unscaled, c.tolerance);
        if (c.id != 0)
        {
            EXPECT_NEAR(m_effect.UnscaledValueToScaled(c.id, c.unscaled), c.scaled, 1e-4f);
        }
    }
    // Back to scaled clamps to the range: 5 -> 1, -1 -> 0.
    EXPECT_FLOAT_EQ(m_effect.UnscaledValueToScaled(0, 2.0f), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(m_effect.UnscaledValueToScaled(0, 5.0f), 1.0f);
    EXPECT_FLOAT_EQ(m_effect.UnscaledValueToScaled(0, -1.0f), 0.0f);
    // Every continuous curve round-trips across its range.
    for (int id = 1; id <= 4; ++id)
    {
        for (float x = 0.0f; x <= 1.0f; x += 0.125f)
            EXPECT_NEAR(m_effect.UnscaledValueToScaled(id, m_effect.ScaledValueToUnscaled(id, x)),
                        x, 2e-5f)
                << "id " << id << " x " << x;
    }
    // Non-finite values, and an octave curve below its minimum (log of < 0), read as 0.
    m_effect.SetParameterUnscaled(2, std::nanf(""));
    EXPECT_EQ(m_effect.GetParameterScaled(2, false, false, 0), 0.0f);
    m_effect.SetParameterUnscaled(1, -5.0f);
    EXPECT_EQ(m_effect.GetParameterScaled(1, false, false, 0), 0.0f);
}

TEST_F(CBaseEffectTest, BadIdsAreIgnoredAndReadAsZero)
{
    for (int id : {-1, 312})
    {
        m_effect.SetParameterScaled(id, 0.7f);
        m_effect.SetParameterUnscaled(id, 0.7f);
        m_effect.SetParameterInfo(id, kCurveLinear, "x", 0, 1, 1, nullptr);
        EXPECT_EQ(m_effect.GetParameterScaled(id, true, true, 0), 0.0f);
        EXPECT_EQ(m_effect.GetParameterUnscaled(id, false, false, 0), 0.0f);
        EXPECT_EQ(m_effect.GetParameterInfo(id), nullptr);
        char text[24];
        std::memset(text, 'x', sizeof(text));
        m_effect.GetParameterName(id, text);
        EXPECT_STREQ(text, "");
    }
}

TEST_F(CBaseEffectTest, DeclarationResetAndRefreshNotifyInTheParametersUnits)
{
    m_effect.SetParameterUnscaled(7, 3.0f);
    m_effect.m_notified.clear();
    m_effect.SetParameterInfo(7, kCurveLinear, "Freq", 800, 2500, 1650, nullptr);
    EXPECT_EQ(m_effect.m_notified.back(), std::make_pair(7, 1650.0f));
    m_effect.SetParameterScaled(7, 1.0f);
    m_effect.m_notified.clear();
    m_effect.ResetParameter(7);
    EXPECT_EQ(m_effect.GetParameterInfo(7)->value, 1650.0f);
    m_effect.RefreshParameter(7, 0.0f);
    ASSERT_EQ(m_effect.m_notified.size(), 2u);
    EXPECT_EQ(m_effect.m_notified[1].second, 0.0f);
    EXPECT_EQ(m_effect.GetParameterInfo(7)->value, 800.0f);
    // Names are clipped to 23 characters; a value without formatter shows two decimals.
    m_effect.SetParameterInfo(8, kCurveLinear, "A name far longer than the field", 0, 1, 0,
                              nullptr);
    char text[24];
    m_effect.GetParameterName(8, text);
    EXPECT_STREQ(text, "A name far longer than ");
    m_effect.SetParameterUnscaled(2, -3.456f);
    m_effect.GetParameterTextValue(2, text);
    EXPECT_STREQ(text, "-3.46");
}

TEST_F(CBaseEffectTest, SmoothedReadFollowsOnePoleStepsOf16Samples)
{
    m_effect.SetSampleRate(48000.0f);
    // b = e^(-2 pi / (50 ms * 1/16 * 0.001 * 48000)) = e^(-2 pi / 150)
    const double b = std::exp(-2.0 * M_PI / 150.0);
    m_effect.SetParameterScaled(5, 1.0f);
    double state = 0.0;
    for (int step = 0; step < 20; ++step)
    {
        state = (1.0 - b) * 1.0 + b * state;
        EXPECT_NEAR(m_effect.GetParameterScaled(5, true, false, 0), state, 1e-5) << step;
    }
    // An unsmoothed read does not advance the filter.
    EXPECT_FLOAT_EQ(m_effect.GetParameterScaled(5, false, false, 0), 1.0f);
    EXPECT_NEAR(m_effect.GetParameterScaled(5, true, false, 0), (1 - b) + b * state, 1e-5);
}

TEST_F(CBaseEffectTest, SmoothedReadSnapsWithin1e5OfTheTarget)
{
    // Before the host sets a rate: coefficients exist from declaration on, so a smoothed
    // read settles on its target instead of sticking at 0.
    m_effect.SetParameterScaled(5, 0.5f);
    float last = 0.0f;
    for (int i = 0; i < 2000; ++i)
        last = m_effect.GetParameterScaled(5, true, false, 0);
    // Settled: the target itself comes back, not the filter state.
    EXPECT_EQ(last, 0.5f);
    // The state stopped within 1e-5 below 0.5. A target within 1e-5 of it comes
    // back as is, and the state stays where it was.
    m_effect.SetParameterScaled(5, 0.499995f);
    EXPECT_EQ(m_effect.GetParameterScaled(5, true, false, 0), 0.499995f);
    m_effect.SetParameterScaled(5, 0.5f);
    EXPECT_EQ(m_effect.GetParameterScaled(5, true, false, 0), 0.5f);
    // A target further away moves the state one step only.
    m_effect.SetParameterScaled(5, 0.6f);
    const float stepped = m_effect.GetParameterScaled(5, true, false, 0);
    EXPECT_GT(stepped, 0.5f);
    EXPECT_LT(stepped, 0.6f);
}

TEST_F(CBaseEffectTest, ModulatedReadAddsEntriesPerSampleAndClamps)
{
    float bufferA[16];
    float bufferB[16];
    for (int i = 0; i < 16; ++i)
    {
        bufferA[i] = static_cast<float>(i) / 15.0f; // 0..1
        bufferB[i] = 1.0f;
    }
    m_effect.m_mod.count = 2;
    m_effect.m_mod.buffers[0] = bufferA;
    m_effect.m_mod.depths[0] = 0.5f;
    m_effect.m_mod.buffers[1] = bufferB;
    m_effect.m_mod.depths[1] = -0.25f;
    m_effect.PreProcess(16);
    // Parameter 2 sits at 0.5: 0.5 + 0.5 * n/15 - 0.25.
    EXPECT_FLOAT_EQ(m_effect.GetParameterScaled(2, false, true, 0), 0.25f);
    EXPECT_FLOAT_EQ(m_effect.GetParameterScaled(2, false, true, 15), 0.75f);
    EXPECT_FLOAT_EQ(m_effect.GetParameterScaled(2, false, false, 15), 0.5f);
    // Unscaled reads go through the same sum: 0.25 scaled is -12 dB.
    EXPECT_FLOAT_EQ(m_effect.GetParameterUnscaled(2, false, true, 0), -12.0f);
    // Sums beyond the range are clamped.
    m_effect.m_mod.depths[1] = 1.0f;
    EXPECT_EQ(m_effect.GetParameterScaled(2, false, true, 15), 1.0f);
    m_effect.m_mod.depths[0] = -1.0f;
    m_effect.m_mod.depths[1] = -1.0f;
    EXPECT_EQ(m_effect.GetParameterScaled(2, false, true, 15), 0.0f);
    // A parameter without a record is not modulated.
    EXPECT_EQ(m_effect.GetParameterScaled(1, false, true, 0),
              m_effect.GetParameterScaled(1, false, false, 0));
}

TEST_F(CBaseEffectTest, RawBlocksAreZeroedAndMatchedById)
{
    m_effect.AddRawParameterBlock(10001, 8);
    m_effect.AddRawParameterBlock(10002, 4);
    m_effect.AddRawParameterBlock(10003, 0);
    const uint8_t zeros[8] = {};
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(std::memcmp(m_effect.GetRawParameterBlock(10001), zeros, 8), 0);
    m_effect.SetRawParameterBlock(10001, bytes);
    EXPECT_EQ(std::memcmp(m_effect.GetRawParameterBlock(10001), bytes, 8), 0);
    // Unknown ids and zero-sized blocks change nothing.
    m_effect.SetRawParameterBlock(10009, bytes);
    m_effect.SetRawParameterBlock(10003, bytes);
    EXPECT_EQ(m_effect.GetRawParameterBlock(10009), nullptr);
    EXPECT_EQ(m_effect.GetRawParameterBlock(10003), nullptr);
    EXPECT_EQ(m_effect.GetRawParameterBlockSize(10002), 4);
    EXPECT_EQ(std::memcmp(m_effect.GetRawParameterBlock(10002), zeros, 4), 0);
}

TEST_F(CBaseEffectTest, ChunkRoundTripAnnouncesEveryValueWithoutAHost)
{
    // The base reader's own version rule: every value, no hook; no adapter to tell.
    m_effect.AddRawParameterBlock(10001, 3);
    m_effect.SetParameterUnscaled(2, -7.5f);
    m_effect.ActivateMidiLearn(4, true);
    m_effect.OnMidiCC(9, 0.0f); // bound, but no adapter to move the parameter
    CTestEffect other;
    other.AddRawParameterBlock(10001, 3);
    other.m_notified.clear();
    void* data = nullptr;
    int size = 0;
    m_effect.GetChunk(&data, &size, false);
    other.SetChunk(data, size, false);
    EXPECT_EQ(other.GetMidiMapEntry(9), 4);
    // Every value was announced to the effect in its own units, in id order.
    ASSERT_EQ(other.m_notified.size(), static_cast<size_t>(kNumParameters));
    EXPECT_EQ(other.m_notified[2], std::make_pair(2, -7.5f));
}
