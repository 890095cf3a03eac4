#include "Common/wrappers/dsp/LookupTables.h"
#include "Decorators.h"
#include "Morvex.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Decorators;

namespace
{
class CDecoratorsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { LookupTables::Initialize(); }
};
} // namespace

TEST_F(CDecoratorsTest, DecibelsCarryASignExceptAtZero)
{
    EXPECT_EQ(dB2str(nullptr, 0.0f), "0.00dB");
    EXPECT_EQ(dB2str(nullptr, 3.0f), "+3.00dB");
    EXPECT_EQ(dB2str(nullptr, -3.5f), "-3.50dB");
    EXPECT_EQ(dBRange60_2str(nullptr, -60.0f), "-inf");
    EXPECT_EQ(dBRange60_2str(nullptr, -75.0f), "-inf");
    EXPECT_EQ(dBRange60_2str(nullptr, -59.5f), "-59.50dB");
}

TEST_F(CDecoratorsTest, PanAndPercent)
{
    EXPECT_EQ(pan2str(nullptr, 0.0f), "Center");
    EXPECT_EQ(pan2str(nullptr, -0.25f), "L25%");
    EXPECT_EQ(pan2str(nullptr, 1.0f), "R100%");
    EXPECT_EQ(percent2str(nullptr, 85.0f), "85%");
    EXPECT_EQ(percent2str(nullptr, -100.0f), "-100%");
}

TEST_F(CDecoratorsTest, FrequencyChoosesUnitAndPrecisionByDecade)
{
    EXPECT_EQ(Hz2str(nullptr, 20.0f), "20.0Hz");
    EXPECT_EQ(Hz2str(nullptr, 99.94f), "99.9Hz");
    EXPECT_EQ(Hz2str(nullptr, 172.0f), "172Hz");
    EXPECT_EQ(Hz2str(nullptr, 1650.0f), "1.65kHz");
    EXPECT_EQ(Hz2str(nullptr, 18000.0f), "18.0kHz");
}

TEST_F(CDecoratorsTest, PitchReadsTheTuningTable)
{
    // Pitch 69 is 8.1777 * 2^(69/12) = 440.0 Hz; the table index truncates, so the
    // entry may sit a hair below.
    EXPECT_EQ(Pitch2str(nullptr, 69.0f), "440Hz");
    // 135.2 semitones: 8.1777 * 2^(135.2/12) = 8.1777 * 2463.7 = 20.15 kHz.
    EXPECT_EQ(Pitch2str(nullptr, 135.2f), "20.1kHz");
    // 0 semitones: 8.1777 Hz.
    EXPECT_EQ(Pitch2str(nullptr, 0.0f), "8.2Hz");
}

TEST_F(CDecoratorsTest, TimesInMillisecondsAndSeconds)
{
    EXPECT_EQ(ms2str(nullptr, 0.5f), "0.50ms");
    EXPECT_EQ(ms2str(nullptr, 7.0f), "7.0ms");
    EXPECT_EQ(ms2str(nullptr, 14.142f), "14.1ms");
    EXPECT_EQ(ms2str(nullptr, 250.0f), "250ms");
    EXPECT_EQ(ms2str(nullptr, 1000.0f), "1.00s");
    EXPECT_EQ(ms2str(nullptr, 10000.0f), "10.0s");
}

TEST_F(CDecoratorsTest, LoFiRateIsTheHeldSampleRate)
{
    EXPECT_EQ(lofiRate2str(nullptr, 0.0f), "off");
    // 100 %: each sample held trunc(256) + 1 = 257 samples: 44100 / 257 = 171.6 Hz.
    EXPECT_EQ(lofiRate2str(nullptr, 100.0f), "172Hz");
    // 50 %: trunc(256 * 0.25) + 1 = 65: 678.5 Hz.
    EXPECT_EQ(lofiRate2str(nullptr, 50.0f), "678Hz");
}

TEST_F(CDecoratorsTest, GlitchTexts)
{
    EXPECT_EQ(glitchRepear2str(nullptr, 0.0f), "off");
    EXPECT_EQ(glitchRepear2str(nullptr, 0.5f), "x1"); // trunc(2^-0.5) = 0
    EXPECT_EQ(glitchRepear2str(nullptr, 1.0f), "x2"); // trunc(2^0) = 1
    EXPECT_EQ(glitchRepear2str(nullptr, 3.0f), "x8"); // trunc(2^2) * 2
    EXPECT_EQ(glitchRepear2str(nullptr, 9.0f), "x512");
    // Stretch 1: EXP_TABLE[0] = 0 -> s = 1 -> off. Stretch 0: 15 * 1 + 1 = 16.
    EXPECT_EQ(glitchStretch2str(nullptr, 1.0f), "off");
    EXPECT_EQ(glitchStretch2str(nullptr, 0.0f), "1/16.0");
    // Stretch 0.5: 0.5 * 100^-0.5 = 0.05 -> 1.75.
    EXPECT_EQ(glitchStretch2str(nullptr, 0.5f), "1/1.75");
    EXPECT_EQ(glitchMode2str(nullptr, 0.0f), "Run");
    EXPECT_EQ(glitchMode2str(nullptr, 1.0f), "Freeze");
}

TEST_F(CDecoratorsTest, ListsAndTheirOutsides)
{
    EXPECT_EQ(filterMode2str(nullptr, 0.0f), "Lowpass 12dB");
    EXPECT_EQ(filterMode2str(nullptr, 9.7f), "PitchShift");
    EXPECT_EQ(filterMode2str(nullptr, 11.0f), "Vowel");
    EXPECT_EQ(filterMode2str(nullptr, 12.0f), "");
    EXPECT_EQ(Timescale2str(nullptr, 0.0f), "1/32");
    EXPECT_EQ(Timescale2str(nullptr, 4.0f), "1/16D");
    EXPECT_EQ(Timescale2str(nullptr, 20.0f), "4/1");
    EXPECT_EQ(Timescale2str(nullptr, 21.0f), "");
    EXPECT_EQ(Timescale2str(nullptr, -1.0f), "");
    EXPECT_EQ(distMode2str(nullptr, 3.0f), "Crisp");
    EXPECT_EQ(distMode2str(nullptr, 4.0f), "");
    EXPECT_EQ(tremoloDst2str(nullptr, 2.0f), "Layer B");
    EXPECT_EQ(MsegCurveMode2str(nullptr, 0.0f), "Steps");
    EXPECT_EQ(MsegCurveMode2str(nullptr, 1.0f), "Curve");
    EXPECT_EQ(MsegCurveMode2str(nullptr, 2.0f), "");
    EXPECT_EQ(modSrc2str(nullptr, -1.0f), "---");
    EXPECT_EQ(modSrc2str(nullptr, 7.0f), "Mod 8");
    EXPECT_EQ(modSrc2str(nullptr, 8.0f), "---");
    EXPECT_EQ(layerMode2str(nullptr, 1.0f), "Serial");
    EXPECT_EQ(filterSlope2str(nullptr, 1.0f), "24 dB");
    EXPECT_EQ(flangerMode2str(nullptr, 1.0f), "Phaser");
    EXPECT_EQ(onOff2str(nullptr, 0.5f), "off");
    EXPECT_EQ(onOff2str(nullptr, 0.51f), "on");
}

TEST_F(CDecoratorsTest, NonFiniteValuesGiveNoListEntry)
{
    EXPECT_EQ(Timescale2str(nullptr, std::nanf("")), "");
    EXPECT_EQ(filterMode2str(nullptr, 1e30f), "");
    EXPECT_EQ(modSrc2str(nullptr, -1e30f), "---");
    EXPECT_EQ(modDst2str(nullptr, std::nanf("")), "---");
}

TEST_F(CDecoratorsTest, MatrixTargetShowsTheParameterName)
{
    CMorvex effect(nullptr);
    EXPECT_EQ(modDst2str(&effect, 2.0f), "Volume");
    EXPECT_EQ(modDst2str(&effect, 311.0f), "Reverb Input");
    EXPECT_EQ(modDst2str(&effect, -1.0f), "---");
    EXPECT_EQ(modDst2str(&effect, 312.0f), "---");
}
