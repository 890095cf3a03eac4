// The ladder's vector form against its own step-by-step form, and its limits. What it does
// to the sound is measured through the filter layer.
#include "Processing/Filters/MoogFilter.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(CMoogFilterTest, CutoffsAboveTheFittedRangeAreLimited)
{
    // At 0.9 of the rate (a 20 kHz cutoff at 22.05 kHz) the polynomials would give g = 50.
    CMoogFilter high, limit;
    high.CalcFilter(0.9f, 0.5f, CMoogFilter::kLowPass);
    limit.CalcFilter(0.46f, 0.5f, CMoogFilter::kLowPass);
    for (int n = 0; n < 1000; ++n)
    {
        float a = n % 7 == 0 ? 1.0f : 0.0f, b = a, c = a, d = a;
        high.Filter(a, b, 1);
        limit.Filter(c, d, 1);
        ASSERT_EQ(a, c) << n;
        ASSERT_LT(std::fabs(a), 2.0f) << n;
    }
}

// FilterSteps runs the chains side by side (with SSE2 in the lanes of one vector, the second
// section two steps behind the first) and must give exactly what Filter gives step by step,
// for every type and section count, saturated and resonant, with coefficients changing per
// sample, and over calls of any length (the first and last steps of a call step only some
// of the lanes).
TEST(CMoogFilterTest, BlockStepsEqualSingleStepsBitForBit)
{
    const float cutoffs[] = {0.004f, 0.03f, 0.2f, 0.46f};
    const float resonances[] = {0.0f, 0.6f, 0.97f};
    const int lengths[] = {1, 2, 3, 5, 32, 7, 2, 1, 16, 4};
    for (int c = 0; c < 3 * 2 * 4 * 3 * 2; ++c) // type, sections, cutoff, resonance, modulated
    {
        const int type = c / 48, sections = 1 + c / 24 % 2, modulated = c % 2;
        const float fc = cutoffs[c / 6 % 4], res = resonances[c / 2 % 3];
        SCOPED_TRACE(::testing::Message() << "type " << type << " sections " << sections << " fc "
                                          << fc << " res " << res << " modulated " << modulated);
        CMoogFilter single, block, sunk;
        int step = 0;
        for (int call = 0; call < 40; ++call)
        {
            const int steps = 2 * lengths[call % 10];
            float frames[128], expected[128], g[64], feedback[64];
            for (int i = 0; i < steps; ++i, ++step)
            {
                // One coefficient set per sample (pair of steps), as the filter layer does
                // with a modulated cutoff.
                if (i % 2 == 0)
                    single.CalcFilter(modulated ? fc * (1.0f + 0.5f * std::sin(0.05f * step)) : fc,
                                      res, type);
                const float x =
                    step % 600 < 300 ? 2.0f * std::sin(0.11f * static_cast<float>(step)) : 0.0f;
                float l = x, r = -0.7f * x + (step % 13 == 0 ? 0.3f : 0.0f);
                frames[2 * i] = l;
                frames[2 * i + 1] = r;
                single.Filter(l, r, sections);
                expected[2 * i] = l;
                expected[2 * i + 1] = r;
                g[i] = single.GetStageGain();
                feedback[i] = single.GetFeedback(sections);
            }
            block.CalcFilter(fc, res, type);
            sunk.CalcFilter(fc, res, type);
            float sunkFrames[128];
            int next = 0;
            sunk.FilterSteps(frames, g, feedback, steps, sections, [&](int j, float l, float r) {
                ASSERT_EQ(j, next++);
                sunkFrames[2 * j] = l;
                sunkFrames[2 * j + 1] = r;
            });
            ASSERT_EQ(next, steps);
            block.FilterSteps(frames, g, feedback, steps, sections);
            for (int i = 0; i < 2 * steps; ++i)
            {
                ASSERT_EQ(frames[i], expected[i]) << "call " << call << " value " << i;
                ASSERT_EQ(sunkFrames[i], expected[i]) << "call " << call << " value " << i;
            }
        }
    }
}

// A state that overflows to NaN in the vector form stays NaN in its own chain only, as the
// scalar steps do: the channels and sections do not leak into each other.
TEST(CMoogFilterTest, BlockStepsKeepTheChainsApart)
{
    CMoogFilter filter;
    filter.CalcFilter(0.05f, 0.5f, CMoogFilter::kLowPass);
    float frames[8] = {std::nanf(""), 0.25f, 0.0f, 0.25f, 0.0f, 0.25f, 0.0f, 0.25f};
    const float g[4] = {filter.GetStageGain(), filter.GetStageGain(), filter.GetStageGain(),
                        filter.GetStageGain()};
    const float feedback[4] = {filter.GetFeedback(2), filter.GetFeedback(2),
                               filter.GetFeedback(2), filter.GetFeedback(2)};
    filter.FilterSteps(frames, g, feedback, 4, 2);
    for (int j = 0; j < 4; ++j)
    {
        EXPECT_TRUE(std::isnan(frames[2 * j])) << j;
        EXPECT_TRUE(std::isfinite(frames[2 * j + 1])) << j;
    }
}
