// Host events that must not cost the audio thread a slow block, and must not change what is
// heard: a device change keeps storage that is large enough (and the lines read silence
// all the same), and a resume does the one-off work of the first block.
#include "Common/wrappers/dsp/DelayAp.h"
#include "Common/wrappers/dsp/HermiteDelayLine.h"
#include "Common/wrappers/utilities/MonoBuffer.h"
#include "Common/wrappers/utilities/StereoBuffer.h"
#include "Morvex.h"
#include "Processing/Reverb/ReverbDelayLine.h"
#include "support/EffectFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

using namespace MorvexParam;

TEST(RealTimeEventsTest, BuffersAllocateOnlyWhenTheyGrowPastTheirStorage)
{
    // Sizes in the order a host's device changes bring them, and whether storage is allocated.
    const std::pair<int, bool> steps[] = {{480, true},  {441, false}, {480, false},
                                          {480, false}, {960, true},  {16, false}};
    CStereoBuffer stereo;
    CMonoBuffer mono;
    const float* stereoBefore = nullptr;
    const float* monoBefore = nullptr;
    for (const auto& [count, allocates] : steps)
    {
        EXPECT_EQ(stereo.SetSamplesCount(count), allocates) << count;
        EXPECT_EQ(mono.SetSamplesCount(count), allocates) << count;
        EXPECT_EQ(stereo.GetSamplesCount(), count);
        EXPECT_EQ(mono.GetSamplesCount(), count);
        if (!allocates)
        {
            EXPECT_EQ(stereo.GetLeftBuffer(), stereoBefore) << count;
            EXPECT_EQ(mono.GetBuffer(), monoBefore) << count;
        }
        // Every sample of the count is usable storage (the right channel behind the left).
        stereo.Clear();
        mono.Clear();
        EXPECT_EQ(stereo.GetRightBuffer(), stereo.GetLeftBuffer() + count);
        stereoBefore = stereo.GetLeftBuffer();
        monoBefore = mono.GetBuffer();
    }
}

namespace
{
// Each sizes a line to n, fills it with 1.0, resizes it to m as a device change does and
// returns the loudest sample any delay then reads; `kept` tells whether the storage stayed.
float HermiteLine(int n, int m, bool& kept, bool clearFirst)
{
    CHermiteDelayLine line;
    line.SetLength(n);
    for (int i = 0; i < 2 * n; ++i)
        line.Push(1.0f);
    if (clearFirst) // a reset before the change leaves the sound in memory, unread
        line.Clear();
    const float* before = line.Data();
    line.SetLength(m);
    kept = line.Data() == before;
    float loudest = 0.0f;
    for (int delay = 0; delay < m; ++delay)
        loudest = std::max(loudest, std::fabs(line.Read(delay + 0.25)));
    // Taps of the longest delays while the line fills again: nothing older comes back.
    for (int k = 0; k < 2 * m; ++k)
    {
        float scratch[4];
        line.Push(0.0f);
        const float* taps = line.Taps(m - 4, scratch);
        for (int t = 0; t < 4; ++t)
            loudest = std::max(loudest, std::fabs(taps[t]));
    }
    return loudest;
}

float AllPassLine(int n, int m, bool& kept)
{
    CDelayAp line;
    line.SetSize(n);
    for (int i = 0; i < 2 * n; ++i)
        line.Process(1.0f, 3.0f);
    line.SetSize(m);
    kept = true; // the line offers no view of its storage
    float loudest = 0.0f;
    for (int i = 0; i < 2 * m; ++i)
        loudest = std::max(loudest, std::fabs(line.Process(0.0f, static_cast<float>(m) - 2.5f)));
    return loudest;
}

float ReverbLine(int n, int m, bool& kept)
{
    CReverbDelayLine line;
    line.SetSize(n);
    for (int i = 0; i < n; ++i)
        line.Write(i, 1.0f);
    const float* before = line.GetData();
    line.SetSize(m);
    kept = line.GetData() == before;
    float loudest = 0.0f;
    for (int i = 0; i < m + CReverbDelayLine::kGuardSamples; ++i)
        loudest = std::max(loudest, std::fabs(line.GetData()[i]));
    return loudest;
}
} // namespace

TEST(RealTimeEventsTest, ResizedLinesAreSilentAndKeepStorageThatFits)
{
    const std::pair<const char*, float (*)(int, int, bool&)> lines[] = {
        {"Hermite", [](int n, int m, bool& kept) { return HermiteLine(n, m, kept, false); }},
        {"HermiteCleared", [](int n, int m, bool& kept) { return HermiteLine(n, m, kept, true); }},
        {"AllPass", AllPassLine},
        {"Reverb", ReverbLine},
    };
    // (from, to): shrink (48 -> 44.1 kHz), grow back within the storage, the same size.
    const int sizes[][2] = {{480, 441}, {441, 480}, {480, 480}};
    for (const auto& [name, fillResizeRead] : lines)
    {
        for (const auto& size : sizes)
        {
            SCOPED_TRACE(::testing::Message() << name << " " << size[0] << " -> " << size[1]);
            bool kept = false;
            EXPECT_EQ(fillResizeRead(size[0], size[1], kept), 0.0f);
            EXPECT_TRUE(kept || size[1] > size[0]);
        }
    }
}

TEST(RealTimeEventsTest, ResumeTakesAStateLoadedWhileSuspended)
{
    CEffectInstance instance;
    CMorvex* effect = instance.Effect();
    instance.Wrapper()->setSampleRate(48000.0f);
    instance.Wrapper()->resume();
    const float before = effect->GetAudioScaled(kVolume);
    instance.Wrapper()->suspend();
    // A chunk with another volume, loaded the way a host restores a project.
    instance.SetScaled(kVolume, 0.25f);
    void* data = nullptr;
    const VstInt32 size = instance.Wrapper()->getChunk(&data, false);
    std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    instance.SetScaled(kVolume, before);
    instance.Wrapper()->setChunk(chunk.data(), size, false);
    EXPECT_EQ(effect->GetAudioScaled(kVolume), before); // not yet the audio thread's
    instance.Wrapper()->resume();
    EXPECT_EQ(effect->GetAudioScaled(kVolume), 0.25f); // before any block
}
