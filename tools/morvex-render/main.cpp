// morvex-render: renders a sound file, or a built-in drum loop, through a VST 2 plug-in
// loaded the way a DAW loads it. See CCommandLine::Usage for the options.

#include "AudioFile.h"
#include "CommandLine.h"
#include "DisplayText.h"
#include "DrumLoop.h"
#include "LevelMeter.h"
#include "MidiSchedule.h"
#include "MorvexStateFile.h"
#include "ParameterSearch.h"
#include "PluginHost.h"
#include "ProgressBar.h"
#include "Renderer.h"

#include "Common/wrappers/utilities/BasePresetManager.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef MORVEX_RENDER_DEFAULT_PLUGIN
#define MORVEX_RENDER_DEFAULT_PLUGIN ""
#endif
#ifndef MORVEX_RENDER_VERSION
#define MORVEX_RENDER_VERSION "unknown"
#endif

using namespace morvex::render;

namespace
{

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNonFinite = 3;

constexpr const char* kProgramName = "morvex-render";

int Fail(const std::string& message, int status = kExitFailure)
{
    std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str());
    if (status == kExitUsage)
    {
        std::fprintf(stderr, "Try '%s --help' for the options.\n", kProgramName);
    }
    return status;
}

bool IsFile(const std::string& path)
{
    struct stat status
    {
    };
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string ExecutableDirectory()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0)
    {
        return "";
    }
    const std::string executable(path, static_cast<std::size_t>(length));
    const std::size_t slash = executable.find_last_of('/');
    return slash == std::string::npos ? "" : executable.substr(0, slash);
}

// --plugin, else Morvex.so beside this program (an installed or copied pair), else the plug-in
// this program was built with.
bool ResolvePlugin(const RENDER_OPTIONS& options, std::string& path, std::string& error)
{
    if (!options.pluginPath.empty())
    {
        path = options.pluginPath;
        return true;
    }
    std::vector<std::string> tried;
    const std::string directory = ExecutableDirectory();
    if (!directory.empty())
    {
        tried.push_back(directory + "/Morvex.so");
    }
    constexpr const char* kBuiltPlugin = MORVEX_RENDER_DEFAULT_PLUGIN;
    if (kBuiltPlugin[0] != '\0')
    {
        tried.push_back(kBuiltPlugin);
    }
    for (const std::string& candidate : tried)
    {
        if (IsFile(candidate))
        {
            path = candidate;
            return true;
        }
    }
    error = "no plug-in found (looked for";
    for (const std::string& candidate : tried)
    {
        error += " " + candidate;
    }
    error += "); give one with --plugin PATH";
    return false;
}

bool ReadChunkFile(const std::string& path, std::vector<char>& data, std::string& error)
{
    if (!IsFile(path))
    {
        error = "chunk file not found: " + path;
        return false;
    }
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = file ? static_cast<std::streamoff>(file.tellg()) : -1;
    if (size >= 0)
    {
        data.resize(static_cast<std::size_t>(size));
        file.seekg(0);
        file.read(data.data(), size);
    }
    if (size < 0 || !file)
    {
        error = "cannot read chunk file " + path;
        return false;
    }
    if (data.empty())
    {
        error = "chunk file " + path + " is empty";
        return false;
    }
    return true;
}

bool WriteChunkFile(const std::string& path, const std::vector<char>& data, std::string& error)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(data.data(), static_cast<std::streamsize>(data.size()));
    file.close();
    if (!file)
    {
        error = "cannot write chunk file " + path;
        return false;
    }
    return true;
}

// "; did you mean: A, B" for parameter names that contain what was typed, ignoring case.
std::string Suggestions(CPluginHost& host, const std::string& typed)
{
    constexpr int kMaxSuggestions = 6;
    const std::string wanted = NormaliseText(typed);
    std::string list;
    int count = 0;
    for (int i = 0; i < host.NumParameters() && count < kMaxSuggestions && !wanted.empty(); ++i)
    {
        const std::string name = host.ParameterName(i);
        if (NormaliseText(name).find(wanted) != std::string::npos)
        {
            list += (count++ == 0 ? "; did you mean: " : ", ") + name;
        }
    }
    return list;
}

bool ApplySettings(CPluginHost& host, const RENDER_OPTIONS& options, std::string& error)
{
    for (const PARAMETER_SETTING& setting : options.settings)
    {
        const int index = host.FindParameter(setting.name);
        if (index < 0)
        {
            error = "unknown parameter '" + setting.name + "'" + Suggestions(host, setting.name) +
                    " (--list shows all " + std::to_string(host.NumParameters()) + ")";
            return false;
        }
        float normalised = setting.normalisedValue;
        if (!setting.normalised)
        {
            // The search moves the parameter to read its texts; put it back if nothing fits.
            const float original = host.GetParameter(index);
            CParameterSearch search(host.ParameterName(index),
                                    [&host, index](float value)
                                    {
                                        host.SetParameter(index, value);
                                        return host.ParameterText(index);
                                    });
            if (!search.Find(setting.value, normalised, error))
            {
                host.SetParameter(index, original);
                return false;
            }
        }
        host.SetParameter(index, normalised);
        if (options.verbose)
        {
            std::fprintf(stderr, "%s: set %d '%s' to %s (normalised %.6f)\n", kProgramName, index,
                         host.ParameterName(index).c_str(), host.ParameterText(index).c_str(),
                         static_cast<double>(normalised));
        }
    }
    return true;
}

// --list-presets: the categories of the library in order, each followed by its presets
// ("  name<TAB>path").
int ListPresets(const RENDER_OPTIONS& options)
{
    struct stat status
    {
    };
    if (stat(options.presetFolder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
    {
        return Fail("preset folder not found: " + options.presetFolder);
    }
    CBasePresetManager manager;
    manager.RebuildPresetVector(options.presetFolder.c_str(), options.presetExtension.c_str());
    const std::vector<CPresetInfo>& presets = manager.GetPresetInfoVector();
    for (const CPresetCategory& category : manager.GetPresetCategoryVector())
    {
        std::printf("%s\n", category.name.c_str());
        for (const CPresetInfo& preset : presets)
        {
            if (preset.category == &category)
            {
                std::printf("  %s\t%s\n", preset.name.c_str(), preset.path.c_str());
            }
        }
    }
    return kExitSuccess;
}

// --preset and --ccmap, after --chunk-in: both go in through the plug-in's own chunk, which
// keeps everything the file does not hold (the controller map for a preset, all but the map
// for a controller map).
bool LoadMorvexState(CPluginHost& host, const RENDER_OPTIONS& options,
                     const std::vector<char>& preset, const std::int32_t (&controllerMap)[128],
                     std::string& error)
{
    std::vector<char> current;
    std::vector<char> chunk;
    if (!options.presetPath.empty() &&
        (!host.GetChunk(current, error) ||
         !MorvexStateFile::BuildHostChunk(preset, options.presetPath, current, chunk, error) ||
         !host.SetChunk(chunk, error)))
    {
        error = "--preset " + options.presetPath + ": " + error;
        return false;
    }
    if (!options.ccmapPath.empty() &&
        (!host.GetChunk(chunk, error) ||
         !MorvexStateFile::SpliceControllerMap(chunk, controllerMap, error) ||
         !host.SetChunk(chunk, error)))
    {
        error = "--ccmap " + options.ccmapPath + ": " + error;
        return false;
    }
    return true;
}

void PrintParameters(CPluginHost& host)
{
    const int count = host.NumParameters();
    std::vector<std::string> names;
    std::size_t nameWidth = 4; // "name"
    for (int i = 0; i < count; ++i)
    {
        names.push_back(host.ParameterName(i));
        nameWidth = std::max(nameWidth, names.back().size());
    }
    const int idWidth =
        std::max(2, static_cast<int>(std::to_string(std::max(0, count - 1)).size()));
    std::printf("%*s  %-*s  %s\n", idWidth, "id", static_cast<int>(nameWidth), "name", "value");
    for (int i = 0; i < count; ++i)
    {
        std::printf("%*d  %-*s  %s\n", idWidth, i, static_cast<int>(nameWidth),
                    names[static_cast<std::size_t>(i)].c_str(), host.ParameterText(i).c_str());
    }
}

int Run(const RENDER_OPTIONS& options)
{
    if (options.listPresets)
    {
        return ListPresets(options);
    }
    std::string error;
    std::string pluginPath;
    if (!ResolvePlugin(options, pluginPath, error))
    {
        return Fail(error);
    }
    int outputFormat = 0;
    if (!options.list && !CAudioFile::OutputFormat(options.outputPath, outputFormat, error))
    {
        return Fail(error, kExitUsage);
    }
    std::vector<char> chunk;
    if (!options.chunkInPath.empty() && !ReadChunkFile(options.chunkInPath, chunk, error))
    {
        return Fail(error);
    }
    // Morvex files are checked before the plug-in is loaded.
    std::vector<char> preset;
    std::int32_t controllerMap[MorvexStateFile::kNumControllers] = {};
    if ((!options.presetPath.empty() &&
         !MorvexStateFile::ReadPresetFile(options.presetPath, preset, error)) ||
        (!options.ccmapPath.empty() &&
         !MorvexStateFile::ReadControllerMap(options.ccmapPath, controllerMap, error)))
    {
        return Fail(error);
    }

    // Input first: its sample rate is the rate the plug-in runs at.
    AUDIO_BUFFER input;
    std::int64_t inputFrames = 0;
    std::int64_t tailFrames = 0;
    if (options.list)
    {
        input.sampleRate = options.sampleRate;
    }
    else
    {
        if (options.inputPath.empty())
        {
            CDrumLoop::Generate(options.sampleRate, options.tempoBpm, input);
        }
        else
        {
            int numFileChannels = 0;
            if (!CAudioFile::Read(options.inputPath, input, numFileChannels, error))
            {
                return Fail(error);
            }
        }
        inputFrames = input.NumFrames();
        tailFrames = std::llround(options.tailSeconds * input.sampleRate);
        input.Resize(inputFrames + tailFrames);
        for (const CONTROL_CHANGE& change : options.controlChanges)
        {
            if (change.sample >= input.NumFrames())
            {
                return Fail("--cc at sample " + std::to_string(change.sample) +
                                " is past the end of the render (" +
                                std::to_string(input.NumFrames()) + " samples)",
                            kExitUsage);
            }
        }
    }

    CPluginHost host;
    if (!host.Load(pluginPath, error) || !host.Open(input.sampleRate, options.blockSize, error))
    {
        return Fail(error);
    }
    if (options.verbose)
    {
        std::fprintf(stderr, "%s: loaded %s: '%s' by '%s', %d parameters, %d in / %d out\n",
                     kProgramName, pluginPath.c_str(), host.EffectName().c_str(),
                     host.VendorString().c_str(), host.NumParameters(), host.NumInputs(),
                     host.NumOutputs());
    }
    // Found out now rather than after a long render.
    for (const std::string& path : {options.chunkOutPath, options.savePresetPath})
    {
        if (!path.empty() && !host.HasChunks())
        {
            return Fail("cannot save " + path + ": the plug-in does not keep its state in chunks");
        }
    }
    host.Resume();
    if (!chunk.empty() && !host.SetChunk(chunk, error))
    {
        return Fail(error);
    }
    if (!LoadMorvexState(host, options, preset, controllerMap, error))
    {
        return Fail(error);
    }
    // --mod-preset: the pattern or envelope goes into the chunk's block of its mode; the mode
    // and the number of steps go in as settings ahead of the --set values, which may change
    // them again.
    RENDER_OPTIONS withModPresets = options;
    std::vector<PARAMETER_SETTING> modSettings;
    for (const MOD_PRESET& modPreset : options.modPresets)
    {
        std::int32_t mode = 0;
        std::int32_t numSteps = 0;
        std::vector<std::uint8_t> body;
        // Blocks of the plug-in's state: envelope points 10003 + N, steps 10011 + N.
        if (!MorvexStateFile::ReadModulatorPreset(modPreset.path, mode, numSteps, body, error) ||
            !host.GetChunk(chunk, error) ||
            !MorvexStateFile::SpliceRawBlock(chunk, (mode == 0 ? 10011 : 10003) +
                                                        modPreset.modulator, body, error) ||
            !host.SetChunk(chunk, error))
        {
            return Fail("--mod-preset " + modPreset.path + ": " + error);
        }
        const std::string prefix = "Mod" + std::to_string(modPreset.modulator + 1);
        modSettings.push_back({prefix + " Mode", mode == 0 ? "Steps" : "Curve", false, 0.0f});
        modSettings.push_back({prefix + " NumSteps", std::to_string(numSteps), false, 0.0f});
    }
    withModPresets.settings.insert(withModPresets.settings.begin(), modSettings.begin(),
                                   modSettings.end());
    if (!ApplySettings(host, withModPresets, error))
    {
        return Fail(error);
    }

    if (options.list)
    {
        PrintParameters(host);
        if (!options.chunkOutPath.empty() &&
            (!host.GetChunk(chunk, error) || !WriteChunkFile(options.chunkOutPath, chunk, error)))
        {
            return Fail(error);
        }
        if (!options.savePresetPath.empty() &&
            (!host.GetChunk(chunk, error) ||
             !MorvexStateFile::PresetFromHostChunk(chunk, preset, error) ||
             !MorvexStateFile::WriteFile(options.savePresetPath, preset, error)))
        {
            return Fail("--save-preset " + options.savePresetPath + ": " + error);
        }
        return kExitSuccess;
    }

    AUDIO_BUFFER output;
    CMidiSchedule midi;
    midi.Prepare(options.controlChanges);
    host.SetTransport(options.tempoBpm, !options.stopped);
    host.StartProcessing();
    {
        // Worth drawing only on a terminal and for more than a second of audio.
        const bool showProgress =
            isatty(STDERR_FILENO) != 0 && input.NumFrames() > input.sampleRate;
        CProgressBar progressBar(stderr, showProgress);
        CRenderer renderer(host, options.blockSize);
        renderer.Render(input, output, midi,
                        [&progressBar](std::int64_t done, std::int64_t total)
                        { progressBar.Update(done, total); });
        progressBar.Finish();
    }
    host.StopProcessing();
    host.Suspend();
    std::vector<char> savedChunk;
    if (!options.chunkOutPath.empty() && !host.GetChunk(savedChunk, error))
    {
        return Fail(error);
    }
    std::vector<char> savedPreset;
    if (!options.savePresetPath.empty() &&
        (!host.GetChunk(chunk, error) ||
         !MorvexStateFile::PresetFromHostChunk(chunk, savedPreset, error)))
    {
        return Fail("--save-preset " + options.savePresetPath + ": " + error);
    }
    host.Unload();

    CLevelMeter inputLevel;
    CLevelMeter outputLevel;
    inputLevel.Add(input.left.data(), input.left.size());
    inputLevel.Add(input.right.data(), input.right.size());
    outputLevel.Add(output.left.data(), output.left.size());
    outputLevel.Add(output.right.data(), output.right.size());
    // The audio first: a chunk file that cannot be written does not cost the render.
    if (!CAudioFile::Write(options.outputPath, output, error) ||
        (!options.chunkOutPath.empty() && !WriteChunkFile(options.chunkOutPath, savedChunk, error)))
    {
        return Fail(error);
    }
    if (!options.savePresetPath.empty() &&
        !MorvexStateFile::WriteFile(options.savePresetPath, savedPreset, error))
    {
        return Fail("--save-preset " + options.savePresetPath + ": " + error);
    }

    const double rate = input.sampleRate;
    std::string nonFinite;
    if (outputLevel.NumNonFinite() > 0)
    {
        nonFinite = " (" + std::to_string(outputLevel.NumNonFinite()) + " non-finite samples)";
    }
    std::printf("rendered %.2f s (%.2f s + %.2f s tail) at %d Hz: input peak %s dBFS rms %s dBFS, "
                "output peak %s dBFS rms %s dBFS%s -> %s\n",
                static_cast<double>(output.NumFrames()) / rate,
                static_cast<double>(inputFrames) / rate, static_cast<double>(tailFrames) / rate,
                input.sampleRate, CLevelMeter::FormatDb(inputLevel.PeakDb()).c_str(),
                CLevelMeter::FormatDb(inputLevel.RmsDb()).c_str(),
                CLevelMeter::FormatDb(outputLevel.PeakDb()).c_str(),
                CLevelMeter::FormatDb(outputLevel.RmsDb()).c_str(), nonFinite.c_str(),
                options.outputPath.c_str());
    if (outputLevel.NumNonFinite() > 0)
    {
        std::fprintf(stderr, "%s: the output holds %lld non-finite samples\n", kProgramName,
                     static_cast<long long>(outputLevel.NumNonFinite()));
        return kExitNonFinite;
    }
    return kExitSuccess;
}

} // namespace

int main(int argc, char** argv)
{
    RENDER_OPTIONS options;
    std::string error;
    if (!CCommandLine::Parse(argc, argv, options, error))
    {
        return Fail(error, kExitUsage);
    }
    if (options.help)
    {
        std::fputs(CCommandLine::Usage(MORVEX_RENDER_DEFAULT_PLUGIN).c_str(), stdout);
        return kExitSuccess;
    }
    if (options.version)
    {
        std::printf("%s %s\n", kProgramName, MORVEX_RENDER_VERSION);
        return kExitSuccess;
    }
    return Run(options);
}
