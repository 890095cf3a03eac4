// Whole-state loads reach the audio thread as one snapshot at a block start: the host,
// the editor and the undo history see the new state when the load returns, the audio
// thread's reads only once it applies the snapshot, and then all of it at once.
#include "Common/wrappers/utilities/TripleBuffer.h"
#include "Morvex.h"
#include "support/EffectFixture.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace MorvexParam;

namespace
{
// The state to load: a copy of the instance's chunk with `changes` applied (scaled values).
struct CHANGE
{
    int id;
    float scaled;
};

std::vector<uint8_t> ChunkWith(CEffectInstance& instance, std::initializer_list<CHANGE> changes,
                               int32_t firstOrderCode)
{
    CMorvex* effect = instance.Effect();
    std::vector<float> before;
    for (const CHANGE& change : changes)
    {
        before.push_back(effect->GetParameterScaled(change.id, false, false, 0));
        instance.SetScaled(change.id, change.scaled);
    }
    std::vector<int32_t> order(kModulesPerLayer);
    std::memcpy(order.data(), effect->GetRawParameterBlock(kRawBlockLayerOrder), 28);
    const std::vector<int32_t> oldOrder = order;
    order[0] = firstOrderCode;
    effect->SetRawParameterBlock(kRawBlockLayerOrder, order.data());
    const std::vector<uint8_t> chunk = StateBytes::Chunk(effect);
    // Back to where it was, and the audio thread with it.
    size_t i = 0;
    for (const CHANGE& change : changes)
        instance.SetScaled(change.id, before[i++]);
    effect->SetRawParameterBlock(kRawBlockLayerOrder, oldOrder.data());
    effect->ApplyPendingState();
    effect->GetRawParameterBlockSnapshot(kRawBlockLayerOrder);
    return chunk;
}

int32_t AudioFirstOrderCode(CMorvex* effect)
{
    int32_t code = 0;
    std::memcpy(&code, effect->GetRawParameterBlockSnapshot(kRawBlockLayerOrder), 4);
    return code;
}

float AudioValue(CMorvex* effect, int id)
{
    return effect->GetParameterScaled(id, false, true, 0);
}
} // namespace

TEST(StateHandoverTest, LoadIsSeenAtOnceByTheHostAndAtTheNextBlockByTheAudioThread)
{
    CEffectInstance instance;
    CMorvex* effect = instance.Effect();
    const std::vector<uint8_t> chunk =
        ChunkWith(instance, {{kVolume, 0.75f}, {kReverbMix, 0.5f}}, kModuleGlitch);
    const float oldVolume = AudioValue(effect, kVolume);
    ASSERT_NE(oldVolume, 0.75f);

    effect->SetChunk(chunk.data(), static_cast<int>(chunk.size()), false);
    EXPECT_FLOAT_EQ(effect->GetParameterScaled(kVolume, false, false, 0), 0.75f);
    EXPECT_EQ(reinterpret_cast<const int32_t*>(effect->GetRawParameterBlock(kRawBlockLayerOrder))[0],
              kModuleGlitch);
    // Before the block start: the audio thread's state is the old one, all of it.
    EXPECT_EQ(AudioValue(effect, kVolume), oldVolume);
    EXPECT_EQ(AudioValue(effect, kReverbMix), 0.0f);
    EXPECT_EQ(AudioFirstOrderCode(effect), kModuleFilter);

    effect->ApplyPendingState();
    EXPECT_FLOAT_EQ(AudioValue(effect, kVolume), 0.75f);
    EXPECT_FLOAT_EQ(AudioValue(effect, kReverbMix), 0.5f);
    EXPECT_EQ(AudioFirstOrderCode(effect), kModuleGlitch);
}

TEST(StateHandoverTest, OfTwoLoadsBeforeABlockTheLastArrivesWhole)
{
    CEffectInstance instance;
    CMorvex* effect = instance.Effect();
    const std::vector<uint8_t> first =
        ChunkWith(instance, {{kVolume, 0.75f}, {kPan, 0.25f}}, kModuleGlitch);
    const std::vector<uint8_t> second = ChunkWith(instance, {{kVolume, 0.25f}}, kModuleDelay);

    effect->SetChunk(first.data(), static_cast<int>(first.size()), false);
    effect->SetChunk(second.data(), static_cast<int>(second.size()), false);
    effect->ApplyPendingState();
    EXPECT_FLOAT_EQ(AudioValue(effect, kVolume), 0.25f);
    EXPECT_FLOAT_EQ(AudioValue(effect, kPan), 0.5f); // the second state's, not the first's
    EXPECT_EQ(AudioFirstOrderCode(effect), kModuleDelay);
    // Nothing further is pending: a second block start changes nothing.
    instance.SetScaled(kVolume, 0.5f);
    effect->ApplyPendingState();
    EXPECT_FLOAT_EQ(AudioValue(effect, kVolume), 0.5f);
}

TEST(StateHandoverTest, SingleWritesAfterALoadSurviveItsSnapshotAndAResetIsOneState)
{
    CEffectInstance instance;
    CMorvex* effect = instance.Effect();
    const std::vector<uint8_t> chunk = ChunkWith(instance, {{kVolume, 0.75f}}, kModuleGlitch);
    effect->SetChunk(chunk.data(), static_cast<int>(chunk.size()), false);
    instance.SetScaled(kVolume, 0.25f); // automation right after the load
    const int32_t order[kModulesPerLayer] = {kModuleDist, 0, 2, 3, 5, 4, 6};
    effect->SetRawParameterBlock(kRawBlockLayerOrder, order);
    effect->ApplyPendingState();
    EXPECT_FLOAT_EQ(AudioValue(effect, kVolume), 0.25f);
    EXPECT_EQ(AudioFirstOrderCode(effect), kModuleDist);
    // A preset reset reaches the audio thread at the next block, as one state.
    effect->ResetPreset();
    EXPECT_FLOAT_EQ(AudioValue(effect, kVolume), 0.25f);
    effect->ApplyPendingState();
    EXPECT_FLOAT_EQ(AudioValue(effect, kVolume), 0.5f); // 0 dB of -24..24
}

TEST(TripleBufferTest, ReaderTakesOnlyTheNewestPublication)
{
    CTripleBuffer<int> buffer;
    EXPECT_EQ(buffer.TakeNewest(), nullptr);
    for (int value : {1, 2, 3})
    {
        buffer.GetBack() = value;
        buffer.Publish();
    }
    const int* taken = buffer.TakeNewest();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(*taken, 3);
    EXPECT_EQ(buffer.TakeNewest(), nullptr);
    // The slot the reader holds is never the writer's back slot.
    buffer.GetBack() = 4;
    EXPECT_EQ(*taken, 3);
    buffer.Publish();
    EXPECT_EQ(*buffer.TakeNewest(), 4);
}
