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
}

TEST(CDrumLoopTest, StepsFollowTheExactTempoGrid)
{
    // 130 BPM at 44100 Hz: a sixteenth is 44100 x 60 / 130 / 4 = 5088.4615... samples; step
    // 13 is at 66149.99... -> 66150 (rounded once, no drift from adding rounded steps).
    EXPECT_EQ(CDrumLoop::StepPosition(0, 44100, 130.0), 0);
    EXPECT_EQ(CDrumLoop::StepPosition(13, 44100, 130.0), 66150);
    EXPECT_EQ(CDrumLoop::StepPosition(4, 48000, 120.0), 24000);
}

TEST(CDrumLoopTest, KicksOnOneAndThreeAndTheOffbeatAfterThree)
{
    // The kick (150 Hz sweeping to 48 Hz) dominates below 100 Hz; the snare (185 Hz and
    // 330 Hz tones plus noise) and the hats do not. Measure 50 ms after each eighth note of the
    // first bar through a 100 Hz low-pass and compare kick positions with the others.
    constexpr int kRate = 48000;
    AUDIO_BUFFER loop;
    CDrumLoop::Generate(kRate, 120.0, loop);
    const auto lowEnergy = [&loop](std::int64_t start)
    {
        // RBJ cookbook low-pass, f0 = 100 Hz, Q = 1/sqrt(2).
        const double w0 = 2.0 * 3.14159265358979323846 * 100.0 / kRate;
        const double alpha = std::sin(w0) / (2.0 * 0.7071067811865476);
        const double cosW0 = std::cos(w0);
        const double a0 = 1.0 + alpha;
        const double b0 = (1.0 - cosW0) / 2.0 / a0;
        const double b1 = (1.0 - cosW0) / a0;
        const double a1 = -2.0 * cosW0 / a0;
        const double a2 = (1.0 - alpha) / a0;
        double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0, sum = 0.0;
        for (std::int64_t n = start; n < start + kRate / 20; ++n)
        {
            const double x = loop.left[static_cast<std::size_t>(n)];
            const double y = b0 * x + b1 * x1 + b0 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            sum += y * y;
        }
        return sum;
    };
    const std::int64_t eighth = kRate / 4; // 120 BPM: a beat is 0.5 s, an eighth 0.25 s
    double quietest = 1e300;
    double loudest = 0.0;
    for (int position = 0; position < 8; ++position)
    {
        const bool kick = position == 0 || position == 4 || position == 5;
        const double energy = lowEnergy(position * eighth);
        if (kick)
            quietest = std::min(quietest, energy);
        else
            loudest = std::max(loudest, energy);
    }
    EXPECT_GT(quietest, 3.0 * loudest);
}
