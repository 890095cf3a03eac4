#include "DrumLoop.h"
#include "support/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace morvex::render;

TEST(CDrumLoopTest, EightBarsAtTheTempoPeakingAtMinusThreeDbfs)
{
    for (const int sampleRate : {44100, 48000, 96000})
    {
        for (const double tempoBpm : {120.0, 97.0, 174.0})
        {
            SCOPED_TRACE(testing::Message() << sampleRate << " Hz, " << tempoBpm << " BPM");
            AUDIO_BUFFER loop;
            CDrumLoop::Generate(sampleRate, tempoBpm, loop);
            // 8 bars x 4 beats x 60 / tempo seconds, rounded to whole samples.
            const auto expected = std::llround(8.0 * 4.0 * 60.0 / tempoBpm * sampleRate);
            EXPECT_EQ(loop.NumFrames(), expected);
            EXPECT_EQ(loop.right.size(), loop.left.size());
            EXPECT_EQ(loop.sampleRate, sampleRate);
            EXPECT_EQ(CDrumLoop::LengthInSamples(sampleRate, tempoBpm), expected);
            const float peak =
                std::max(TestSpectrum::Peak(loop.left), TestSpectrum::Peak(loop.right));
            EXPECT_NEAR(TestSpectrum::Db(peak), -3.0, 0.01);
        }
    }
    // 130 BPM at 44100 Hz: a sixteenth is 44100 x 60 / 130 / 4 = 5088.4615... samples; step
    // 13 is at 66149.99... -> 66150 (rounded once, no drift from adding rounded steps).
    EXPECT_EQ(CDrumLoop::StepPosition(0, 44100, 130.0), 0);
    EXPECT_EQ(CDrumLoop::StepPosition(13, 44100, 130.0), 66150);
    EXPECT_EQ(CDrumLoop::StepPosition(4, 48000, 120.0), 24000);
}

TEST(CDrumLoopTest, KicksOnOneAndThreeAndTheOffbeatAfterThree)
{
    // The kick (150 Hz sweeping to 48 Hz) dominates below 100 Hz; the snare (185 Hz and 330 Hz
    // tones plus noise) and the hats do not. Measure 50 ms after each eighth note of the first
    // bar at 50 and 75 Hz and compare kick positions with the others.
    constexpr int kRate = 48000;
    AUDIO_BUFFER loop;
    CDrumLoop::Generate(kRate, 120.0, loop);
    const std::size_t eighth = kRate / 4; // 120 BPM: a beat is 0.5 s, an eighth 0.25 s
    double quietest = 1e300;
    double loudest = 0.0;
    for (std::size_t position = 0; position < 8; ++position)
    {
        const std::size_t start = position * eighth;
        double energy = 0.0;
        for (const double hz : {50.0, 75.0})
            energy += std::norm(TestSpectrum::Dft(loop.left, hz, kRate, start, start + kRate / 20));
        if (position == 0 || position == 4 || position == 5)
            quietest = std::min(quietest, energy);
        else
            loudest = std::max(loudest, energy);
    }
    EXPECT_GT(quietest, 3.0 * loudest);
}
