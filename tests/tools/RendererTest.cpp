#include "Renderer.h"
#include "PassThroughPluginLog.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace morvex::render;

namespace
{
// A ramp that never repeats a value, so a sample landing in the wrong place shows.
AUDIO_BUFFER Ramp(std::int64_t numFrames)
{
    AUDIO_BUFFER buffer;
    buffer.sampleRate = 44100;
    buffer.Resize(numFrames);
    for (std::int64_t n = 0; n < numFrames; ++n)
    {
        buffer.left[static_cast<std::size_t>(n)] =
            static_cast<float>(n) / static_cast<float>(numFrames);
        buffer.right[static_cast<std::size_t>(n)] =
            -0.5f * static_cast<float>(n) / static_cast<float>(numFrames);
    }
    return buffer;
}
} // namespace

class CRendererTest : public ::testing::Test
{
protected:
    // Renders `input` with the fixture at `blockSize`, Gain at normalised `gain`.
    AUDIO_BUFFER Render(const AUDIO_BUFFER& input, int blockSize, float gain,
                        std::vector<CONTROL_CHANGE> changes)
    {
        CPluginHost host;
        std::string error;
        EXPECT_TRUE(host.Load(PASSTHROUGH_PLUGIN_PATH, error)) << error;
        EXPECT_TRUE(host.Open(input.sampleRate, blockSize, error)) << error;
        host.Resume();
        host.SetParameter(0, gain);
        host.SetTransport(120.0, true);
        host.StartProcessing();
        CMidiSchedule midi;
        midi.Prepare(std::move(changes));
        AUDIO_BUFFER output;
        std::int64_t lastDone = 0;
        CRenderer renderer(host, blockSize);
        renderer.Render(input, output, midi,
                        [&lastDone](std::int64_t done, std::int64_t total)
                        {
                            EXPECT_GT(done, lastDone);
                            EXPECT_LE(done, total);
                            lastDone = done;
                        });
        EXPECT_EQ(lastDone, input.NumFrames());
        return output;
    }

    CFixtureLog m_log;
};

// Every call is the block size but the last; the output is the input times the gain, in
// place; control changes land on their sample (controller 3 makes the fixture write a NaN at
// the event's offset in its block).
TEST_F(CRendererTest, BlocksGainAndEventPositions)
{
    const AUDIO_BUFFER input = Ramp(1000);
    for (const int blockSize : {1, 15, 16, 17, 512, 4096})
    {
        SCOPED_TRACE(blockSize);
        // Gain 0.5 -> -24 + 36 x 0.5 = -6 dB -> factor 10^(-6/20) = 0.501187.
        const AUDIO_BUFFER output =
            Render(input, blockSize, 0.5f, {{700, 3, 1}, {300, 3, 1}, {301, 7, 99}});
        const int expectedCalls = (1000 + blockSize - 1) / blockSize;
        ASSERT_EQ(m_log->numProcessCalls, expectedCalls);
        for (int call = 0; call < expectedCalls; ++call)
        {
            const int frames = call + 1 < expectedCalls ? blockSize : 1000 - call * blockSize;
            EXPECT_EQ(m_log->processCalls[call].numFrames, frames) << call;
            EXPECT_DOUBLE_EQ(m_log->processCalls[call].timeInfo.samplePos, 1.0 * call * blockSize);
        }

        // Sorted by sample, each before the call of the block that holds it.
        ASSERT_EQ(m_log->numEvents, 3);
        const std::int64_t samples[] = {300, 301, 700};
        for (int i = 0; i < 3; ++i)
        {
            const BLOCK_POSITION position = CMidiSchedule::Locate(samples[i], blockSize);
            EXPECT_EQ(m_log->events[i].processIndex, position.block) << i;
            EXPECT_EQ(m_log->events[i].deltaFrames, position.offset) << i;
        }
        EXPECT_EQ(m_log->events[1].midi[1], 7);

        ASSERT_EQ(output.NumFrames(), input.NumFrames());
        EXPECT_EQ(output.sampleRate, input.sampleRate);
        const float factor = std::pow(10.0f, -6.0f / 20.0f);
        for (std::size_t n = 0; n < input.left.size(); ++n)
        {
            const bool marked = n == 300 || n == 700;
            ASSERT_EQ(std::isnan(output.left[n]), marked) << n;
            ASSERT_EQ(std::isnan(output.right[n]), marked) << n;
            if (!marked)
            {
                ASSERT_FLOAT_EQ(output.left[n], input.left[n] * factor) << n;
                ASSERT_FLOAT_EQ(output.right[n], input.right[n] * factor) << n;
            }
        }
    }
}
