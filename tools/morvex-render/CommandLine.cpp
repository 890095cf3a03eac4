#include "CommandLine.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace morvex::render
{

namespace
{

bool ParseDouble(std::string_view text, double& value)
{
    if (!text.empty() && text.front() == '+')
    {
        text.remove_prefix(1);
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           std::isfinite(value);
}

bool ParseInt(std::string_view text, int& value)
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool ParseSetting(const std::string& option, const std::string& text, bool normalised,
                  PARAMETER_SETTING& setting, std::string& error)
{
    const std::size_t equals = text.find('=');
    const std::string quoted = option + " '" + text + "'";
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size())
    {
        error = quoted + ": expected NAME=VALUE";
        return false;
    }
    setting.name = text.substr(0, equals);
    setting.value = text.substr(equals + 1);
    setting.normalised = normalised;
    if (normalised)
    {
        double value = 0.0;
        if (!ParseDouble(setting.value, value) || value < 0.0 || value > 1.0)
        {
            error = quoted + ": the normalised value must be a number 0..1";
            return false;
        }
        setting.normalisedValue = static_cast<float>(value);
    }
    return true;
}

} // namespace

bool CCommandLine::Parse(int argc, const char* const* argv, RENDER_OPTIONS& options,
                         std::string& error)
{
    std::vector<std::string> files;
    bool outputGiven = false;
    bool rateGiven = false;
    bool optionsEnded = false;

    for (int i = 1; i < argc; ++i)
    {
        std::string argument = argv[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-")
        {
            files.push_back(argument);
            continue;
        }
        if (argument == "--")
        {
            optionsEnded = true;
            continue;
        }

        // "--name=value" or "--name value".
        std::string name = argument;
        std::string inlineValue;
        bool hasInlineValue = false;
        const std::size_t equals = argument.find('=');
        if (argument.rfind("--", 0) == 0 && equals != std::string::npos)
        {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
            hasInlineValue = true;
        }
        const auto takeValue = [&](std::string& value)
        {
            if (hasInlineValue)
            {
                value = inlineValue;
                return true;
            }
            if (i + 1 >= argc)
            {
                error = "option " + name + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        const auto noValue = [&]()
        {
            if (hasInlineValue)
            {
                error = "option " + name + " takes no value";
                return false;
            }
            return true;
        };

        std::string value;
        if (name == "-h" || name == "--help")
        {
            if (!noValue())
            {
                return false;
            }
            options.help = true;
        }
        else if (name == "--version")
        {
            if (!noValue())
            {
                return false;
            }
            options.version = true;
        }
        else if (name == "-v" || name == "--verbose")
        {
            if (!noValue())
            {
                return false;
            }
            options.verbose = true;
        }
        else if (name == "--list")
        {
            if (!noValue())
            {
                return false;
            }
            options.list = true;
        }
        else if (name == "--stopped")
        {
            if (!noValue())
            {
                return false;
            }
            options.stopped = true;
        }
        else if (name == "-o" || name == "--output")
        {
            if (!takeValue(value))
            {
                return false;
            }
            if (value.empty())
            {
                error = "option " + name + " needs a file name";
                return false;
            }
            options.outputPath = value;
            outputGiven = true;
        }
        else if (name == "-p" || name == "--plugin")
        {
            if (!takeValue(value))
            {
                return false;
            }
            options.pluginPath = value;
        }
        else if (name == "--set" || name == "--set-normalized")
        {
            PARAMETER_SETTING setting;
            if (!takeValue(value) ||
                !ParseSetting(name, value, name == "--set-normalized", setting, error))
            {
                return false;
            }
            options.settings.push_back(setting);
        }
        else if (name == "--cc")
        {
            CONTROL_CHANGE change;
            if (!takeValue(value) || !CMidiSchedule::ParseControlChange(value, change, error))
            {
                return false;
            }
            options.controlChanges.push_back(change);
        }
        else if (name == "--chunk-in")
        {
            if (!takeValue(value))
            {
                return false;
            }
            options.chunkInPath = value;
        }
        else if (name == "--chunk-out")
        {
            if (!takeValue(value))
            {
                return false;
            }
            options.chunkOutPath = value;
        }
        else if (name == "--preset" || name == "--save-preset" || name == "--ccmap")
        {
            if (!takeValue(value))
            {
                return false;
            }
            if (value.empty())
            {
                error = "option " + name + " needs a file name";
                return false;
            }
            std::string& path = name == "--preset"        ? options.presetPath
                                : name == "--save-preset" ? options.savePresetPath
                                                          : options.ccmapPath;
            path = value;
        }
        else if (name == "--mod-preset")
        {
            // N=FILE.mprg with N = 1..8.
            if (!takeValue(value))
            {
                return false;
            }
            const std::size_t separator = value.find('=');
            if (separator != 1 || value[0] < '1' || value[0] > '8' || value.size() == 2)
            {
                error = "--mod-preset '" + value + "': expected N=FILE.mprg with N from 1 to 8";
                return false;
            }
            options.modPresets.push_back({value[0] - '1', value.substr(2)});
        }
        else if (name == "--list-presets")
        {
            // Two values: FOLDER EXT (or --list-presets=FOLDER EXT).
            if (!takeValue(options.presetFolder))
            {
                return false;
            }
            if (i + 1 >= argc)
            {
                error = "option --list-presets needs a folder and an extension";
                return false;
            }
            options.presetExtension = argv[++i];
            if (options.presetFolder.empty() || options.presetExtension.empty())
            {
                error = "option --list-presets needs a folder and an extension";
                return false;
            }
            options.listPresets = true;
        }
        else if (name == "--tempo")
        {
            if (!takeValue(value))
            {
                return false;
            }
            if (!ParseDouble(value, options.tempoBpm) || options.tempoBpm < kMinTempoBpm ||
                options.tempoBpm > kMaxTempoBpm)
            {
                error = "--tempo '" + value + "': expected BPM from 20 to 999";
                return false;
            }
        }
        else if (name == "--block")
        {
            if (!takeValue(value))
            {
                return false;
            }
            if (!ParseInt(value, options.blockSize) || options.blockSize < kMinBlockSize ||
                options.blockSize > kMaxBlockSize)
            {
                error = "--block '" + value + "': expected a whole number of samples 1..65536";
                return false;
            }
        }
        else if (name == "--rate")
        {
            if (!takeValue(value))
            {
                return false;
            }
            if (!ParseInt(value, options.sampleRate) || options.sampleRate < kMinSampleRate ||
                options.sampleRate > kMaxSampleRate)
            {
                error = "--rate '" + value + "': expected a whole number of Hz 8000..384000";
                return false;
            }
            rateGiven = true;
        }
        else if (name == "--tail")
        {
            if (!takeValue(value))
            {
                return false;
            }
            if (!ParseDouble(value, options.tailSeconds) || options.tailSeconds < 0.0 ||
                options.tailSeconds > kMaxTailSeconds)
            {
                error = "--tail '" + value + "': expected seconds from 0 to 3600";
                return false;
            }
        }
        else
        {
            error = "unknown option '" + name + "'";
            return false;
        }
    }

    if (files.size() > 2)
    {
        error = "too many files: give at most INPUT and OUTPUT (third: '" + files[2] + "')";
        return false;
    }
    if (files.size() == 2 && outputGiven)
    {
        error = "output given twice: '" + files[1] + "' and -o '" + options.outputPath + "'";
        return false;
    }
    for (const std::string& file : files)
    {
        if (file.empty() || file == "-")
        {
            error = "file names must not be empty or '-' (no standard input or output)";
            return false;
        }
    }
    if (!files.empty())
    {
        options.inputPath = files[0];
    }
    if (files.size() == 2)
    {
        options.outputPath = files[1];
    }
    if (options.listPresets && !files.empty())
    {
        error = "--list-presets only lists a folder; it takes no INPUT or OUTPUT";
        return false;
    }
    if (rateGiven && !options.inputPath.empty())
    {
        error = "--rate sets the rate of the built-in loop; an input file keeps its own rate";
        return false;
    }
    return true;
}

std::string CCommandLine::Usage(const std::string& defaultPlugin)
{
    return R"(Usage: morvex-render [options] [INPUT] [-o OUTPUT]
       morvex-render [options] INPUT OUTPUT
       morvex-render [options] --list

Renders a sound file through a VST 2 plug-in, hosted as a DAW would host it. Without INPUT
it renders a built-in drum loop: 8 bars of 4/4 (kick, snare, hats) at --tempo, peak -3 dBFS.

Files:
  INPUT                   sound file to process (WAV, AIFF, FLAC, ...); its sample rate is
                          kept; mono is fed to both channels; of more channels, the first two
  -o, --output FILE       output file, default morvex-render.wav; format by extension:
                          .wav 32-bit float, .flac .aif .aiff 24-bit PCM
  --tail SECONDS          silence appended to the input so echoes ring out (default 2)
  --rate HZ               sample rate of the built-in loop (default 44100, 8000..384000)

Plug-in:
  -p, --plugin PATH       VST 2 plug-in (.so) to load; default: Morvex.so next to this
                          program, else )" +
           (defaultPlugin.empty() ? std::string("none (give --plugin)") : defaultPlugin) +
           R"(
  --set NAME=VALUE        set a parameter in its display units, with or without the unit:
                          "Volume=-3dB", "Volume=-3", "Eq Mid Freq=1.65kHz", "Eq Mid Freq=1650",
                          "Pan=L25%", "Mode=Serial"; a number without a unit is read in the
                          unit the parameter shows (the smaller one, Hz or ms, if it shows two);
                          NAME is the name (any case) or the id shown by --list; repeatable
  --set-normalized NAME=X set a parameter to the normalised value X, 0..1; repeatable
  --chunk-in FILE         load the plug-in's state (bank chunk) before the --set values
  --chunk-out FILE        save the plug-in's state (bank chunk) after rendering
  --list                  print id, name and value of every parameter (after --chunk-in and
                          --set) and exit without rendering

Morvex state (the Morvex plug-in only):
  --preset FILE.prg       load a Morvex preset file after --chunk-in, before the --set values;
                          the plug-in's controller map is kept
  --save-preset FILE.prg  save the state as a Morvex preset file after rendering (or after
                          --list)
  --ccmap FILE.ccmap      load a Morvex controller map before rendering, so that --cc moves
                          the parameters bound to its controllers
  --mod-preset N=FILE.mprg
                          load a Morvex modulator preset into modulator N (1..8): its pattern
                          or envelope, "ModN Mode" and "ModN NumSteps"; after --preset, before
                          the --set values; repeatable
  --list-presets FOLDER EXT
                          print the categories (subfolders) of a preset library and the files
                          in each whose names contain EXT (e.g. .prg), and exit

Host:
  --tempo BPM             tempo of the transport and of the built-in loop (default 120, 20..999)
  --stopped               keep the transport stopped (default: playing from the start)
  --block N               samples per process call (default 512, 1..65536); the last call of
                          the render may be shorter
  --cc SAMPLE:CC:VALUE    MIDI control change on channel 1: controller CC (0..127) to VALUE
                          (0..127) at sample SAMPLE of the render; repeatable

Other:
  -v, --verbose           tell which plug-in is loaded and which values are set (on stderr)
  -h, --help              print this help
  --version               print the version

Options take their value as "--tempo 96" or "--tempo=96".
Exit status: 0 done; 1 error (file, plug-in, parameter value); 2 bad command line;
3 rendered, but the output holds non-finite samples (NaN or infinity; counted in the summary).

Examples:
  morvex-render -o loop.wav
  morvex-render --tempo 96 --set "LayerA Delay Mix=35%" -o loop-delay.wav
  morvex-render vocals.wav vocals-fx.flac --set "Volume=-3dB" --tail 4
  morvex-render --list --chunk-in preset.bin
  morvex-render --preset "Lead Pad.prg" --ccmap faders.ccmap --cc 44100:7:20 -o out.wav
  morvex-render --list-presets "Plug-In Presets" .prg
  morvex-render guitar.wav -o guitar-fx.wav --chunk-in preset.bin --cc 88200:1:127
  morvex-render --plugin ./Other.so --block 64 --stopped drums.aiff out.aiff
)";
}

} // namespace morvex::render
