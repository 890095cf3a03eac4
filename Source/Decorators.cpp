#include "Decorators.h"

#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/dsp/LookupTables.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace
{
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...)
{
    char text[64];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

// List index of a list-valued parameter: the value truncated toward zero. Values
// that do not fit an int (NaN, huge) read as -1, which no list holds.
int ListIndex(float value)
{
    if (!(value > -2147483648.0f && value < 2147483647.0f))
        return -1;
    return static_cast<int>(value);
}

std::string Item(const char* const* names, int count, float value)
{
    const int index = ListIndex(value);
    return (index >= 0 && index < count) ? names[index] : "";
}
} // namespace

const char* const Decorators::kNoteLengthNames[21] = {
    "1/32", "1/16T", "1/16", "1/8T", "1/16D", "1/8", "1/4T", "1/8D", "1/4", "1/2T", "1/4D",
    "1/2",  "1/1T",  "1/2D", "1/1",  "2/1T",  "1/1D", "2/1", "4/1T", "2/1D", "4/1",
};

const char* const Decorators::kFilterModeNames[12] = {
    "Lowpass 12dB", "Highpass 12dB", "Bandpass 12dB", "Lowpass 24dB", "Highpass 24dB",
    "Bandpass 24dB", "Phaser 4p",    "Phaser 8p",     "RingMod",      "PitchShift",
    "OctaveBand",    "Vowel",
};

std::string Decorators::onOff2str(CBaseEffect*, float value)
{
    return value > 0.5f ? "on" : "off";
}

std::string Decorators::dB2str(CBaseEffect*, float value)
{
    if (value == 0.0f)
        return "0.00dB";
    if (value < 0.0f)
        return Format("%.2fdB", static_cast<double>(value));
    return Format("+%.2fdB", static_cast<double>(value));
}

std::string Decorators::dBRange60_2str(CBaseEffect* effect, float value)
{
    return value <= -60.0f ? "-inf" : dB2str(effect, value);
}

std::string Decorators::pan2str(CBaseEffect*, float value)
{
    if (value == 0.0f)
        return "Center";
    if (value < 0.0f)
        return Format("L%.f%%", static_cast<double>(-value * 100.0f));
    return Format("R%.f%%", static_cast<double>(value * 100.0f));
}

std::string Decorators::percent2str(CBaseEffect*, float value)
{
    return Format("%.f%%", static_cast<double>(value));
}

std::string Decorators::Hz2str(CBaseEffect*, float value)
{
    if (value < 100.0f)
        return Format("%.1fHz", static_cast<double>(value));
    if (value < 1000.0f)
        return Format("%.fHz", static_cast<double>(value));
    if (value < 10000.0f)
        return Format("%.2fkHz", static_cast<double>(value / 1000.0f));
    return Format("%.1fkHz", static_cast<double>(value / 1000.0f));
}

std::string Decorators::Pitch2str(CBaseEffect* effect, float value)
{
    const float position = TUNE_TABLE_SCALER * value;
    const int index = ListIndex(position);
    return Hz2str(effect, TUNE_TABLE.At(index));
}

std::string Decorators::layerMode2str(CBaseEffect*, float value)
{
    return value < 0.5f ? "Parallel" : "Serial";
}

std::string Decorators::filterMode2str(CBaseEffect*, float value)
{
    return Item(kFilterModeNames, 12, value);
}

std::string Decorators::filterSlope2str(CBaseEffect*, float value)
{
    return value < 0.5f ? "12 dB" : "24 dB";
}

std::string Decorators::distMode2str(CBaseEffect*, float value)
{
    static const char* const kNames[4] = {"Tube", "Overdrive", "Warm", "Crisp"};
    return Item(kNames, 4, value);
}

std::string Decorators::lofiRate2str(CBaseEffect* effect, float value)
{
    const float r = value * 0.01f;
    if (r <= 0.0f)
        return "off";
    // The rate divider: each sample is held for trunc(256 r^2) + 1 samples at 44.1 kHz.
    const float divider = static_cast<float>(static_cast<int>(256.0f * r * r) + 1);
    return Hz2str(effect, 44100.0f / divider);
}

std::string Decorators::Timescale2str(CBaseEffect*, float value)
{
    return Item(kNoteLengthNames, 21, value);
}

std::string Decorators::glitchStretch2str(CBaseEffect*, float value)
{
    const int index = ListIndex(100002.0f * (1.0f - value));
    const float s = EXP_TABLE.At(index) * 15.0f + 1.0f;
    if (s == 1.0f)
        return "off";
    if (s < 2.0f)
        return Format("1/%.2f", static_cast<double>(s));
    return Format("1/%.1f", static_cast<double>(s));
}

std::string Decorators::glitchMode2str(CBaseEffect*, float value)
{
    return value < 0.5f ? "Run" : "Freeze";
}

std::string Decorators::glitchRepear2str(CBaseEffect*, float value)
{
    if (value == 0.0f)
        return "off";
    const int r = ListIndex(std::exp2(value - 1.0f));
    if (r == 0)
        return "x1";
    return Format("x%d", r * 2);
}

std::string Decorators::ms2str(CBaseEffect*, float value)
{
    if (value < 0.9999f)
        return Format("%.2fms", static_cast<double>(value));
    if (value < 100.0f)
        return Format("%.1fms", static_cast<double>(value));
    if (value < 1000.0f)
        return Format("%.fms", static_cast<double>(value));
    if (value < 10000.0f)
        return Format("%.2fs", static_cast<double>(value / 1000.0f));
    return Format("%.1fs", static_cast<double>(value / 1000.0f));
}

std::string Decorators::flangerMode2str(CBaseEffect*, float value)
{
    return value < 0.5f ? "Flanger" : "Phaser";
}

std::string Decorators::MsegCurveMode2str(CBaseEffect*, float value)
{
    if (value <= 0.0f)
        return "Steps";
    if (value < 2.0f)
        return "Curve";
    return "";
}

std::string Decorators::tremoloDst2str(CBaseEffect*, float value)
{
    static const char* const kNames[3] = {"Master", "Layer A", "Layer B"};
    return Item(kNames, 3, value);
}

std::string Decorators::modSrc2str(CBaseEffect*, float value)
{
    const int index = ListIndex(value);
    if (index < 0 || index > 7)
        return "---";
    return Format("Mod %d", index + 1);
}

std::string Decorators::modDst2str(CBaseEffect* effect, float value)
{
    const int target = ListIndex(value);
    if (target < 0 || target >= kNumParameters || !effect)
        return "---";
    char name[kParamNameSize];
    effect->GetParameterName(target, name);
    return name;
}
