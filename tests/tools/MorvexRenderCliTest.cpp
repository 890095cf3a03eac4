// The built morvex-render program, run as a user would run it: what only the program shows,
// its exit status, messages and the files it writes. Option parsing, parameter search, the
// loader and the renderer are tested in-process. Most tests host the pass-through fixture so
// they do not depend on the Morvex parameter set; the last ones render through the Morvex
// plug-in built in this tree.

#include "AudioFile.h"
#include "DrumLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sndfile.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace morvex::render;

namespace
{

struct RUN_RESULT
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

class CMorvexRenderCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/morvex-render-cli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_directory = pattern;
    }

    void TearDown() override
    {
        const std::string command = "rm -rf '" + m_directory + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    std::string Path(const std::string& name) const
    {
        return m_directory + "/" + name;
    }

    // Runs the program with `arguments`, stdout and stderr to files, in the test's directory.
    RUN_RESULT Run(const std::vector<std::string>& arguments) const
    {
        const std::string outPath = Path("stdout.txt");
        const std::string errPath = Path("stderr.txt");
        const pid_t child = fork();
        if (child == 0)
        {
            const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || err < 0 || dup2(out, STDOUT_FILENO) < 0 ||
                dup2(err, STDERR_FILENO) < 0 || chdir(m_directory.c_str()) != 0)
            {
                _exit(127);
            }
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(MORVEX_RENDER_PATH));
            for (const std::string& argument : arguments)
            {
                argv.push_back(const_cast<char*>(argument.c_str()));
            }
            argv.push_back(nullptr);
            execv(MORVEX_RENDER_PATH, argv.data());
            _exit(127);
        }
        RUN_RESULT result;
        int status = 0;
        if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        {
            result.exitCode = WEXITSTATUS(status);
        }
        result.out = ReadText(outPath);
        result.err = ReadText(errPath);
        return result;
    }

    // Fixture plug-in plus the given arguments.
    RUN_RESULT RunFixture(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), {"--plugin", PASSTHROUGH_PLUGIN_PATH});
        return Run(arguments);
    }

    static AUDIO_BUFFER ReadAudio(const std::string& path)
    {
        AUDIO_BUFFER buffer;
        int channels = 0;
        std::string error;
        EXPECT_TRUE(CAudioFile::Read(path, buffer, channels, error)) << error;
        EXPECT_EQ(channels, 2);
        return buffer;
    }

    std::string m_directory;
};

TEST_F(CMorvexRenderCliTest, RendersTheBuiltInLoop)
{
    const std::string output = Path("loop.wav");
    const RUN_RESULT run = RunFixture({"-o", output, "--tail", "0.5"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // 8 bars at 120 BPM = 16 s = 705600 samples, plus 0.5 s = 22050 samples of tail.
    const AUDIO_BUFFER audio = ReadAudio(output);
    EXPECT_EQ(audio.sampleRate, 44100);
    EXPECT_EQ(audio.NumFrames(), 705600 + 22050);
    EXPECT_NE(run.out.find("rendered 16.50 s (16.00 s + 0.50 s tail) at 44100 Hz: input peak -3.0 "
                           "dBFS rms "),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("-> " + output + "\n"), std::string::npos) << run.out;

    // Gain 0 dB, Mix 100 %: the loop comes out as it went in (to float rounding of the gain).
    AUDIO_BUFFER loop;
    CDrumLoop::Generate(44100, 120.0, loop);
    for (std::size_t n = 0; n < loop.left.size(); n += 97)
    {
        ASSERT_NEAR(audio.left[n], loop.left[n], 1e-6f) << n;
        ASSERT_NEAR(audio.right[n], loop.right[n], 1e-6f) << n;
    }
    for (std::size_t n = loop.left.size(); n < audio.left.size(); ++n)
    {
        ASSERT_EQ(audio.left[n], 0.0f) << n;
    }
}

TEST_F(CMorvexRenderCliTest, DefaultOutputNameTempoAndRate)
{
    const RUN_RESULT run = RunFixture({"--tempo", "150", "--rate", "48000", "--tail", "0"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // 32 beats at 150 BPM = 12.8 s = 614400 samples at 48 kHz, written to morvex-render.wav in
    // the working directory.
    const AUDIO_BUFFER audio = ReadAudio(Path("morvex-render.wav"));
    EXPECT_EQ(audio.sampleRate, 48000);
    EXPECT_EQ(audio.NumFrames(), 614400);
}

TEST_F(CMorvexRenderCliTest, InputFileKeepsItsRateAndGetsTheTail)
{
    const std::string input = Path("in.wav");
    AUDIO_BUFFER source;
    source.sampleRate = 22050;
    source.Resize(1000);
    for (std::size_t n = 0; n < 1000; ++n)
    {
        source.left[n] = 0.5f * std::sin(0.05f * static_cast<float>(n));
        source.right[n] = -source.left[n];
    }
    std::string error;
    ASSERT_TRUE(CAudioFile::Write(input, source, error)) << error;
    const std::string output = Path("out.aiff");
    const RUN_RESULT run = RunFixture({input, output, "--tail", "0.1", "--block", "64"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const AUDIO_BUFFER audio = ReadAudio(output);
    EXPECT_EQ(audio.sampleRate, 22050);
    EXPECT_EQ(audio.NumFrames(), 1000 + 2205); // 0.1 s at 22050 Hz
    for (std::size_t n = 0; n < 1000; n += 7)
    {
        ASSERT_NEAR(audio.left[n], source.left[n], 2e-6f) << n;
        ASSERT_NEAR(audio.right[n], source.right[n], 2e-6f) << n;
    }
}

TEST_F(CMorvexRenderCliTest, ListShowsValuesSetInDisplayUnits)
{
    const RUN_RESULT run =
        RunFixture({"--set", "Mode=PARALLEL", "--set", "Cutoff=1650", "--set", "pan=L25%", "--set",
                    "Mix=50", "--set-normalized", "0=0", "--list"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string expected = "id  name    value\n"
                                 " 0  Gain    -inf\n"
                                 " 1  Mode    Parallel\n"
                                 " 2  Mix     50 %\n"
                                 " 3  Pan     L25%\n"
                                 " 4  Cutoff  1.65kHz\n";
    EXPECT_EQ(run.out, expected);
}

TEST_F(CMorvexRenderCliTest, ChunkOutThenChunkInRestoresTheState)
{
    const std::string chunk = Path("state.bin");
    const RUN_RESULT save = RunFixture({"--set", "Gain=-6", "--set", "Mode=1/16D", "--tail", "0",
                                        "-o", Path("a.wav"), "--chunk-out", chunk});
    ASSERT_EQ(save.exitCode, 0) << save.err;
    const RUN_RESULT load = RunFixture({"--chunk-in", chunk, "--list"});
    ASSERT_EQ(load.exitCode, 0) << load.err;
    EXPECT_NE(load.out.find("Gain    -6.00dB"), std::string::npos) << load.out;
    EXPECT_NE(load.out.find("Mode    1/16D"), std::string::npos) << load.out;
    // --set after --chunk-in wins.
    const RUN_RESULT both = RunFixture({"--chunk-in", chunk, "--set", "Gain=+3dB", "--list"});
    ASSERT_EQ(both.exitCode, 0) << both.err;
    EXPECT_NE(both.out.find("Gain    +3.00dB"), std::string::npos) << both.out;

    const RUN_RESULT missing = RunFixture({"--chunk-in", Path("none.bin"), "--list"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("chunk file not found"), std::string::npos) << missing.err;
}

TEST_F(CMorvexRenderCliTest, ControlChangeLandsOnItsSampleAndNonFiniteIsReported)
{
    // Controller 3 makes the fixture write a NaN at the event's sample, in both channels.
    const std::string output = Path("cc.wav");
    const RUN_RESULT run = RunFixture(
        {"--cc", "1000:3:127", "--cc", "1:7:100", "--block", "300", "--tail", "0", "-o", output});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_NE(run.out.find("(2 non-finite samples) -> "), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("morvex-render: the output holds 2 non-finite samples"),
              std::string::npos)
        << run.err;
    // The file holds what was rendered, the two NaN included.
    const AUDIO_BUFFER audio = ReadAudio(output);
    EXPECT_TRUE(std::isnan(audio.left[1000]) && std::isnan(audio.right[1000]));
}

TEST_F(CMorvexRenderCliTest, FailuresExitNonZeroWithAMessage)
{
    struct CASE
    {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const std::vector<CASE> cases = {
        {{Path("missing.wav"), "-o", Path("x.wav")},
         1,
         "morvex-render: input file not found: " + Path("missing.wav")},
        {{"--set", "Volume=-3dB", "-o", Path("x.wav")},
         1,
         "morvex-render: unknown parameter 'Volume'"},
        {{"--set", "ix=50", "-o", Path("x.wav")},
         1,
         "morvex-render: unknown parameter 'ix'; did you mean: Mix (--list shows all 5)"},
        {{"--set", "Gain=+20dB", "-o", Path("x.wav")},
         1,
         "out of range for 'Gain' (-inf .. +12.00dB)"},
        {{"--set", "Mode=Diagonal", "-o", Path("x.wav")},
         1,
         "one of: Serial, Parallel, Lowpass 24dB, 1/16D"},
        {{"--set", "Mix=3dB", "-o", Path("x.wav")}, 1, "wrong unit"},
        {{"--cc", "99999999:1:1", "-o", Path("x.wav")}, 2, "past the end of the render"},
        {{"--block", "0"}, 2, "Try 'morvex-render --help'"},
        {{"--bogus"}, 2, "morvex-render: unknown option '--bogus'"},
        {{"-o", Path("x.mp3")}, 2, "use .wav, .flac, .aif or .aiff"},
    };
    for (const CASE& test : cases)
    {
        const RUN_RESULT run = RunFixture(test.arguments);
        EXPECT_EQ(run.exitCode, test.exitCode) << test.message << "\n" << run.err;
        EXPECT_NE(run.err.find(test.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "") << test.message;
    }
    std::ifstream written(Path("x.wav"));
    EXPECT_FALSE(written.good()) << "no output is written when a render fails";
}

TEST_F(CMorvexRenderCliTest, UnreadableInputAndBrokenPlugins)
{
    const std::string text = Path("notes.wav");
    std::ofstream(text) << "not audio\n";
    const RUN_RESULT unreadable = RunFixture({text, "-o", Path("x.wav")});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_NE(unreadable.err.find("morvex-render: cannot read " + text), std::string::npos)
        << unreadable.err;

    // What the loader says is tested in-process; here only that it ends the run with 1.
    const RUN_RESULT broken = Run({"--plugin", BAD_MAGIC_PLUGIN_PATH, "--list"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(broken.err.find("bad magic"), std::string::npos) << broken.err;
    const RUN_RESULT notLibrary = Run({"--plugin", text, "--list"});
    EXPECT_EQ(notLibrary.exitCode, 1);
    EXPECT_NE(notLibrary.err.find("cannot load plug-in " + text + ": "), std::string::npos)
        << notLibrary.err;
    const RUN_RESULT legacy = Run({"--plugin", LEGACY_ENTRY_PLUGIN_PATH, "--list"});
    EXPECT_EQ(legacy.exitCode, 0) << legacy.err;
}

TEST_F(CMorvexRenderCliTest, HelpAndVersion)
{
    const RUN_RESULT help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: morvex-render", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("Examples:"), std::string::npos);
    const RUN_RESULT version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("morvex-render ", 0), 0u) << version.out;
}

#ifdef MORVEX_PLUGIN_PATH

// Through the Morvex plug-in built in this tree, found by default (no --plugin).
TEST_F(CMorvexRenderCliTest, MorvexRendersTheBuiltInLoop)
{
    const std::string output = Path("morvex.wav");
    const RUN_RESULT run = Run({"-o", output});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // 16 s of loop plus the default 2 s tail at 44100 Hz.
    const AUDIO_BUFFER audio = ReadAudio(output);
    EXPECT_EQ(audio.sampleRate, 44100);
    EXPECT_EQ(audio.NumFrames(), 705600 + 88200);
    EXPECT_NE(run.out.find("rendered 18.00 s"), std::string::npos) << run.out;
}

// --- Morvex state files: --preset, --save-preset, --ccmap, --list-presets -------------------

namespace
{
// The plug-in's data folder (default preset, preferences) inside the test's directory, so
// nothing outside it is read or written; the previous value comes back afterwards.
class CScopedDataHome
{
public:
    explicit CScopedDataHome(const std::string& path)
    {
        const char* previous = std::getenv("XDG_DATA_HOME");
        m_hadPrevious = previous != nullptr;
        m_previous = previous ? previous : "";
        mkdir(path.c_str(), 0755);
        setenv("XDG_DATA_HOME", path.c_str(), 1);
    }
    ~CScopedDataHome()
    {
        if (m_hadPrevious)
        {
            setenv("XDG_DATA_HOME", m_previous.c_str(), 1);
        }
        else
        {
            unsetenv("XDG_DATA_HOME");
        }
    }
    CScopedDataHome(const CScopedDataHome&) = delete;
    CScopedDataHome& operator=(const CScopedDataHome&) = delete;

private:
    bool m_hadPrevious = false;
    std::string m_previous;
};

std::vector<char> ReadBinary(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file),
                             std::istreambuf_iterator<char>());
}

void WriteBinary(const std::string& path, const std::vector<char>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A .ccmap built by hand: "QxvM", version 1140, controller -> id pairs, -1 elsewhere.
std::vector<char> ControllerMap(int controller, int id)
{
    std::vector<char> bytes(520, 0);
    const auto put = [&bytes](std::size_t at, std::uint32_t value)
    {
        for (std::size_t i = 0; i < 4; ++i)
        {
            bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    };
    bytes[0] = 'Q';
    bytes[1] = 'x';
    bytes[2] = 'v';
    bytes[3] = 'M';
    put(4, 1140);
    for (std::size_t c = 0; c < 128; ++c)
    {
        put(8 + 4 * c, static_cast<int>(c) == controller ? static_cast<std::uint32_t>(id)
                                                         : 0xFFFFFFFFu);
    }
    return bytes;
}

double Rms(const AUDIO_BUFFER& audio)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < audio.left.size(); ++i)
    {
        sum += static_cast<double>(audio.left[i]) * audio.left[i] +
               static_cast<double>(audio.right[i]) * audio.right[i];
    }
    return std::sqrt(sum / static_cast<double>(2 * audio.left.size()));
}
} // namespace

TEST_F(CMorvexRenderCliTest, MorvexPresetSavedAfterARenderReproducesTheValues)
{
    const CScopedDataHome data(Path("data"));
    const std::vector<std::string> settings = {
        "--set", "Volume=-6dB", "--set", "LayerA Delay Mix=35%", "--set-normalized",
        "LayerB Filter Cutoff=0.25", "--set-normalized", "Mod3 Gate=0.5"};
    std::vector<std::string> render = {"--plugin", MORVEX_PLUGIN_PATH, "--tempo", "960",
                                       "--tail", "0", "-o", Path("out.wav"), "--save-preset",
                                       Path("Saved Sound.prg")};
    render.insert(render.end(), settings.begin(), settings.end());
    const RUN_RESULT saved = Run(render);
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const std::vector<char> preset = ReadBinary(Path("Saved Sound.prg"));
    ASSERT_EQ(preset.size(), 28248u);
    EXPECT_EQ(std::string(preset.data(), 4), "QxvM"); // 'MvxQ' little-endian

    std::vector<std::string> listSet = {"--plugin", MORVEX_PLUGIN_PATH, "--list"};
    listSet.insert(listSet.end(), settings.begin(), settings.end());
    const RUN_RESULT expected = Run(listSet);
    ASSERT_EQ(expected.exitCode, 0) << expected.err;
    const RUN_RESULT loaded =
        Run({"--plugin", MORVEX_PLUGIN_PATH, "--list", "--preset", Path("Saved Sound.prg")});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(loaded.out, expected.out);
    const RUN_RESULT defaults = Run({"--plugin", MORVEX_PLUGIN_PATH, "--list"});
    EXPECT_NE(defaults.out, expected.out);

    // Saved again from --list: the same bytes but for the path field (offsets 8..2055).
    const RUN_RESULT again = Run({"--plugin", MORVEX_PLUGIN_PATH, "--list", "--preset",
                                  Path("Saved Sound.prg"), "--save-preset", Path("again.prg")});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    const std::vector<char> resaved = ReadBinary(Path("again.prg"));
    ASSERT_EQ(resaved.size(), preset.size());
    EXPECT_TRUE(std::equal(resaved.begin() + 2056, resaved.end(), preset.begin() + 2056));
    // The loaded file became the current preset: its path is the one stored.
    EXPECT_EQ(std::string(resaved.data() + 8), Path("Saved Sound.prg"));
}

TEST_F(CMorvexRenderCliTest, MorvexControllerMapLetsControlChangesMoveTheVolume)
{
    const CScopedDataHome data(Path("data"));
    WriteBinary(Path("volume.ccmap"), ControllerMap(7, 2)); // controller 7 -> "Volume"
    const std::vector<std::string> common = {"--plugin", MORVEX_PLUGIN_PATH, "--tempo", "960",
                                             "--tail", "0", "--cc", "0:7:0"};
    std::vector<std::string> plain = common;
    plain.insert(plain.end(), {"-o", Path("plain.wav")});
    std::vector<std::string> mapped = common;
    mapped.insert(mapped.end(), {"-o", Path("mapped.wav"), "--ccmap", Path("volume.ccmap")});
    const RUN_RESULT plainRun = Run(plain);
    const RUN_RESULT mappedRun = Run(mapped);
    ASSERT_EQ(plainRun.exitCode, 0) << plainRun.err;
    ASSERT_EQ(mappedRun.exitCode, 0) << mappedRun.err;
    // Controller value 0 is the volume's minimum, -24 dB: about 1/16 of the level once the
    // 50 ms smoothing has settled; without the map the controller does nothing.
    const double plainRms = Rms(ReadAudio(Path("plain.wav")));
    const double mappedRms = Rms(ReadAudio(Path("mapped.wav")));
    ASSERT_GT(plainRms, 0.0);
    EXPECT_LT(mappedRms / plainRms, 0.1);
    EXPECT_GT(mappedRms / plainRms, 0.04);
}

TEST_F(CMorvexRenderCliTest, MorvexStateFilesThatAreNotWholeAreRefused)
{
    const CScopedDataHome data(Path("data"));
    std::vector<char> shortMap = ControllerMap(7, 2);
    shortMap.pop_back();
    WriteBinary(Path("short.ccmap"), shortMap);
    RUN_RESULT run =
        Run({"--plugin", MORVEX_PLUGIN_PATH, "--list", "--ccmap", Path("short.ccmap")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("is not a .ccmap file"), std::string::npos) << run.err;

    WriteBinary(Path("bad.prg"), std::vector<char>(28248, 0));
    run = Run({"--plugin", MORVEX_PLUGIN_PATH, "--list", "--preset", Path("bad.prg")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("is not a Morvex preset"), std::string::npos) << run.err;

    run = Run({"--plugin", MORVEX_PLUGIN_PATH, "--list", "--preset", Path("none.prg")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot read preset"), std::string::npos) << run.err;

    // A plug-in of another kind has no Morvex chunk to splice into.
    WriteBinary(Path("volume.ccmap"), ControllerMap(7, 2));
    run = RunFixture({"--list", "--ccmap", Path("volume.ccmap")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("--ccmap"), std::string::npos) << run.err;
}

TEST_F(CMorvexRenderCliTest, ListPresetsPrintsEachCategoryWithItsPresets)
{
    const std::string library = Path("Library");
    for (const std::string& folder : {library, library + "/User", library + "/Bass",
                                      library + "/ambient", library + "/.hidden"})
    {
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0) << folder;
    }
    for (const char* file : {"/Bass/Sub.prg", "/Bass/Acid.prg", "/User/Pad.prg.bak",
                             "/User/notes.txt", "/.hidden/x.prg"})
    {
        WriteBinary(library + file, {'x'});
    }
    const RUN_RESULT run = Run({"--list-presets", library + "/", ".prg"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Bass\n"
                       "  Acid\t" + library + "/Bass/Acid.prg\n"
                       "  Sub\t" + library + "/Bass/Sub.prg\n"
                       "User\n"
                       "  Pad.prg\t" + library + "/User/Pad.prg.bak\n"
                       "ambient\n");

    const RUN_RESULT missing = Run({"--list-presets", Path("nowhere"), ".prg"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("preset folder not found"), std::string::npos) << missing.err;
    EXPECT_EQ(Run({"--list-presets", library}).exitCode, 2);
}

#endif
