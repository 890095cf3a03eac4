// The built morvex-render program, run as a user would run it: its exit status and the files
// it writes. Option parsing, parameter search, the loader, the renderer and the state files are
// tested in-process. Most tests host the pass-through fixture so they do not depend on the
// Morvex parameter set; the last ones render through the Morvex plug-in built in this tree.

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
    EXPECT_NE(run.out.find("-> " + output + "\n"), std::string::npos) << run.out;

    // Gain 0 dB, Mix 100 %: the loop comes out as it went in (to float rounding of the gain).
    AUDIO_BUFFER loop;
    CDrumLoop::Generate(44100, 120.0, loop);
    for (std::size_t n = 0; n < loop.left.size(); n += 97)
        ASSERT_NEAR(audio.left[n], loop.left[n], 1e-6f) << n;
    for (std::size_t n = loop.left.size(); n < audio.left.size(); ++n)
        ASSERT_EQ(audio.left[n], 0.0f) << n;

    // Without -o: morvex-render.wav in the working directory; 32 beats at 150 BPM = 12.8 s.
    ASSERT_EQ(RunFixture({"--tempo", "150", "--rate", "48000", "--tail", "0"}).exitCode, 0);
    const AUDIO_BUFFER named = ReadAudio(Path("morvex-render.wav"));
    EXPECT_EQ(named.sampleRate, 48000);
    EXPECT_EQ(named.NumFrames(), 614400);
}

TEST_F(CMorvexRenderCliTest, InputFileKeepsItsRateAndGetsTheTail)
{
    const std::string input = Path("in.wav");
    AUDIO_BUFFER source;
    source.sampleRate = 22050;
    source.Resize(1000);
    for (std::size_t n = 0; n < 1000; ++n)
        source.left[n] = source.right[n] = 0.5f * std::sin(0.05f * static_cast<float>(n));
    std::string error;
    ASSERT_TRUE(CAudioFile::Write(input, source, error)) << error;
    const std::string output = Path("out.aiff");
    const RUN_RESULT run = RunFixture({input, output, "--tail", "0.1", "--block", "64"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const AUDIO_BUFFER audio = ReadAudio(output);
    EXPECT_EQ(audio.sampleRate, 22050);
    EXPECT_EQ(audio.NumFrames(), 1000 + 2205); // 0.1 s at 22050 Hz
    for (std::size_t n = 0; n < 1000; n += 7)
        ASSERT_NEAR(audio.right[n], source.right[n], 2e-6f) << n;
}

TEST_F(CMorvexRenderCliTest, ChunkOutThenChunkInRestoresTheState)
{
    const std::string chunk = Path("state.bin");
    const RUN_RESULT save = RunFixture({"--set", "Gain=-6", "--set", "Mode=1/16D", "--tail", "0",
                                        "-o", Path("a.wav"), "--chunk-out", chunk});
    ASSERT_EQ(save.exitCode, 0) << save.err;
    // --set after --chunk-in wins.
    const RUN_RESULT load = RunFixture({"--chunk-in", chunk, "--set", "Mix=50", "--list"});
    ASSERT_EQ(load.exitCode, 0) << load.err;
    EXPECT_NE(load.out.find("Gain    -6.00dB"), std::string::npos) << load.out;
    EXPECT_NE(load.out.find("Mode    1/16D"), std::string::npos) << load.out;
    EXPECT_NE(load.out.find("Mix     50 %"), std::string::npos) << load.out;
}

TEST_F(CMorvexRenderCliTest, NonFiniteOutputIsWrittenAndEndsWithThree)
{
    // Controller 3 makes the fixture write a NaN at the event's sample, in both channels.
    const std::string output = Path("cc.wav");
    const RUN_RESULT run = RunFixture(
        {"--cc", "1000:3:127", "--cc", "1:7:100", "--block", "300", "--tail", "0", "-o", output});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_NE(run.err.find("the output holds 2 non-finite samples"), std::string::npos) << run.err;
    const AUDIO_BUFFER audio = ReadAudio(output);
    EXPECT_TRUE(std::isnan(audio.left[1000]) && std::isnan(audio.right[1000]));
}

// Exit 1 for what the run finds wrong, 2 for a command line it cannot take; never an output.
TEST_F(CMorvexRenderCliTest, FailuresExitNonZeroWithoutWritingAFile)
{
    const std::string text = Path("notes.wav");
    std::ofstream(text) << "not audio\n";
    struct CASE
    {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const std::vector<CASE> cases = {
        {{"--plugin", PASSTHROUGH_PLUGIN_PATH, Path("missing.wav")}, 1, "input file not found"},
        {{"--plugin", PASSTHROUGH_PLUGIN_PATH, text}, 1, "cannot read " + text},
        {{"--plugin", PASSTHROUGH_PLUGIN_PATH, "--set", "ix=50"}, 1, "did you mean: Mix"},
        {{"--plugin", PASSTHROUGH_PLUGIN_PATH, "--chunk-in", Path("none.bin")},
         1,
         "chunk file not found"},
        {{"--plugin", BAD_MAGIC_PLUGIN_PATH}, 1, "bad magic"},
        {{"--plugin", text}, 1, "cannot load plug-in " + text + ": "},
        {{"--plugin", PASSTHROUGH_PLUGIN_PATH, "--cc", "99999999:1:1"},
         2,
         "past the end of the render"},
        {{"--block", "0"}, 2, "Try 'morvex-render --help'"},
        {{"--bogus"}, 2, "unknown option '--bogus'"},
        {{"-o", Path("x.mp3")}, 2, "use .wav, .flac, .aif or .aiff"},
        {{"--list-presets", Path("nowhere"), ".prg"}, 1, "preset folder not found"},
    };
    for (CASE test : cases)
    {
        if (test.arguments[0] == "--plugin")
            test.arguments.insert(test.arguments.end(), {"-o", Path("x.wav")});
        const RUN_RESULT run = Run(test.arguments);
        EXPECT_EQ(run.exitCode, test.exitCode) << test.message << "\n" << run.err;
        EXPECT_NE(run.err.find(test.message), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::ifstream(Path("x.wav")).good()) << "no output is written when a run fails";
    EXPECT_EQ(Run({"--plugin", LEGACY_ENTRY_PLUGIN_PATH, "--list"}).exitCode, 0);
    EXPECT_EQ(Run({"--help"}).exitCode, 0);
    EXPECT_EQ(Run({"--version"}).exitCode, 0);
}

TEST_F(CMorvexRenderCliTest, ListPresetsPrintsEachCategoryWithItsPresets)
{
    const std::string library = Path("Library");
    for (const std::string& folder : {library, library + "/Bass", library + "/ambient"})
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0) << folder;
    for (const char* file : {"/Bass/Sub.prg", "/Bass/Acid.prg", "/Bass/notes.txt"})
        std::ofstream(library + file) << "x";
    const RUN_RESULT run = Run({"--list-presets", library + "/", ".prg"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Bass\n"
                       "  Acid\t" + library + "/Bass/Acid.prg\n"
                       "  Sub\t" + library + "/Bass/Sub.prg\n"
                       "ambient\n");
}

#ifdef MORVEX_PLUGIN_PATH

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
            setenv("XDG_DATA_HOME", m_previous.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }
    CScopedDataHome(const CScopedDataHome&) = delete;
    CScopedDataHome& operator=(const CScopedDataHome&) = delete;

private:
    bool m_hadPrevious = false;
    std::string m_previous;
};
} // namespace

// Through the Morvex plug-in built in this tree, found by default (no --plugin): 16 s of
// loop plus the default 2 s tail; a preset saved after the render lists the same values when
// loaded again, and a file that is no preset ends the run with 1.
TEST_F(CMorvexRenderCliTest, MorvexRendersAndSavesAPresetThatLoadsBack)
{
    const CScopedDataHome data(Path("data"));
    const RUN_RESULT plain = Run({"-o", Path("morvex.wav")});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const AUDIO_BUFFER audio = ReadAudio(Path("morvex.wav"));
    EXPECT_EQ(audio.NumFrames(), 705600 + 88200);

    const std::vector<std::string> settings = {"--set", "Volume=-6dB", "--set",
                                               "LayerA Delay Mix=35%", "--set-normalized",
                                               "Mod3 Gate=0.5"};
    std::vector<std::string> render = {"--plugin", MORVEX_PLUGIN_PATH, "--tempo", "960",
                                       "--tail", "0", "-o", Path("out.wav"), "--save-preset",
                                       Path("Saved Sound.prg")};
    render.insert(render.end(), settings.begin(), settings.end());
    ASSERT_EQ(Run(render).exitCode, 0);
    std::ifstream file(Path("Saved Sound.prg"), std::ios::binary | std::ios::ate);
    EXPECT_EQ(static_cast<long>(file.tellg()), 28248L);

    std::vector<std::string> listSet = {"--plugin", MORVEX_PLUGIN_PATH, "--list"};
    listSet.insert(listSet.end(), settings.begin(), settings.end());
    const RUN_RESULT expected = Run(listSet);
    const RUN_RESULT loaded =
        Run({"--plugin", MORVEX_PLUGIN_PATH, "--list", "--preset", Path("Saved Sound.prg")});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(loaded.out, expected.out);
    EXPECT_NE(Run({"--plugin", MORVEX_PLUGIN_PATH, "--list"}).out, expected.out);

    std::ofstream(Path("bad.prg")) << std::string(28248, '\0');
    const RUN_RESULT bad =
        Run({"--plugin", MORVEX_PLUGIN_PATH, "--list", "--preset", Path("bad.prg")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("is not a Morvex preset"), std::string::npos) << bad.err;
}

#endif
