// The step sequencer against its published rules: gate fraction g = 0.125 + 0.875 gate^1.3,
// shuffled boundaries, host resync, step units, the glide's one-pole.
#include "Processing/Modulators/Stepper.h"
#include "support/ProcessingHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
using ProcessingHarness::Generate;

void SetPattern(CStepper& stepper, const std::vector<double>& ends,
                const std::vector<double>& levels)
{
    STEP_RECORD steps[kStepperMaxSteps];
    for (size_t k = 0; k < kStepperMaxSteps; ++k)
        steps[k] = k < ends.size() ? STEP_RECORD{static_cast<float>(ends[k]),
                                                 static_cast<float>(levels[k])}
                                   : STEP_RECORD{-1.0f, 0.0f};
    stepper.SetSteps(steps);
}

std::vector<double> Levels(double (*level)(int))
{
    std::vector<double> levels;
    for (int k = 0; k < 32; ++k)
        levels.push_back(level(k));
    return levels;
}

std::vector<double> GridEnds()
{
    return Levels([](int k) { return k + 1.0; });
}

// Level at play position pos (smooth 0): the first step ending beyond pos, its gate closing
// u (1 - g) before its end, u the fractional part of its length (1 if whole).
double ExpectedLevel(const std::vector<double>& ends, const std::vector<double>& levels,
                     double gate, double pos, double* distanceToEdge)
{
    const double g = 0.125 + 0.875 * std::pow(gate, 1.3);
    for (size_t k = 0; k < ends.size(); ++k)
    {
        if (ends[k] <= pos)
            continue;
        const double start = k == 0 ? 0.0 : ends[k - 1];
        const double length = ends[k] - start;
        const double unit = length > std::floor(length) ? length - std::floor(length) : 1.0;
        const double close = ends[k] - unit * (1.0 - g);
        *distanceToEdge = std::fmin(std::fmin(std::fabs(pos - start), std::fabs(pos - ends[k])),
                                    std::fabs(pos - close));
        return pos < close ? levels[k] : 0.0;
    }
    *distanceToEdge = 0.0;
    return 0.0;
}

class CStepperRateTest : public ::testing::TestWithParam<float>
{
protected:
    void SetUp() override
    {
        m_rate = GetParam();
        m_stepper.SetSampleRate(m_rate);
        m_stepper.SetSync(false);
        m_stepper.SetSpeed(10.0f);
        m_stepper.SetSmooth(0.0f);
        m_stepper.SetShuffle(0.0f);
        m_stepper.Reset();
    }
    float m_rate = 48000.0f;
    CStepper m_stepper;
};
} // namespace

TEST_P(CStepperRateTest, EachStepSoundsForItsGateFractionAtItsShuffledPlace)
{
    const std::vector<double> fractionalEnds = {0.5, 1.25, 2.0, 3.75, 4.0, 6.5, 8.0};
    const std::vector<double> fractionalLevels = {1.0, 0.8, 0.6, 0.4, 0.9, 0.7, 0.5};
    const std::vector<double> fourLevels = Levels([](int k) { return (k % 4 + 1) * 0.25; });
    const std::vector<double> loudQuiet = Levels([](int k) { return k % 2 == 0 ? 1.0 : 0.25; });
    // Shuffle 0.6 moves the even boundaries but the last by 0.99 x 0.6.
    std::vector<double> shuffledEnds = GridEnds();
    for (size_t k = 1; k + 1 < shuffledEnds.size(); k += 2)
        shuffledEnds[k] += 0.99 * 0.6;
    struct CASE
    {
        const char* name;
        std::vector<double> ends, levels, played; // set, levels, as played
        int numSteps;
        double gate, shuffle, cycles;
    };
    const CASE cases[] = {
        {"gate 0: the first eighth", GridEnds(), fourLevels, GridEnds(), 32, 0.0, 0.0, 1.25},
        {"gate 0.3", GridEnds(), fourLevels, GridEnds(), 32, 0.3, 0.0, 1.25},
        {"gate 0.5", GridEnds(), fourLevels, GridEnds(), 32, 0.5, 0.0, 1.25},
        {"gate 1", GridEnds(), fourLevels, GridEnds(), 32, 1.0, 0.0, 1.25},
        {"fractional, gate 0", fractionalEnds, fractionalLevels, fractionalEnds, 8, 0.0, 0.0, 2.5},
        {"fractional, gate 0.6", fractionalEnds, fractionalLevels, fractionalEnds, 8, 0.6, 0.0,
         2.5},
        {"shuffled", GridEnds(), loudQuiet, shuffledEnds, 32, 1.0, 0.6, 1.5},
    };
    const double increment = 1.0 / (0.010 * static_cast<double>(m_rate));
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        SetPattern(m_stepper, c.ends, c.levels);
        m_stepper.SetNumSteps(c.numSteps);
        m_stepper.SetGate(static_cast<float>(c.gate));
        m_stepper.SetShuffle(static_cast<float>(c.shuffle));
        m_stepper.Reset();
        const int total = static_cast<int>(c.cycles * c.numSteps / increment);
        const std::vector<float> out = Generate(m_stepper, total);
        // Float rounding decides the samples within 1.5 of an edge.
        int compared = 0;
        for (size_t n = 0; n < out.size(); ++n)
        {
            const double pos = std::fmod(static_cast<double>(n) * increment, c.numSteps);
            double distance = 0.0;
            const double expected = ExpectedLevel(c.played, c.levels, c.gate, pos, &distance);
            if (distance < 1.5 * increment)
                continue;
            ASSERT_NEAR(out[n], expected, 1e-6) << "sample " << n << " position " << pos;
            ++compared;
        }
        EXPECT_GT(compared, total * 9 / 10);
    }
}

TEST(CStepperTest, ShuffleMovesEvenBoundariesWhenTheNextStepIsShort)
{
    CStepper stepper;
    SetPattern(stepper, GridEnds(), std::vector<double>(32, 1.0));
    const float shuffles[] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.5f, 0.0f};
    const int steps[] = {1, 3, 0, 2, 31, 1, 1};
    // 2 + 0.99; 4.99; the first and last steps and odd ends never move.
    const float ends[] = {2.99f, 4.99f, 1.0f, 3.0f, 32.0f, 2.495f, 2.0f};
    for (int i = 0; i < 7; ++i)
    {
        stepper.SetShuffle(shuffles[i]);
        EXPECT_FLOAT_EQ(stepper.GetPosAt(steps[i]), ends[i]) << i;
    }
    // Ends 1, 2, 4, 5: the step after 2 is two units long, no shuffle; 32.99 clamps to 32.
    std::vector<double> sparse(31, -1.0), levels(31, 1.0);
    sparse[0] = 1.0, sparse[1] = 2.0, sparse[2] = 4.0, sparse[3] = 5.0, sparse[30] = 32.0;
    SetPattern(stepper, sparse, levels);
    stepper.SetShuffle(1.0f);
    EXPECT_FLOAT_EQ(stepper.GetPosAt(1), 2.0f);
    EXPECT_FLOAT_EQ(stepper.GetPosAt(2), 4.99f);
    EXPECT_FLOAT_EQ(stepper.GetPosAt(30), 32.0f);
}

TEST_P(CStepperRateTest, ResynchronisesToTheHostPosition)
{
    // "1/16" at 120 BPM: 0.125 s per unit.
    const double increment = 1.0 / (0.125 * static_cast<double>(m_rate));
    const double numSteps = 16.0;
    m_stepper.SetSync(true);
    m_stepper.SetSpeed(2.0f);
    m_stepper.SetHostTempo(120.0f);
    m_stepper.SetNumSteps(16);
    m_stepper.SetGate(1.0f);
    SetPattern(m_stepper, GridEnds(), Levels([](int k) { return k / 32.0; }));
    // A host block starts at (host position x increment) modulo the number of steps.
    for (double hostPos : {1000.0, 123457.0, 5.0e6, -7777.0, 96000.0 * 3.0 + 17.0})
    {
        SCOPED_TRACE(hostPos);
        m_stepper.SetHostSamplePos(static_cast<float>(hostPos));
        float out = 0.0f;
        m_stepper.Generate(&out, 1);
        const double cycles = static_cast<float>(hostPos) * increment / numSteps;
        const double start = (cycles - std::floor(cycles)) * numSteps;
        const double tolerance = 1e-6 * std::fabs(hostPos * increment) + 1e-5;
        EXPECT_NEAR(m_stepper.GetCursorPosition(), start + increment, tolerance);
        if (start - std::floor(start) > 1e-3 && start - std::floor(start) < 1.0 - 1e-3)
        {
            EXPECT_FLOAT_EQ(out, static_cast<float>(std::floor(start) / 32.0));
        }
    }
    // The same position again (transport stopped): no resync, the stepper runs on.
    std::vector<float> out(160);
    const float before = m_stepper.GetCursorPosition();
    m_stepper.SetHostSamplePos(static_cast<float>(96000.0 * 3.0 + 17.0));
    m_stepper.Generate(out.data(), 160);
    EXPECT_NEAR(m_stepper.GetCursorPosition(), std::fmod(before + 160 * increment, numSteps), 1e-3);
    // Free time ignores a new host position.
    m_stepper.SetSync(false);
    m_stepper.SetSpeed(125.0f);
    const float freeBefore = m_stepper.GetCursorPosition();
    m_stepper.SetHostSamplePos(1.0e6f);
    m_stepper.Generate(out.data(), 16);
    EXPECT_NEAR(m_stepper.GetCursorPosition(), std::fmod(freeBefore + 16 * increment, numSteps),
                1e-3);
}

TEST_P(CStepperRateTest, SyncedStepUnitFollowsTheTempo)
{
    // Position after 0.5 s. Index 14 (1/1) at 120 BPM: 2 s per unit; 8 ("1/4"): 0.5 s, a tempo
    // not positive and finite counting as 120; index 21 and above: 1 s at any tempo.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float tempos[] = {120.0f, 120.0f, 0.0f, -30.0f, nan, inf, 60.0f, 133.0f, 200.0f};
    const float indices[] = {14.0f, 8.0f, 8.0f, 8.0f, 8.0f, 8.0f, 21.0f, 22.0f, 40.0f};
    const double positions[] = {0.25, 1.0, 1.0, 1.0, 1.0, 1.0, 0.5, 0.5, 0.5};
    m_stepper.SetSync(true);
    m_stepper.SetGate(1.0f);
    SetPattern(m_stepper, GridEnds(), std::vector<double>(32, 1.0));
    for (int i = 0; i < 9; ++i)
    {
        m_stepper.SetHostTempo(tempos[i]);
        m_stepper.SetSpeed(indices[i]);
        m_stepper.Reset();
        Generate(m_stepper, static_cast<int>(m_rate) / 2);
        EXPECT_NEAR(m_stepper.GetCursorPosition(), positions[i], 2e-3)
            << tempos[i] << " " << indices[i];
    }
}

TEST_P(CStepperRateTest, GlideFollowsTheOnePoleOfTheSmoothSetting)
{
    SetPattern(m_stepper, GridEnds(), std::vector<double>(32, 1.0));
    m_stepper.SetGate(1.0f);
    for (double smooth : {1.0, 0.5})
    {
        SCOPED_TRACE(smooth);
        m_stepper.SetSmooth(static_cast<float>(smooth));
        m_stepper.Reset();
        // c = exp(-1 / (0.001 rate 30 smooth^2)); from 0 towards 1: y[n] = 1 - c^(n + 1).
        const double c = std::exp(-1.0 / (0.001 * m_rate * 30.0 * smooth * smooth));
        const std::vector<float> out = Generate(m_stepper, 2000);
        for (size_t n = 0; n < out.size(); ++n) // the float 1 - c: relative error near 1e-4
            ASSERT_NEAR(out[n], 1.0 - std::pow(c, static_cast<double>(n + 1)), 1e-4) << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, CStepperRateTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

TEST(CStepperTest, EmptyPatternKeepsTheTargetUntilTheGateCloses)
{
    const double increment = 1.0 / 5512.5; // "1/16" at 120 BPM, 44.1 kHz
    CStepper stepper;
    stepper.SetGate(1.0f);
    SetPattern(stepper, GridEnds(), std::vector<double>(32, 0.7));
    Generate(stepper, 4410); // position 0.8, inside step 0
    SetPattern(stepper, {}, {});
    // The target keeps its level until the playing step's gate closes at 1.0.
    const std::vector<float> out = Generate(stepper, 44100);
    for (size_t m = 0; m < out.size(); ++m)
    {
        const double pos = 0.8 + static_cast<double>(m) * increment;
        if (std::fabs(pos - 1.0) >= 2.0 * increment)
        {
            ASSERT_EQ(out[m], pos < 1.0 ? 0.7f : 0.0f) << m;
        }
    }
    EXPECT_LT(stepper.GetCursorPosition(), 32.0f);
    // After a reset the target is 0 and nothing sets another.
    stepper.Reset();
    for (float value : Generate(stepper, 4410))
        ASSERT_EQ(value, 0.0f);
}

TEST(CStepperTest, NonFiniteInputsNeverLatch)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    CStepper stepper;
    stepper.SetSampleRate(48000.0f);
    stepper.SetGate(1.0f);
    std::vector<double> ends = GridEnds(), levels = std::vector<double>(32, 1.0);
    levels[1] = nan, ends[2] = inf, ends[3] = nan, levels[3] = inf;
    SetPattern(stepper, ends, levels);
    stepper.SetSync(false);
    stepper.SetSpeed(0.0f);
    for (float value : Generate(stepper, 4800))
        ASSERT_TRUE(std::isfinite(value));
    stepper.SetSync(true);
    stepper.SetHostTempo(inf);
    stepper.SetSpeed(nan);
    stepper.SetHostSamplePos(1.0e9f);
    for (float value : Generate(stepper, 4800))
        ASSERT_TRUE(std::isfinite(value));
    EXPECT_TRUE(std::isfinite(stepper.GetCursorPosition()));
    // Sane again: full level from the next step boundary (6000 samples) on.
    SetPattern(stepper, GridEnds(), std::vector<double>(32, 1.0));
    stepper.SetHostTempo(120.0f);
    stepper.SetSpeed(2.0f);
    const std::vector<float> out = Generate(stepper, 12000);
    for (size_t n = 6016; n < out.size(); ++n)
        ASSERT_EQ(out[n], 1.0f) << n;
    // A finite level outside 0..1 counts as the nearer end: 1e30 would overflow products.
    for (const double level : {3.0e38, -7.0})
    {
        SetPattern(stepper, GridEnds(), std::vector<double>(32, level));
        const std::vector<float> held = Generate(stepper, 12000);
        for (size_t n = 6016; n < held.size(); ++n)
            ASSERT_EQ(held[n], level > 0.0 ? 1.0f : 0.0f) << level << " " << n;
    }
}

// A modulator nobody listens to only advances; heard again it must stand where generating
// would have left it, through step ends, wraps, shuffled boundaries and resyncs.
TEST(CStepperTest, AdvanceLeavesTheSameStateAsGenerate)
{
    std::vector<double> ends, levels;
    for (int k = 0; k < kStepperMaxSteps; ++k)
    {
        ends.push_back((k + 1) * (k % 3 == 2 ? 1.5 : 1.0));
        levels.push_back((k * 7) % 5 / 4.0);
    }
    for (float smooth : {0.0f, 0.3f, 1.0f})
    {
        for (float gate : {0.2f, 1.0f})
        {
            SCOPED_TRACE(testing::Message() << "smooth " << smooth << " gate " << gate);
            CStepper advanced, generated;
            for (CStepper* stepper : {&advanced, &generated})
            {
                stepper->SetSampleRate(48000.0f);
                stepper->SetHostTempo(133.0f);
                SetPattern(*stepper, ends, levels);
                stepper->SetNumSteps(12);
                stepper->SetSpeed(14.0f); // many events per second
                stepper->SetSmooth(smooth);
                stepper->SetGate(gate);
                stepper->SetShuffle(0.4f);
            }
            float position = 0.0f;
            float buffer[16];
            for (int block = 0; block < 4000; ++block)
            {
                const int count = 1 + (block * 7) % 16;
                if (block % 900 == 450)
                {
                    position += 99991.0f; // a host jump: both resynchronise
                    advanced.SetHostSamplePos(position);
                    generated.SetHostSamplePos(position);
                }
                advanced.Advance(count);
                generated.Generate(buffer, count);
                if (block % 37 != 0)
                    continue;
                float a = 0.0f, g = 0.0f;
                advanced.Generate(&a, 1);
                generated.Generate(&g, 1);
                ASSERT_NEAR(a, g, 1e-4f) << "block " << block;
                ASSERT_EQ(advanced.GetTarget(), generated.GetTarget()) << "block " << block;
                ASSERT_NEAR(advanced.GetCursorPosition(), generated.GetCursorPosition(), 1e-5f);
            }
        }
    }
}
