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

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using namespace MorvexParam;

namespace
{
// Sizes in the order a host's device changes bring them: whether storage is allocated
// (only when it grows past what the buffer ever held) and whether it moved.
struct RESIZE_STEP
{
    int count;
    bool allocates;
};

const RESIZE_STEP kResizeSteps[] = {
    {480, true}, {441, false}, {480, false}, {480, false}, {960, true}, {16, false},
};

TEST(RealTimeEventsTest, BuffersAllocateOnlyWhenTheyGrowPastTheirStorage)
{
    CStereoBuffer stereo;
    CMonoBuffer mono;
    const float* stereoBefore = nullptr;
    const float* monoBefore = nullptr;
    for (const RESIZE_STEP& step : kResizeSteps)
    {
        EXPECT_EQ(stereo.SetSamplesCount(step.count), step.allocates) << step.count;
        EXPECT_EQ(mono.SetSamplesCount(step.count), step.allocates) << step.count;
        EXPECT_EQ(stereo.GetSamplesCount(), step.count);
        EXPECT_EQ(mono.GetSamplesCount(), step.count);
        if (!step.allocates)
        {
            EXPECT_EQ(stereo.GetLeftBuffer(), stereoBefore) << step.count;
            EXPECT_EQ(mono.GetBuffer(), monoBefore) << step.count;
        }
        // Every sample of the count is usable storage (the right channel behind the left).
        stereo.Clear();
        mono.Clear();
        EXPECT_EQ(stereo.GetRightBuffer(), stereo.GetLeftBuffer() + step.count);
        stereoBefore = stereo.GetLeftBuffer();
        monoBefore = mono.GetBuffer();
    }
}

// A delay line of each kind, filled with sound and then resized the way a device change
// resizes it: every delay it can read is silence afterwards, whether the storage was kept
// or not, and kept storage stays where it was.
struct LINE_CASE
{
    const char* name;
    // Sizes the line to n, fills it with 1.0, resizes it to m and returns the largest
    // magnitude any delay then reads; `kept` tells whether the storage stayed.
    std::function<float(int n, int m, bool& kept)> fillResizeRead;
};

float HermiteLine(int n, int m, bool& kept, bool clearFirst)
{
    CHermiteDelayLine line;
    line.SetLength(n);
    for (int i = 0; i < 2 * n; ++i)
        line.Push(1.0f);
    // A reset before the device change leaves the sound in memory, unread.
    if (clearFirst)
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

float HermiteCase(int n, int m, bool& kept)
{
    return HermiteLine(n, m, kept, false);
}

float HermiteClearedCase(int n, int m, bool& kept)
{
    return HermiteLine(n, m, kept, true);
}

float AllPassCase(int n, int m, bool& kept)
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

float ReverbCase(int n, int m, bool& kept)
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

class RealTimeLineTest : public ::testing::TestWithParam<LINE_CASE>
{
};

TEST_P(RealTimeLineTest, ResizedLineIsSilentAndKeepsStorageThatFits)
{
    const LINE_CASE& c = GetParam();
    // (from, to): shrink (48 -> 44.1 kHz), grow back within the storage, the same size.
    const int sizes[][2] = {{480, 441}, {441, 480}, {480, 480}};
    for (const auto& size : sizes)
    {
        bool kept = false;
        EXPECT_EQ(c.fillResizeRead(size[0], size[1], kept), 0.0f)
            << c.name << " " << size[0] << " -> " << size[1];
        EXPECT_TRUE(kept || size[1] > size[0]) << c.name << " " << size[0] << " -> " << size[1];
    }
}

std::string LineCaseName(const ::testing::TestParamInfo<LINE_CASE>& param)
{
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Lines, RealTimeLineTest,
                         ::testing::Values(LINE_CASE{"Hermite", HermiteCase},
                                           LINE_CASE{"HermiteCleared", HermiteClearedCase},
                                           LINE_CASE{"AllPass", AllPassCase},
                                           LINE_CASE{"Reverb", ReverbCase}),
                         LineCaseName);

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
} // namespace
