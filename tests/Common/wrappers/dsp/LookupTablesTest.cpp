#include "Common/wrappers/dsp/LookupTables.h"
#include "Common/wrappers/dsp/ParamInterpolator.h"
#include "Common/wrappers/dsp/StateVariableSection.h"
#include "Common/wrappers/dsp/TableLookup.h"
#include "Common/wrappers/dsp/TimeScaling.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
class CLookupTablesTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { LookupTables::Initialize(); }
};
} // namespace

TEST_F(CLookupTablesTest, TablesHoldTheirAnchorValues)
{
    EXPECT_NEAR(SINE_TABLE[0], 0.0f, 1e-7f);
    EXPECT_NEAR(SINE_TABLE[1023], 0.0f, 1e-6f);
    EXPECT_NEAR(SINE_TABLE[256], std::sin(2 * M_PI * 256 / 1023), 1e-6);
    EXPECT_EQ(TRIANGLE_TABLE[0], 0.0f);
    EXPECT_EQ(TRIANGLE_TABLE[1024], 1.0f);
    EXPECT_EQ(TRIANGLE_TABLE[2048], 0.0f);
    EXPECT_EQ(TRIANGLE_TABLE[3072], -1.0f);
    EXPECT_EQ(TRIANGLE_TABLE[512], 0.5f);
    // Pitch 69: 8.1777 * 2^(69/12) = 8.1777 * 53.817 = 440.10 Hz.
    EXPECT_NEAR(TUNE_TABLE[static_cast<int>(69.0f * TUNE_TABLE_SCALER)], 440.10f, 0.01f);
    EXPECT_NEAR(EXP_TABLE[50001], 0.05f, 1e-4f); // 0.5 * 100^-0.5
    EXPECT_EQ(EXP_TABLE[0], 0.0f);
    EXPECT_FLOAT_EQ(EXP_TABLE[100002], 1.0f);
    EXPECT_NEAR(LOG_TABLE[50001], 0.880f, 1e-3f);
    EXPECT_NEAR(ILOG_TABLE[50001], 0.053f, 1e-3f);
    EXPECT_FLOAT_EQ(LOG_TABLE[100002], 1.0f);
    EXPECT_FLOAT_EQ(ILOG_TABLE[100002], 1.0f);
    // LOG and ILOG are inverses.
    const float x = ILOG_TABLE[30000];
    EXPECT_NEAR(LOG_TABLE[static_cast<int>(x * 100002)], 30000.0f / 100002.0f, 1e-3f);
    EXPECT_NEAR(DRYWET_TABLE[128], 0.039f, 1e-4f);
    EXPECT_NEAR(DRYWET_TABLE[256], 0.107f, 1e-4f);
    EXPECT_NEAR(DRYWET_TABLE[384], 0.242f, 1e-4f);
    EXPECT_NEAR(DRYWET_TABLE[512], 0.5f, 1e-6f);
    EXPECT_NEAR(DRYWET_TABLE[768], 1.0f - 0.107f, 1e-4f);
    const float fades[][2] = {{1, 0.0053f}, {10, 0.1065f}, {20, 0.373f}, {30, 0.693f},
                              {40, 0.933f}, {50, 1.0f}, {4095, 1.0f}};
    for (const auto& anchor : fades)
        EXPECT_NEAR(FASTFADEIN_TABLE[static_cast<int>(anchor[0])], anchor[1], 1e-4f);
}

TEST_F(CLookupTablesTest, CurvesAreMonotoneAndNoiseIsWhite)
{
    for (int i = 1; i < kDryWetTableSize; ++i)
        ASSERT_GE(DRYWET_TABLE[i], DRYWET_TABLE[i - 1]) << i;
    for (int i = 1; i < kFastFadeInTableSize; ++i)
        ASSERT_GE(FASTFADEIN_TABLE[i], FASTFADEIN_TABLE[i - 1]) << i;
    double sum = 0.0, power = 0.0, lag1 = 0.0;
    for (int i = 0; i < kNoiseWhiteTableSize; ++i)
    {
        const double v = NOISE_WHITE_TABLE[i];
        ASSERT_GE(v, -1.0);
        ASSERT_LE(v, 1.0);
        sum += v;
        power += v * v;
        if (i > 0)
            lag1 += v * NOISE_WHITE_TABLE[i - 1];
    }
    EXPECT_NEAR(sum / kNoiseWhiteTableSize, 0.0, 0.01);
    EXPECT_NEAR(power / kNoiseWhiteTableSize, 1.0 / 3.0, 0.01); // uniform in -1..1
    EXPECT_NEAR(lag1 / power, 0.0, 0.02);                      // uncorrelated neighbours
}

TEST_F(CLookupTablesTest, ReadsClampTheirIndexToTheTable)
{
    // Clamped reads: below the table its first entry, beyond it its last.
    EXPECT_EQ(TRIANGLE_TABLE.At(-7), 0.0f);
    EXPECT_EQ(TRIANGLE_TABLE.At(1024), 1.0f);
    EXPECT_FLOAT_EQ(TRIANGLE_TABLE.At(1 << 20), -1.0f / 1024.0f); // 3072 -> -1, up 1/1024 a step
    EXPECT_EQ(EXP_TABLE.At(-1), 0.0f);
    EXPECT_FLOAT_EQ(EXP_TABLE.At(200000), 1.0f);
    EXPECT_NEAR(TUNE_TABLE.At(-100), 8.1777f, 1e-4f); // pitch 0
    // Halfway between entries 1024 and 1025 of the triangle: 1 - 0.5/1024.
    EXPECT_FLOAT_EQ(LookupInterpolated(TRIANGLE_TABLE, 1024.5f), 1.0f - 0.5f / 1024.0f);
    EXPECT_EQ(LookupInterpolated(SINE_TABLE, 5000.0f), SINE_TABLE[1023]);
    EXPECT_EQ(LookupInterpolated(SINE_TABLE, -3.0f), SINE_TABLE[0]);
    EXPECT_EQ(LookupInterpolated(SINE_TABLE, std::nanf("")), SINE_TABLE[0]);
}

TEST(CTimeScalingTest, NoteLengthsAtTempo)
{
    const struct
    {
        int index;
        float bpm, ratio;
    } cases[] = {
        {14, 120.0f, 2.0f},                    // a whole note at 120 BPM
        {5, 120.0f, 0.25f},                    // an eighth
        {1, 90.0f, 240.0f / 24.0f / 90.0f},    // the shortest
        {21, 120.0f, 1.0f},                    // past the note lengths: one second
        {21, 60.0f, 1.0f},  {22, 120.0f, 1.0f}, {-1, 120.0f, 1.0f},
        {14, 0.0f, 1.0f},   {14, std::nanf(""), 1.0f}, // no usable tempo: not infinity
    };
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(TimeScaling::ToRatio(c.index, c.bpm), c.ratio) << c.index << " " << c.bpm;
}

TEST(CParamInterpolatorTest, RampsAcrossTheBlockWithoutOvershoot)
{
    ParamInterpolator ramp;
    ramp.SetTarget(1.0f, 16);
    // 0 -> 1 over 16 samples: step 1/16, sample 4 = 0.25, sample 16 = 1.
    for (int i = 1; i <= 16; ++i)
        EXPECT_FLOAT_EQ(ramp.Next(), static_cast<float>(i) / 16.0f);
    // The end of a block is the start of the next; past the target it stays clamped.
    ramp.SetTarget(0.5f, 3);
    EXPECT_FLOAT_EQ(ramp.Next(), 1.0f - 0.5f / 3.0f);
    ramp.Next();
    EXPECT_FLOAT_EQ(ramp.Next(), 0.5f);
    EXPECT_FLOAT_EQ(ramp.Next(), 0.5f);
}

TEST(CStateVariableSectionTest, CoefficientsFollowTheirFormulasAndTheLowpassPassesDc)
{
    CStateVariableSection svf;
    svf.SetCoefficients(1000.0f, 88200.0f, 0.7f);
    // w = 2 pi f / R; k = (2 + w)(2 - w) d / (2 (d w + 2 - w)).
    const double w = 2 * M_PI * 1000.0 / 88200.0;
    EXPECT_NEAR(svf.GetW(), w, 1e-6);
    EXPECT_NEAR(svf.GetK(), (2 + w) * (2 - w) * 0.7 / (2 * (0.7 * w + 2 - w)), 1e-6);
    SVF_OUTPUT out{};
    for (int n = 0; n < 20000; ++n)
        out = svf.Tick(1.0f);
    EXPECT_NEAR(out.lowpass, 1.0f, 1e-4f);
    EXPECT_NEAR(out.bandpass, 0.0f, 1e-4f);
    EXPECT_NEAR(out.highpass, 0.0f, 1e-4f);
}
