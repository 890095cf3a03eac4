// The built morvex-render program as a user runs it: its exit status and the files it writes.
// Option parsing, parameter search, the loader, the renderer and the state files are tested
// in-process. Most runs host the pass-through fixture; the last renders through Morvex itself.
#include "AudioFile.h"
#include "LevelMeter.h"
#include "MorvexStateFile.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
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

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The folder is also the plug-in's data folder, so nothing outside it is read or written.
class CMorvexRenderCliTest : public ::testing::Test
{
protected:
    std::string Path(const std::string& name) const { return m_folder.GetPath() + "/" + name; }

    RUN_RESULT Run(const std::vector<std::string>& arguments) const
    {
        std::string command = "cd '" + m_folder.GetPath() + "' && '" MORVEX_RENDER_PATH "'";
        for (const std::string& argument : arguments)
            command += " '" + argument + "'";
        const int status = std::system((command + " >stdout.txt 2>stderr.txt").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(Path("stdout.txt")),
                ReadFile(Path("stderr.txt"))};
    }

    CTempDataFolder m_folder;
};
} // namespace

// Exit 0 with the file written; 3 with the file written when it holds non-finite samples; 1 for
// what the run finds wrong and 2 for a command line it cannot take, never with an output.
TEST_F(CMorvexRenderCliTest, ExitStatusAndTheFileWritten)
{
    AUDIO_BUFFER source;
    source.sampleRate = 22050;
    source.Resize(1000);
    for (std::size_t n = 0; n < 1000; ++n)
        source.left[n] = source.right[n] = 0.5f * std::sin(0.05f * static_cast<float>(n));
    std::string error;
    ASSERT_TRUE(CAudioFile::Write(Path("in.wav"), source, error)) << error;

    struct ROW
    {
        std::vector<std::string> arguments; // after --plugin FIXTURE unless they start with "-"
        int exitCode;
        const char* message; // part of stderr
        const char* file;    // written, or nullptr: no x.wav
        std::int64_t frames;
        int sampleRate;
    };
    const ROW rows[] = {
        // 8 bars at 120 BPM = 16 s = 705600 samples, plus 0.5 s = 22050 samples of tail.
        {{"-o", "loop.wav", "--tail", "0.5"}, 0, "", "loop.wav", 705600 + 22050, 44100},
        // Without -o: morvex-render.wav in the working directory; 32 beats at 150 BPM = 12.8 s.
        {{"--tempo", "150", "--rate", "48000", "--tail", "0"}, 0, "", "morvex-render.wav", 614400,
         48000},
        // An input file keeps its rate and gets the tail: 0.1 s at 22050 Hz.
        {{"in.wav", "out.aiff", "--tail", "0.1", "--block", "64"}, 0, "", "out.aiff", 3205, 22050},
        // Controller 3 makes the fixture write a NaN at the event's sample, in both channels.
        {{"--cc", "1000:3:127", "--cc", "1:7:100", "--block", "300", "--tail", "0", "-o", "cc.wav"},
         3, "the output holds 2 non-finite samples", "cc.wav", 705600, 44100},
        {{"missing.wav"}, 1, "input file not found", nullptr, 0, 0},
        {{"--set", "ix=50"}, 1, "did you mean: Mix", nullptr, 0, 0},
        {{"--chunk-in", "none.bin"}, 1, "chunk file not found", nullptr, 0, 0},
        {{"--cc", "99999999:1:1"}, 2, "past the end of the render", nullptr, 0, 0},
        {{"-", "--plugin", BAD_MAGIC_PLUGIN_PATH}, 1, "bad magic", nullptr, 0, 0},
        {{"-", "--block", "0"}, 2, "Try 'morvex-render --help'", nullptr, 0, 0},
        {{"-", "-o", "x.mp3"}, 2, "use .wav, .flac, .aif or .aiff", nullptr, 0, 0},
        {{"-", "--list-presets", "nowhere", ".prg"}, 1, "preset folder not found", nullptr, 0, 0},
        {{"-", "--plugin", LEGACY_ENTRY_PLUGIN_PATH, "--list"}, 0, "", nullptr, 0, 0},
        {{"-", "--help"}, 0, "", nullptr, 0, 0},
        {{"-", "--version"}, 0, "", nullptr, 0, 0},
    };
    for (const ROW& row : rows)
    {
        std::vector<std::string> arguments = row.arguments;
        SCOPED_TRACE(arguments[0] + " " + arguments.back());
        if (arguments[0] == "-")
            arguments.erase(arguments.begin());
        else
            arguments.insert(arguments.begin(), {"--plugin", PASSTHROUGH_PLUGIN_PATH});
        if (!row.file && arguments[0] == "--plugin")
            arguments.insert(arguments.end(), {"-o", "x.wav"});
        const RUN_RESULT run = Run(arguments);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
        if (!row.file)
        {
            EXPECT_FALSE(std::ifstream(Path("x.wav")).good()) << "no output without a render";
            continue;
        }
        AUDIO_BUFFER audio;
        int channels = 0;
        ASSERT_TRUE(CAudioFile::Read(Path(row.file), audio, channels, error)) << error;
        EXPECT_EQ(channels, 2);
        EXPECT_EQ(audio.NumFrames(), row.frames);
        EXPECT_EQ(audio.sampleRate, row.sampleRate);
        // Gain 0 dB, Mix 100 %: the input comes out as it went in; the loop peaks at -3 dBFS.
        CLevelMeter level;
        level.Add(audio.right.data(), audio.right.size());
        EXPECT_NEAR(level.PeakDb(), row.sampleRate == 22050 ? -6.02 : -3.0, 0.01);
        EXPECT_EQ(level.NumNonFinite(), row.exitCode == 3 ? 1 : 0);
        EXPECT_EQ(std::isnan(audio.left[1000]), row.exitCode == 3);
    }
}

// The fixture's chunk: magic, then Gain, Mode and Mix as floats. --set after --chunk-in wins.
TEST_F(CMorvexRenderCliTest, ChunkInRestoresTheStateAndSetValuesAfterItWin)
{
    const std::string fixture = PASSTHROUGH_PLUGIN_PATH;
    ASSERT_EQ(Run({"--plugin", fixture, "--tail", "0", "--set", "Gain=-6", "--set", "Mode=1/16D",
                   "-o", "a.wav", "--chunk-out", "a.bin"})
                  .exitCode,
              0);
    ASSERT_EQ(Run({"--plugin", fixture, "--tail", "0", "--chunk-in", "a.bin", "--set", "Mix=50",
                   "-o", "b.wav", "--chunk-out", "b.bin"})
                  .exitCode,
              0);
    float first[4] = {};
    float second[4] = {};
    ASSERT_EQ(ReadFile(Path("a.bin")).size(), sizeof(first));
    ASSERT_EQ(ReadFile(Path("b.bin")).size(), sizeof(second));
    std::memcpy(first, ReadFile(Path("a.bin")).data(), sizeof(first));
    std::memcpy(second, ReadFile(Path("b.bin")).data(), sizeof(second));
    EXPECT_NEAR(first[1], 0.5, 0.001); // -6 dB = -24 + 36 x 0.5
    EXPECT_GE(first[2], 0.75f);        // the last of four words
    EXPECT_EQ(first[3], 1.0f);
    EXPECT_EQ(second[1], first[1]);
    EXPECT_EQ(second[2], first[2]);
    EXPECT_NEAR(second[3], 0.5, 0.005);
}

TEST_F(CMorvexRenderCliTest, ListPresetsPrintsEachCategoryWithItsPresets)
{
    const std::string library = Path("Library");
    std::filesystem::create_directories(library + "/Bass");
    std::filesystem::create_directories(library + "/ambient");
    for (const char* file : {"/Bass/Sub.prg", "/Bass/Acid.prg", "/Bass/notes.txt"})
        std::ofstream(library + file) << "x";
    const RUN_RESULT run = Run({"--list-presets", library + "/", ".prg"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Bass\n  Acid\t" + library + "/Bass/Acid.prg\n  Sub\t" + library +
                           "/Bass/Sub.prg\nambient\n");
}

#ifdef MORVEX_PLUGIN_PATH
// Morvex found by default (no --plugin): 16 s of loop plus the default 2 s tail. A preset saved
// with settings and a factory envelope in modulator 3 lists the same values when loaded again;
// a file that is no preset, or a main preset given as a modulator preset, ends the run with 1.
TEST_F(CMorvexRenderCliTest, MorvexRendersAndSavesAPresetThatLoadsBack)
{
    const RUN_RESULT plain = Run({"-o", "morvex.wav"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    AUDIO_BUFFER audio;
    int channels = 0;
    std::string error;
    ASSERT_TRUE(CAudioFile::Read(Path("morvex.wav"), audio, channels, error)) << error;
    EXPECT_EQ(audio.NumFrames(), 705600 + 88200);

    std::string envelope;
    for (const auto& entry :
         std::filesystem::directory_iterator(MORVEX_PRESET_DIR "/Modulator Presets/Pumps"))
        envelope = entry.path().string();
    std::int32_t mode = -1;
    std::int32_t numSteps = 0;
    std::vector<std::uint8_t> body;
    ASSERT_TRUE(MorvexStateFile::ReadModulatorPreset(envelope, mode, numSteps, body, error));
    ASSERT_EQ(mode, 1); // an envelope

    const std::vector<std::string> list = {"--plugin", MORVEX_PLUGIN_PATH, "--list"};
    std::vector<std::string> set = list;
    set.insert(set.end(), {"--set", "Volume=-6dB", "--set", "Pan=L50", "--set",
                           "LayerA Delay Mix=35%", "--set-normalized", "Mod3 Gate=0.5",
                           "--mod-preset", "3=" + envelope});
    std::vector<std::string> save = set; // saved after a render too
    save.insert(save.end(), {"--tempo", "960", "--tail", "0", "-o", "out.wav", "--save-preset",
                             "Saved Sound.prg"});
    save.erase(save.begin() + 2); // no --list
    set.insert(set.end(), {"--save-preset", "Listed.prg"});
    ASSERT_EQ(Run(save).exitCode, 0);
    const std::string saved = ReadFile(Path("Saved Sound.prg"));
    EXPECT_EQ(saved.size(), 28248u);
    EXPECT_NE(saved.find(std::string(body.begin(), body.end())), std::string::npos);
    std::vector<std::string> load = list;
    load.insert(load.end(), {"--preset", "Saved Sound.prg"});
    const RUN_RESULT loaded = Run(load);
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(loaded.out, Run(set).out);
    EXPECT_EQ(ReadFile(Path("Listed.prg")).size(), 28248u);
    EXPECT_NE(loaded.out, Run(list).out);
    ASSERT_NE(loaded.out.find("Mod3 Mode"), std::string::npos);
    const std::string modeLine = loaded.out.substr(loaded.out.find("Mod3 Mode"), 40);
    EXPECT_NE(modeLine.substr(0, modeLine.find('\n')).find("Curve"), std::string::npos);

    std::ofstream(Path("bad.prg")) << std::string(28248, '\0');
    load.back() = "bad.prg";
    const RUN_RESULT bad = Run(load);
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("is not a Morvex preset"), std::string::npos) << bad.err;
    load.end()[-2] = "--mod-preset";
    load.back() = "1=Saved Sound.prg";
    EXPECT_EQ(Run(load).exitCode, 1);
}
#endif
