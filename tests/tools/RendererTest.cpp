#include "Renderer.h"
#include "PassThroughPluginLog.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace morvex::render;

// Every call is the block size but the last; the output is the input times the gain, in place;
// control changes land on their sample (controller 3 makes the fixture write a NaN at the event's
// offset in its block); progress rises to the whole length.
TEST(CRendererTest, BlocksGainAndEventPositions)
{
    // A ramp that never repeats a value, so a sample landing in the wrong place shows.
    AUDIO_BUFFER input;
    input.sampleRate = 44100;
    input.Resize(1000);
    for (std::size_t n = 0; n < 1000; ++n)
    {
        input.left[n] = static_cast<float>(n) / 1000.0f;
        input.right[n] = -0.5f * static_cast<float>(n) / 1000.0f;
    }
    for (const int blockSize : {1, 15, 16, 17, 512, 4096})
    {
        SCOPED_TRACE(blockSize);
        CFixtureLog log;
        CPluginHost host;
        std::string error;
        ASSERT_TRUE(host.Load(PASSTHROUGH_PLUGIN_PATH, error) &&
                    host.Open(input.sampleRate, blockSize, error))
            << error;
        host.SetParameter(0, 0.5f); // -24 + 36 x 0.5 = -6 dB
        host.SetTransport(120.0, true);
        host.StartProcessing();
        CMidiSchedule midi;
        midi.Prepare({{700, 3, 1}, {300, 3, 1}, {301, 7, 99}});
        AUDIO_BUFFER output;
        std::int64_t lastDone = 0;
        CRenderer(host, blockSize)
            .Render(input, output, midi,
                    [&lastDone](std::int64_t done, std::int64_t total)
                    {
                        EXPECT_GT(done, lastDone);
                        EXPECT_LE(done, total);
                        lastDone = done;
                    });
        EXPECT_EQ(lastDone, input.NumFrames());

        const int expectedCalls = (1000 + blockSize - 1) / blockSize;
        ASSERT_EQ(log->numProcessCalls, expectedCalls);
        for (int call = 0; call < expectedCalls; ++call)
        {
            const int frames = call + 1 < expectedCalls ? blockSize : 1000 - call * blockSize;
            EXPECT_EQ(log->processCalls[call].numFrames, frames) << call;
            EXPECT_DOUBLE_EQ(log->processCalls[call].timeInfo.samplePos, 1.0 * call * blockSize);
        }
        // Sorted by sample, each before the call of the block that holds it.
        ASSERT_EQ(log->numEvents, 3);
        const std::int64_t samples[] = {300, 301, 700};
        for (int i = 0; i < 3; ++i)
        {
            EXPECT_EQ(log->events[i].processIndex, samples[i] / blockSize) << i;
            EXPECT_EQ(log->events[i].deltaFrames, samples[i] % blockSize) << i;
        }
        EXPECT_EQ(log->events[1].midi[1], 7);

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
