#include "Morvex.h"
#include "support/EffectFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace MorvexParam;

namespace
{
// The effect behind a host adapter without a host, so that parameter updates
// take the full path.
class CMorvexParametersTest : public ::testing::Test
{
protected:
    std::string Text(int id)
    {
        char text[24];
        m_effect->GetParameterTextValue(id, text);
        return text;
    }

    CEffectInstance m_instance;
    CVstWrapper* m_wrapper = m_instance.Wrapper();
    CMorvex* m_effect = m_instance.Effect();
};
} // namespace

TEST_F(CMorvexParametersTest, EveryParameterIsDeclaredWithADefaultInRange)
{
    // (The names are the built plug-in's snapshot list.)
    for (int id = 0; id < kNumParameters; ++id)
    {
        const PARAMETER_INFO* info = m_effect->GetParameterInfo(id);
        ASSERT_NE(info, nullptr);
        EXPECT_GE(info->value, info->min) << info->name;
        EXPECT_LE(info->value, info->max) << info->name;
        EXPECT_EQ(info->value, info->defaultValue) << info->name;
        const float scaled = m_effect->GetParameterScaled(id, false, false, 0);
        EXPECT_GE(scaled, 0.0f) << info->name;
        EXPECT_LE(scaled, 1.0f) << info->name;
    }
}

TEST_F(CMorvexParametersTest, SpeedsStartSynchronizedAtTheirNotes)
{
    EXPECT_EQ(Text(kDelaySpeedL), "1/8");
    EXPECT_EQ(Text(kDelaySpeedR + 1), "1/8");
    EXPECT_EQ(Text(kFlangerSpeed), "2/1");
    for (int k = 0; k < kNumModulators; ++k)
        EXPECT_EQ(Text(kModSpeed + k), "1/16") << k;
}

TEST_F(CMorvexParametersTest, SyncSwitchKeepsTheSpeedsRelativePosition)
{
    // Index 10 of 0..20 sits at 0.5; free, 0.1 * 2^(0.5 * log2 20000) = 14.14 ms.
    m_wrapper->setParameter(kDelaySpeedL, 0.5f);
    EXPECT_EQ(Text(kDelaySpeedL), "1/4D");
    m_wrapper->setParameter(kDelaySync, 0.0f);
    EXPECT_NEAR(m_effect->GetParameterInfo(kDelaySpeedL)->value, 14.142f, 0.01f);
    EXPECT_EQ(Text(kDelaySpeedL), "14.1ms");
    // Both delay speeds follow the switch; the other layer does not.
    EXPECT_EQ(m_effect->GetParameterInfo(kDelaySpeedR)->curve, kCurveOctave);
    EXPECT_EQ(m_effect->GetParameterInfo(kDelaySpeedL + 1)->curve, kCurveStepped);
    // Back in sync: the middle note again.
    m_wrapper->setParameter(kDelaySync, 1.0f);
    EXPECT_EQ(Text(kDelaySpeedL), "1/4D");

    // Modulator 3 free, 25..10000 ms at 0.5: 25 * sqrt(400) = 500 ms.
    m_wrapper->setParameter(kModSpeed + 2, 0.5f);
    m_wrapper->setParameter(kModSync + 2, 0.0f);
    EXPECT_EQ(Text(kModSpeed + 2), "500ms");
    m_wrapper->setParameter(kFlangerSync + 1, 0.0f);
    EXPECT_EQ(m_effect->GetParameterInfo(kFlangerSpeed + 1)->max, 10000.0f);
}

TEST_F(CMorvexParametersTest, GlitchBufferSetsTheScaleMaximum)
{
    // From construction on, the scale has its buffer's shape: "1/4" gives log2(128).
    const PARAMETER_INFO* other = m_effect->GetParameterInfo(kGlitchScale + 1);
    EXPECT_EQ(Text(kGlitchScale + 1), "off");
    // Whole part of log2(ratio * 512) per note length of the buffer list.
    const float expected[15] = {4, 4, 5, 5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9};
    for (int b = 0; b <= 14; ++b)
    {
        m_wrapper->setParameter(kGlitchBuffer, static_cast<float>(b) / 14.0f);
        ASSERT_EQ(m_effect->GetParameterInfo(kGlitchBuffer)->value, static_cast<float>(b));
        const PARAMETER_INFO* scale = m_effect->GetParameterInfo(kGlitchScale);
        EXPECT_EQ(scale->max, expected[b]) << "buffer " << b;
        EXPECT_EQ(scale->curve, kCurveLinear);
        EXPECT_STREQ(scale->name, "LayerA Glitch Scale");
        // The other layer keeps the shape of its own buffer.
        EXPECT_EQ(other->max, 7.0f);
        EXPECT_EQ(other->curve, kCurveLinear);
    }
    // The scale keeps its relative position across a buffer change.
    m_wrapper->setParameter(kGlitchBuffer, 8.0f / 14.0f); // max 7
    m_wrapper->setParameter(kGlitchScale, 0.5f);          // 3.5
    m_wrapper->setParameter(kGlitchBuffer, 1.0f);         // max 9
    EXPECT_FLOAT_EQ(m_effect->GetParameterInfo(kGlitchScale)->value, 4.5f);
}

namespace
{
// Host values of the parameter curves, from the curve definitions in double: the host side
// of the conversion the effect inverts.
float Linear(double v, double min, double max)
{
    return static_cast<float>((v - min) / (max - min));
}
float Octave(double v, double min, double max)
{
    return static_cast<float>(std::log2(v / min) / std::log2(max / min));
}
float Power(double v, double min, double max, double power)
{
    return static_cast<float>(std::pow((v - min) / (max - min), 1.0 / power));
}
float Stepped(int index, int min, int max)
{
    return static_cast<float>(index - min) / static_cast<float>(max - min);
}

struct TEXT_CASE
{
    int id;
    float scaled; // the host value
    const char* text;
};

// In order: switches first, then the parameters they govern.
const TEXT_CASE kTexts[] = {
    // Levels, signed decibels; the layer mix's bottom is silence.
    {kVolume, Linear(3.0, -24, 24), "+3.00dB"},
    {kVolume, -0.5f, "-24.00dB"},
    {kLayerAMix, Power(-6.0, -60, 0, 0.35), "-6.00dB"},
    {kLayerAMix, 0.0f, "-inf"},
    // Pan names the side.
    {kPan, Linear(-0.25, -1, 1), "L25%"},
    {kPan, 0.5f, "Center"},
    {kPan, 0.0f, "L100%"},
    // Frequencies: Hz with one decimal below 100, kHz with two from 1000, one from 10000.
    {kEqBassFreq, 0.0f, "20.0Hz"},
    {kEqMidFreq, Linear(1650.0, 800, 2500), "1.65kHz"},
    {kDelayLowpass, 0.5f, "949Hz"}, // 50 x sqrt(360)
    // Lo-fi rate 44100 / (trunc(256 r^2) + 1).
    {kLoFiSampleRate, 0.5f, "678Hz"},
    {kLoFiSampleRate, 0.0f, "off"},
    // Pitches 8.1777 x 2^(p / 12).
    {kFilterCutoff, Linear(69.0, 20, 135.2), "440Hz"},
    {kFilterLocut, Linear(57.0, 0, 135), "220Hz"},
    {kFilterLocut, 0.0f, "8.2Hz"},
    // Times: two decimals below 1 ms, whole ms below 1 s, then seconds.
    {kFlangerDelay, Octave(7.0, 1, 25), "7.0ms"},
    {kDelaySync, 0.0f, "off"},
    {kDelaySpeedL, 0.0f, "0.10ms"},
    {kDelaySpeedL, Octave(500.0, 0.1, 2000), "500ms"},
    {kDelaySpeedL, Octave(1000.5, 0.1, 2000), "1.00s"},
    {kDelaySync, 1.0f, "on"},
    // Note lengths.
    {kDelaySpeedL, Stepped(4, 0, 20), "1/16D"},
    {kDelaySpeedL, Stepped(10, 0, 20), "1/4D"},
    {kDelaySpeedL, Stepped(20, 0, 20), "4/1"},
    // Glitch: repeats x 2 trunc(2^(v - 1)) and stretch 1/(15 EXP_TABLE + 1); past the
    // buffer's end the longest buffer, 1/1, with a scale of up to 512.
    {kGlitchScale, Linear(3.0, 0, 7), "x8"},
    {kGlitchScale, Linear(0.5, 0, 7), "x1"},
    {kGlitchStretch, 0.0f, "1/16.0"},
    {kGlitchStretch, 0.5f, "1/1.75"},
    {kGlitchBuffer, 7.0f, "1/1"},
    {kGlitchScale, 1.0f, "x512"},
    // Lists; a stepped value is trunc(x (range + 0.99)), past the end the last entry.
    {kFilterMode, Stepped(9, 0, 11), "PitchShift"},
    {kFilterMode, Stepped(11, 0, 11), "Vowel"},
    {kDistMode, 0.25f, "Tube"},
    {kDistMode, 2.0f, "Crisp"},
    {kMtxSource, Stepped(-1, -1, 7), "---"},
    {kMtxSource, Stepped(7, -1, 7), "Mod 8"},
    {kMtxTarget, Stepped(25, -1, 311), "LayerA Filter On"},
    {kMtxTarget, 5.0f, "Reverb Input"},
    {kMtxTarget, -5.0f, "---"},
    {kModTremoloDst, Stepped(2, 0, 2), "Layer B"},
    {kLayerMode, 1.0f, "Serial"},
    {kFilterSlope, 1.0f, "24 dB"},
    {kGlitchMode, 1.0f, "Freeze"},
    {kFlangerMode, 1.0f, "Phaser"},
    {kModMode, 1.0f, "Curve"},
    {kFilterRes, 0.0f, "0.00"}, // no formatter: two decimals
    {kReverbSize, 0.75f, "75%"},
};
} // namespace

TEST_F(CMorvexParametersTest, DisplayTextsShowTheValueInItsUnits)
{
    for (const TEXT_CASE& c : kTexts)
    {
        m_wrapper->setParameter(c.id, c.scaled);
        EXPECT_EQ(Text(c.id), c.text)
            << m_effect->GetParameterInfo(c.id)->name << " at " << c.scaled;
    }
}
