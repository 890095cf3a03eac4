#include "CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

using namespace morvex::render;

namespace
{
struct PARSED
{
    bool ok;
    RENDER_OPTIONS options;
    std::string error;
};

PARSED Parse(const std::vector<const char*>& arguments)
{
    std::vector<const char*> argv{"morvex-render"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    PARSED result{false, RENDER_OPTIONS{}, ""};
    result.ok = CCommandLine::Parse(static_cast<int>(argv.size()), argv.data(), result.options,
                                    result.error);
    return result;
}

// Every field of the options as one line of text, so that a row can name what it expects.
std::string Describe(const RENDER_OPTIONS& o)
{
    std::ostringstream s;
    s << "plugin=" << o.pluginPath << " in=" << o.inputPath << " out=" << o.outputPath
      << " tempo=" << o.tempoBpm << " block=" << o.blockSize << " rate=" << o.sampleRate
      << " tail=" << o.tailSeconds;
    for (const CONTROL_CHANGE& cc : o.controlChanges)
        s << " cc=" << cc.sample << ':' << cc.controller << ':' << cc.value;
    for (const PARAMETER_SETTING& set : o.settings)
    {
        if (set.normalised)
            s << " set-normalized=" << set.name << '=' << set.normalisedValue;
        else
            s << " set=" << set.name << '=' << set.value;
    }
    for (const MOD_PRESET& mod : o.modPresets)
        s << " mod-preset=" << mod.modulator << ':' << mod.path;
    s << " chunk-in=" << o.chunkInPath << " chunk-out=" << o.chunkOutPath
      << " preset=" << o.presetPath << " save-preset=" << o.savePresetPath
      << " ccmap=" << o.ccmapPath;
    if (o.listPresets)
        s << " list-presets=" << o.presetFolder << ' ' << o.presetExtension;
    for (const auto& [on, name] : {std::pair{o.stopped, " stopped"},
                                   {o.list, " list"},
                                   {o.verbose, " verbose"},
                                   {o.help, " help"},
                                   {o.version, " version"}})
        s << (on ? name : "");
    return s.str();
}

struct ROW
{
    std::vector<const char*> arguments;
    const char* expected; // accepted: part of Describe(); refused: part of the message
};
} // namespace

TEST(CCommandLineTest, OptionsAreReadIntoTheirFields)
{
    const ROW rows[] = {
        {{},
         "plugin= in= out=morvex-render.wav tempo=120 block=512 rate=44100 tail=2 chunk-in= "
         "chunk-out= preset= save-preset= ccmap="},
        {{"in.wav", "out.flac"}, "in=in.wav out=out.flac "},
        {{"-o", "x.aiff", "in.wav"}, "in=in.wav out=x.aiff "},
        {{"--output=y.wav"}, "out=y.wav "},
        {{"--", "-odd name.wav"}, "in=-odd name.wav "},
        {{"--plugin", "./x.so"}, "plugin=./x.so "},
        {{"--tempo", "96.5", "--stopped"}, "tempo=96.5 "},
        {{"--block=64", "--rate", "48000", "--tail", "0.5"}, "block=64 rate=48000 tail=0.5"},
        {{"--cc", "100:1:2", "--cc=200:3:4"}, "cc=100:1:2 cc=200:3:4 "},
        {{"--set", "LayerA Delay Mix=35%", "--set-normalized", "Gain=0.25"},
         "set=LayerA Delay Mix=35% set-normalized=Gain=0.25 "},
        {{"--mod-preset", "1=a.mprg", "--mod-preset", "8=b c.mprg"},
         "mod-preset=0:a.mprg mod-preset=7:b c.mprg "},
        {{"--chunk-in", "a.bin", "--chunk-out", "b.bin", "--preset", "a.prg", "--save-preset=b.prg",
          "--ccmap", "m.ccmap"},
         "chunk-in=a.bin chunk-out=b.bin preset=a.prg save-preset=b.prg ccmap=m.ccmap"},
        {{"--list-presets", "/lib", ".prg", "-v", "--list", "--stopped"},
         "list-presets=/lib .prg stopped list verbose"},
        {{"--help", "--version"}, " help version"},
        {{"-h"}, " help"},
    };
    for (const ROW& row : rows)
    {
        const PARSED parsed = Parse(row.arguments);
        SCOPED_TRACE(Describe(parsed.options));
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_NE(Describe(parsed.options).find(row.expected), std::string::npos) << row.expected;
    }
}

TEST(CCommandLineTest, MalformedCommandLinesAreRefusedWithTheReason)
{
    const ROW rows[] = {
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--tempo"}, "needs a value"},
        {{"--tempo", "fast"}, "--tempo 'fast'"},
        {{"--tempo", "10"}, "20 to 999"},
        {{"--tempo", "nan"}, "--tempo"},
        {{"--block", "0"}, "1..65536"},
        {{"--block", "100000"}, "1..65536"},
        {{"--block", "12.5"}, "--block"},
        {{"--rate", "1000"}, "8000..384000"},
        {{"--tail", "-1"}, "--tail"},
        {{"--set", "Gain"}, "NAME=VALUE"},
        {{"--set", "=3"}, "NAME=VALUE"},
        {{"--set", "Gain="}, "NAME=VALUE"},
        {{"--set-normalized", "Gain=1.5"}, "0..1"},
        {{"--set-normalized", "Gain=-0.1"}, "0..1"},
        {{"--cc", "1:200:3"}, "CONTROLLER"},
        {{"--mod-preset", "0=a.mprg"}, "N from 1 to 8"},
        {{"--mod-preset", "9=a.mprg"}, "N from 1 to 8"},
        {{"--mod-preset", "12=a.mprg"}, "N from 1 to 8"},
        {{"--mod-preset", "1="}, "N from 1 to 8"},
        {{"--mod-preset", "a.mprg"}, "N from 1 to 8"},
        {{"--list=yes"}, "takes no value"},
        {{"-o", ""}, "needs a file name"},
        {{"--plugin="}, "needs a file name"},
        {{"--chunk-in", ""}, "needs a file name"},
        {{"--ccmap="}, "needs a file name"},
        {{"--list-presets", "folder"}, "a folder and an extension"},
        {{"--list-presets", "folder", ""}, "a folder and an extension"},
        {{"--list-presets", "f", ".prg", "in.wav"}, "takes no INPUT"},
        {{"a.wav", "b.wav", "c.wav"}, "too many files"},
        {{"a.wav", "b.wav", "-o", "c.wav"}, "output given twice"},
        {{"in.wav", "--rate", "48000"}, "built-in loop"},
        {{"-"}, "standard input"},
    };
    for (const ROW& row : rows)
    {
        const PARSED parsed = Parse(row.arguments);
        SCOPED_TRACE(row.expected);
        EXPECT_FALSE(parsed.ok) << Describe(parsed.options);
        EXPECT_NE(parsed.error.find(row.expected), std::string::npos) << parsed.error;
    }
}

TEST(CCommandLineTest, UsageNamesTheDefaultPluginAndEveryOption)
{
    const std::string usage = CCommandLine::Usage("/build/Morvex.so");
    for (const char* part :
         {"Usage: morvex-render", "/build/Morvex.so", "Examples:", "--plugin", "--set",
          "--set-normalized", "--cc", "--tempo", "--stopped", "--block", "--rate", "--tail",
          "--list", "--chunk-in", "--chunk-out", "--output", "--mod-preset"})
        EXPECT_NE(usage.find(part), std::string::npos) << part;
}
