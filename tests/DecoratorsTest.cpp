// The display texts of the parameter values: units, precision by decade and the values
// outside a list or range, which only a damaged state could bring. Which parameter shows
// which text, through its curve, is in the parameters' own suite.
#include "Common/wrappers/dsp/LookupTables.h"
#include "Decorators.h"
#include "Morvex.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Decorators;

namespace
{
struct TEXT_CASE
{
    std::string (*decorator)(CBaseEffect*, float);
    float value;
    const char* text;
};

const TEXT_CASE kCases[] = {
    {dB2str, 0.0f, "0.00dB"},
    {dB2str, -3.5f, "-3.50dB"},
    {dBRange60_2str, -60.0f, "-inf"},
    {dBRange60_2str, -75.0f, "-inf"},
    {dBRange60_2str, -59.5f, "-59.50dB"},
    {pan2str, 1.0f, "R100%"},
    {percent2str, -100.0f, "-100%"},
    {Hz2str, 99.94f, "99.9Hz"},
    {Hz2str, 172.0f, "172Hz"},
    {Hz2str, 18000.0f, "18.0kHz"},
    // 135.2 semitones: 8.1777 x 2^(135.2 / 12) = 20.15 kHz.
    {Pitch2str, 135.2f, "20.1kHz"},
    {ms2str, 0.5f, "0.50ms"},
    {ms2str, 14.142f, "14.1ms"},
    {ms2str, 250.0f, "250ms"},
    {ms2str, 10000.0f, "10.0s"},
    // Repeats 2 trunc(2^(v - 1)): trunc(2^-0.5) = 0 shows x1.
    {glitchRepear2str, 1.0f, "x2"},
    {glitchRepear2str, 9.0f, "x512"},
    {filterMode2str, 9.7f, "PitchShift"},
    {filterMode2str, 12.0f, ""},
    {filterMode2str, 1e30f, ""},
    {Timescale2str, 21.0f, ""},
    {Timescale2str, -1.0f, ""},
    {Timescale2str, std::nanf(""), ""},
    {distMode2str, 4.0f, ""},
    {MsegCurveMode2str, 2.0f, ""},
    {modSrc2str, 8.0f, "---"},
    {modSrc2str, -1e30f, "---"},
    {modDst2str, std::nanf(""), "---"},
    {onOff2str, 0.5f, "off"},
    {onOff2str, 0.51f, "on"},
};
} // namespace

TEST(CDecoratorsTest, TextsFollowTheirUnitsAndOutsideValuesShowNothing)
{
    LookupTables::Initialize();
    for (const TEXT_CASE& c : kCases)
        EXPECT_EQ(c.decorator(nullptr, c.value), c.text) << c.value << " -> " << c.text;
}

TEST(CDecoratorsTest, MatrixTargetShowsTheParameterName)
{
    CMorvex effect(nullptr);
    EXPECT_EQ(modDst2str(&effect, 311.0f), "Reverb Input");
    EXPECT_EQ(modDst2str(&effect, -1.0f), "---");
    EXPECT_EQ(modDst2str(&effect, 312.0f), "---");
}
