// The ladder is non-linear, so its expected output is the published recurrence
// evaluated in double step by step (no value captured from the implementation).
#include "Processing/Filters/MoogFilter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr double kPi = 3.14159265358979323846;

double Saturate(double v)
{
    const double s = 2.0 * v, a = std::fabs(s), h = a * (a + 3.0) + 6.0;
    return s * h / (h * a + 12.0);
}

// One (channel, section) of the ladder in double.
struct REFERENCE_LADDER
{
    double y[4] = {}, t[4] = {}, fb = 0.0;
    double Step(double x, double k, double comp, double g, int type)
    {
        const double t0 = Saturate(x - k * fb * comp);
        double in = t0, yNew[4], tNew[4];
        for (int i = 0; i < 4; ++i)
        {
            yNew[i] = y[i] + g * (in - t[i]);
            tNew[i] = Saturate(yNew[i]);
            in = tNew[i];
        }
        fb = (y[3] + yNew[3]) / 2.0;
        if (fb > 0.0)
            fb *= type == 1 ? 0.97 : 0.99;
        for (int i = 0; i < 4; ++i)
            y[i] = yNew[i], t[i] = tNew[i];
        if (type == 1)
            return 0.75 * (t0 - 4 * t[0] + 6 * t[1] - 4 * t[2] + t[3]);
        if (type == 2)
            return 2.0 * (t[1] - 2 * t[2] + t[3]);
        return y[1];
    }
};
} // namespace

TEST(CMoogFilterTest, LoudResonantSignalFollowsTheRecurrence)
{
    const double fc = 1200.0 / 44100.0, res = 0.91;
    const double p = 0.9988 - 0.649 * fc + 0.4955 * fc * fc + 1.873 * fc * fc * fc;
    const double comp = 0.9968 + 1.8409 * fc - 3.9364 * fc * fc;
    const double z = -kPi * fc * p;
    const double g =
        1.0 - (1 + z + z * z / 2 + z * z * z / 6 + z * z * z * z / 24 + z * z * z * z * z / 120);
    for (int type = 0; type < 3; ++type)
    {
        for (int sections = 1; sections <= 2; ++sections)
        {
            // Low-pass with one section: K = 3.6 (res + 0.15); otherwise 3.6 res, 4.1 res.
            const double k = type == 0 ? 3.6 * (sections == 1 ? res + 0.15 : res) : 4.1 * res;
            CMoogFilter filter;
            filter.CalcFilter(static_cast<float>(fc), static_cast<float>(res), type);
            REFERENCE_LADDER reference[2][2];
            for (int n = 0; n < 400; ++n)
            {
                // Driven into saturation, then ringing out freely.
                const double x = n < 200 ? 1.5 * std::sin(2 * kPi * n * 300.0 / 88200.0) : 0.0;
                double left = x, right = -0.5 * x;
                for (int s = 0; s < sections; ++s)
                {
                    left = reference[s][0].Step(left, k, comp, g, type);
                    right = reference[s][1].Step(right, k, comp, g, type);
                }
                float l = static_cast<float>(x), r = static_cast<float>(-0.5 * x);
                filter.Filter(l, r, sections);
                ASSERT_NEAR(l, left, 2e-4) << type << " " << sections << " " << n;
                ASSERT_NEAR(r, right, 2e-4) << type << " " << sections << " " << n;
            }
        }
    }
}

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
        ASSERT_TRUE(std::fabs(a) < 2.0f) << n;
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
    for (int type = 0; type < 3; ++type)
    {
        for (int sections = 1; sections <= 2; ++sections)
        {
            for (const float fc : cutoffs)
            {
                for (const float res : resonances)
                {
                    for (int modulated = 0; modulated < 2; ++modulated)
                    {
                        CMoogFilter single, block, sunk;
                        int step = 0;
                        for (int call = 0; call < 40; ++call)
                        {
                            const int steps = 2 * lengths[call % 10];
                            float frames[128], expected[128], g[64], feedback[64];
                            for (int j = 0; j < steps; j += 2)
                            {
                                // One coefficient set per sample (pair of steps), as the
                                // filter layer does with a modulated cutoff.
                                const float c = modulated
                                                    ? fc * (1.0f + 0.5f * std::sin(0.05f * step))
                                                    : fc;
                                single.CalcFilter(c, res, type);
                                for (int i = j; i < j + 2; ++i, ++step)
                                {
                                    const float x =
                                        step % 600 < 300
                                            ? 2.0f * std::sin(0.11f * static_cast<float>(step))
                                            : 0.0f;
                                    float l = x, r = -0.7f * x + (step % 13 == 0 ? 0.3f : 0.0f);
                                    frames[2 * i] = l;
                                    frames[2 * i + 1] = r;
                                    single.Filter(l, r, sections);
                                    expected[2 * i] = l;
                                    expected[2 * i + 1] = r;
                                    g[i] = single.GetStageGain();
                                    feedback[i] = single.GetFeedback(sections);
                                }
                            }
                            block.CalcFilter(fc, res, type);
                            sunk.CalcFilter(fc, res, type);
                            float sunkFrames[128];
                            int next = 0;
                            sunk.FilterSteps(frames, g, feedback, steps, sections,
                                             [&](int j, float l, float r) {
                                                 ASSERT_EQ(j, next);
                                                 ++next;
                                                 sunkFrames[2 * j] = l;
                                                 sunkFrames[2 * j + 1] = r;
                                             });
                            ASSERT_EQ(next, steps);
                            block.FilterSteps(frames, g, feedback, steps, sections);
                            for (int i = 0; i < 2 * steps; ++i)
                            {
                                ASSERT_EQ(frames[i], expected[i])
                                    << "type " << type << " sections " << sections << " fc "
                                    << fc << " res " << res << " modulated " << modulated
                                    << " call " << call << " value " << i;
                                ASSERT_EQ(sunkFrames[i], expected[i]) << call << " " << i;
                            }
                        }
                    }
                }
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
