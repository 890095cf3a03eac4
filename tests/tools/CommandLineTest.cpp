#include "CommandLine.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

using namespace morvex::render;

namespace
{

struct PARSE_RESULT
{
    bool ok;
    RENDER_OPTIONS options;
    std::string error;
};

PARSE_RESULT Parse(std::initializer_list<const char*> arguments)
{
    std::vector<const char*> argv{"morvex-render"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    PARSE_RESULT result{false, RENDER_OPTIONS{}, ""};
    result.ok = CCommandLine::Parse(static_cast<int>(argv.size()), argv.data(), result.options,
                                    result.error);
    return result;
}

} // namespace

TEST(CCommandLineTest, DefaultsRenderTheLoopToMorvexRenderWav)
{
    const PARSE_RESULT result = Parse({});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.options.inputPath, "");
    EXPECT_EQ(result.options.outputPath, "morvex-render.wav");
    EXPECT_EQ(result.options.blockSize, 512);
    EXPECT_EQ(result.options.sampleRate, 44100);
    EXPECT_DOUBLE_EQ(result.options.tempoBpm, 120.0);
    EXPECT_DOUBLE_EQ(result.options.tailSeconds, 2.0);
    EXPECT_FALSE(result.options.stopped);
    EXPECT_FALSE(result.options.list);
}

TEST(CCommandLineTest, InputAndOutputByPositionOrOption)
{
    const PARSE_RESULT two = Parse({"in.wav", "out.flac"});
    ASSERT_TRUE(two.ok) << two.error;
    EXPECT_EQ(two.options.inputPath, "in.wav");
    EXPECT_EQ(two.options.outputPath, "out.flac");
    const PARSE_RESULT option = Parse({"-o", "x.aiff", "in.wav"});
    ASSERT_TRUE(option.ok) << option.error;
    EXPECT_EQ(option.options.inputPath, "in.wav");
    EXPECT_EQ(option.options.outputPath, "x.aiff");
    const PARSE_RESULT equals = Parse({"--output=y.wav"});
    ASSERT_TRUE(equals.ok) << equals.error;
    EXPECT_EQ(equals.options.outputPath, "y.wav");
    const PARSE_RESULT dashes = Parse({"--", "-odd name.wav"});
    ASSERT_TRUE(dashes.ok) << dashes.error;
    EXPECT_EQ(dashes.options.inputPath, "-odd name.wav");
}

TEST(CCommandLineTest, AllOptionsAreRead)
{
    const PARSE_RESULT result = Parse({"--plugin",
                                       "./x.so",
                                       "--tempo",
                                       "96.5",
                                       "--stopped",
                                       "--block=64",
                                       "--rate",
                                       "48000",
                                       "--tail",
                                       "0.5",
                                       "--cc",
                                       "100:1:2",
                                       "--cc=200:3:4",
                                       "--chunk-in",
                                       "a.bin",
                                       "--chunk-out",
                                       "b.bin",
                                       "--set",
                                       "LayerA Delay Mix=35%",
                                       "--set-normalized",
                                       "Gain=0.25",
                                       "--preset",
                                       "a.prg",
                                       "--save-preset=b.prg",
                                       "--ccmap",
                                       "m.ccmap",
                                       "--list-presets",
                                       "/lib",
                                       ".prg",
                                       "-v",
                                       "--list"});
    ASSERT_TRUE(result.ok) << result.error;
    const RENDER_OPTIONS& options = result.options;
    EXPECT_EQ(options.pluginPath, "./x.so");
    EXPECT_DOUBLE_EQ(options.tempoBpm, 96.5);
    EXPECT_TRUE(options.stopped);
    EXPECT_EQ(options.blockSize, 64);
    EXPECT_EQ(options.sampleRate, 48000);
    EXPECT_DOUBLE_EQ(options.tailSeconds, 0.5);
    ASSERT_EQ(options.controlChanges.size(), 2u);
    EXPECT_EQ(options.controlChanges[1].sample, 200);
    EXPECT_EQ(options.controlChanges[1].controller, 3);
    EXPECT_EQ(options.controlChanges[1].value, 4);
    EXPECT_EQ(options.chunkInPath, "a.bin");
    EXPECT_EQ(options.chunkOutPath, "b.bin");
    ASSERT_EQ(options.settings.size(), 2u);
    EXPECT_EQ(options.settings[0].name, "LayerA Delay Mix");
    EXPECT_EQ(options.settings[0].value, "35%");
    EXPECT_FALSE(options.settings[0].normalised);
    EXPECT_EQ(options.settings[1].name, "Gain");
    EXPECT_TRUE(options.settings[1].normalised);
    EXPECT_FLOAT_EQ(options.settings[1].normalisedValue, 0.25f);
    EXPECT_EQ(options.presetPath, "a.prg");
    EXPECT_EQ(options.savePresetPath, "b.prg");
    EXPECT_EQ(options.ccmapPath, "m.ccmap");
    EXPECT_TRUE(options.listPresets);
    EXPECT_EQ(options.presetFolder, "/lib");
    EXPECT_EQ(options.presetExtension, ".prg");
    EXPECT_TRUE(options.verbose);
    EXPECT_TRUE(options.list);
}

struct REFUSAL
{
    std::vector<const char*> arguments;
    const char* reason;
};

void PrintTo(const REFUSAL& c, std::ostream* os)
{
    for (const char* argument : c.arguments)
        *os << argument << ' ';
}

class CCommandLineRefusalTest : public ::testing::TestWithParam<REFUSAL>
{
};

TEST_P(CCommandLineRefusalTest, IsRefusedWithTheReason)
{
    std::vector<const char*> argv{"morvex-render"};
    argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    RENDER_OPTIONS options;
    std::string error;
    EXPECT_FALSE(CCommandLine::Parse(static_cast<int>(argv.size()), argv.data(), options, error));
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CCommandLineRefusalTest,
    ::testing::Values(REFUSAL{{"--frobnicate"}, "unknown option '--frobnicate'"},
                      REFUSAL{{"--tempo"}, "needs a value"},
                      REFUSAL{{"--tempo", "fast"}, "--tempo 'fast'"},
                      REFUSAL{{"--tempo", "10"}, "20 to 999"},
                      REFUSAL{{"--tempo", "nan"}, "--tempo"},
                      REFUSAL{{"--block", "0"}, "1..65536"},
                      REFUSAL{{"--block", "100000"}, "1..65536"},
                      REFUSAL{{"--block", "12.5"}, "--block"},
                      REFUSAL{{"--rate", "1000"}, "8000..384000"},
                      REFUSAL{{"--tail", "-1"}, "--tail"},
                      REFUSAL{{"--set", "Gain"}, "NAME=VALUE"},
                      REFUSAL{{"--set", "=3"}, "NAME=VALUE"},
                      REFUSAL{{"--set", "Gain="}, "NAME=VALUE"},
                      REFUSAL{{"--set-normalized", "Gain=1.5"}, "0..1"},
                      REFUSAL{{"--set-normalized", "Gain=-0.1"}, "0..1"},
                      REFUSAL{{"--cc", "1:200:3"}, "CONTROLLER"},
                      REFUSAL{{"--list=yes"}, "takes no value"},
                      REFUSAL{{"-o", ""}, "needs a file name"},
                      REFUSAL{{"--plugin="}, "needs a file name"},
                      REFUSAL{{"--chunk-in", ""}, "needs a file name"},
                      REFUSAL{{"--ccmap="}, "needs a file name"},
                      REFUSAL{{"--list-presets", "folder"}, "a folder and an extension"},
                      REFUSAL{{"--list-presets", "folder", ""}, "a folder and an extension"},
                      REFUSAL{{"--list-presets", "f", ".prg", "in.wav"}, "takes no INPUT"},
                      REFUSAL{{"a.wav", "b.wav", "c.wav"}, "too many files"},
                      REFUSAL{{"a.wav", "b.wav", "-o", "c.wav"}, "output given twice"},
                      REFUSAL{{"in.wav", "--rate", "48000"}, "built-in loop"},
                      REFUSAL{{"-"}, "standard input"}));

TEST(CCommandLineTest, HelpAndVersion)
{
    EXPECT_TRUE(Parse({"--help"}).options.help);
    EXPECT_TRUE(Parse({"-h"}).options.help);
    EXPECT_TRUE(Parse({"--version"}).options.version);
    const std::string usage = CCommandLine::Usage("/build/Morvex.so");
    EXPECT_NE(usage.find("Usage: morvex-render"), std::string::npos);
    EXPECT_NE(usage.find("/build/Morvex.so"), std::string::npos);
    EXPECT_NE(usage.find("Examples:"), std::string::npos);
    for (const char* option :
         {"--plugin", "--set", "--set-normalized", "--cc", "--tempo", "--stopped", "--block",
          "--rate", "--tail", "--list", "--chunk-in", "--chunk-out", "--output"})
    {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}
