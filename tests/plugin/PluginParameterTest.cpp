// The 312 parameters through the host interface: names, display texts, the
// conversions between host values and the parameters' own units, and the
// parameters that change shape when a switch or the glitch buffer changes.
#include "PluginTestFixture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <utility>
#include <vector>

namespace
{
constexpr int kNumParams = 312;

// Parameter ids used below (layer A; layer B is the next id).
constexpr int kVolume = 2;
constexpr int kPan = 3;
constexpr int kLayerAMix = 5;
constexpr int kLayerMode = 11;
constexpr int kEqBassFreq = 17;
constexpr int kEqMidFreq = 18;
constexpr int kFilterMode = 29;
constexpr int kFilterSlope = 31;
constexpr int kFilterCutoff = 33;
constexpr int kFilterLocut = 37;
constexpr int kDelaySync = 43;
constexpr int kDelaySpeedL = 45;
constexpr int kDelaySpeedR = 47;
constexpr int kDelayLowpass = 55;
constexpr int kDistMode = 73;
constexpr int kLoFiSampleRate = 83;
constexpr int kGlitchBuffer = 93;
constexpr int kGlitchScale = 95;
constexpr int kGlitchStretch = 97;
constexpr int kGlitchMode = 103;
constexpr int kFlangerDelay = 107;
constexpr int kFlangerSync = 111;
constexpr int kFlangerSpeed = 113;
constexpr int kModSync = 123;
constexpr int kModSpeed = 131;
constexpr int kModMode = 139;
constexpr int kModTremoloDst = 187;
constexpr int kMtxSource = 259;
constexpr int kMtxTarget = 283;
constexpr int kFlangerMode = 307;

// Note lengths of the tempo-synchronised speeds and the glitch buffer, by index.
const char* const kNoteLengths[21] = {
    "1/32", "1/16T", "1/16", "1/8T", "1/16D", "1/8", "1/4T", "1/8D", "1/4", "1/2T", "1/4D",
    "1/2",  "1/1T",  "1/2D", "1/1",  "2/1T",  "1/1D", "2/1", "4/1T", "2/1D", "4/1",
};

// Glitch buffer lengths in whole notes for buffer indices 0..14 (the first 15
// note lengths above).
const double kGlitchBufferRatio[15] = {
    1.0 / 32, 1.0 / 24, 1.0 / 16, 1.0 / 12, 3.0 / 32, 1.0 / 8, 1.0 / 6, 3.0 / 16,
    1.0 / 4,  1.0 / 3,  3.0 / 8,  1.0 / 2,  2.0 / 3,  3.0 / 4, 1.0,
};

// Largest glitch scale for a buffer: the whole part of log2(ratio * 512).
int GlitchScaleMax(int buffer)
{
    return static_cast<int>(std::floor(std::log2(kGlitchBufferRatio[buffer] * 512.0)));
}

std::string Format(const char* format, int value)
{
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

// The name of every parameter id as the parameter table gives it.
std::vector<std::string> ExpectedParameterNames()
{
    std::vector<std::string> names(kNumParams);
    const std::pair<int, const char*> master[] = {
        {0, "Power"},          {1, "Limiter"},        {2, "Volume"},
        {3, "Pan"},            {4, "Dry/Wet"},        {5, "Layer A Mix"},
        {6, "Layer B Mix"},    {7, "Layer A Pan"},    {8, "Layer B Pan"},
        {9, "Layer A On"},     {10, "Layer B On"},    {11, "Layer Mode"},
        {12, "ModMtx Power"},  {13, "Eq On"},         {14, "Eq Bass"},
        {15, "Eq Mid"},        {16, "Eq Treble"},     {17, "Eq Bass Freq"},
        {18, "Eq Mid Freq"},   {19, "Reverb On"},     {20, "Reverb Size"},
        {21, "Reverb Decay"},  {22, "Reverb Bass"},   {23, "Reverb Treble"},
        {24, "Reverb Mix"},    {311, "Reverb Input"},
    };
    for (const auto& [id, name] : master)
        names[static_cast<std::size_t>(id)] = name;

    const std::pair<int, const char*> layer[] = {
        {25, "Filter On"},         {27, "Filter Mix"},       {29, "Filter Mode"},
        {31, "Filter Slope"},      {33, "Filter Cutoff"},    {35, "Filter Res"},
        {37, "Filter Locut"},      {39, "Filter Hicut"},     {41, "Delay On"},
        {43, "Delay Sync"},        {45, "Delay Speed L"},    {47, "Delay Speed R"},
        {49, "Delay Link"},        {51, "Delay Feedback"},   {53, "Delay Mix"},
        {55, "Delay Lowpass"},     {57, "Delay Bandpass"},   {59, "Delay PingPong"},
        {61, "Dist On"},           {63, "Dist Mix"},         {65, "Dist Drive"},
        {67, "Dist Fuzz"},         {69, "Dist Color"},       {71, "Dist Output"},
        {73, "Dist Mode"},         {75, "Dist Mono"},        {77, "LoFi On"},
        {79, "LoFi Mix"},          {81, "LoFi BitDepth"},    {83, "LoFi SampleRate"},
        {85, "LoFi Noise"},        {87, "LoFi Tone"},        {89, "Glitch On"},
        {91, "Glitch Mix"},        {93, "Glitch Buffer"},    {95, "Glitch Scale"},
        {97, "Glitch Stretch"},    {99, "Glitch Reverse"},   {101, "Glitch Smooth"},
        {103, "Glitch Mode"},      {105, "Flanger On"},      {107, "Flanger Delay"},
        {109, "Flanger Feedback"}, {111, "Flanger Sync"},    {113, "Flanger Speed"},
        {115, "Flanger Depth"},    {117, "Flanger Width"},   {119, "Flanger Tone"},
        {121, "Flanger Mix"},      {307, "Flanger Mode"},    {309, "Delay Input"},
    };
    for (const auto& [id, name] : layer)
    {
        names[static_cast<std::size_t>(id)] = std::string("LayerA ") + name;
        names[static_cast<std::size_t>(id + 1)] = std::string("LayerB ") + name;
    }

    const std::pair<int, const char*> modulator[] = {
        {123, "Mod%d Sync"},     {131, "Mod%d Speed"},        {139, "Mod%d Mode"},
        {147, "Mod%d Smooth"},   {155, "Mod%d NumSteps"},     {163, "Mod%d Gate"},
        {171, "Mod%d Tension"},  {179, "Mod%d Tremolo"},      {187, "Mod%d Tremolo Dst"},
        {195, "Mod%d Pan Flip"}, {203, "Mod%d Shuffle"},
    };
    for (const auto& [id, format] : modulator)
    {
        for (int k = 0; k < 8; ++k)
            names[static_cast<std::size_t>(id + k)] = Format(format, k + 1);
    }

    const std::pair<int, const char*> matrix[] = {
        {211, "ModMtx%.2d Power"},
        {235, "ModMtx%.2d Depth"},
        {259, "ModMtx%.2d Source"},
        {283, "ModMtx%.2d Target"},
    };
    for (const auto& [id, format] : matrix)
    {
        for (int k = 0; k < 24; ++k)
            names[static_cast<std::size_t>(id + k)] = Format(format, k + 1);
    }
    return names;
}
} // namespace

class CPluginParameterTest : public CPluginInterfaceTest
{
protected:
    // Switches a stepped on/off parameter.
    void Switch(int id, bool on) { m_host.SetParameter(id, on ? 1.0f : 0.0f); }

    std::vector<float> Snapshot()
    {
        std::vector<float> values;
        for (int id = 0; id < kNumParams; ++id)
            values.push_back(m_host.GetParameter(id));
        return values;
    }
};

// ---------------------------------------------------------------------------------------------
// Names

TEST_F(CPluginParameterTest, NamesFollowTheParameterTable)
{
    const std::vector<std::string> expected = ExpectedParameterNames();
    // The expected list itself covers every id exactly once.
    const std::set<std::string> unique(expected.begin(), expected.end());
    ASSERT_EQ(static_cast<std::size_t>(kNumParams), unique.size());
    ASSERT_EQ(0u, unique.count(""));

    for (int id = 0; id < kNumParams; ++id)
    {
        const std::string name = m_host.ParamName(id);
        EXPECT_EQ(expected[static_cast<std::size_t>(id)], name) << "id " << id;
        EXPECT_LE(name.size(), 23u) << "id " << id;
    }
}

TEST_F(CPluginParameterTest, NameAndDisplayWriteAtMost24Bytes)
{
    // 23 characters and the terminator; the rest of a larger host buffer stays as it was.
    constexpr unsigned char kSentinel = 0xA5;
    for (VstInt32 opcode : {effGetParamName, effGetParamDisplay})
    {
        for (int id = -1; id <= kNumParams; ++id)
        {
            std::vector<unsigned char> buffer(64, kSentinel);
            m_host.Dispatch(opcode, id, 0, buffer.data());
            ASSERT_NE(nullptr, std::memchr(buffer.data(), 0, 24))
                << "opcode " << opcode << " id " << id;
            for (std::size_t i = 24; i < buffer.size(); ++i)
                ASSERT_EQ(kSentinel, buffer[i]) << "opcode " << opcode << " id " << id;
        }
    }
}

TEST_F(CPluginParameterTest, IdsOutsideTheTableHaveNoNameOrText)
{
    for (int id : {-1, kNumParams, 1000})
    {
        EXPECT_EQ("", m_host.ParamName(id)) << "id " << id;
        EXPECT_EQ("", m_host.ParamDisplay(id)) << "id " << id;
    }
}

// ---------------------------------------------------------------------------------------------
// Display texts

TEST_F(CPluginParameterTest, DefaultTextsFollowTheTable)
{
    // Every parameter shows something at its default.
    for (int id = 0; id < kNumParams; ++id)
        EXPECT_NE("", m_host.ParamDisplay(id)) << "id " << id << " " << m_host.ParamName(id);

    const std::pair<int, const char*> defaults[] = {
        {0, "on"},          // Power 1
        {2, "0.00dB"},      // Volume 0
        {3, "Center"},      // Pan 0
        {4, "100%"},        // Dry/Wet 100
        {5, "0.00dB"},      // Layer A Mix 0
        {10, "off"},        // Layer B On 0
        {11, "Parallel"},   // Layer Mode 0
        {17, "20.0Hz"},     // Eq Bass Freq 20: below 100 -> "%.1fHz"
        {18, "1.65kHz"},    // Eq Mid Freq 1650: below 10000 -> "%.2fkHz" of 1.65
        {20, "75%"},        // Reverb Size 75
        {29, "Lowpass 12dB"}, // Filter Mode 0
        {31, "12 dB"},      // Filter Slope 0
        {35, "0.00"},       // Filter Res 0, no formatter: "%.2f"
        {37, "8.2Hz"},      // Filter Locut pitch 0: 8.1777 * 2^0 = 8.18 Hz
        {45, "1/8"},        // Delay Speed L, synchronised index 5
        {47, "1/8"},        // Delay Speed R, synchronised index 5
        {55, "18.0kHz"},    // Delay Lowpass 18000: "%.1fkHz" of 18.0
        {73, "Tube"},       // Dist Mode 0
        {83, "off"},        // LoFi SampleRate 0
        {93, "1/4"},        // Glitch Buffer index 8
        {95, "off"},        // Glitch Scale 0
        {97, "off"},        // Glitch Stretch 1: EXP_TABLE[0] = 0 -> s = 1
        {103, "Freeze"},    // Glitch Mode 1
        {107, "7.0ms"},     // Flanger Delay 7
        {109, "85%"},       // Flanger Feedback 85
        {113, "2/1"},       // Flanger Speed, synchronised index 17
        {131, "1/16"},      // Mod1 Speed, synchronised index 2
        {139, "Steps"},     // Mod1 Mode 0
        {155, "32.00"},     // Mod1 NumSteps 32, no formatter
        {163, "100%"},      // Mod1 Gate 100
        {187, "Layer A"},   // Mod1 Tremolo Dst 1
        {259, "---"},       // ModMtx01 Source -1
        {306, "---"},       // ModMtx24 Target -1
        {307, "Flanger"},   // Flanger Mode 0
        {311, "on"},        // Reverb Input 1
    };
    for (const auto& [id, text] : defaults)
        EXPECT_EQ(text, m_host.ParamDisplay(id)) << "id " << id << " " << m_host.ParamName(id);
}

TEST_F(CPluginParameterTest, LevelTextsShowSignedDecibels)
{
    // Volume, linear -24..24.
    m_host.SetParameter(kVolume, HostValue::Linear(0.0, -24, 24)); // x = 0.5
    EXPECT_EQ("0.00dB", m_host.ParamDisplay(kVolume));
    m_host.SetParameter(kVolume, HostValue::Linear(3.0, -24, 24)); // x = 27/48
    EXPECT_EQ("+3.00dB", m_host.ParamDisplay(kVolume));
    m_host.SetParameter(kVolume, HostValue::Linear(-3.5, -24, 24)); // x = 20.5/48
    EXPECT_EQ("-3.50dB", m_host.ParamDisplay(kVolume));

    // Layer A Mix, power 0.35 from -60 to 0: x = 0 gives -60, shown as silence.
    m_host.SetParameter(kLayerAMix, HostValue::Power(-6.0, -60, 0, 0.35));
    EXPECT_EQ("-6.00dB", m_host.ParamDisplay(kLayerAMix));
    m_host.SetParameter(kLayerAMix, HostValue::Power(-60.0, -60, 0, 0.35));
    EXPECT_EQ("-inf", m_host.ParamDisplay(kLayerAMix));
    m_host.SetParameter(kLayerAMix, 1.0f);
    EXPECT_EQ("0.00dB", m_host.ParamDisplay(kLayerAMix));
}

TEST_F(CPluginParameterTest, PanTextsNameTheSide)
{
    // Pan, linear -1..1.
    m_host.SetParameter(kPan, HostValue::Linear(-0.25, -1, 1)); // x = 0.375
    EXPECT_EQ("L25%", m_host.ParamDisplay(kPan));
    m_host.SetParameter(kPan, HostValue::Linear(0.0, -1, 1));
    EXPECT_EQ("Center", m_host.ParamDisplay(kPan));
    m_host.SetParameter(kPan, HostValue::Linear(0.25, -1, 1));
    EXPECT_EQ("R25%", m_host.ParamDisplay(kPan));
    m_host.SetParameter(kPan, 0.0f);
    EXPECT_EQ("L100%", m_host.ParamDisplay(kPan));
}

TEST_F(CPluginParameterTest, FrequencyTextsSwitchUnitsAtDecades)
{
    // Eq Bass Freq, linear 20..100: 100 is no longer "below 100".
    m_host.SetParameter(kEqBassFreq, 1.0f);
    EXPECT_EQ("100Hz", m_host.ParamDisplay(kEqBassFreq));

    // Eq Mid Freq, linear 800..2500.
    m_host.SetParameter(kEqMidFreq, 0.0f);
    EXPECT_EQ("800Hz", m_host.ParamDisplay(kEqMidFreq));
    m_host.SetParameter(kEqMidFreq, HostValue::Linear(1650.0, 800, 2500)); // x = 0.5
    EXPECT_EQ("1.65kHz", m_host.ParamDisplay(kEqMidFreq));
    m_host.SetParameter(kEqMidFreq, 1.0f);
    EXPECT_EQ("2.50kHz", m_host.ParamDisplay(kEqMidFreq));

    // LayerA Delay Lowpass, octave 50..18000: 10000 and above in "%.1fkHz".
    m_host.SetParameter(kDelayLowpass, 0.5f);
    m_host.SetParameter(kDelayLowpass, HostValue::Octave(18000.0, 50, 18000)); // x = 1
    EXPECT_EQ("18.0kHz", m_host.ParamDisplay(kDelayLowpass));

    // LoFi SampleRate, linear 0..100; r = v / 100, rate = 44100 / (trunc(256 r^2) + 1).
    m_host.SetParameter(kLoFiSampleRate, HostValue::Linear(100.0, 0, 100));
    EXPECT_EQ("172Hz", m_host.ParamDisplay(kLoFiSampleRate)); // 44100 / 257 = 171.6
    m_host.SetParameter(kLoFiSampleRate, HostValue::Linear(50.0, 0, 100));
    EXPECT_EQ("678Hz", m_host.ParamDisplay(kLoFiSampleRate)); // 44100 / 65 = 678.5
    m_host.SetParameter(kLoFiSampleRate, HostValue::Linear(0.0, 0, 100));
    EXPECT_EQ("off", m_host.ParamDisplay(kLoFiSampleRate));

    // LayerA Filter Cutoff, linear 20..135.2 semitones: pitch 69 is
    // 8.1777 * 2^(69 / 12) = 440.1 Hz.
    m_host.SetParameter(kFilterCutoff, HostValue::Linear(69.0, 20, 135.2));
    EXPECT_EQ("440Hz", m_host.ParamDisplay(kFilterCutoff));
    // LayerA Filter Locut, linear 0..135: pitch 57 is 8.1777 * 2^(57 / 12) = 220.0 Hz.
    m_host.SetParameter(kFilterLocut, HostValue::Linear(57.0, 0, 135));
    EXPECT_EQ("220Hz", m_host.ParamDisplay(kFilterLocut));
}

TEST_F(CPluginParameterTest, TimeTextsSwitchFromMillisecondsToSeconds)
{
    // LayerA Flanger Delay, octave 1..25 ms.
    m_host.SetParameter(kFlangerDelay, 0.0f);
    EXPECT_EQ("1.0ms", m_host.ParamDisplay(kFlangerDelay));
    m_host.SetParameter(kFlangerDelay, HostValue::Octave(7.0, 1, 25)); // x = log2 7 / log2 25
    EXPECT_EQ("7.0ms", m_host.ParamDisplay(kFlangerDelay));

    // LayerA Delay Speed L in free time (Delay Sync off): octave 0.1..2000 ms.
    Switch(kDelaySync, false);
    m_host.SetParameter(kDelaySpeedL, 0.0f);
    EXPECT_EQ("0.10ms", m_host.ParamDisplay(kDelaySpeedL)); // below 0.9999: "%.2fms"
    m_host.SetParameter(kDelaySpeedL, HostValue::Octave(500.0, 0.1, 2000));
    EXPECT_EQ("500ms", m_host.ParamDisplay(kDelaySpeedL)); // below 1000: "%.fms"
    m_host.SetParameter(kDelaySpeedL, HostValue::Octave(999.0, 0.1, 2000));
    EXPECT_EQ("999ms", m_host.ParamDisplay(kDelaySpeedL));
    // From 1000 ms on, seconds with two decimals. The host cannot land exactly on
    // 1000: the curve's log2 (ln x 1.442695) puts the nearest host value at
    // 999.9997 ms, which "%.fms" rightly shows as 1000ms; half a millisecond above
    // it is 1.0005 s.
    m_host.SetParameter(kDelaySpeedL, HostValue::Octave(1000.5, 0.1, 2000));
    EXPECT_EQ("1.00s", m_host.ParamDisplay(kDelaySpeedL)); // below 10000: "%.2fs" of 1.0005
}

TEST_F(CPluginParameterTest, GlitchTextsShowRepeatsAndStretch)
{
    // LayerA Glitch Scale with the default buffer (index 8, 1/4 note): linear
    // 0..log2(1/4 * 512) = 0..7. r = trunc(2^(v - 1)), shown as x(2r), r = 0 as x1.
    m_host.SetParameter(kGlitchScale, HostValue::Linear(3.0, 0, 7));
    EXPECT_EQ("x8", m_host.ParamDisplay(kGlitchScale)); // trunc(2^2) = 4 -> x8
    m_host.SetParameter(kGlitchScale, HostValue::Linear(0.5, 0, 7));
    EXPECT_EQ("x1", m_host.ParamDisplay(kGlitchScale)); // trunc(2^-0.5) = 0
    m_host.SetParameter(kGlitchScale, 0.0f);
    EXPECT_EQ("off", m_host.ParamDisplay(kGlitchScale));

    // LayerA Glitch Stretch, linear 0..1: s = EXP_TABLE[trunc(100002 (1 - v))] * 15 + 1
    // with EXP_TABLE(x) = x * 100^(x - 1).
    m_host.SetParameter(kGlitchStretch, 0.0f);
    EXPECT_EQ("1/16.0", m_host.ParamDisplay(kGlitchStretch)); // 1 * 100^0 * 15 + 1 = 16
    m_host.SetParameter(kGlitchStretch, 0.5f);
    EXPECT_EQ("1/1.75", m_host.ParamDisplay(kGlitchStretch)); // 0.5 * 0.1 * 15 + 1
    m_host.SetParameter(kGlitchStretch, 1.0f);
    EXPECT_EQ("off", m_host.ParamDisplay(kGlitchStretch));
}

TEST_F(CPluginParameterTest, ListTextsNameTheEntries)
{
    // LayerA Filter Mode, stepped 0..11.
    const std::pair<int, const char*> modes[] = {
        {0, "Lowpass 12dB"}, {4, "Highpass 24dB"}, {6, "Phaser 4p"}, {9, "PitchShift"},
        {11, "Vowel"},
    };
    for (const auto& [index, text] : modes)
    {
        m_host.SetParameter(kFilterMode, HostValue::Stepped(index, 0, 11));
        EXPECT_EQ(text, m_host.ParamDisplay(kFilterMode)) << "mode " << index;
    }

    // LayerA Delay Speed L synchronised, stepped 0..20 over the note lengths.
    for (int index : {0, 1, 4, 10, 17, 20})
    {
        m_host.SetParameter(kDelaySpeedL, HostValue::Stepped(index, 0, 20));
        EXPECT_EQ(kNoteLengths[index], m_host.ParamDisplay(kDelaySpeedL)) << "note " << index;
    }

    // ModMtx01 Source, stepped -1..7.
    m_host.SetParameter(kMtxSource, HostValue::Stepped(0, -1, 7));
    EXPECT_EQ("Mod 1", m_host.ParamDisplay(kMtxSource));
    m_host.SetParameter(kMtxSource, HostValue::Stepped(7, -1, 7));
    EXPECT_EQ("Mod 8", m_host.ParamDisplay(kMtxSource));
    m_host.SetParameter(kMtxSource, HostValue::Stepped(-1, -1, 7));
    EXPECT_EQ("---", m_host.ParamDisplay(kMtxSource));

    // ModMtx01 Target, stepped -1..311: the name of the target parameter.
    m_host.SetParameter(kMtxTarget, HostValue::Stepped(2, -1, 311));
    EXPECT_EQ("Volume", m_host.ParamDisplay(kMtxTarget));
    m_host.SetParameter(kMtxTarget, HostValue::Stepped(25, -1, 311));
    EXPECT_EQ("LayerA Filter On", m_host.ParamDisplay(kMtxTarget));
    m_host.SetParameter(kMtxTarget, HostValue::Stepped(311, -1, 311));
    EXPECT_EQ("Reverb Input", m_host.ParamDisplay(kMtxTarget));
    m_host.SetParameter(kMtxTarget, HostValue::Stepped(-1, -1, 311));
    EXPECT_EQ("---", m_host.ParamDisplay(kMtxTarget));

    // Two-entry lists and switches at their upper entry.
    const std::pair<int, const char*> upper[] = {
        {kLayerMode, "Serial"},  {kFilterSlope, "24 dB"}, {kGlitchMode, "Freeze"},
        {kFlangerMode, "Phaser"}, {kModMode, "Curve"},     {kDelaySync, "on"},
    };
    for (const auto& [id, text] : upper)
    {
        m_host.SetParameter(id, 1.0f);
        EXPECT_EQ(text, m_host.ParamDisplay(id)) << "id " << id;
    }
    m_host.SetParameter(kGlitchMode, 0.0f);
    EXPECT_EQ("Run", m_host.ParamDisplay(kGlitchMode));

    // Mod1 Tremolo Dst, stepped 0..2.
    const char* const destinations[] = {"Master", "Layer A", "Layer B"};
    for (int index = 0; index < 3; ++index)
    {
        m_host.SetParameter(kModTremoloDst, HostValue::Stepped(index, 0, 2));
        EXPECT_EQ(destinations[index], m_host.ParamDisplay(kModTremoloDst));
    }
}

// ---------------------------------------------------------------------------------------------
// Conversions between host values and the parameters' units

TEST_F(CPluginParameterTest, SteppedParameterTruncatesTheScaledRange)
{
    // LayerA Dist Mode, stepped 0..3: index = trunc(x * (3 + 0.99)).
    const std::pair<float, const char*> steps[] = {
        {0.0f, "Tube"},      // 0
        {0.25f, "Tube"},     // trunc(0.9975) = 0
        {0.5f, "Overdrive"}, // trunc(1.995) = 1
        {0.75f, "Warm"},     // trunc(2.9925) = 2
        {1.0f, "Crisp"},     // trunc(3.99) = 3
    };
    for (const auto& [x, text] : steps)
    {
        m_host.SetParameter(kDistMode, x);
        EXPECT_EQ(text, m_host.ParamDisplay(kDistMode)) << "x " << x;
    }
    // Read back as the step's own position, (index - min) / range.
    m_host.SetParameter(kDistMode, 0.25f);
    EXPECT_FLOAT_EQ(0.0f, m_host.GetParameter(kDistMode));
    m_host.SetParameter(kDistMode, 0.5f);
    EXPECT_FLOAT_EQ(1.0f / 3.0f, m_host.GetParameter(kDistMode));
    m_host.SetParameter(kDistMode, 0.75f);
    EXPECT_FLOAT_EQ(2.0f / 3.0f, m_host.GetParameter(kDistMode));
    m_host.SetParameter(kDistMode, 1.0f);
    EXPECT_FLOAT_EQ(1.0f, m_host.GetParameter(kDistMode));
}

TEST_F(CPluginParameterTest, ContinuousCurvesRoundTrip)
{
    // Octave 50..18000 at x = 0.5: 50 * 2^(0.5 * log2 360) = 50 * sqrt(360) = 948.7 Hz.
    m_host.SetParameter(kDelayLowpass, 0.5f);
    EXPECT_EQ("949Hz", m_host.ParamDisplay(kDelayLowpass));
    EXPECT_NEAR(0.5f, m_host.GetParameter(kDelayLowpass), 1e-5f);

    // Linear -24..24 at 0 dB reads back as the middle.
    m_host.SetParameter(kVolume, 0.5f);
    EXPECT_FLOAT_EQ(0.5f, m_host.GetParameter(kVolume));
    m_host.SetParameter(kVolume, 0.3f);
    EXPECT_NEAR(0.3f, m_host.GetParameter(kVolume), 1e-6f);

    // Power 0.35 over -60..0 dB.
    for (float x : {0.1f, 0.5f, 0.9f})
    {
        m_host.SetParameter(kLayerAMix, x);
        EXPECT_NEAR(x, m_host.GetParameter(kLayerAMix), 1e-5f) << "x " << x;
    }
}

TEST_F(CPluginParameterTest, IdsOutsideTheTableAreIgnored)
{
    const std::vector<float> before = Snapshot();
    m_host.SetParameter(-1, 0.7f);
    m_host.SetParameter(kNumParams, 0.7f);
    m_host.SetParameter(100000, 0.7f);
    EXPECT_EQ(before, Snapshot());
    EXPECT_EQ(0.0f, m_host.GetParameter(-1));
    EXPECT_EQ(0.0f, m_host.GetParameter(kNumParams));
}

TEST_F(CPluginParameterTest, HostValuesOutsideTheUnitRangeStayInRange)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    m_host.SetParameter(kVolume, 1.5f);
    EXPECT_EQ("+24.00dB", m_host.ParamDisplay(kVolume));
    EXPECT_EQ(1.0f, m_host.GetParameter(kVolume));
    m_host.SetParameter(kVolume, -0.5f);
    EXPECT_EQ("-24.00dB", m_host.ParamDisplay(kVolume));
    EXPECT_EQ(0.0f, m_host.GetParameter(kVolume));

    // A stepped list past its end still names an entry.
    m_host.SetParameter(kDistMode, 2.0f);
    EXPECT_EQ("Crisp", m_host.ParamDisplay(kDistMode));
    m_host.SetParameter(kMtxTarget, 5.0f);
    EXPECT_EQ("Reverb Input", m_host.ParamDisplay(kMtxTarget));
    m_host.SetParameter(kMtxTarget, -5.0f);
    EXPECT_EQ("---", m_host.ParamDisplay(kMtxTarget));

    // The glitch buffer beyond its end gives the longest buffer, 1/1 (scale max 9).
    m_host.SetParameter(kGlitchBuffer, 7.0f);
    EXPECT_EQ("1/1", m_host.ParamDisplay(kGlitchBuffer));
    m_host.SetParameter(kGlitchScale, 1.0f);
    EXPECT_EQ("x512", m_host.ParamDisplay(kGlitchScale));

    for (int id : {kVolume, kPan, kDistMode, kDelayLowpass, kLayerAMix, kMtxTarget, kGlitchBuffer})
    {
        for (float x : {nan, inf, -inf, 1e30f, -1e30f})
        {
            m_host.SetParameter(id, x);
            const float y = m_host.GetParameter(id);
            EXPECT_TRUE(y >= 0.0f && y <= 1.0f) << "id " << id << " x " << x << " read " << y;
            const std::string text = m_host.ParamDisplay(id);
            EXPECT_NE("", text) << "id " << id << " x " << x;
            EXPECT_EQ(std::string::npos, text.find("nan")) << "id " << id << " " << text;
            if (text != "-inf") // silence of the layer mix is a legitimate text
            {
                EXPECT_EQ(std::string::npos, text.find("inf")) << "id " << id << " " << text;
            }
        }
    }
}

TEST_F(CPluginParameterTest, HostParameterChangesAreNotEchoedToTheHost)
{
    // A value the host sets itself is not reported back as an edit or automation.
    m_host.ClearCalls();
    m_host.SetParameter(kVolume, 0.2f);
    m_host.SetParameter(kPan, 0.9f);
    m_host.SetParameter(kDistMode, 0.6f);
    m_host.SetParameter(kLayerAMix, 0.4f);
    EXPECT_EQ(0u, m_host.CountCalls(audioMasterAutomate));
    EXPECT_EQ(0u, m_host.CountCalls(audioMasterBeginEdit));
    EXPECT_EQ(0u, m_host.CountCalls(audioMasterEndEdit));
}

// ---------------------------------------------------------------------------------------------
// Speeds that follow their sync switch

TEST_F(CPluginParameterTest, DelaySyncSwitchKeepsRelativePositionOfBothSpeeds)
{
    // Speed L at index 10 of 0..20: x = 0.5, trunc(20.99 * 0.5) = 10 ("1/4D").
    // Speed R stays at its default index 5: x = 5 / 20 = 0.25.
    m_host.SetParameter(kDelaySpeedL, 0.5f);
    ASSERT_EQ("1/4D", m_host.ParamDisplay(kDelaySpeedL));
    ASSERT_EQ("1/8", m_host.ParamDisplay(kDelaySpeedR));

    Switch(kDelaySync, false);
    EXPECT_EQ("off", m_host.ParamDisplay(kDelaySync));
    // Free time, octave 0.1..2000 ms at the same positions:
    // L: 0.1 * 2^(0.5 * log2 20000) = 0.1 * sqrt(20000) = 14.14 ms;
    // R: 0.1 * 2^(0.25 * log2 20000) = 0.1 * 20000^0.25 = 1.19 ms.
    EXPECT_EQ("14.1ms", m_host.ParamDisplay(kDelaySpeedL));
    EXPECT_EQ("1.2ms", m_host.ParamDisplay(kDelaySpeedR));
    EXPECT_NEAR(0.5f, m_host.GetParameter(kDelaySpeedL), 1e-4f);
    EXPECT_NEAR(0.25f, m_host.GetParameter(kDelaySpeedR), 1e-4f);

    Switch(kDelaySync, true);
    EXPECT_EQ("1/4D", m_host.ParamDisplay(kDelaySpeedL));
    EXPECT_EQ("1/8", m_host.ParamDisplay(kDelaySpeedR));
    EXPECT_FLOAT_EQ(0.5f, m_host.GetParameter(kDelaySpeedL));
    EXPECT_FLOAT_EQ(0.25f, m_host.GetParameter(kDelaySpeedR));

    // The names survive both redeclarations.
    EXPECT_EQ("LayerA Delay Speed L", m_host.ParamName(kDelaySpeedL));
    EXPECT_EQ("LayerA Delay Speed R", m_host.ParamName(kDelaySpeedR));
}

TEST_F(CPluginParameterTest, DelaySyncSwitchOnlyAffectsItsLayer)
{
    Switch(kDelaySync + 1, false); // LayerB Delay Sync
    // LayerB speeds at their default index 5 (x = 0.25): 0.1 * 20000^0.25 = 1.19 ms.
    EXPECT_EQ("1.2ms", m_host.ParamDisplay(kDelaySpeedL + 1));
    EXPECT_EQ("1.2ms", m_host.ParamDisplay(kDelaySpeedR + 1));
    EXPECT_EQ("1/8", m_host.ParamDisplay(kDelaySpeedL));
    EXPECT_EQ("1/8", m_host.ParamDisplay(kDelaySpeedR));
    EXPECT_EQ("2/1", m_host.ParamDisplay(kFlangerSpeed + 1));
    EXPECT_EQ("LayerB Delay Speed L", m_host.ParamName(kDelaySpeedL + 1));
    EXPECT_EQ("LayerB Delay Speed R", m_host.ParamName(kDelaySpeedR + 1));
}

TEST_F(CPluginParameterTest, FlangerSyncSwitchKeepsRelativePosition)
{
    // LayerA Flanger Speed at index 10 (x = 0.5); free range octave 25..10000 ms:
    // 25 * 2^(0.5 * log2 400) = 25 * 20 = 500 ms.
    m_host.SetParameter(kFlangerSpeed, 0.5f);
    ASSERT_EQ("1/4D", m_host.ParamDisplay(kFlangerSpeed));
    Switch(kFlangerSync, false);
    EXPECT_EQ("500ms", m_host.ParamDisplay(kFlangerSpeed));
    EXPECT_NEAR(0.5f, m_host.GetParameter(kFlangerSpeed), 1e-4f);
    EXPECT_EQ("2/1", m_host.ParamDisplay(kFlangerSpeed + 1)); // LayerB untouched
    Switch(kFlangerSync, true);
    EXPECT_EQ("1/4D", m_host.ParamDisplay(kFlangerSpeed));
    EXPECT_FLOAT_EQ(0.5f, m_host.GetParameter(kFlangerSpeed));
    EXPECT_EQ("LayerA Flanger Speed", m_host.ParamName(kFlangerSpeed));
}

TEST_F(CPluginParameterTest, ModulatorSyncSwitchKeepsRelativePosition)
{
    for (int k : {0, 7})
    {
        const int sync = kModSync + k;
        const int speed = kModSpeed + k;
        // Index 10 (x = 0.5); free range octave 25..10000 ms: 25 * sqrt(400) = 500 ms.
        m_host.SetParameter(speed, 0.5f);
        ASSERT_EQ("1/4D", m_host.ParamDisplay(speed)) << "Mod" << k + 1;
        Switch(sync, false);
        EXPECT_EQ("500ms", m_host.ParamDisplay(speed)) << "Mod" << k + 1;
        EXPECT_NEAR(0.5f, m_host.GetParameter(speed), 1e-4f) << "Mod" << k + 1;
        Switch(sync, true);
        EXPECT_EQ("1/4D", m_host.ParamDisplay(speed)) << "Mod" << k + 1;
        EXPECT_EQ(Format("Mod%d Speed", k + 1), m_host.ParamName(speed));
    }
    // Mod2 was not touched: still its default index 2.
    EXPECT_EQ("1/16", m_host.ParamDisplay(kModSpeed + 1));
}

TEST_F(CPluginParameterTest, SpeedRangeEndsMapToEachOther)
{
    // Free minimum 25 ms (x = 0) back to the first note length, and the top note
    // length (x = 1) to the free maximum's position.
    m_host.SetParameter(kModSpeed, 0.0f);
    Switch(kModSync, false);
    EXPECT_EQ("25.0ms", m_host.ParamDisplay(kModSpeed));
    Switch(kModSync, true);
    EXPECT_EQ("1/32", m_host.ParamDisplay(kModSpeed));
    m_host.SetParameter(kModSpeed, 1.0f);
    EXPECT_EQ("4/1", m_host.ParamDisplay(kModSpeed));
    Switch(kModSync, false);
    EXPECT_NEAR(1.0f, m_host.GetParameter(kModSpeed), 1e-4f);
}

// ---------------------------------------------------------------------------------------------
// Glitch scale that follows the glitch buffer

TEST_F(CPluginParameterTest, GlitchBufferSetsTheScaleMaximum)
{
    // At the top of its range the scale shows x(2 trunc(2^(max - 1))) = x(2^max),
    // max = trunc(log2(ratio * 512)): buffer 0 (1/32) gives log2 16 = 4 -> x16,
    // buffer 14 (1/1) gives log2 512 = 9 -> x512.
    m_host.SetParameter(kGlitchScale, 1.0f);
    for (int buffer = 0; buffer <= 14; ++buffer)
    {
        m_host.SetParameter(kGlitchBuffer, HostValue::Stepped(buffer, 0, 14));
        ASSERT_EQ(kNoteLengths[buffer], m_host.ParamDisplay(kGlitchBuffer));
        const std::string top = Format("x%d", 1 << GlitchScaleMax(buffer));
        // The scale keeps its relative position, so it is still at the top ...
        EXPECT_EQ(top, m_host.ParamDisplay(kGlitchScale)) << "buffer " << buffer;
        EXPECT_FLOAT_EQ(1.0f, m_host.GetParameter(kGlitchScale)) << "buffer " << buffer;
        // ... and setting it there again gives the same.
        m_host.SetParameter(kGlitchScale, 1.0f);
        EXPECT_EQ(top, m_host.ParamDisplay(kGlitchScale)) << "buffer " << buffer;
        EXPECT_EQ("LayerA Glitch Scale", m_host.ParamName(kGlitchScale));
    }
    EXPECT_EQ("x16", Format("x%d", 1 << GlitchScaleMax(0)));
    EXPECT_EQ("x512", Format("x%d", 1 << GlitchScaleMax(14)));
    // LayerB keeps its own buffer and scale.
    EXPECT_EQ("1/4", m_host.ParamDisplay(kGlitchBuffer + 1));
    EXPECT_EQ("off", m_host.ParamDisplay(kGlitchScale + 1));
}

TEST_F(CPluginParameterTest, GlitchScaleKeepsRelativePositionAcrossBuffers)
{
    // Default buffer 1/4: scale 0..7; x = 0.5 is 3.5, trunc(2^2.5) = 5 -> x10.
    m_host.SetParameter(kGlitchScale, 0.5f);
    EXPECT_EQ("x10", m_host.ParamDisplay(kGlitchScale));
    // Buffer 1/1: scale 0..9; still x = 0.5, now 4.5, trunc(2^3.5) = 11 -> x22.
    m_host.SetParameter(kGlitchBuffer, HostValue::Stepped(14, 0, 14));
    EXPECT_EQ("x22", m_host.ParamDisplay(kGlitchScale));
    EXPECT_FLOAT_EQ(0.5f, m_host.GetParameter(kGlitchScale));
    // Buffer 1/32: scale 0..4; 2.0, trunc(2^1) = 2 -> x4.
    m_host.SetParameter(kGlitchBuffer, 0.0f);
    EXPECT_EQ("x4", m_host.ParamDisplay(kGlitchScale));

    // LayerB's buffer redeclares LayerB's scale only.
    m_host.SetParameter(kGlitchScale + 1, 1.0f);
    EXPECT_EQ("x128", m_host.ParamDisplay(kGlitchScale + 1)); // default buffer: 2^7
    m_host.SetParameter(kGlitchBuffer + 1, HostValue::Stepped(11, 0, 14)); // 1/2: log2 256 = 8
    EXPECT_EQ("x256", m_host.ParamDisplay(kGlitchScale + 1));
    EXPECT_EQ("x4", m_host.ParamDisplay(kGlitchScale));
    EXPECT_EQ("LayerB Glitch Scale", m_host.ParamName(kGlitchScale + 1));
}
