// Compiles the factory library's readable sources into preset files through the
// plug-in's own writers, so that a factory preset is byte for byte what the
// plug-in itself would save.
//
// A plug-in preset source (<Category>/<Name>.txt -> <Category>/<Name>.prg) holds
//   Parameter Name = display value      one per line, applied in file order
//   [ModN Steps]     then lines "end level"            (32 at most, ends rising)
//   [ModN Points]    then lines "position level tension" (64 at most;
//                    positions in step units, the last one the loop length)
//   [LayerA Order]   then one line naming the seven modules in processing order
// A modulator preset source (<Category>/<Name>.txt -> <Category>/<Name>.mprg) holds
//   Mode = Steps | Curve,  NumSteps = 2..32,  then a [Steps] or [Points] section.
// Everything not listed keeps its factory default. "#" starts a comment. Names
// and words are compared ignoring case; values are read in display units exactly
// as morvex-render's --set reads them. Any unknown name, unreadable value or
// malformed section line is an error naming the file and line.
// One thread (the caller's); the effect must not be processing audio meanwhile.
#pragma once

#include <string>
#include <vector>

class CBaseEffect;

class CPresetCompiler
{
public:
    // `effect`: a Morvex instance used to turn display values into parameter values
    // and to write .prg files; its state is reset before every preset.
    explicit CPresetCompiler(CBaseEffect* effect);

    // Compiles one plug-in preset source into `outPath` (.prg).
    bool CompilePluginPreset(const std::string& sourcePath, const std::string& outPath,
                             std::string& error);
    // Compiles one modulator preset source into `outPath` (.mprg).
    bool CompileModulatorPreset(const std::string& sourcePath, const std::string& outPath,
                                std::string& error);

    // Compiles a whole source tree: SRC/plugin/<Category>/*.txt into
    // OUT/Plug-In Presets/<Category>/*.prg and SRC/modulator/<Category>/*.txt into
    // OUT/Modulator Presets/<Category>/*.mprg. Stops at the first error. `written`
    // receives the output files relative to `outDir`, sorted. `outDir` must be new, empty
    // or written by an earlier run (it holds kOutputMarker): its two libraries are replaced.
    bool CompileLibrary(const std::string& sourceDir, const std::string& outDir,
                        std::vector<std::string>& written, std::string& error);

    static constexpr const char* kPluginFolder = "Plug-In Presets";
    static constexpr const char* kModulatorFolder = "Modulator Presets";
    static constexpr const char* kOutputMarker = ".morvex-presets";

private:
    struct LINE
    {
        int number;
        std::string text;
    };

    bool ApplySetting(const std::string& name, const std::string& value, std::string& error);
    int FindParameter(const std::string& name) const;

    CBaseEffect* m_effect;
};
