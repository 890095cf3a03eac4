// Value-to-text formatters of the parameters: each takes the effect and the
// unscaled value and returns the text shown to the host and in the editor.
// User-interface thread (they build strings).
#pragma once

#include <string>

class CBaseEffect;

namespace Decorators
{
std::string onOff2str(CBaseEffect* effect, float value);
std::string dB2str(CBaseEffect* effect, float value);
std::string dBRange60_2str(CBaseEffect* effect, float value);
std::string pan2str(CBaseEffect* effect, float value);
std::string percent2str(CBaseEffect* effect, float value);
std::string Hz2str(CBaseEffect* effect, float value);
std::string Pitch2str(CBaseEffect* effect, float value);
std::string layerMode2str(CBaseEffect* effect, float value);
std::string filterMode2str(CBaseEffect* effect, float value);
std::string filterSlope2str(CBaseEffect* effect, float value);
std::string distMode2str(CBaseEffect* effect, float value);
std::string lofiRate2str(CBaseEffect* effect, float value);
std::string Timescale2str(CBaseEffect* effect, float value);
std::string glitchStretch2str(CBaseEffect* effect, float value);
std::string glitchMode2str(CBaseEffect* effect, float value);
std::string glitchRepear2str(CBaseEffect* effect, float value);
std::string ms2str(CBaseEffect* effect, float value);
std::string flangerMode2str(CBaseEffect* effect, float value);
std::string MsegCurveMode2str(CBaseEffect* effect, float value);
std::string tremoloDst2str(CBaseEffect* effect, float value);
std::string modSrc2str(CBaseEffect* effect, float value);
std::string modDst2str(CBaseEffect* effect, float value);

// Names shown for the note lengths (index 0..20) and the filter modes (0..11).
extern const char* const kNoteLengthNames[21];
extern const char* const kFilterModeNames[12];
} // namespace Decorators
