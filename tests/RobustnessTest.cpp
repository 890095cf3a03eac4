// Bad input from the host never breaks the plug-in: non-finite samples, huge
// samples, unusual sample rates and block sizes (longer ones than announced
// included) and thousands of random patches all give finite output, and a burst
// of NaN and infinities leaves no trace once clean input returns. The whole
// plug-in runs with every module on; in the sanitizer suite these tests also
// prove that no buffer is read or written out of bounds.
#include "support/FullPatch.h"
#include "support/TempDataFolder.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"

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

constexpr int kMaxFrames = 8192;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A small deterministic generator (Numerical Recipes LCG): fixed seeds make
// every run of the sweep the same.
class CRandom
{
public:
    explicit CRandom(uint32_t seed) : m_state(seed) {}
    uint32_t Next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state;
    }
    float Unit() { return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f); }
    int Below(int n) { return static_cast<int>((Next() >> 8) % static_cast<uint32_t>(n)); }

private:
    uint32_t m_state;
};

// The plug-in behind its host adapter, without a host (no time information:
// tempo 120, transport stopped).
class CPlugin
{
public:
    CPlugin(float sampleRate, int announcedBlock)
    {
        m_wrapper = static_cast<CVstWrapper*>(createEffectInstance(nullptr));
        m_effect = static_cast<CMorvex*>(m_wrapper->GetBaseEffect());
        m_wrapper->setSampleRate(sampleRate);
        m_wrapper->setBlockSize(announcedBlock);
        m_wrapper->resume();
        for (auto* buffer : {&m_inLeft, &m_inRight, &m_outLeft, &m_outRight})
            buffer->assign(kMaxFrames, 0.0f);
    }
    ~CPlugin() { delete m_wrapper; }
    CPlugin(const CPlugin&) = delete;
    CPlugin& operator=(const CPlugin&) = delete;

    CVstWrapper* Wrapper() { return m_wrapper; }
    CMorvex* Effect() { return m_effect; }
    void SetUnscaled(int id, float value) { FullPatch::Set(m_wrapper, m_effect, id, value); }

    // Renders `frames` samples in host blocks of `blockSize` through processReplacing;
    // `input(channel, index)` gives the input. Returns the number of non-finite
    // output samples and the index of the last one (or -1) through `lastBad`.
    template <typename INPUT>
    long Render(long frames, int blockSize, INPUT input, long* lastBad = nullptr)
    {
        long bad = 0;
        long last = -1;
        for (long done = 0; done < frames;)
        {
            const int n = static_cast<int>(std::min<long>(blockSize, frames - done));
            for (int i = 0; i < n; ++i)
            {
                m_inLeft[static_cast<size_t>(i)] = input(0, done + i);
                m_inRight[static_cast<size_t>(i)] = input(1, done + i);
            }
            float* inputs[2] = {m_inLeft.data(), m_inRight.data()};
            float* outputs[2] = {m_outLeft.data(), m_outRight.data()};
            m_wrapper->processReplacing(inputs, outputs, n);
            for (int i = 0; i < n; ++i)
            {
                if (!std::isfinite(m_outLeft[static_cast<size_t>(i)]) ||
                    !std::isfinite(m_outRight[static_cast<size_t>(i)]))
                {
                    ++bad;
                    last = done + i;
                }
            }
            done += n;
        }
        if (lastBad)
            *lastBad = last;
        return bad;
    }

    float Peak() const
    {
        float peak = 0.0f;
        for (int i = 0; i < kMaxFrames; ++i)
            peak = std::max({peak, std::fabs(m_outLeft[static_cast<size_t>(i)]),
                             std::fabs(m_outRight[static_cast<size_t>(i)])});
        return peak;
    }

private:
    CVstWrapper* m_wrapper = nullptr;
    CMorvex* m_effect = nullptr;
    std::vector<float> m_inLeft, m_inRight, m_outLeft, m_outRight;
};

// Music-like input: a tone over noise, different on the two channels.
float Program(int channel, long index)
{
    const uint32_t hash = static_cast<uint32_t>(index) * 2654435761u + channel * 40503u;
    const float noise = static_cast<float>(hash >> 8) * (1.0f / 8388608.0f) - 1.0f;
    return 0.3f * std::sin(0.031f * static_cast<float>(index) * (1.0f + 0.5f * channel)) +
           0.2f * noise;
}

// The non-finite burst: NaN, +Inf and -Inf spread over both channels, runs of them
// and single ones among ordinary samples.
float Poison(int channel, long index)
{
    switch ((index + channel) % 7)
    {
    case 0:
        return kNaN;
    case 1:
        return kInf;
    case 2:
        return -kInf;
    case 3:
        return ((index / 64) % 2) ? kNaN : Program(channel, index);
    default:
        return Program(channel, index);
    }
}

class CRobustnessTest : public ::testing::TestWithParam<float>
{
protected:
    CTempDataFolder m_data;
};
} // namespace

TEST_P(CRobustnessTest, NonFiniteHostInputNeverReachesTheOutput)
{
    // At the adapter every non-finite input sample becomes 0: the output stays
    // finite during the burst and after it, with every module on and no reset.
    const float rate = GetParam();
    CPlugin plugin(rate, 512);
    FullPatch::Apply(plugin.Wrapper(), plugin.Effect());
    const long second = static_cast<long>(rate);
    EXPECT_EQ(plugin.Render(second / 2, 512, Program), 0);
    EXPECT_EQ(plugin.Render(second / 4, 333, Poison), 0);
    EXPECT_EQ(plugin.Render(second, 512, Program), 0);
    // And the patch still sounds: the burst did not silence the engine for good.
    EXPECT_GT(plugin.Peak(), 1e-4f);
}

TEST_P(CRobustnessTest, HugeInputsGiveFiniteOutput)
{
    const float rate = GetParam();
    CPlugin plugin(rate, 512);
    FullPatch::Apply(plugin.Wrapper(), plugin.Effect());
    const long frames = static_cast<long>(rate);
    // Full-scale square waves of +-1e6, then a DC step of 1e6 and the largest float.
    EXPECT_EQ(plugin.Render(frames, 512,
                            [](int channel, long i) {
                                return ((i / (37 + channel)) % 2) ? 1e6f : -1e6f;
                            }),
              0);
    EXPECT_EQ(plugin.Render(frames / 4, 512, [](int, long) { return 1e6f; }), 0);
    EXPECT_EQ(plugin.Render(frames / 4, 512,
                            [](int channel, long i) {
                                return ((i + channel) % 2) ? std::numeric_limits<float>::max()
                                                           : -std::numeric_limits<float>::max();
                            }),
              0);
    EXPECT_EQ(plugin.Render(frames / 2, 512, Program), 0);
}

INSTANTIATE_TEST_SUITE_P(Rates, CRobustnessTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST(CRobustnessRatesTest, EveryRateAndBlockSizeGivesFiniteOutput)
{
    // 22.05 to 192 kHz, blocks of 1 to 8192 samples; the host announces 512, so
    // the longer blocks exceed what it said it would send.
    CTempDataFolder data;
    const float rates[] = {22050.0f, 32000.0f, 44100.0f, 48000.0f,
                           88200.0f, 96000.0f, 176400.0f, 192000.0f};
    const int blocks[] = {1, 7, 16, 17, 100, 512, 513, 2048, 4096, 8192};
    for (const float rate : rates)
    {
        CPlugin plugin(rate, 512);
        FullPatch::Apply(plugin.Wrapper(), plugin.Effect());
        for (const int block : blocks)
        {
            const long frames = std::max<long>(2L * block, kSanitized ? 2048L : 8192L);
            EXPECT_EQ(plugin.Render(frames, block, Program), 0)
                << rate << " Hz, blocks of " << block;
        }
        // A rate change between blocks, as a host does it on its other thread.
        plugin.Wrapper()->setSampleRate(rate == 192000.0f ? 22050.0f : rate * 2.0f);
        EXPECT_EQ(plugin.Render(8192, 8192, Program), 0) << rate << " Hz, then changed";
    }
}

// The parameter space: thousands of random patches (fixed seeds), each rendered
// briefly with random block sizes, split in shards that ctest runs side by side.
class CParameterSweepTest : public ::testing::TestWithParam<int>
{
protected:
    static constexpr int kShards = 8;
    static constexpr int kPatchesPerShard = kSanitized ? 30 : 250; // 2000 in all, unsanitised
    static constexpr long kFramesPerPatch = 4096;
    CTempDataFolder m_data;
};

TEST_P(CParameterSweepTest, RandomPatchesNeverGiveNonFiniteOutput)
{
    const int shard = GetParam();
    CRandom random(0x5EED0000u + static_cast<uint32_t>(shard));
    const float rates[] = {44100.0f, 48000.0f, 96000.0f};
    CPlugin plugin(rates[shard % 3], 1024);
    for (int patch = 0; patch < kPatchesPerShard; ++patch)
    {
        // Every parameter anywhere in its range (switches that redeclare others
        // included), the power kept on so that the engine runs.
        for (int id = 0; id < kNumParameters; ++id)
            plugin.Wrapper()->setParameter(id, random.Unit());
        plugin.Wrapper()->setParameter(kPower, 1.0f);
        // A random order of the seven modules in each layer.
        for (int layer = 0; layer < kNumLayers; ++layer)
        {
            int32_t order[kModulesPerLayer];
            std::iota(order, order + kModulesPerLayer, 0);
            for (int i = kModulesPerLayer - 1; i > 0; --i)
                std::swap(order[i], order[random.Below(i + 1)]);
            plugin.Effect()->SetRawParameterBlock(kRawBlockLayerOrder + layer, order);
        }
        const int block = 1 + random.Below(1024);
        const float gain = random.Unit() < 0.1f ? 100.0f : 1.0f;
        long lastBad = -1;
        const long bad = plugin.Render(
            kFramesPerPatch, block,
            [gain](int channel, long i) { return gain * Program(channel, i); }, &lastBad);
        ASSERT_EQ(bad, 0) << "shard " << shard << " patch " << patch << ": first at "
                          << lastBad << " (block " << block << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Shards, CParameterSweepTest, ::testing::Range(0, 8));
