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
struct CHANGE
{
    int id;
    float scaled;
};

class StateHandoverTest : public ::testing::Test
{
protected:
    // A copy of the instance's chunk with `changes` applied and `firstOrderCode` first in
    // layer A's order; the instance, audio thread included, is left as it was.
    std::vector<uint8_t> ChunkWith(std::initializer_list<CHANGE> changes, int32_t firstOrderCode)
    {
        std::vector<float> before;
        for (const CHANGE& change : changes)
        {
            before.push_back(m_effect->GetParameterScaled(change.id, false, false, 0));
            m_instance.SetScaled(change.id, change.scaled);
        }
        int32_t order[kModulesPerLayer];
        std::memcpy(order, m_effect->GetRawParameterBlock(kRawBlockLayerOrder), sizeof(order));
        const int32_t oldFirst = order[0];
        order[0] = firstOrderCode;
        m_effect->SetRawParameterBlock(kRawBlockLayerOrder, order);
        const std::vector<uint8_t> chunk = StateBytes::Chunk(m_effect);
        size_t i = 0;
        for (const CHANGE& change : changes)
            m_instance.SetScaled(change.id, before[i++]);
        order[0] = oldFirst;
        m_effect->SetRawParameterBlock(kRawBlockLayerOrder, order);
        m_effect->ApplyPendingState();
        m_effect->GetRawParameterBlockSnapshot(kRawBlockLayerOrder);
        return chunk;
    }
    void Load(const std::vector<uint8_t>& chunk)
    {
        m_effect->SetChunk(chunk.data(), static_cast<int>(chunk.size()), false);
    }
    int32_t AudioFirstOrderCode()
    {
        int32_t code = 0;
        std::memcpy(&code, m_effect->GetRawParameterBlockSnapshot(kRawBlockLayerOrder), 4);
        return code;
    }
    float AudioValue(int id) { return m_effect->GetParameterScaled(id, false, true, 0); }

    CEffectInstance m_instance;
    CMorvex* m_effect = m_instance.Effect();
};
} // namespace

TEST_F(StateHandoverTest, LoadIsSeenAtOnceByTheHostAndAtTheNextBlockByTheAudioThread)
{
    const auto chunk = ChunkWith({{kVolume, 0.75f}, {kReverbMix, 0.5f}}, kModuleGlitch);
    const float oldVolume = AudioValue(kVolume);
    ASSERT_NE(oldVolume, 0.75f);
    Load(chunk);
    EXPECT_FLOAT_EQ(m_effect->GetParameterScaled(kVolume, false, false, 0), 0.75f);
    EXPECT_EQ(
        reinterpret_cast<const int32_t*>(m_effect->GetRawParameterBlock(kRawBlockLayerOrder))[0],
        kModuleGlitch);
    // Before the block start: the audio thread's state is the old one, all of it.
    EXPECT_EQ(AudioValue(kVolume), oldVolume);
    EXPECT_EQ(AudioValue(kReverbMix), 0.0f);
    EXPECT_EQ(AudioFirstOrderCode(), kModuleFilter);
    m_effect->ApplyPendingState();
    EXPECT_FLOAT_EQ(AudioValue(kVolume), 0.75f);
    EXPECT_FLOAT_EQ(AudioValue(kReverbMix), 0.5f);
    EXPECT_EQ(AudioFirstOrderCode(), kModuleGlitch);
}

TEST_F(StateHandoverTest, OfTwoLoadsBeforeABlockTheLastArrivesWhole)
{
    const auto first = ChunkWith({{kVolume, 0.75f}, {kPan, 0.25f}}, kModuleGlitch);
    const auto second = ChunkWith({{kVolume, 0.25f}}, kModuleDelay);
    Load(first);
    Load(second);
    m_effect->ApplyPendingState();
    EXPECT_FLOAT_EQ(AudioValue(kVolume), 0.25f);
    EXPECT_FLOAT_EQ(AudioValue(kPan), 0.5f); // the second state's, not the first's
    EXPECT_EQ(AudioFirstOrderCode(), kModuleDelay);
    // Nothing further is pending: a second block start changes nothing.
    m_instance.SetScaled(kVolume, 0.5f);
    m_effect->ApplyPendingState();
    EXPECT_FLOAT_EQ(AudioValue(kVolume), 0.5f);
}

TEST_F(StateHandoverTest, SingleWritesAfterALoadSurviveItsSnapshotAndAResetIsOneState)
{
    Load(ChunkWith({{kVolume, 0.75f}}, kModuleGlitch));
    m_instance.SetScaled(kVolume, 0.25f); // automation right after the load
    const int32_t order[kModulesPerLayer] = {kModuleDist, 0, 2, 3, 5, 4, 6};
    m_effect->SetRawParameterBlock(kRawBlockLayerOrder, order);
    m_effect->ApplyPendingState();
    EXPECT_FLOAT_EQ(AudioValue(kVolume), 0.25f);
    EXPECT_EQ(AudioFirstOrderCode(), kModuleDist);
    // A preset reset reaches the audio thread at the next block, as one state.
    m_effect->ResetPreset();
    EXPECT_FLOAT_EQ(AudioValue(kVolume), 0.25f);
    m_effect->ApplyPendingState();
    EXPECT_FLOAT_EQ(AudioValue(kVolume), 0.5f); // 0 dB of -24..24
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
