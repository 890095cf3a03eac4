// Lo-fi stage against its formulas.
#include "Processing/LoFi/LoFi.h"
#include "Common/wrappers/dsp/LookupTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
class CLoFiTest : public ::testing::Test
{
protected:
    static constexpr float kRate = 48000.0f;
    void SetUp() override
    {
        LookupTables::Initialize();
        m_lofi.SetSampleRate(kRate);
    }
    std::vector<float> Run(const std::vector<float>& input, float bits, float rate, float noise)
    {
        std::vector<float> out(input.size());
        for (size_t n = 0; n < input.size(); ++n)
        {
            float r = input[n];
            out[n] = input[n];
            m_lofi.ProcessSample(out[n], r, bits, rate, noise);
        }
        return out;
    }
    CLoFi m_lofi;
};
} // namespace

// q = 4094 (1 - bits)^6 + 2: trunc(s q +- 0.5) / q, values in (1e-5, 1/q) lifted to 1/q.
TEST_F(CLoFiTest, ResolutionRoundsToTheLevelGrid)
{
    const std::vector<float> x = {0.3f,  0.2f,   2e-5f, 5e-6f, -0.2f, -0.3f,
                                  0.75f, -0.75f, 0.7f,  1.0f,  -1.3f, -1e-30f};
    EXPECT_EQ(x, Run(x, 0.0f, 0.0f, 0.0f)); // zero amounts leave the pair alone
    const std::vector<float> halfSteps = {0.5f, 0.5f,  0.5f, 0.0f, 0.0f,  -0.5f,
                                          1.0f, -1.0f, 0.5f, 1.0f, -1.5f, 0.0f};
    EXPECT_EQ(halfSteps, Run(x, 1.0f, 0.0f, 0.0f));
    const double q = 4094.0 * std::pow(0.5, 6) + 2.0; // bits 0.5: 65.96875
    std::vector<float> y;
    for (int i = 0; i < 2000; ++i)
    {
        const float s = static_cast<float>(-1.5 + 3.0 * ((i * 7919) % 2000) / 2000.0 + 1e-4);
        const double scaled = s * q;
        if (std::fabs(std::fabs(scaled - std::trunc(scaled)) - 0.5) > 1e-3)
            y.push_back(s);
    }
    const std::vector<float> out = Run(y, 0.5f, 0.0f, 0.0f);
    for (size_t n = 0; n < y.size(); ++n)
    {
        const double s = y[n];
        const double expected =
            s > 1e-5 && s < 1 / q ? 1 / q : std::trunc(s * q + (s < 0 ? -0.5 : 0.5)) / q;
        ASSERT_NEAR(expected, out[n], 1e-6) << s;
    }
}

// s + n s, n = NOISE_WHITE_TABLE[trunc(phase 88199)] noise, shared by both channels.
TEST_F(CLoFiTest, NoiseMultipliesTheSignal)
{
    EXPECT_EQ(std::vector<float>(1000, 0.0f), Run(std::vector<float>(1000, 0.0f), 0, 0, 1.0f));
    m_lofi.Reset();
    for (int k = 1; k <= 2000; ++k)
    {
        float l = 0.25f, r = 0.5f;
        m_lofi.ProcessSample(l, r, 0.0f, 0.0f, 0.5f);
        ASSERT_EQ(2.0f * l, r);
        const double n = (l - 0.25) / 0.25;
        const int position = static_cast<int>(k / static_cast<double>(kRate) * 88199.0);
        bool matches = false;
        for (int i = position - 1; i <= position + 1; ++i)
            matches = matches || std::fabs(0.5 * NOISE_WHITE_TABLE[i] - n) < 1e-6;
        ASSERT_TRUE(matches) << "sample " << k << " noise " << n;
    }
}

// The hold runs while r^2 256 > counter, blended by f = FASTFADEIN at 4096 r. Rate 1: the
// held zero for 256 samples, then every 257th sample for 257; rate 0.004 alternates.
TEST_F(CLoFiTest, SampleHoldAndItsFadeIn)
{
    std::vector<float> ramp(2000);
    for (size_t n = 0; n < ramp.size(); ++n)
        ramp[n] = static_cast<float>(n + 1);
    std::vector<float> out = Run(ramp, 0.0f, 1.0f, 0.0f);
    for (size_t n = 0; n < ramp.size(); ++n)
        ASSERT_EQ(n < 256 ? 0.0f : ramp[256 + 257 * ((n - 256) / 257)], out[n]) << n;
    m_lofi.Reset();
    const double f = 0.616 * FASTFADEIN_TABLE[16] + 0.384 * FASTFADEIN_TABLE[17];
    std::vector<float> x(200);
    for (size_t n = 0; n < x.size(); ++n)
        x[n] = static_cast<float>(std::sin(0.3 * static_cast<double>(n)));
    out = Run(x, 0.0f, 0.004f, 0.0f);
    double held = 0.0;
    for (size_t n = 0; n < x.size(); ++n)
    {
        ASSERT_NEAR(n % 2 == 0 ? held * f + x[n] * (1 - f) : x[n], out[n], 1e-5) << n;
        if (n % 2 == 1)
            held = x[n];
    }
}
