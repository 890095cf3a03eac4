// The command line of morvex-render: options, their checks and the help text.
#pragma once

#include "MidiSchedule.h"

#include <string>
#include <vector>

namespace morvex::render
{

// One --set or --set-normalized, in command-line order.
struct PARAMETER_SETTING
{
    std::string name;  // parameter name (any case) or decimal id
    std::string value; // as typed: display units, or the normalised number
    bool normalised = false;
    float normalisedValue = 0.0f; // 0..1, read from value when normalised
};

// One --mod-preset N=FILE: a Morvex modulator preset (.mprg) for modulator N.
struct MOD_PRESET
{
    int modulator = 0; // 0..7 (N - 1)
    std::string path;
};

struct RENDER_OPTIONS
{
    std::string pluginPath; // empty: the default plug-in
    std::string inputPath;  // empty: the built-in drum loop
    std::string outputPath = "morvex-render.wav";
    std::vector<PARAMETER_SETTING> settings;
    std::vector<CONTROL_CHANGE> controlChanges;
    std::string chunkInPath;
    std::string chunkOutPath;
    std::string presetPath;     // --preset: Morvex preset file loaded before the --set values
    std::string savePresetPath; // --save-preset: Morvex preset file written after rendering
    std::string ccmapPath;      // --ccmap: Morvex controller map loaded before rendering
    std::vector<MOD_PRESET> modPresets; // --mod-preset: after --preset, before the --set values
    bool listPresets = false;   // --list-presets FOLDER EXT
    std::string presetFolder;
    std::string presetExtension;
    double tempoBpm = 120.0;
    bool stopped = false;
    int blockSize = 512;    // samples
    int sampleRate = 44100; // Hz, for the built-in loop
    double tailSeconds = 2.0;
    bool list = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
};

class CCommandLine
{
public:
    static constexpr double kMinTempoBpm = 20.0;
    static constexpr double kMaxTempoBpm = 999.0;
    static constexpr int kMinBlockSize = 1;
    static constexpr int kMaxBlockSize = 65536;
    static constexpr int kMinSampleRate = 8000;
    static constexpr int kMaxSampleRate = 384000;
    static constexpr double kMaxTailSeconds = 3600.0;

    // Reads argv[1..argc-1]. Returns false with a message (without the program name) for an
    // unknown option, a missing or malformed value, a value out of range or too many files.
    static bool Parse(int argc, const char* const* argv, RENDER_OPTIONS& options,
                      std::string& error);

    // Help text; `defaultPlugin` is shown as the fallback plug-in path.
    static std::string Usage(const std::string& defaultPlugin);
};

} // namespace morvex::render
