#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Decorators.h"
#include "Morvex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

using namespace MorvexParam;

namespace
{
// The effect behind a host adapter without a host, so that parameter updates
// take the full path.
class CMorvexParametersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_wrapper = static_cast<CVstWrapper*>(createEffectInstance(nullptr));
        m_effect = static_cast<CMorvex*>(m_wrapper->GetBaseEffect());
    }
    void TearDown() override { delete m_wrapper; }

    std::string Text(int id)
    {
        char text[24];
        m_effect->GetParameterTextValue(id, text);
        return text;
    }

    CVstWrapper* m_wrapper = nullptr;
    CMorvex* m_effect = nullptr;
};
} // namespace

TEST_F(CMorvexParametersTest, EveryParameterIsDeclaredOnceWithADefaultInRange)
{
    std::set<std::string> names;
    for (int id = 0; id < kNumParameters; ++id)
    {
        const PARAMETER_INFO* info = m_effect->GetParameterInfo(id);
        ASSERT_NE(info, nullptr);
        const std::string name = info->name;
        EXPECT_FALSE(name.empty()) << id;
        EXPECT_LE(name.size(), 23u) << id;
        EXPECT_TRUE(names.insert(name).second) << "duplicate " << name;
        EXPECT_GE(info->value, info->min) << name;
        EXPECT_LE(info->value, info->max) << name;
        EXPECT_EQ(info->value, info->defaultValue) << name;
        const float scaled = m_effect->GetParameterScaled(id, false, false, 0);
        EXPECT_GE(scaled, 0.0f) << name;
        EXPECT_LE(scaled, 1.0f) << name;
    }
}

TEST_F(CMorvexParametersTest, SpeedsStartSynchronizedAtTheirNotes)
{
    EXPECT_EQ(Text(kDelaySpeedL), "1/8");
    EXPECT_EQ(Text(kDelaySpeedR + 1), "1/8");
    EXPECT_EQ(Text(kFlangerSpeed), "2/1");
    for (int k = 0; k < kNumModulators; ++k)
        EXPECT_EQ(Text(kModSpeed + k), "1/16") << k;
    EXPECT_STREQ(m_effect->GetParameterInfo(kDelaySpeedR + 1)->name, "LayerB Delay Speed R");
    EXPECT_STREQ(m_effect->GetParameterInfo(kModSpeed + 7)->name, "Mod8 Speed");
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
        // The other layer keeps the shape of its own (default, "1/4") buffer.
        EXPECT_EQ(m_effect->GetParameterInfo(kGlitchScale + 1)->max, 7.0f);
    }
    // The scale keeps its relative position across a buffer change.
    m_wrapper->setParameter(kGlitchBuffer, 8.0f / 14.0f); // max 7
    m_wrapper->setParameter(kGlitchScale, 0.5f);          // 3.5
    m_wrapper->setParameter(kGlitchBuffer, 1.0f);         // max 9
    EXPECT_FLOAT_EQ(m_effect->GetParameterInfo(kGlitchScale)->value, 4.5f);
}

TEST_F(CMorvexParametersTest, ConstructionLeavesTheScaleInItsBufferShape)
{
    const PARAMETER_INFO* scale = m_effect->GetParameterInfo(kGlitchScale + 1);
    EXPECT_EQ(scale->curve, kCurveLinear);
    EXPECT_EQ(scale->max, 7.0f); // buffer "1/4": log2(128)
    EXPECT_EQ(scale->decorator.Load(), &Decorators::glitchRepear2str);
    EXPECT_EQ(Text(kGlitchScale + 1), "off");
}
