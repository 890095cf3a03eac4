// The plug-in's state as the host and the preset files hold it: the format byte by byte,
// what CMorvex adds to the base effect's reader (older versions, factory blocks, default
// preset), and damaged or foreign data, which must change nothing or be made safe.
#include "support/ChunkBytes.h"
#include "support/CountingEditor.h"
#include "support/HostRecorder.h"
#include "support/StateBytes.h"
#include "support/TempDataFolder.h"

#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Common/wrappers/utilities/AlertDialog.h"
#include "Morvex.h"
#include "Preferences.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace MorvexParam;
using namespace ChunkBytes;
using namespace StateBytes;

namespace
{
// Offsets of the format, by hand: magic 4 + version 4, path 2048 -> 2056; the
// MIDI map (host chunks only) 128 x 4 = 512 -> 2568; 312 values x 4 = 1248.
constexpr size_t kPathAt = 8;
constexpr size_t kMidiMapAt = 2056;
constexpr size_t kHostValuesAt = 2568;
constexpr size_t kPresetValuesAt = 2056;
constexpr size_t kHostRecordsAt = kHostValuesAt + 312 * 4; // 3816
// Records: 2 x (12 + 28) + 8 x ((12 + 768) + (12 + 256) + (12 + 2048)) = 80 + 24864 = 24944.
constexpr size_t kHostChunkSize = 3816 + 24944;   // 28760
constexpr size_t kPresetChunkSize = 3304 + 24944; // 28248

struct BLOCK
{
    int id, size;
};

// Registration order: the two layer orders, then per modulator points, steps, path.
std::vector<BLOCK> ExpectedBlocks()
{
    std::vector<BLOCK> blocks = {{10001, 28}, {10002, 28}};
    for (int k = 0; k < 8; ++k)
    {
        blocks.push_back({10003 + k, 768});
        blocks.push_back({10011 + k, 256});
        blocks.push_back({10019 + k, 2048});
    }
    return blocks;
}

bool SameBlock(CMorvex* a, CMorvex* b, const BLOCK& block)
{
    return std::memcmp(a->GetRawParameterBlock(block.id), b->GetRawParameterBlock(block.id),
                       static_cast<size_t>(block.size)) == 0;
}

std::vector<std::string> g_alerts;

bool RecordAlert(const char* title, const char* message, bool)
{
    g_alerts.push_back(std::string(title) + "|" + message);
    return true;
}

// Limits the size of any file this process writes (a full disk, also for root).
class CFileSizeLimit
{
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_saved{};
    void (*m_previousHandler)(int) = nullptr;
};

class CMorvexStateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_alerts.clear();
        m_previousAlert = SetAlertHandler(&RecordAlert);
        m_effect = Another(&m_wrapper);
        m_host.Clear();
    }
    void TearDown() override
    {
        for (CVstWrapper* wrapper : m_wrappers)
            delete wrapper;
        SetAlertHandler(m_previousAlert);
    }

    // A new instance, deleted by the fixture.
    CMorvex* Another(CVstWrapper** wrapper = nullptr)
    {
        m_wrappers.push_back(static_cast<CVstWrapper*>(createEffectInstance(&CHostRecorder::Callback)));
        if (wrapper)
            *wrapper = m_wrappers.back();
        return static_cast<CMorvex*>(m_wrappers.back()->GetBaseEffect());
    }

    std::string ProgramName()
    {
        char name[kVstMaxProgNameLen + 1] = {};
        m_wrapper->getProgramName(name);
        return name;
    }

    // Moves many parameters, the MIDI map and every kind of block away from the
    // defaults, through the host's path (so switches redeclare what they govern).
    CMorvex* Changed()
    {
        CVstWrapper* wrapper = nullptr;
        CMorvex* effect = Another(&wrapper);
        for (int id = 0; id < kNumParameters; id += 3)
            wrapper->setParameter(id, 0.3f);
        wrapper->setParameter(kDelaySync, 0.0f); // free speeds in milliseconds
        wrapper->setParameter(kDelaySpeedL, 0.7f);
        wrapper->setParameter(kGlitchBuffer + 1, 1.0f);
        wrapper->setParameter(kGlitchScale + 1, 0.5f);
        wrapper->setParameter(kFlangerMode + 1, 1.0f);
        wrapper->setParameter(kReverbInput, 0.0f);
        wrapper->setParameter(kPower, 1.0f);
        effect->ActivateMidiLearn(kVolume, true);
        effect->OnMidiCC(7, 0.5f);
        const int32_t order[7] = {6, 5, 4, 3, 2, 1, 0};
        effect->SetRawParameterBlock(10002, order);
        effect->SetRawParameterBlock(10005, Bytes(768, 0x3C).data());
        effect->SetRawParameterBlock(10018, Bytes(256, 0x3D).data());
        char path[2048] = "/presets/Bounce.mprg";
        effect->SetRawParameterBlock(10026, path);
        return effect;
    }

    CTempDataFolder m_folder;
    CHostRecorder m_host;
    std::vector<CVstWrapper*> m_wrappers;
    CVstWrapper* m_wrapper = nullptr;
    CMorvex* m_effect = nullptr;
    ALERT_HANDLER m_previousAlert = nullptr;
};
} // namespace

TEST_F(CMorvexStateTest, HostChunkLayoutFieldByField)
{
    const std::string presetPath = m_folder.GetPath() + "/My Beat.prg";
    ASSERT_TRUE(m_effect->SavePreset(presetPath.c_str()));
    m_effect->ActivateMidiLearn(kDryWet, true);
    m_effect->OnMidiCC(74, 1.0f);
    m_wrapper->setParameter(kVolume, 0.25f); // -24 + 48 x 0.25 = -12 dB

    const Bytes chunk = Chunk(m_effect);
    ASSERT_EQ(chunk.size(), kHostChunkSize);
    // Magic 0x4D767851 little-endian: the bytes "QxvM"; version 1140 = 0x474.
    EXPECT_EQ(std::string(chunk.begin(), chunk.begin() + 4), "QxvM");
    EXPECT_EQ(chunk[4], 0x74);
    EXPECT_EQ(chunk[5], 0x04);
    EXPECT_EQ(I32(chunk, 4), 1140);
    // Path: the text, then zeros up to 2056.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&chunk[kPathAt])), presetPath);
    for (size_t i = kPathAt + presetPath.size(); i < kMidiMapAt; ++i)
        ASSERT_EQ(chunk[i], 0) << i;
    // MIDI map: controller 74 -> parameter 4, all others -1.
    for (size_t controller = 0; controller < 128; ++controller)
        EXPECT_EQ(I32(chunk, kMidiMapAt + 4 * controller), controller == 74 ? kDryWet : -1);
    // Values in id order, unscaled.
    for (int id = 0; id < kNumParameters; ++id)
        ASSERT_EQ(F32(chunk, kHostValuesAt + 4 * static_cast<size_t>(id)),
                  m_effect->GetParameterInfo(id)->value)
            << id;
    EXPECT_EQ(F32(chunk, kHostValuesAt + 4 * kVolume), -12.0f);
    EXPECT_EQ(F32(chunk, kHostValuesAt + 4 * kEqMidFreq), 1650.0f);
    EXPECT_EQ(F32(chunk, kHostValuesAt + 4 * kReverbInput), 1.0f);

    // Records in registration order: marker 1, id, size, data.
    size_t at = kHostRecordsAt;
    for (const BLOCK& block : ExpectedBlocks())
    {
        ASSERT_EQ(I32(chunk, at), 1) << block.id;
        ASSERT_EQ(I32(chunk, at + 4), block.id);
        ASSERT_EQ(I32(chunk, at + 8), block.size);
        EXPECT_EQ(std::memcmp(&chunk[at + 12], m_effect->GetRawParameterBlock(block.id),
                              static_cast<size_t>(block.size)),
                  0);
        at += 12 + static_cast<size_t>(block.size);
    }
    EXPECT_EQ(at, chunk.size());
    // A preset chunk is the same without the map; null out-pointers build nothing.
    const Bytes preset = Chunk(m_effect, true);
    ASSERT_EQ(preset.size(), kPresetChunkSize);
    EXPECT_TRUE(std::equal(chunk.begin(), chunk.begin() + kMidiMapAt, preset.begin()));
    EXPECT_TRUE(std::equal(preset.begin() + kPresetValuesAt, preset.end(),
                           chunk.begin() + kHostValuesAt));
    int size = -1;
    m_effect->GetChunk(nullptr, &size, false);
    EXPECT_EQ(size, -1);
}

TEST_F(CMorvexStateTest, HostChunkRoundTripIsByteExact)
{
    CMorvex* source = Changed();
    const Bytes chunk = Chunk(source);
    CCountingEditor editor;
    m_effect->SetEditor(&editor);
    Load(m_effect, chunk);
    EXPECT_EQ(editor.m_updates, 1);
    EXPECT_EQ(Chunk(m_effect), chunk);
    EXPECT_EQ(m_effect->GetMidiMapEntry(7), kVolume);
    // The speed came back in the free shape its switch implies.
    EXPECT_EQ(m_effect->GetParameterInfo(kDelaySpeedL)->curve, kCurveOctave);
    m_effect->ResetPreset();
    EXPECT_EQ(editor.m_updates, 2);
    m_effect->SetEditor(nullptr);
}

TEST_F(CMorvexStateTest, Version1090ChunkHas307ValuesAndResetsTheNewParameters)
{
    CMorvex* source = Changed();
    const Bytes current = Chunk(source);
    // A 1090 chunk: same header, path and map, values 0..306 only, then the records.
    Bytes old(current.begin(), current.begin() + kHostValuesAt + 307 * 4);
    PutI32(old, 4, 1090);
    old.insert(old.end(), current.begin() + kHostRecordsAt, current.end());
    ASSERT_EQ(old.size(), kHostChunkSize - 5 * 4);

    // Ids 307..311 away from their defaults before loading, one of them locked.
    for (int id = 307; id <= 311; ++id)
        m_effect->SetParameterScaled(id, 1.0f - m_effect->GetParameterScaled(id, false, false, 0));
    m_effect->SetParameterLock(kReverbInput, true);
    Load(m_effect, old);
    for (int id = 0; id < kNumParameters; ++id)
    {
        const PARAMETER_INFO* info = m_effect->GetParameterInfo(id);
        ASSERT_EQ(info->value, id < 307 ? source->GetParameterInfo(id)->value : info->defaultValue)
            << id;
    }
    // Records read from 2568 + 307 x 4 = 3796.
    EXPECT_TRUE(SameBlock(m_effect, source, {10002, 28}));
    EXPECT_TRUE(SameBlock(m_effect, source, {10026, 2048}));
}

TEST_F(CMorvexStateTest, PresetRoundTripKeepsParametersAndBlocksButNotTheMidiMap)
{
    CMorvex* source = Changed();
    const std::string path = m_folder.GetPath() + "/Round.prg";
    ASSERT_TRUE(source->SavePreset(path.c_str()));
    const Bytes file = ReadFile(path);
    ASSERT_EQ(file.size(), kPresetChunkSize);
    EXPECT_EQ(file[kPathAt], 0); // the path current before saving (none here)

    m_effect->ActivateMidiLearn(kPan, true);
    m_effect->OnMidiCC(1, 0.0f);
    m_host.Clear();
    ASSERT_TRUE(m_effect->LoadPreset(path.c_str()));
    // Values and blocks as saved.
    const Bytes loaded = Chunk(m_effect, true);
    EXPECT_TRUE(std::equal(loaded.begin() + kPresetValuesAt, loaded.end(),
                           file.begin() + kPresetValuesAt));
    EXPECT_EQ(m_effect->GetMidiMapEntry(1), kPan);
    EXPECT_EQ(m_effect->GetMidiMapEntry(7), -1);
    EXPECT_EQ(ProgramName(), "Round");
    // The host learns the new name; a host chunk carries it along; a reset clears it.
    bool displayUpdated = false;
    for (const HOST_CALL& call : m_host.Calls())
        displayUpdated |= call.opcode == audioMasterUpdateDisplay;
    EXPECT_TRUE(displayUpdated);
    CMorvex* other = Another();
    Load(other, Chunk(m_effect));
    EXPECT_EQ(other->GetCurrentProgramName(), "Round");
    m_effect->ResetPreset();
    EXPECT_EQ(ProgramName(), "Default Preset");
}

TEST_F(CMorvexStateTest, LockedParametersKeepTheirValueButTheHostHearsEveryValue)
{
    CMorvex* source = Another();
    source->SetParameterUnscaled(kVolume, 6.0f);
    source->SetParameterUnscaled(kEqBass, 3.0f);
    const Bytes chunk = Chunk(source);
    const std::string path = m_folder.GetPath() + "/Locked.prg";
    ASSERT_TRUE(source->SavePreset(path.c_str()));

    m_effect->SetParameterUnscaled(kVolume, -6.0f);
    m_effect->SetParameterLock(kVolume, true);
    m_host.Clear();
    const auto expectAllToldOnce = [this](float eqBass)
    {
        EXPECT_EQ(m_effect->GetParameterInfo(kVolume)->value, -6.0f);
        EXPECT_EQ(m_effect->GetParameterInfo(kEqBass)->value, eqBass);
        std::vector<int> told(kNumParameters, 0);
        for (const HOST_CALL& call : m_host.Calls())
        {
            if (call.opcode != audioMasterAutomate)
                continue;
            ASSERT_TRUE(call.index >= 0 && call.index < kNumParameters);
            ++told[static_cast<size_t>(call.index)];
            EXPECT_FLOAT_EQ(call.value, m_effect->GetParameterScaled(call.index, false, false, 0));
        }
        EXPECT_EQ(told, std::vector<int>(kNumParameters, 1));
        m_host.Clear();
    };
    Load(m_effect, chunk);
    expectAllToldOnce(3.0f);
    m_effect->SetParameterUnscaled(kEqBass, 0.0f);
    ASSERT_TRUE(m_effect->LoadPreset(path.c_str()));
    expectAllToldOnce(3.0f);
    m_effect->ResetPreset();
    expectAllToldOnce(0.0f);
    m_effect->SetParameterLock(kVolume, false);
    m_effect->ResetPreset();
    EXPECT_EQ(m_effect->GetParameterInfo(kVolume)->value, 0.0f);
}

TEST_F(CMorvexStateTest, FilesAndChunksThatAreNoStateChangeNothing)
{
    const Bytes before = Chunk(m_effect);
    Bytes chunk = Chunk(Changed());
    m_host.Clear();
    EXPECT_FALSE(m_effect->LoadPreset((m_folder.GetPath() + "/missing.prg").c_str()));
    EXPECT_FALSE(m_effect->LoadPreset(nullptr));
    EXPECT_FALSE(m_effect->LoadPreset(""));
    EXPECT_FALSE(m_effect->LoadPreset(m_folder.GetPath().c_str())); // a folder
    const std::string file = m_folder.GetPath() + "/Notes.prg";
    for (const Bytes& bytes : {Bytes(100, 'x'), Bytes{'Q', 'x', 'v', 'M', 0x74, 0x04}})
    {
        WriteFile(file, bytes); // text, and the magic with half a version
        EXPECT_FALSE(m_effect->LoadPreset(file.c_str()));
    }
    m_effect->SetChunk(nullptr, 100, false);
    m_effect->SetChunk(chunk.data(), 0, false);
    m_effect->SetChunk(chunk.data(), -5, false);
    for (size_t size = 0; size < 8; ++size)
        Load(m_effect, chunk, size);
    chunk[3] = 'N'; // "QxvN"
    Load(m_effect, chunk);
    EXPECT_EQ(m_wrapper->setChunk(chunk.data(), static_cast<VstInt32>(chunk.size()), false), 0);
    EXPECT_EQ(Chunk(m_effect), before);
    EXPECT_EQ(ProgramName(), "Default Preset");
    EXPECT_TRUE(m_host.Calls().empty());
}

TEST_F(CMorvexStateTest, TruncatedChunksEndWhereTheDataEnds)
{
    // (Every length at random is the chunk fuzz target's.)
    const Bytes full = Chunk(Changed());
    const Bytes defaults = Chunk(m_effect);
    // The record of 10005 is the 7th, after 10001 10002 10003 10011 10019 10004.
    const size_t record = kHostRecordsAt + 2 * 40 + (12 + 768) + (12 + 256) + (12 + 2048) +
                          (12 + 768);
    // (bytes given, bytes of the state taken; the rest keeps its contents). Inside the path:
    // nothing. Two bytes into value 10: the map and values 0..9. Inside the record of 10005:
    // everything before it.
    const std::pair<size_t, size_t> cuts[] = {{kPathAt + 2047, kPathAt},
                                              {kHostValuesAt + 42, kHostValuesAt + 40},
                                              {record + 12 + 767, record}};
    for (const auto& [size, kept] : cuts)
    {
        CMorvex* fresh = Another();
        Load(fresh, full, size);
        Bytes expected(full.begin(), full.begin() + static_cast<long>(kept));
        expected.insert(expected.end(), defaults.begin() + static_cast<long>(kept), defaults.end());
        EXPECT_EQ(Chunk(fresh), expected) << size;
    }
}

TEST_F(CMorvexStateTest, HostileFieldsAreMadeSafe)
{
    Bytes chunk = Chunk(m_effect);
    PutF32(chunk, kHostValuesAt + 4 * kVolume, std::nanf(""));           // -> default 0
    PutF32(chunk, kHostValuesAt + 4 * kReverbSize, INFINITY);            // -> default 75
    PutF32(chunk, kHostValuesAt + 4 * kPan, -1000.0f);                   // -> min -1
    PutF32(chunk, kHostValuesAt + 4 * kEqBassFreq, 1e9f);                // -> max 100
    PutF32(chunk, kHostValuesAt + 4 * kMtxTarget, 400.0f);               // -> max 311
    PutI32(chunk, kMidiMapAt + 4 * 3, 999);                              // -> -1
    PutI32(chunk, kMidiMapAt + 4 * 4, -7);                               // -> -1
    PutI32(chunk, kMidiMapAt + 4 * 5, 311);                              // kept
    std::fill(chunk.begin() + kPathAt, chunk.begin() + kMidiMapAt, 'A'); // no terminator
    // The path block of modulator 1 without a terminator.
    const size_t pathBlockAt = kHostRecordsAt + 2 * 40 + (12 + 768) + (12 + 256) + 12;
    ASSERT_EQ(I32(chunk, pathBlockAt - 8), 10019);
    std::fill_n(chunk.begin() + static_cast<long>(pathBlockAt), 2048, 'B');
    m_effect->SetParameterUnscaled(kVolume, 5.0f);
    Load(m_effect, chunk);

    EXPECT_EQ(m_effect->GetParameterInfo(kVolume)->value, 0.0f);
    EXPECT_EQ(m_effect->GetParameterInfo(kReverbSize)->value, 75.0f);
    EXPECT_EQ(m_effect->GetParameterInfo(kPan)->value, -1.0f);
    EXPECT_EQ(m_effect->GetParameterInfo(kEqBassFreq)->value, 100.0f);
    EXPECT_EQ(m_effect->GetParameterInfo(kMtxTarget)->value, 311.0f);
    EXPECT_EQ(m_effect->GetMidiMapEntry(3), -1);
    EXPECT_EQ(m_effect->GetMidiMapEntry(4), -1);
    EXPECT_EQ(m_effect->GetMidiMapEntry(5), 311);
    // 2047 characters and the terminator; the program name has no extension dot.
    EXPECT_EQ(m_effect->GetCurrentProgramName(), std::string(2047, 'A'));
    const uint8_t* block = m_effect->GetRawParameterBlock(10019);
    EXPECT_EQ(block[2046], 'B');
    EXPECT_EQ(block[2047], 0);
}

TEST_F(CMorvexStateTest, MismatchedBlockRecordsAreSkippedBySize)
{
    CMorvex* factory = Another();
    CMorvex* source = Changed();
    const Bytes full = Chunk(source);
    const size_t second = kHostRecordsAt + 40;
    const size_t lastRecord = full.size() - 12 - 2048;
    ASSERT_EQ(I32(full, lastRecord + 4), 10026);
    struct CASE
    {
        const char* name;
        size_t at;     // field to overwrite
        int32_t value; // its new value
        std::vector<BLOCK> fromSource, fromFactory;
    };
    const CASE cases[] = {
        // Record 2 (10002) claims 24 bytes: it is skipped as 24 bytes and the rest loads.
        {"wrong size", second + 8, 24, {{10005, 768}, {10026, 2048}}, {{10002, 28}}},
        // An unknown id is skipped; a size running past the end stops reading there.
        {"unknown id", second + 4, 12345, {{10018, 256}}, {{10002, 28}}},
        {"past the end", lastRecord + 8, 2049, {{10018, 256}}, {{10026, 2048}}},
        // A negative size ends reading as well.
        {"negative size", kHostRecordsAt + 8, -28, {}, {{10001, 28}, {10005, 768}}},
    };
    for (const CASE& c : cases)
    {
        SCOPED_TRACE(c.name);
        Bytes chunk = full;
        PutI32(chunk, c.at, c.value);
        if (c.value == 24) // the record really is 24 bytes long
            chunk.erase(chunk.begin() + static_cast<long>(second + 12 + 24),
                        chunk.begin() + static_cast<long>(second + 40));
        CMorvex* loaded = Another();
        Load(loaded, chunk);
        for (const BLOCK& block : c.fromSource)
            EXPECT_TRUE(SameBlock(loaded, source, block)) << block.id;
        for (const BLOCK& block : c.fromFactory)
            EXPECT_TRUE(SameBlock(loaded, factory, block)) << block.id;
    }
}

TEST_F(CMorvexStateTest, FailedSaveKeepsTheOldFileAndThePresetPath)
{
    const std::string beat = m_folder.GetPath() + "/My Beat.prg";
    ASSERT_TRUE(m_effect->SavePreset(beat.c_str()));
    const Bytes oldFile = ReadFile(beat);
    EXPECT_TRUE(g_alerts.empty());
    m_wrapper->setParameter(kVolume, 0.1f);
    EXPECT_FALSE(m_effect->SavePreset((m_folder.GetPath() + "/none/x.prg").c_str()));
    ASSERT_EQ(g_alerts.size(), 1u);
    EXPECT_EQ(g_alerts[0], "File cannot be saved|The file has not been saved, please check if "
                           "you have sufficient permissions to create files in the specified "
                           "location");
    // A write that fails half-way over the existing file (a full disk): the old file stays
    // and no temporary file is left behind.
    {
        CFileSizeLimit limit(4096);
        EXPECT_FALSE(m_effect->SavePreset(beat.c_str()));
    }
    EXPECT_EQ(g_alerts.size(), 2u);
    EXPECT_EQ(ReadFile(beat), oldFile);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.GetPath()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"My Beat.prg"});
    EXPECT_EQ(ProgramName(), "My Beat");
}

TEST_F(CMorvexStateTest, DefaultPresetAndPreferencesComeFromTheDataFolder)
{
    const Bytes factory = Chunk(m_effect);
    ASSERT_FALSE(std::filesystem::exists(m_folder.GetPresetFolder()));
    CMorvex* changed = Changed();
    ASSERT_TRUE(changed->MakeDefaultPreset()); // creates "Plug-In Presets"
    EXPECT_EQ(changed->GetDefaultPresetPath(), m_folder.GetDefaultPresetPath());
    const Bytes user = Chunk(changed, true);

    // A new instance starts in the user's default, without calling the host back
    // while it is being created.
    m_host.Clear();
    CMorvex* other = Another();
    for (const HOST_CALL& call : m_host.Calls())
        EXPECT_NE(call.opcode, audioMasterAutomate);
    // Equal but for the path field (the new instance has the default preset as
    // its current one; the saved file holds the path from before saving).
    const auto equalFrom = [](const Bytes& a, const Bytes& b, size_t at)
    { return a.size() == b.size() && std::equal(a.begin() + at, a.end(), b.begin() + at); };
    EXPECT_TRUE(equalFrom(Chunk(other, true), user, kMidiMapAt));
    EXPECT_EQ(other->GetCurrentProgramName(), "Default Preset");
    // A reset ends in the user's default until that is reset: then the factory defaults.
    other->ResetPreset();
    EXPECT_TRUE(equalFrom(Chunk(other, true), user, kMidiMapAt));
    other->ResetDefaultPreset();
    EXPECT_FALSE(std::filesystem::exists(m_folder.GetDefaultPresetPath()));
    EXPECT_TRUE(equalFrom(Chunk(other), factory, kHostValuesAt));
    other->ResetPreset();
    EXPECT_TRUE(equalFrom(Chunk(other), factory, kHostValuesAt));
    EXPECT_EQ(other->GetCurrentProgramName(), "");

    EXPECT_EQ(m_effect->GetPreferences()->GetCompactGuiMode(), -1);
    // Signature 0xD3364984 and compact mode 1; the rest of the file missing.
    WriteFile(m_folder.GetMorvexFolder() + "/prefs.bin", {0x84, 0x49, 0x36, 0xD3, 1, 0, 0, 0});
    EXPECT_EQ(Another()->GetPreferences()->GetCompactGuiMode(), 1);
}
