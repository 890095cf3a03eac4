// Bad input from the host never breaks the plug-in: non-finite and huge samples, unusual
// rates and block sizes (longer than announced included) and thousands of random patches
// all give finite output, with every module on. Under the sanitizers these tests also
// prove that no buffer is read or written out of bounds.
#include "support/EffectFixture.h"
#include "support/FullPatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

using namespace MorvexParam;

namespace
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kMax = std::numeric_limits<float>::max();

// Music-like input: a tone over noise, different on the two channels.
float Program(int channel, long index)
{
    const uint32_t hash = static_cast<uint32_t>(index) * 2654435761u + channel * 40503u;
    const float noise = static_cast<float>(hash >> 8) * (1.0f / 8388608.0f) - 1.0f;
    return 0.3f * std::sin(0.031f * static_cast<float>(index) * (1.0f + 0.5f * channel)) +
           0.2f * noise;
}

// Renders `frames` samples in host blocks of `block` through processReplacing, with
// `input(channel, index)`; returns the number of non-finite output samples and the
// output's peak through `peak`.
template <typename INPUT>
long Render(CEffectInstance& plugin, long frames, int block, INPUT input, float* peak = nullptr)
{
    std::vector<float> l(static_cast<size_t>(block)), r(l.size()), outL(l.size()), outR(l.size());
    long bad = 0;
    for (long done = 0; done < frames; done += block)
    {
        const int n = static_cast<int>(std::min<long>(block, frames - done));
        for (int i = 0; i < n; ++i)
        {
            l[static_cast<size_t>(i)] = input(0, done + i);
            r[static_cast<size_t>(i)] = input(1, done + i);
        }
        float* inputs[2] = {l.data(), r.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        plugin.Wrapper()->processReplacing(inputs, outputs, n);
        for (size_t i = 0; i < static_cast<size_t>(n); ++i)
        {
            bad += !std::isfinite(outL[i]) || !std::isfinite(outR[i]);
            if (peak)
                *peak = std::max({*peak, std::fabs(outL[i]), std::fabs(outR[i])});
        }
    }
    return bad;
}

void Start(CEffectInstance& plugin, float rate, int announcedBlock, bool fullPatch = true)
{
    plugin.Wrapper()->setSampleRate(rate);
    plugin.Wrapper()->setBlockSize(announcedBlock);
    plugin.Wrapper()->resume();
    if (fullPatch)
        FullPatch::Apply(plugin.Wrapper(), plugin.Effect());
}
} // namespace

TEST(CRobustnessTest, NonFiniteAndHugeInputsNeverReachTheOutput)
{
    // At the adapter every non-finite input sample becomes 0: the output stays finite
    // during the burst and after it, with no reset.
    const auto poison = [](int channel, long i)
    {
        const float values[] = {kNaN, kInf, -kInf, ((i / 64) % 2) ? kNaN : Program(channel, i)};
        const long k = (i + channel) % 7;
        return k < 4 ? values[k] : Program(channel, i);
    };
    for (const float rate : {44100.0f, 48000.0f, 96000.0f})
    {
        SCOPED_TRACE(rate);
        CEffectInstance plugin;
        Start(plugin, rate, 512);
        const long second = static_cast<long>(rate);
        EXPECT_EQ(Render(plugin, second / 2, 512, Program), 0);
        EXPECT_EQ(Render(plugin, second / 4, 333, poison), 0);
        float peak = 0.0f;
        EXPECT_EQ(Render(plugin, second, 512, Program, &peak), 0);
        EXPECT_GT(peak, 1e-4f); // the burst did not silence the engine for good
        // Square waves of +-1e6, a DC step of 1e6 and the largest float.
        const auto square = [](int channel, long i)
        { return (i / (37 + channel)) % 2 ? 1e6f : -1e6f; };
        EXPECT_EQ(Render(plugin, second, 512, square), 0);
        EXPECT_EQ(Render(plugin, second / 4, 512, [](int, long) { return 1e6f; }), 0);
        EXPECT_EQ(Render(plugin, second / 4, 512,
                         [](int channel, long i) { return (i + channel) % 2 ? kMax : -kMax; }),
                  0);
        EXPECT_EQ(Render(plugin, second / 2, 512, Program), 0);
    }
}

TEST(CRobustnessTest, EveryRateAndBlockSizeGivesFiniteOutput)
{
    // 22.05 to 192 kHz, blocks of 1 to 8192 samples; the host announces 512, so
    // the longer blocks exceed what it said it would send.
    for (const float rate : {22050.0f, 32000.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f,
                             176400.0f, 192000.0f})
    {
        CEffectInstance plugin;
        Start(plugin, rate, 512);
        for (const int block : {1, 7, 16, 17, 100, 512, 513, 2048, 4096, 8192})
        {
            const long frames = std::max<long>(2L * block, kSanitized ? 2048L : 8192L);
            EXPECT_EQ(Render(plugin, frames, block, Program), 0) << rate << " Hz, " << block;
        }
        // A rate change between blocks, as a host does it on its other thread.
        plugin.Wrapper()->setSampleRate(rate == 192000.0f ? 22050.0f : rate * 2.0f);
        EXPECT_EQ(Render(plugin, 8192, 8192, Program), 0) << rate << " Hz, then changed";
    }
}

// The parameter space: thousands of random patches (fixed seeds), each rendered
// briefly with random block sizes, split in shards that ctest runs side by side.
class CParameterSweepTest : public ::testing::TestWithParam<int>
{
};

TEST_P(CParameterSweepTest, RandomPatchesNeverGiveNonFiniteOutput)
{
    constexpr int kPatchesPerShard = kSanitized ? 30 : 250; // 2000 in all, unsanitised
    const int shard = GetParam();
    uint32_t seed = 0x5EED0000u + static_cast<uint32_t>(shard);
    const auto random = [&seed](int below) // Numerical Recipes LCG
    {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<uint32_t>(below));
    };
    const auto unit = [&random]() { return static_cast<float>(random(1 << 24)) / 16777216.0f; };
    CEffectInstance plugin;
    Start(plugin, shard % 3 == 0 ? 44100.0f : shard % 3 == 1 ? 48000.0f : 96000.0f, 1024, false);
    for (int patch = 0; patch < kPatchesPerShard; ++patch)
    {
        // Every parameter anywhere in its range (switches that redeclare others
        // included), the power kept on so that the engine runs.
        for (int id = 0; id < kNumParameters; ++id)
            plugin.SetScaled(id, unit());
        plugin.SetScaled(kPower, 1.0f);
        // A random order of the seven modules in each layer.
        for (int layer = 0; layer < kNumLayers; ++layer)
        {
            int32_t order[kModulesPerLayer];
            std::iota(order, order + kModulesPerLayer, 0);
            for (int i = kModulesPerLayer - 1; i > 0; --i)
                std::swap(order[i], order[random(i + 1)]);
            plugin.Effect()->SetRawParameterBlock(kRawBlockLayerOrder + layer, order);
        }
        const int block = 1 + random(1024);
        const float gain = unit() < 0.1f ? 100.0f : 1.0f;
        ASSERT_EQ(Render(plugin, 4096, block,
                         [gain](int channel, long i) { return gain * Program(channel, i); }),
                  0)
            << "shard " << shard << " patch " << patch << " (block " << block << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Shards, CParameterSweepTest, ::testing::Range(0, 8));
