// The envelope generator against its published rules.
#include "Processing/Modulators/Mseg.h"
#include "support/ProcessingHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

namespace
{
using ProcessingHarness::Generate;

void SetList(CMseg& mseg, const std::vector<MSEG_POINT>& used)
{
    MSEG_POINT points[kMsegMaxPoints];
    for (size_t i = 0; i < kMsegMaxPoints; ++i)
        points[i] = i < used.size() ? used[i] : MSEG_POINT{-1.0f, 0.0f, 0.0f};
    mseg.SetPoints(points);
}

// tau = clamp(offset + T, -1, 1), k = (1 - 0.85 tau)(-0.5), g = 1/k + 1: x / ((x - 1) g + x).
double Shape(double x, double offset, double tension)
{
    const double tau = std::fmin(1.0, std::fmax(-1.0, offset + tension));
    const double g = 1.0 / ((1.0 - 0.85 * tau) * -0.5) + 1.0;
    return x / ((x - 1.0) * g + x);
}

class CMsegRateTest : public ::testing::TestWithParam<float>
{
protected:
    void SetUp() override
    {
        m_rate = GetParam();
        m_mseg.SetSampleRate(m_rate);
        m_mseg.SetSync(false);
        m_mseg.SetSpeed(100.0f);
        m_mseg.SetSmooth(0.0f);
        m_mseg.SetTensionOffset(0.0f);
        m_mseg.Reset();
    }
    double Increment() const { return 1.0 / (0.1 * static_cast<double>(m_rate)); }
    float m_rate = 48000.0f;
    CMseg m_mseg;
};
} // namespace

TEST_P(CMsegRateTest, LinesHoldsJumpsAndShuffleShapeTheCurve)
{
    struct CASE
    {
        const char* name;
        std::vector<MSEG_POINT> points;
        float holdMs, shuffle;
        double loop, units;
        std::vector<double> edges; // positions in the loop where float rounding decides
        std::function<double(double)> level;
    };
    const CASE cases[] = {
        // A jump to 1 at the loop start, held 9 ms, then a fall over a unit.
        {"reset list", {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, 9.0f, 0.0f, 1.0, 2.5, {0.0, 0.09, 1.0},
         [](double x) { return x < 0.09 ? 1.0 : 1.0 - x; }},
        // Segment 0 (5 ms < 9 ms) holds its start; segment 1 holds 0.9 9 ms, then falls.
        {"segment shorter than the hold", {{0, 0.2f, 0}, {0.05f, 0.9f, 0}, {1, 0.4f, 0}}, 9.0f,
         0.0f, 1.0, 0.999, {0.05, 0.14, 1.0},
         [](double x) { return x < 0.05 ? 0.2 : x < 0.14 ? 0.9 : 0.9 - 0.5 * (x - 0.05) / 0.95; }},
        // Shuffle 0.5 moves the peak at 1 to 1.5.
        {"shuffled peak", {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}}, 0.0f, 0.5f, 2.0, 3.0,
         {0.0, 1.5, 2.0}, [](double x) { return x < 1.5 ? x / 1.5 : 1.0 - (x - 1.5) / 0.5; }},
        {"vertical jump", {{0, 0, 0}, {0.5f, 0.2f, 0}, {0.5f, 0.8f, 0}, {1, 0.8f, 0}}, 0.0f, 0.0f,
         1.0, 0.99, {0.5}, [](double x) { return x < 0.5 ? 0.4 * x : 0.8; }},
    };
    const double increment = Increment();
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        SetList(m_mseg, c.points);
        m_mseg.SetStartHold(c.holdMs);
        m_mseg.SetShuffle(c.shuffle);
        m_mseg.Reset();
        const std::vector<float> out =
            Generate(m_mseg, static_cast<int>(c.units / increment));
        for (size_t n = 0; n < out.size(); ++n)
        {
            const double x = std::fmod(static_cast<double>(n) * increment, c.loop);
            bool nearEdge = false;
            for (double edge : c.edges)
                nearEdge = nearEdge || std::fabs(x - edge) < 1.5 * increment;
            if (!nearEdge)
            {
                ASSERT_NEAR(out[n], c.level(x), 2e-5) << n;
            }
        }
    }
}

TEST_P(CMsegRateTest, TensionBendsTheSegmentAlongTheRationalCurve)
{
    const double increment = Increment();
    // (offset, tension): straight, both extremes, the matrix's offsets, sums that clamp.
    const double cases[][2] = {{0.0, 0.0},   {0.0, 1.0}, {0.0, -1.0}, {-0.5, 0.0}, {0.5, 0.3},
                               {-1.0, -1.0}, {0.5, 1.0}, {-0.5, 0.8}, {-1.0, 0.4}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "offset " << c[0] << " tension " << c[1]);
        SetList(m_mseg, {{0.0f, 0.2f, 0.0f}, {1.0f, 0.9f, static_cast<float>(c[1])}});
        m_mseg.SetTensionOffset(static_cast<float>(c[0]));
        m_mseg.Reset();
        const std::vector<float> out = Generate(m_mseg, static_cast<int>(1.5 / increment));
        double previous = -1.0;
        for (size_t n = 0; n < out.size(); ++n)
        {
            const double x = std::fmod(static_cast<double>(n) * increment, 1.0);
            if (x > 1.0 - 1.5 * increment || x < 1.5 * increment)
                continue;
            ASSERT_NEAR(out[n], 0.2 + 0.7 * Shape(x, c[0], c[1]), 2e-5) << n;
            if (n < out.size() * 2 / 3 - 2)
            {
                ASSERT_GE(out[n], std::exchange(previous, out[n])) << n; // monotonic rise
            }
        }
    }
    // The anchors: tau = +1 maps x = 0.5 to 0.075, tau = -1 to 0.925.
    EXPECT_NEAR(Shape(0.5, 0.0, 1.0), 0.075, 1e-9);
    EXPECT_NEAR(Shape(0.5, 0.0, -1.0), 0.925, 1e-9);
}

TEST(CMsegTest, ShuffleDelaysOddPointsButNeverPastTheNext)
{
    CMseg mseg;
    SetList(mseg, {{0, 0, 0}, {1, 1, 0}, {1.25f, 0, 0}, {2, 1, 0}, {3, 0, 0}, {5, 1, 0},
                   {5.5f, 0.5f, 0}, {7, 0, 0}});
    EXPECT_EQ(mseg.GetNumPoints(), 8);
    EXPECT_FLOAT_EQ(mseg.GetLoopLength(), 7.0f);
    EXPECT_EQ(mseg.GetNextPoint(7), 0); // the loop wraps to point 0
    // 1.5 stops at the next point; even points, loop start and end never move; 5 + 0.5
    // reaches the next point exactly.
    const float shuffles[] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 1.0f, 0.0f};
    const int points[] = {1, 3, 4, 5, 0, 7, 4, 4};
    const float positions[] = {1.25f, 2.0f, 3.5f, 5.5f, 0.0f, 7.0f, 4.0f, 3.0f};
    for (int i = 0; i < 8; ++i)
    {
        mseg.SetShuffle(shuffles[i]);
        EXPECT_FLOAT_EQ(mseg.GetPosAt(points[i]), positions[i]) << i;
    }
    // All 64 entries used: no end marker, a loop of 32 units and no shuffle at all.
    std::vector<MSEG_POINT> full;
    for (int i = 0; i < kMsegMaxPoints; ++i)
        full.push_back({0.5f * static_cast<float>(i), 0.5f, 0.0f});
    SetList(mseg, full);
    mseg.SetShuffle(1.0f);
    EXPECT_EQ(mseg.GetNumPoints(), 64);
    EXPECT_FLOAT_EQ(mseg.GetLoopLength(), 32.0f);
    EXPECT_FLOAT_EQ(mseg.GetPosAt(3), 1.5f);
    EXPECT_EQ(mseg.GetNextPoint(63), 0);
}

TEST_P(CMsegRateTest, ResynchronisesToTheHostPosition)
{
    const double increment = 1.0 / (0.125 * static_cast<double>(m_rate));
    const double loop = 3.0;
    SetList(m_mseg, {{0, 0, 0}, {1, 1, 0}, {2, 0.5f, 0}, {3, 0, 0}});
    m_mseg.SetSync(true);
    m_mseg.SetSpeed(2.0f);
    m_mseg.SetHostTempo(120.0f);
    for (double hostPos : {1000.0, 23456.0, 4.0e6, -5000.0, 17.0})
    {
        SCOPED_TRACE(hostPos);
        m_mseg.SetHostSamplePos(static_cast<float>(hostPos));
        float out = 0.0f;
        m_mseg.Generate(&out, 1);
        const double x = static_cast<float>(hostPos) * increment / loop;
        const double start = loop * (x - std::floor(x));
        const double tolerance = 1e-6 * std::fabs(hostPos * increment) + 1e-5;
        EXPECT_NEAR(m_mseg.GetCursorPosition(), start + increment, tolerance);
        const double expected = start < 1.0   ? start
                                : start < 2.0 ? 1.0 - 0.5 * (start - 1.0)
                                              : 0.5 - 0.5 * (start - 2.0);
        EXPECT_NEAR(out, expected, 10.0 * tolerance);
    }
    // Free time ignores the host position and runs on.
    m_mseg.SetSync(false);
    m_mseg.SetSpeed(125.0f);
    const float before = m_mseg.GetCursorPosition();
    m_mseg.SetHostSamplePos(99.0f);
    Generate(m_mseg, 16);
    EXPECT_NEAR(m_mseg.GetCursorPosition(), std::fmod(before + 16.0 * increment, loop), 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Rates, CMsegRateTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST(CMsegTest, EmptyListHoldsTheFirstLevel)
{
    CMseg mseg;
    mseg.SetSync(false);
    mseg.SetSpeed(50.0f);
    MSEG_POINT empty[kMsegMaxPoints];
    for (MSEG_POINT& point : empty)
        point = {-1.0f, 0.6f, 0.0f};
    mseg.SetPoints(empty);
    EXPECT_EQ(mseg.GetNumPoints(), 0);
    EXPECT_FLOAT_EQ(mseg.GetLoopLength(), 1.0f);
    for (float value : Generate(mseg, 10000))
        ASSERT_EQ(value, 0.6f);
}

TEST(CMsegTest, PointsEditedBehindThePlayPositionContinueInsideTheNewLoop)
{
    CMseg mseg;
    mseg.SetSync(false);
    mseg.SetSpeed(10.0f); // 441 samples per unit
    SetList(mseg, {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}, {4, 0, 0}, {5, 1, 0}});
    Generate(mseg, 441 * 4 + 100); // inside segment 4 (4 -> 5)
    EXPECT_EQ(mseg.GetCurrentPoint(), 4);
    // A two-unit loop now: position 4.23 continues at 0.23.
    SetList(mseg, {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}});
    const double pos = std::fmod(mseg.GetCursorPosition(), 2.0);
    float out[16];
    mseg.Generate(out, 16);
    EXPECT_NEAR(out[0], pos, 1e-4);
    EXPECT_NEAR(mseg.GetCursorPosition(), pos + 16.0 / 441.0, 1e-4);
}

TEST(CMsegTest, NonFiniteInputsNeverLatch)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    CMseg mseg;
    mseg.SetStartHold(9.0f);
    const auto expectFinite = [&] {
        for (float value : Generate(mseg, 4410))
            ASSERT_TRUE(std::isfinite(value));
        EXPECT_TRUE(std::isfinite(mseg.GetCursorPosition()));
    };
    // A NaN position ends the list; non-finite levels and tensions become 0.
    SetList(mseg, {{0.0f, inf, nan}, {0.5f, nan, inf}, {nan, 1.0f, 0.0f}, {2.0f, 1.0f, 0.0f}});
    EXPECT_EQ(mseg.GetNumPoints(), 2);
    expectFinite();
    SetList(mseg, {{0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}});
    mseg.SetHostSamplePos(12345.0f);
    expectFinite();
    mseg.SetSync(false);
    mseg.SetSpeed(0.0f);
    mseg.SetTensionOffset(nan);
    expectFinite();
    SetList(mseg, {{0.0f, 0.3f, 0.0f}, {1.0f, 0.3f, 0.0f}});
    mseg.SetSpeed(100.0f);
    mseg.SetTensionOffset(0.0f);
    const std::vector<float> out = Generate(mseg, 4410);
    for (size_t n = 16; n < out.size(); ++n)
        ASSERT_NEAR(out[n], 0.3f, 1e-6f) << n;
    // A finite level outside 0..1 counts as the nearer end.
    for (const float level : {3.0e38f, -7.0f})
    {
        SetList(mseg, {{0.0f, level, 0.0f}, {1.0f, level, 0.0f}});
        for (const float value : Generate(mseg, 441))
            ASSERT_EQ(value, level > 0.0f ? 1.0f : 0.0f) << level;
    }
}
