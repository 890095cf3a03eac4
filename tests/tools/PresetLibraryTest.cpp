// The factory preset library: every compiled file loads through the built plug-in and changes
// what the built-in loop sounds like; the compiler applies a source exactly and names the file
// and line of any mistake; installing the library twice leaves the user's own files alone.
#include "AudioBuffer.h"
#include "Common/wrappers/BaseEffect.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Common/wrappers/utilities/AlertDialog.h"
#include "Common/wrappers/utilities/BasePresetManager.h"
#include "DrumLoop.h"
#include "LevelMeter.h"
#include "MidiSchedule.h"
#include "Morvex.h"
#include "MorvexStateFile.h"
#include "PluginHost.h"
#include "PresetCompiler.h"
#include "Renderer.h"
#include "support/TempDataFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace morvex::render;

namespace
{
// Half the usual rate: the same two bars of every preset at a quarter of the cost.
constexpr int kSampleRate = 22050;
constexpr int kBlockSize = 512;

std::vector<std::string> FilesIn(const fs::path& folder, const std::string& extension)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
    {
        if (entry.is_regular_file() && entry.path().extension() == extension)
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Two bars of the built-in loop at 120 BPM through the built plug-in, with `preset` loaded
// (none: the factory state).
AUDIO_BUFFER Render(const std::string& presetPath)
{
    AUDIO_BUFFER input;
    CDrumLoop::Generate(kSampleRate, 120.0, input);
    input.Resize(4 * kSampleRate); // two bars
    AUDIO_BUFFER output;
    CPluginHost host;
    std::vector<char> preset, current, chunk;
    std::string error;
    bool loaded =
        host.Load(MORVEX_PLUGIN_PATH, error) && host.Open(kSampleRate, kBlockSize, error);
    if (loaded)
        host.Resume();
    if (loaded && !presetPath.empty())
        loaded = MorvexStateFile::ReadPresetFile(presetPath, preset, error) &&
                 host.GetChunk(current, error) &&
                 MorvexStateFile::BuildHostChunk(preset, presetPath, current, chunk, error) &&
                 host.SetChunk(chunk, error);
    if (!loaded)
    {
        ADD_FAILURE() << error;
        return output;
    }
    host.SetTransport(120.0, true);
    host.StartProcessing();
    CMidiSchedule midi;
    CRenderer(host, kBlockSize).Render(input, output, midi, nullptr);
    return output;
}

// A .mprg file as morvex-render reads it (the reader checks the whole file).
struct MODULATOR_FILE
{
    int32_t mode = -1;
    int32_t numSteps = 0;
    std::vector<uint8_t> body;
    std::string error;
};

MODULATOR_FILE ReadModulator(const std::string& path)
{
    MODULATOR_FILE file;
    EXPECT_TRUE(MorvexStateFile::ReadModulatorPreset(path, file.mode, file.numSteps, file.body,
                                                     file.error))
        << path << ": " << file.error;
    return file;
}

VstIntPtr SilentHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

bool NoAlert(const char*, const char*, bool)
{
    return true;
}
} // namespace

// Every factory preset, through the plug-in as a host loads it: finite, audible, and not the
// same as the factory state (a preset whose settings were lost would sound like it). The plug-in's
// own scan finds them in categories one level deep; every modulator preset is a whole .mprg file.
TEST(PresetLibraryTest, EveryFactoryPresetRendersTheLoopAudiblyAndDifferently)
{
    const fs::path root(MORVEX_PRESET_DIR);
    CBasePresetManager scan;
    scan.RebuildPresetVector((root / CPresetCompiler::kPluginFolder).c_str(), ".prg");
    EXPECT_GE(scan.GetPresetInfoVector().size(), 40u);
    EXPECT_GE(scan.GetPresetCategoryVector().size(), 6u);
    const std::vector<std::string> modulators =
        FilesIn(root / CPresetCompiler::kModulatorFolder, ".mprg");
    EXPECT_GE(modulators.size(), 24u);
    for (const std::string& path : modulators)
        ReadModulator(path);

    const std::vector<std::string> presets = FilesIn(root / CPresetCompiler::kPluginFolder, ".prg");
    ASSERT_GE(presets.size(), 40u);
    const AUDIO_BUFFER plain = Render("");
    ASSERT_FALSE(plain.left.empty());
    for (const std::string& path : presets)
    {
        SCOPED_TRACE(path);
        const AUDIO_BUFFER output = Render(path);
        ASSERT_EQ(output.left.size(), plain.left.size());
        CLevelMeter level;
        level.Add(output.left.data(), output.left.size());
        level.Add(output.right.data(), output.right.size());
        double largest = 0.0;
        for (size_t i = 0; i < output.left.size(); ++i)
            largest = std::max({largest, std::fabs(double(output.left[i]) - plain.left[i]),
                                std::fabs(double(output.right[i]) - plain.right[i])});
        EXPECT_EQ(level.NumNonFinite(), 0);
        EXPECT_GT(level.RmsDb(), -40.0);
        EXPECT_LE(level.PeakDb(), 6.0);
        EXPECT_GT(largest, 1e-3);
    }
}

class PresetCompilerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previousAlert = SetAlertHandler(&NoAlert);
        m_wrapper = static_cast<CVstWrapper*>(createEffectInstance(SilentHost));
        m_effect = m_wrapper->GetBaseEffect();
        m_folder = fs::path(m_data.GetPath()) / "sources";
    }
    void TearDown() override
    {
        delete m_wrapper;
        SetAlertHandler(m_previousAlert);
    }

    std::string Text(int id)
    {
        char text[64] = {};
        m_effect->GetParameterTextValue(id, text);
        return text;
    }

    template <typename T>
    std::vector<T> Block(int block, std::size_t count)
    {
        const auto* values = reinterpret_cast<const T*>(m_effect->GetRawParameterBlock(block));
        return std::vector<T>(values, values + count);
    }

    CTempDataFolder m_data;
    ALERT_HANDLER m_previousAlert = nullptr;
    CVstWrapper* m_wrapper = nullptr;
    CBaseEffect* m_effect = nullptr;
    fs::path m_folder;
};

// A source compiled and loaded back: the values in display units, the steps, the envelope and
// the layer order all arrive; what the source does not name stays at its default. A modulator
// source becomes a .mprg file with its mode, step count and pattern.
TEST_F(PresetCompilerTest, CompiledPresetsLoadBackWithEverySetting)
{
    WriteText(m_folder / "Gate.txt",
              "# a gate\n"
              "LayerA Delay Mix = 35%\n"
              "layera delay speed l = 1/8D   # names ignore case\n"
              "ModMtx01 Target = LayerA Filter Cutoff\n"
              "Mod2 Mode = Curve\n"
              "[Mod1 Steps]\n1 1\n2.5 0\n4 0.25\n"
              "[Mod2 Points]\n0 0 0\n3 1 -0.5\n"
              "[LayerB Order]\nGlitch Tremolo Delay Flanger LoFi Dist Filter\n");
    WriteText(m_folder / "Eighths.txt", "Mode = Steps\nNumSteps = 8\n[Steps]\n1 1\n2 0\n");
    CPresetCompiler compiler(m_effect);
    std::string error;
    ASSERT_TRUE(compiler.CompilePluginPreset((m_folder / "Gate.txt").string(),
                                             (m_folder / "Gate.prg").string(), error))
        << error;
    ASSERT_TRUE(compiler.CompileModulatorPreset((m_folder / "Eighths.txt").string(),
                                                (m_folder / "Eighths.mprg").string(), error))
        << error;

    m_effect->ResetPreset();
    ASSERT_TRUE(m_effect->LoadPreset((m_folder / "Gate.prg").c_str()));
    EXPECT_EQ(Text(MorvexParam::kDelayMix), "35%");
    EXPECT_EQ(Text(MorvexParam::kDelaySpeedL), "1/8D");
    EXPECT_EQ(Text(MorvexParam::kMtxTarget), "LayerA Filter Cutoff");
    EXPECT_EQ(Text(MorvexParam::kModMode + 1), "Curve");
    EXPECT_EQ(Text(MorvexParam::kDelayFeedback), "0%"); // not named: the default
    // Steps: then one unit each, silent. Points: -1 ends the list.
    EXPECT_EQ(Block<float>(kRawBlockSteps, 8), (std::vector<float>{1, 1, 2.5f, 0, 4, 0.25f, 5, 0}));
    EXPECT_EQ(Block<float>(kRawBlockMsegPoints + 1, 9),
              (std::vector<float>{0, 0, 0, 3, 1, -0.5f, -1, 0, 0}));
    EXPECT_EQ(Block<int32_t>(kRawBlockLayerOrder + 1, kModulesPerLayer),
              (std::vector<int32_t>{6, 5, 4, 3, 2, 1, 0}));

    const MODULATOR_FILE modulator = ReadModulator((m_folder / "Eighths.mprg").string());
    EXPECT_EQ(modulator.mode, 0); // steps
    EXPECT_EQ(modulator.numSteps, 8);
    float first[4] = {};
    std::memcpy(first, modulator.body.data(), sizeof(first));
    EXPECT_EQ(std::vector<float>(first, first + 4), (std::vector<float>{1, 1, 2, 0}));
}

// Mistakes in a source: each one is refused with the file and the line, and no file is left.
TEST_F(PresetCompilerTest, MistakesNameTheFileAndLine)
{
    struct CASE
    {
        bool plugin;
        const char* text;
        const char* where;   // "file:line:" expected in the message
        const char* message; // part of the message
    };
    const CASE cases[] = {
        {true, "Volume = -3\n\nLayerA Dleay Mix = 20%\n",
         ":3: ", "unknown parameter 'LayerA Dleay Mix'"},
        {true, "LayerA Delay Mix = loud\n", ":1: ", "LayerA Delay Mix"},
        {true, "Volume -3\n", ":1: ", "Parameter Name = value"},
        {true, "[Mod1 Steps]\n1 1\n0.5 1\n", ":3: ", "above the previous end"},
        {true, "[Mod9 Steps]\n1 1\n", ":1: ", "unknown section"},
        {true, "[LayerA Order]\nFilter Filter Dist LoFi Flanger Delay Tremolo\n",
         ":2: ", "'Filter'"},
        {true, "[Mod1 Points]\n0 0 0\n1 2 0\n", ":3: ", "level 0..1"},
        {false, "Mode = Steps\nNumSteps = 40\n[Steps]\n1 1\n", ":2: ", "NumSteps = 2..32"},
        {false, "Mode = Curve\n[Steps]\n1 1\n", ":2: ", "[Points]"},
    };
    CPresetCompiler compiler(m_effect);
    int index = 0;
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.text);
        const fs::path source = m_folder / ("Case" + std::to_string(index++) + ".txt");
        const fs::path out = fs::path(source).replace_extension(c.plugin ? ".prg" : ".mprg");
        WriteText(source, c.text);
        std::string error;
        const bool ok = c.plugin
                            ? compiler.CompilePluginPreset(source.string(), out.string(), error)
                            : compiler.CompileModulatorPreset(source.string(), out.string(), error);
        EXPECT_FALSE(ok);
        EXPECT_NE(error.find(source.string() + c.where), std::string::npos) << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_FALSE(fs::exists(out));
    }
}

// A whole tree: the library layout, a second run replacing the first (a dropped source leaves
// no file), and a folder of someone else's files refused untouched.
TEST_F(PresetCompilerTest, LibraryRunReplacesItsOwnOutputOnly)
{
    const fs::path sources = m_folder / "tree";
    const fs::path out = m_folder / "out";
    WriteText(sources / "plugin/Quiet/Minus Six.txt", "Volume = -6\n");
    WriteText(sources / "plugin/Quiet/Minus Three.txt", "Volume = -3\n");
    WriteText(sources / "modulator/Gates/Eighths.txt", "Mode = Steps\n[Steps]\n1 1\n2 0\n");
    CPresetCompiler compiler(m_effect);
    std::vector<std::string> written;
    std::string error;
    ASSERT_TRUE(compiler.CompileLibrary(sources.string(), out.string(), written, error)) << error;
    EXPECT_EQ(written, (std::vector<std::string>{"Modulator Presets/Gates/Eighths.mprg",
                                                 "Plug-In Presets/Quiet/Minus Six.prg",
                                                 "Plug-In Presets/Quiet/Minus Three.prg"}));

    fs::remove(sources / "plugin/Quiet/Minus Three.txt");
    written.clear();
    ASSERT_TRUE(compiler.CompileLibrary(sources.string(), out.string(), written, error)) << error;
    EXPECT_EQ(written.size(), 2u);
    EXPECT_FALSE(fs::exists(out / "Plug-In Presets/Quiet/Minus Three.prg"));

    const fs::path someoneElses = m_folder / "data";
    WriteText(someoneElses / "Plug-In Presets/User/Mine.prg", "mine");
    EXPECT_FALSE(compiler.CompileLibrary(sources.string(), someoneElses.string(), written, error));
    EXPECT_EQ(ReadText(someoneElses / "Plug-In Presets/User/Mine.prg"), "mine");
}

// Installing twice: the factory files are replaced, a preset the newer library dropped goes,
// and the user's files stay (in "User", in a category the user made, and beside the factory
// presets in a factory category), as does a user's file named like a new factory preset.
TEST(PresetInstallTest, InstallingAgainKeepsEverythingOfTheUsers)
{
    CTempDataFolder temp;
    const fs::path root(temp.GetPath());
    const fs::path data = root / "Brenwick" / "Morvex";
    const fs::path library = root / "library";
    const std::string plugin = "Plug-In Presets/";
    const std::string modulator = "Modulator Presets/";
    WriteText(library / (plugin + "Drums/Punch.prg"), "punch 1");
    WriteText(library / (plugin + "Drums/Old.prg"), "old");
    WriteText(library / (modulator + "Gates/Eighths.mprg"), "eighths");
    const std::string install = std::string("bash '") + INSTALL_LIBRARY_SCRIPT + "' '" +
                                library.string() + "' '" + data.string() + "' 2>/dev/null >&2";
    ASSERT_EQ(std::system(install.c_str()), 0);
    EXPECT_EQ(ReadText(data / (plugin + "Drums/Punch.prg")), "punch 1");

    const std::vector<std::pair<std::string, std::string>> users = {
        {plugin + "User/Mine.prg", "mine"},     {plugin + "My Beats/Beat.prg", "beat"},
        {plugin + "Drums/My Own.prg", "own"},   {plugin + "Drums/New.prg", "my new"},
        {modulator + "User/Gate.mprg", "gate"}, {plugin + "Default Preset.prg", "default"},
    };
    for (const auto& [path, text] : users)
        WriteText(data / path, text);

    // The next library: one preset changed, one dropped, one added with a user's file's name.
    fs::remove(library / (plugin + "Drums/Old.prg"));
    WriteText(library / (plugin + "Drums/Punch.prg"), "punch 2");
    WriteText(library / (plugin + "Drums/New.prg"), "factory new");
    ASSERT_EQ(std::system(install.c_str()), 0);

    EXPECT_EQ(ReadText(data / (plugin + "Drums/Punch.prg")), "punch 2");
    EXPECT_FALSE(fs::exists(data / (plugin + "Drums/Old.prg")));
    EXPECT_EQ(ReadText(data / (modulator + "Gates/Eighths.mprg")), "eighths");
    for (const auto& [path, text] : users)
        EXPECT_EQ(ReadText(data / path), text) << path;

    // Nothing else appeared among the presets: no temporary files left behind.
    std::set<std::string> expected = {plugin + "Drums/Punch.prg", modulator + "Gates/Eighths.mprg"};
    for (const auto& user : users)
        expected.insert(user.first);
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(data))
    {
        const std::string relative = fs::relative(entry.path(), data).string();
        if (entry.is_regular_file() && relative != "factory-library.manifest")
            found.insert(relative);
    }
    EXPECT_EQ(found, expected);
}
