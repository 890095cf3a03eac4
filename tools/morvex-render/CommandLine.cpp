#include "CommandLine.h"

#include <charconv>
#include <cmath>
#include <cstring>
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

// What a handler sees of the command line: the option as typed, its value, and the
// arguments after it (for --list-presets, the one option with two values).
struct ARGUMENTS
{
    const std::string& name;
    const std::string& value;
    int argc;
    const char* const* argv;
    int& next; // index of the last argument taken
    RENDER_OPTIONS& options;
    bool& outputGiven;
    bool& rateGiven;
    std::string& error;
};

using Handler = bool (*)(ARGUMENTS& a);

// One row per option: how it is written, how its value is read, and its lines of help.
// Rows without names are help lines for the positional arguments.
struct OPTION
{
    const char* shortName; // "-o", or nullptr
    const char* longName;  // "--output"
    const char* argument;  // value shown in the help; nullptr for a switch
    bool RENDER_OPTIONS::*flag; // switches: the field they set
    Handler handle;             // options with a value
    const char* group;
    const char* help; // lines separated by '\n'
};

// --- Handlers ---------------------------------------------------------------------------------

template <std::string RENDER_OPTIONS::*Field> bool FileName(ARGUMENTS& a)
{
    if (a.value.empty())
    {
        a.error = "option " + a.name + " needs a file name";
        return false;
    }
    a.options.*Field = a.value;
    return true;
}

bool Output(ARGUMENTS& a)
{
    a.outputGiven = true;
    return FileName<&RENDER_OPTIONS::outputPath>(a);
}

bool Setting(ARGUMENTS& a)
{
    const bool normalised = a.name == "--set-normalized";
    const std::size_t equals = a.value.find('=');
    const std::string quoted = a.name + " '" + a.value + "'";
    if (equals == std::string::npos || equals == 0 || equals + 1 == a.value.size())
    {
        a.error = quoted + ": expected NAME=VALUE";
        return false;
    }
    PARAMETER_SETTING setting;
    setting.name = a.value.substr(0, equals);
    setting.value = a.value.substr(equals + 1);
    setting.normalised = normalised;
    if (normalised)
    {
        double value = 0.0;
        if (!ParseDouble(setting.value, value) || value < 0.0 || value > 1.0)
        {
            a.error = quoted + ": the normalised value must be a number 0..1";
            return false;
        }
        setting.normalisedValue = static_cast<float>(value);
    }
    a.options.settings.push_back(setting);
    return true;
}

bool ControlChange(ARGUMENTS& a)
{
    CONTROL_CHANGE change;
    if (!CMidiSchedule::ParseControlChange(a.value, change, a.error))
    {
        return false;
    }
    a.options.controlChanges.push_back(change);
    return true;
}

bool ModPreset(ARGUMENTS& a)
{
    // N=FILE.mprg with N = 1..8.
    const std::string& value = a.value;
    const std::size_t separator = value.find('=');
    if (separator != 1 || value[0] < '1' || value[0] > '8' || value.size() == 2)
    {
        a.error = "--mod-preset '" + value + "': expected N=FILE.mprg with N from 1 to 8";
        return false;
    }
    a.options.modPresets.push_back({value[0] - '1', value.substr(2)});
    return true;
}

bool ListPresets(ARGUMENTS& a)
{
    // Two values: FOLDER EXT (or --list-presets=FOLDER EXT).
    if (a.next + 1 >= a.argc || a.value.empty() || a.argv[a.next + 1][0] == '\0')
    {
        a.error = "option --list-presets needs a folder and an extension";
        return false;
    }
    a.options.presetFolder = a.value;
    a.options.presetExtension = a.argv[++a.next];
    a.options.listPresets = true;
    return true;
}

bool Tempo(ARGUMENTS& a)
{
    double& tempo = a.options.tempoBpm;
    if (!ParseDouble(a.value, tempo) || tempo < CCommandLine::kMinTempoBpm ||
        tempo > CCommandLine::kMaxTempoBpm)
    {
        a.error = "--tempo '" + a.value + "': expected BPM from 20 to 999";
        return false;
    }
    return true;
}

bool Block(ARGUMENTS& a)
{
    int& size = a.options.blockSize;
    if (!ParseInt(a.value, size) || size < CCommandLine::kMinBlockSize ||
        size > CCommandLine::kMaxBlockSize)
    {
        a.error = "--block '" + a.value + "': expected a whole number of samples 1..65536";
        return false;
    }
    return true;
}

bool Rate(ARGUMENTS& a)
{
    int& rate = a.options.sampleRate;
    if (!ParseInt(a.value, rate) || rate < CCommandLine::kMinSampleRate ||
        rate > CCommandLine::kMaxSampleRate)
    {
        a.error = "--rate '" + a.value + "': expected a whole number of Hz 8000..384000";
        return false;
    }
    a.rateGiven = true;
    return true;
}

bool Tail(ARGUMENTS& a)
{
    double& tail = a.options.tailSeconds;
    if (!ParseDouble(a.value, tail) || tail < 0.0 || tail > CCommandLine::kMaxTailSeconds)
    {
        a.error = "--tail '" + a.value + "': expected seconds from 0 to 3600";
        return false;
    }
    return true;
}

// --- The table ----------------------------------------------------------------------------------

// Stands for the default plug-in's path in the help of --plugin.
constexpr const char* kDefaultPlugin = "@DEFAULT_PLUGIN@";

const OPTION kOptions[] = {
    {nullptr, nullptr, "INPUT", nullptr, nullptr, "Files",
     "sound file to process (WAV, AIFF, FLAC, ...); its sample rate is\n"
     "kept; mono is fed to both channels; of more channels, the first two"},
    {"-o", "--output", "FILE", nullptr, Output, "Files",
     "output file, default morvex-render.wav; format by extension:\n"
     ".wav 32-bit float, .flac .aif .aiff 24-bit PCM"},
    {nullptr, "--tail", "SECONDS", nullptr, Tail, "Files",
     "silence appended to the input so echoes ring out (default 2)"},
    {nullptr, "--rate", "HZ", nullptr, Rate, "Files",
     "sample rate of the built-in loop (default 44100, 8000..384000)"},

    {"-p", "--plugin", "PATH", nullptr, FileName<&RENDER_OPTIONS::pluginPath>, "Plug-in",
     "VST 2 plug-in (.so) to load; default: Morvex.so next to this\n"
     "program, else @DEFAULT_PLUGIN@"},
    {nullptr, "--set", "NAME=VALUE", nullptr, Setting, "Plug-in",
     "set a parameter in its display units, with or without the unit:\n"
     "\"Volume=-3dB\", \"Volume=-3\", \"Eq Mid Freq=1.65kHz\", \"Eq Mid Freq=1650\",\n"
     "\"Pan=L25%\", \"Mode=Serial\"; a number without a unit is read in the\n"
     "unit the parameter shows (the smaller one, Hz or ms, if it shows two);\n"
     "NAME is the name (any case) or the id shown by --list; repeatable"},
    {nullptr, "--set-normalized", "NAME=X", nullptr, Setting, "Plug-in",
     "set a parameter to the normalised value X, 0..1; repeatable"},
    {nullptr, "--chunk-in", "FILE", nullptr, FileName<&RENDER_OPTIONS::chunkInPath>, "Plug-in",
     "load the plug-in's state (bank chunk) before the --set values"},
    {nullptr, "--chunk-out", "FILE", nullptr, FileName<&RENDER_OPTIONS::chunkOutPath>,
     "Plug-in", "save the plug-in's state (bank chunk) after rendering"},
    {nullptr, "--list", nullptr, &RENDER_OPTIONS::list, nullptr, "Plug-in",
     "print id, name and value of every parameter (after --chunk-in and\n"
     "--set) and exit without rendering"},

    {nullptr, "--preset", "FILE.prg", nullptr, FileName<&RENDER_OPTIONS::presetPath>,
     "Morvex state (the Morvex plug-in only)",
     "load a Morvex preset file after --chunk-in, before the --set values;\n"
     "the plug-in's controller map is kept"},
    {nullptr, "--save-preset", "FILE.prg", nullptr, FileName<&RENDER_OPTIONS::savePresetPath>,
     "Morvex state (the Morvex plug-in only)",
     "save the state as a Morvex preset file after rendering (or after\n"
     "--list)"},
    {nullptr, "--ccmap", "FILE.ccmap", nullptr, FileName<&RENDER_OPTIONS::ccmapPath>,
     "Morvex state (the Morvex plug-in only)",
     "load a Morvex controller map before rendering, so that --cc moves\n"
     "the parameters bound to its controllers"},
    {nullptr, "--mod-preset", "N=FILE.mprg", nullptr, ModPreset,
     "Morvex state (the Morvex plug-in only)",
     "load a Morvex modulator preset into modulator N (1..8): its pattern\n"
     "or envelope, \"ModN Mode\" and \"ModN NumSteps\"; after --preset, before\n"
     "the --set values; repeatable"},
    {nullptr, "--list-presets", "FOLDER EXT", nullptr, ListPresets,
     "Morvex state (the Morvex plug-in only)",
     "print the categories (subfolders) of a preset library and the files\n"
     "in each whose names contain EXT (e.g. .prg), and exit"},

    {nullptr, "--tempo", "BPM", nullptr, Tempo, "Host",
     "tempo of the transport and of the built-in loop (default 120, 20..999)"},
    {nullptr, "--stopped", nullptr, &RENDER_OPTIONS::stopped, nullptr, "Host",
     "keep the transport stopped (default: playing from the start)"},
    {nullptr, "--block", "N", nullptr, Block, "Host",
     "samples per process call (default 512, 1..65536); the last call of\n"
     "the render may be shorter"},
    {nullptr, "--cc", "SAMPLE:CC:VALUE", nullptr, ControlChange, "Host",
     "MIDI control change on channel 1: controller CC (0..127) to VALUE\n"
     "(0..127) at sample SAMPLE of the render; repeatable"},

    {"-v", "--verbose", nullptr, &RENDER_OPTIONS::verbose, nullptr, "Other",
     "tell which plug-in is loaded and which values are set (on stderr)"},
    {"-h", "--help", nullptr, &RENDER_OPTIONS::help, nullptr, "Other", "print this help"},
    {nullptr, "--version", nullptr, &RENDER_OPTIONS::version, nullptr, "Other",
     "print the version"},
};

const OPTION* FindOption(const std::string& name)
{
    for (const OPTION& option : kOptions)
    {
        if (option.longName && (name == option.longName ||
                                (option.shortName && name == option.shortName)))
        {
            return &option;
        }
    }
    return nullptr;
}

// The files left after the options: at most INPUT and OUTPUT, and never standard input or
// output.
bool TakeFiles(const std::vector<std::string>& files, bool outputGiven, bool rateGiven,
               RENDER_OPTIONS& options, std::string& error)
{
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
        const std::string argument = argv[i];
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
        std::string value;
        const std::size_t equals = argument.find('=');
        const bool inlineValue = argument.rfind("--", 0) == 0 && equals != std::string::npos;
        if (inlineValue)
        {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        const OPTION* option = FindOption(name);
        if (!option)
        {
            error = "unknown option '" + name + "'";
            return false;
        }
        if (!option->argument)
        {
            if (inlineValue)
            {
                error = "option " + name + " takes no value";
                return false;
            }
            options.*(option->flag) = true;
            continue;
        }
        if (!inlineValue)
        {
            if (i + 1 >= argc)
            {
                error = "option " + name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        ARGUMENTS arguments{name,    value,       argc,      argv, i,
                            options, outputGiven, rateGiven, error};
        if (!option->handle(arguments))
        {
            return false;
        }
    }
    return TakeFiles(files, outputGiven, rateGiven, options, error);
}

std::string CCommandLine::Usage(const std::string& defaultPlugin)
{
    constexpr std::size_t kHelpColumn = 26;
    std::string text = R"(Usage: morvex-render [options] [INPUT] [-o OUTPUT]
       morvex-render [options] INPUT OUTPUT
       morvex-render [options] --list

Renders a sound file through a VST 2 plug-in, hosted as a DAW would host it. Without INPUT
it renders a built-in drum loop: 8 bars of 4/4 (kick, snare, hats) at --tempo, peak -3 dBFS.
)";
    const char* group = nullptr;
    for (const OPTION& option : kOptions)
    {
        if (!group || std::strcmp(group, option.group) != 0)
        {
            group = option.group;
            text += std::string("\n") + group + ":\n";
        }
        std::string left = "  ";
        if (option.shortName)
        {
            left += std::string(option.shortName) + ", ";
        }
        if (option.longName)
        {
            left += option.longName;
        }
        if (option.argument)
        {
            left += (option.longName ? " " : "") + std::string(option.argument);
        }
        // The help starts in its column, or on the next line when the option is too long.
        text += left.size() < kHelpColumn ? left + std::string(kHelpColumn - left.size(), ' ')
                                          : left + "\n" + std::string(kHelpColumn, ' ');
        std::string help = option.help;
        const std::size_t defaultAt = help.find(kDefaultPlugin);
        if (defaultAt != std::string::npos)
        {
            help.replace(defaultAt, std::strlen(kDefaultPlugin),
                         defaultPlugin.empty() ? "none (give --plugin)" : defaultPlugin);
        }
        for (std::size_t start = 0;;)
        {
            const std::size_t end = help.find('\n', start);
            text += help.substr(start, end - start) + "\n";
            if (end == std::string::npos)
            {
                break;
            }
            start = end + 1;
            text += std::string(kHelpColumn, ' ');
        }
    }
    return text + R"(
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
