#include "Processing/Modulators/Stepper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
// Runs the stepper over `total` samples in engine-sized pieces of 16.
std::vector<float> GenerateSamples(CStepper& stepper, int total)
{
    std::vector<float> out(static_cast<size_t>(total));
    for (int start = 0; start < total; start += 16)
    {
        const int count = total - start < 16 ? total - start : 16;
        stepper.Generate(out.data() + start, count);
    }
    return out;
}

// 32 steps ending at k + 1, level given per step.
template <typename LEVEL> void SetGridPattern(CStepper& stepper, LEVEL level)
{
    STEP_RECORD steps[kStepperMaxSteps];
    for (int k = 0; k < kStepperMaxSteps; ++k)
        steps[k] = {static_cast<float>(k + 1), level(k)};
    stepper.SetSteps(steps);
}

// Gate fraction from the published rule: g = 0.125 + 0.875 gate^1.3.
double GateFraction(double gate)
{
    return 0.125 + 0.875 * std::pow(gate, 1.3);
}

// Expected output of a pattern with smooth 0 at play position pos (step units, inside
// the cycle): the step k is the first whose end lies beyond pos; it starts at the end of
// step k - 1 (0 for k = 0); the gate closes u (1 - g) before its end, u being the
// fractional part of its length, or 1 for a whole length.
double ExpectedLevel(const std::vector<double>& ends, const std::vector<double>& levels,
                     double gate, double pos, double* distanceToEdge)
{
    const double g = GateFraction(gate);
    for (size_t k = 0; k < ends.size(); ++k)
    {
        if (ends[k] > pos)
        {
            const double start = k == 0 ? 0.0 : ends[k - 1];
            const double length = ends[k] - start;
            double unit = length - std::floor(length);
            if (!(unit > 0.0))
                unit = 1.0;
            const double close = ends[k] - unit * (1.0 - g);
            *distanceToEdge = std::fmin(std::fmin(std::fabs(pos - start), std::fabs(pos - ends[k])),
                                        std::fabs(pos - close));
            return pos < close ? levels[k] : 0.0;
        }
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
        m_stepper.SetSpeed(10.0f); // one step unit = 10 ms
        m_stepper.SetSmooth(0.0f);
        m_stepper.SetShuffle(0.0f);
        m_stepper.SetNumSteps(32);
        m_stepper.Reset();
    }
    // Step units per sample for a free step unit of 10 ms.
    double Increment() const { return 1.0 / (0.010 * static_cast<double>(m_rate)); }

    // Compares `out` sample by sample with the pattern; samples within 1.5 samples of a
    // step start, a step end or a gate edge are left out (float position rounding decides
    // those). Returns how many samples were compared.
    int ExpectPattern(const std::vector<float>& out, const std::vector<double>& ends,
                      const std::vector<double>& levels, double gate, double cycle)
    {
        const double increment = Increment();
        int compared = 0;
        for (size_t n = 0; n < out.size(); ++n)
        {
            const double pos = std::fmod(static_cast<double>(n) * increment, cycle);
            double distance = 0.0;
            const double expected = ExpectedLevel(ends, levels, gate, pos, &distance);
            if (distance < 1.5 * increment)
                continue;
            EXPECT_NEAR(out[n], expected, 1e-6) << "sample " << n << " position " << pos;
            ++compared;
        }
        return compared;
    }

    float m_rate = 48000.0f;
    CStepper m_stepper;
};
} // namespace

TEST_P(CStepperRateTest, EachStepSoundsForItsGateFraction)
{
    std::vector<double> ends, levels;
    for (int k = 0; k < 32; ++k)
    {
        ends.push_back(k + 1);
        levels.push_back((k % 4 + 1) * 0.25);
    }
    SetGridPattern(m_stepper, [](int k) { return static_cast<float>((k % 4 + 1) * 0.25); });
    for (double gate : {0.0, 0.3, 0.5, 1.0})
    {
        SCOPED_TRACE(gate);
        m_stepper.SetGate(static_cast<float>(gate));
        m_stepper.Reset();
        // Gate 0: every one-unit step sounds its level for its first eighth only.
        const int total = static_cast<int>(1.25 * 32.0 / Increment()); // 1.25 cycles
        EXPECT_GT(ExpectPattern(GenerateSamples(m_stepper, total), ends, levels, gate, 32.0),
                  total * 9 / 10);
    }
}

TEST_P(CStepperRateTest, FractionalStepsGateTheirFractionalTail)
{
    // Lengths 0.5, 0.75, 0.75, 1.75, 0.25, 2.5, 1.5; the cycle wraps at 8.
    const std::vector<double> ends = {0.5, 1.25, 2.0, 3.75, 4.0, 6.5, 8.0};
    const std::vector<double> levels = {1.0, 0.8, 0.6, 0.4, 0.9, 0.7, 0.5};
    STEP_RECORD steps[kStepperMaxSteps];
    for (int k = 0; k < kStepperMaxSteps; ++k)
        steps[k] = k < 7 ? STEP_RECORD{static_cast<float>(ends[static_cast<size_t>(k)]),
                                       static_cast<float>(levels[static_cast<size_t>(k)])}
                         : STEP_RECORD{-1.0f, 0.0f};
    m_stepper.SetSteps(steps);
    m_stepper.SetNumSteps(8);
    for (double gate : {0.0, 0.6})
    {
        SCOPED_TRACE(gate);
        m_stepper.SetGate(static_cast<float>(gate));
        m_stepper.Reset();
        const int total = static_cast<int>(2.5 * 8.0 / Increment());
        EXPECT_GT(ExpectPattern(GenerateSamples(m_stepper, total), ends, levels, gate, 8.0),
                  total * 9 / 10);
    }
}

TEST(CStepperTest, ShuffleMovesEvenBoundariesWhenTheNextStepIsShort)
{
    CStepper stepper;
    SetGridPattern(stepper, [](int) { return 1.0f; });
    stepper.SetShuffle(1.0f);
    EXPECT_FLOAT_EQ(stepper.GetPosAt(1), 2.99f); // 2 + 0.99 x 1
    EXPECT_FLOAT_EQ(stepper.GetPosAt(3), 4.99f);
    EXPECT_FLOAT_EQ(stepper.GetPosAt(0), 1.0f);   // the first step never moves
    EXPECT_FLOAT_EQ(stepper.GetPosAt(2), 3.0f);   // odd end: stays
    EXPECT_FLOAT_EQ(stepper.GetPosAt(31), 32.0f); // the last step never moves
    stepper.SetShuffle(0.5f);
    EXPECT_FLOAT_EQ(stepper.GetPosAt(1), 2.495f); // 2 + 0.99 x 0.5
    stepper.SetShuffle(0.0f);
    EXPECT_FLOAT_EQ(stepper.GetPosAt(1), 2.0f);

    // Ends 1, 2, 4, 5: the step after the boundary at 2 is two units long, no shuffle.
    STEP_RECORD steps[kStepperMaxSteps];
    for (int k = 0; k < kStepperMaxSteps; ++k)
        steps[k] = {-1.0f, 0.0f};
    steps[0] = {1.0f, 1.0f};
    steps[1] = {2.0f, 1.0f};
    steps[2] = {4.0f, 1.0f};
    steps[3] = {5.0f, 1.0f};
    // A step ending on 32 before the last one: 32.99 is clamped to the bound 32.
    steps[30] = {32.0f, 1.0f};
    stepper.SetSteps(steps);
    stepper.SetShuffle(1.0f);
    EXPECT_FLOAT_EQ(stepper.GetPosAt(1), 2.0f);
    EXPECT_FLOAT_EQ(stepper.GetPosAt(2), 4.99f); // 4 + 0.99; the next end 5 is one unit on
    EXPECT_FLOAT_EQ(stepper.GetPosAt(30), 32.0f);
}

TEST_P(CStepperRateTest, ShuffledPatternPlaysTheMovedBoundaries)
{
    // Odd steps quiet (0.25), even steps loud (1), full gate, shuffle 0.6: the step
    // ending at 2, 4, ... ends 0.594 later and the step after it is that much shorter.
    const double shuffle = 0.6;
    std::vector<double> ends, levels;
    for (int k = 0; k < 32; ++k)
    {
        const double end = k + 1;
        const bool moves = k != 0 && k != 31 && (k + 1) % 2 == 0;
        ends.push_back(moves ? end + 0.99 * shuffle : end);
        levels.push_back(k % 2 == 0 ? 1.0 : 0.25);
    }
    SetGridPattern(m_stepper, [](int k) { return k % 2 == 0 ? 1.0f : 0.25f; });
    m_stepper.SetShuffle(static_cast<float>(shuffle));
    m_stepper.SetGate(1.0f);
    m_stepper.Reset();
    const int total = static_cast<int>(1.5 * 32.0 / Increment());
    EXPECT_GT(ExpectPattern(GenerateSamples(m_stepper, total), ends, levels, 1.0, 32.0),
              total * 9 / 10);
}

TEST_P(CStepperRateTest, ResynchronisesToTheHostPosition)
{
    // Sync "1/16" at 120 BPM: a step unit of 0.125 s; 16 steps per cycle.
    const double increment = 1.0 / (0.125 * static_cast<double>(m_rate));
    const double numSteps = 16.0;
    m_stepper.SetSync(true);
    m_stepper.SetSpeed(2.0f);
    m_stepper.SetHostTempo(120.0f);
    m_stepper.SetNumSteps(16);
    m_stepper.SetGate(1.0f);
    SetGridPattern(m_stepper, [](int k) { return static_cast<float>(k) / 32.0f; });

    // The position at the start of each host block is (host position x increment) modulo
    // the number of steps; the output is the level of the step found there.
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

    // A host that moves on by its block size each block keeps the stepper on that grid.
    const int block = 512;
    double hostPos = 48000.0;
    for (int b = 0; b < 20; ++b, hostPos += block)
    {
        m_stepper.SetHostSamplePos(static_cast<float>(hostPos));
        std::vector<float> out(block);
        for (int i = 0; i < block; i += 16)
            m_stepper.Generate(out.data() + i, 16);
        const double cycles = hostPos * increment / numSteps;
        const double end =
            std::fmod((cycles - std::floor(cycles)) * numSteps + block * increment, numSteps);
        EXPECT_NEAR(m_stepper.GetCursorPosition(), end, 1e-3) << "block " << b;
    }

    // The same position again (transport stopped): no resync, the stepper runs on.
    const float before = m_stepper.GetCursorPosition();
    m_stepper.SetHostSamplePos(static_cast<float>(hostPos - block));
    std::vector<float> out(160);
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

TEST_P(CStepperRateTest, SyncIndexTwentyOneAndAboveIsOneSecondAtAnyTempo)
{
    m_stepper.SetSync(true);
    m_stepper.SetGate(1.0f);
    SetGridPattern(m_stepper, [](int) { return 1.0f; });
    const int samples = static_cast<int>(m_rate) / 2; // half a second
    for (float tempo : {60.0f, 133.0f, 200.0f})
    {
        for (float index : {21.0f, 22.0f, 40.0f})
        {
            m_stepper.SetHostTempo(tempo);
            m_stepper.SetSpeed(index);
            m_stepper.Reset();
            GenerateSamples(m_stepper, samples);
            EXPECT_NEAR(m_stepper.GetCursorPosition(), 0.5, 2e-3) << tempo << " " << index;
        }
    }
    // Index 14 (one whole note) at 120 BPM: 2 s per unit, a quarter unit in half a second.
    m_stepper.SetHostTempo(120.0f);
    m_stepper.SetSpeed(14.0f);
    m_stepper.Reset();
    GenerateSamples(m_stepper, samples);
    EXPECT_NEAR(m_stepper.GetCursorPosition(), 0.25, 2e-3);
}

TEST(CStepperTest, TempoThatIsNotPositiveAndFiniteCountsAs120)
{
    CStepper reference;
    reference.SetSpeed(8.0f); // "1/4": 0.5 s at 120 BPM
    reference.SetHostTempo(120.0f);
    GenerateSamples(reference, 44100);
    EXPECT_NEAR(reference.GetCursorPosition(), 2.0, 2e-3); // 1 s = two units
    for (float tempo : {0.0f, -30.0f, std::numeric_limits<float>::quiet_NaN(),
                        std::numeric_limits<float>::infinity()})
    {
        CStepper stepper;
        stepper.SetSpeed(8.0f);
        stepper.SetHostTempo(tempo);
        GenerateSamples(stepper, 44100);
        EXPECT_EQ(stepper.GetCursorPosition(), reference.GetCursorPosition()) << tempo;
    }
}

TEST_P(CStepperRateTest, GlideFollowsTheOnePoleOfTheSmoothSetting)
{
    SetGridPattern(m_stepper, [](int) { return 1.0f; });
    m_stepper.SetGate(1.0f);
    for (double smooth : {1.0, 0.5})
    {
        SCOPED_TRACE(smooth);
        m_stepper.SetSmooth(static_cast<float>(smooth));
        m_stepper.Reset();
        // c = exp(-1 / (0.001 rate 30 smooth^2)); from 0 towards 1: y[n] = 1 - c^(n + 1).
        const double c = std::exp(-1.0 / (0.001 * m_rate * 30.0 * smooth * smooth));
        const std::vector<float> out = GenerateSamples(m_stepper, 2000);
        for (size_t n = 0; n < out.size(); ++n)
            // Tolerance: the float coefficient 1 - c carries a relative error near 1e-4.
            ASSERT_NEAR(out[n], 1.0 - std::pow(c, static_cast<double>(n + 1)), 1e-4) << n;
    }
}

TEST(CStepperTest, EmptyPatternKeepsTheTargetUntilTheGateCloses)
{
    // 44.1 kHz, "1/16" at 120 BPM: a step unit of 5512.5 samples.
    const double increment = 1.0 / 5512.5;
    CStepper stepper;
    stepper.SetGate(1.0f);
    SetGridPattern(stepper, [](int) { return 0.7f; });
    GenerateSamples(stepper, 4410); // position 0.8, inside step 0
    STEP_RECORD empty[kStepperMaxSteps];
    for (STEP_RECORD& step : empty)
        step = {-1.0f, 0.0f};
    stepper.SetSteps(empty);
    // No step ends beyond the position: the target keeps its level until the gate of the
    // step that was playing closes at its end (1.0), and nothing opens it again.
    const std::vector<float> out = GenerateSamples(stepper, 44100);
    for (size_t m = 0; m < out.size(); ++m)
    {
        const double pos = 0.8 + static_cast<double>(m) * increment;
        if (std::fabs(pos - 1.0) < 2.0 * increment)
            continue;
        ASSERT_EQ(out[m], pos < 1.0 ? 0.7f : 0.0f) << m;
    }
    EXPECT_LT(stepper.GetCursorPosition(), 32.0f);
    // After a reset the target is 0 and nothing sets another.
    stepper.Reset();
    for (float value : GenerateSamples(stepper, 4410))
        ASSERT_EQ(value, 0.0f);
}

TEST(CStepperTest, NonFiniteInputsNeverLatch)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    CStepper stepper;
    stepper.SetSampleRate(48000.0f);
    stepper.SetGate(1.0f);
    STEP_RECORD steps[kStepperMaxSteps];
    for (int k = 0; k < kStepperMaxSteps; ++k)
        steps[k] = {static_cast<float>(k + 1), 1.0f};
    steps[1] = {2.0f, nan};
    steps[2] = {inf, 1.0f};
    steps[3] = {nan, inf};
    stepper.SetSteps(steps);
    // Degenerate clocks: a free step of 0 ms, an infinite tempo, a NaN speed.
    stepper.SetSync(false);
    stepper.SetSpeed(0.0f);
    for (float value : GenerateSamples(stepper, 4800))
        ASSERT_TRUE(std::isfinite(value));
    stepper.SetSync(true);
    stepper.SetHostTempo(inf);
    stepper.SetSpeed(nan);
    stepper.SetHostSamplePos(1.0e9f);
    for (float value : GenerateSamples(stepper, 4800))
        ASSERT_TRUE(std::isfinite(value));
    EXPECT_TRUE(std::isfinite(stepper.GetCursorPosition()));

    // Sane settings again: the full-level pattern plays 1.0 from the next step on (a new
    // pattern takes over at a step boundary; one unit is 6000 samples here).
    SetGridPattern(stepper, [](int) { return 1.0f; });
    stepper.SetHostTempo(120.0f);
    stepper.SetSpeed(2.0f);
    stepper.SetSmooth(0.0f);
    const std::vector<float> out = GenerateSamples(stepper, 12000);
    for (size_t n = 6016; n < out.size(); ++n)
        ASSERT_EQ(out[n], 1.0f) << n;
}

INSTANTIATE_TEST_SUITE_P(Rates, CStepperRateTest, ::testing::Values(44100.0f, 48000.0f, 96000.0f));

// A modulator nobody listens to only advances; when it is heard again it must stand where
// generating every value would have left it: position, step, gate and glide, through
// step ends, cycle wraps, shuffled boundaries and resyncs.
TEST(CStepperTest, AdvanceLeavesTheSameStateAsGenerate)
{
    for (float smooth : {0.0f, 0.3f, 1.0f})
    {
        for (float gate : {0.2f, 1.0f})
        {
            SCOPED_TRACE(testing::Message() << "smooth " << smooth << " gate " << gate);
            CStepper advanced;
            CStepper generated;
            STEP_RECORD steps[kStepperMaxSteps];
            for (int k = 0; k < kStepperMaxSteps; ++k)
                steps[k] = STEP_RECORD{static_cast<float>(k + 1) * (k % 3 == 2 ? 1.5f : 1.0f),
                                       static_cast<float>((k * 7) % 5) / 4.0f};
            float position = 0.0f;
            for (CStepper* stepper : {&advanced, &generated})
            {
                stepper->SetSampleRate(48000.0f);
                stepper->SetHostTempo(133.0f);
                stepper->SetSteps(steps);
                stepper->SetNumSteps(12);
                stepper->SetSync(true);
                stepper->SetSpeed(14.0f); // a 1/32 note per step: many events per second
                stepper->SetSmooth(smooth);
                stepper->SetGate(gate);
                stepper->SetShuffle(0.4f);
            }
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
                if (block % 37 == 0)
                {
                    float a = 0.0f;
                    float g = 0.0f;
                    advanced.Generate(&a, 1);
                    generated.Generate(&g, 1);
                    // The closed-form glide and the sample-by-sample one round differently.
                    ASSERT_NEAR(a, g, 1e-4f) << "block " << block;
                    ASSERT_EQ(advanced.GetTarget(), generated.GetTarget()) << "block " << block;
                    ASSERT_NEAR(advanced.GetCursorPosition(), generated.GetCursorPosition(), 1e-5f);
                }
            }
        }
    }
}
