#include "support/ChunkBytes.h"
#include "support/TempDataFolder.h"

#include "Common/wrappers/EffectEditor.h"
#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Common/wrappers/utilities/AlertDialog.h"
#include "Morvex.h"
#include "Preferences.h"

#include "support/CountingEditor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace MorvexParam;
using namespace ChunkBytes;

namespace
{
// Offsets of the format, by hand: magic 4 + version 4, path 2048 -> 2056; the
// MIDI map (host chunks only) 128 x 4 = 512 -> 2568; 312 values x 4 = 1248.
constexpr size_t kPathAt = 8;
constexpr size_t kMidiMapAt = 2056;
constexpr size_t kHostValuesAt = 2568;
constexpr size_t kPresetValuesAt = 2056;
constexpr size_t kHostRecordsAt = kHostValuesAt + 312 * 4;     // 3816
constexpr size_t kPresetRecordsAt = kPresetValuesAt + 312 * 4; // 3304
// Records: 2 x (12 + 28) + 8 x ((12 + 768) + (12 + 256) + (12 + 2048)) = 80 + 24864 = 24944.
constexpr size_t kHostChunkSize = 3816 + 24944;   // 28760
constexpr size_t kPresetChunkSize = 3304 + 24944; // 28248

struct BLOCK
{
    int id;
    int size;
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

struct HOST_CALL
{
    int opcode;
    int index;
    float value;
};

std::vector<HOST_CALL>* g_hostCalls = nullptr;

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float value)
{
    if (g_hostCalls)
        g_hostCalls->push_back({opcode, index, value});
    return opcode == audioMasterVersion ? 2400 : 0;
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
        g_hostCalls = &m_hostCalls;
        g_alerts.clear();
        m_previousAlert = SetAlertHandler(&RecordAlert);
        m_wrapper = NewInstance();
        m_effect = EffectOf(m_wrapper);
        m_hostCalls.clear();
    }
    void TearDown() override
    {
        for (CVstWrapper* wrapper : m_others)
            delete wrapper;
        delete m_wrapper;
        SetAlertHandler(m_previousAlert);
        g_hostCalls = nullptr;
    }

    static CVstWrapper* NewInstance()
    {
        return static_cast<CVstWrapper*>(createEffectInstance(HostCallback));
    }
    static CMorvex* EffectOf(CVstWrapper* wrapper)
    {
        return static_cast<CMorvex*>(wrapper->GetBaseEffect());
    }
    // A second instance, deleted by the fixture.
    CMorvex* Another()
    {
        m_others.push_back(NewInstance());
        return EffectOf(m_others.back());
    }

    static std::vector<uint8_t> Chunk(CBaseEffect* effect, bool isPreset = false)
    {
        void* data = nullptr;
        int size = 0;
        effect->GetChunk(&data, &size, isPreset);
        const auto* bytes = static_cast<const uint8_t*>(data);
        return std::vector<uint8_t>(bytes, bytes + size);
    }
    // SetChunk from a buffer of exactly `size` bytes, so that AddressSanitizer
    // sees any read past the end.
    static void Load(CBaseEffect* effect, const std::vector<uint8_t>& bytes, size_t size,
                     bool isPreset = false)
    {
        std::vector<uint8_t> exact(bytes.begin(), bytes.begin() + static_cast<long>(size));
        effect->SetChunk(exact.empty() ? nullptr : exact.data(), static_cast<int>(size), isPreset);
    }

    static void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
    {
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<uint8_t> ReadFile(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
    }

    std::string ProgramName()
    {
        char name[kVstMaxProgNameLen + 1] = {};
        m_wrapper->getProgramName(name);
        return name;
    }

    // Moves many parameters, the MIDI map and every kind of block away from the
    // defaults, through the host's path (so switches redeclare what they govern).
    static void ChangeState(CMorvex* effect, CVstWrapper* wrapper)
    {
        for (int id = 0; id < kNumParameters; id += 3)
            wrapper->setParameter(id, 0.3f);
        wrapper->setParameter(kDelaySync, 0.0f); // free speeds in milliseconds
        wrapper->setParameter(kDelaySpeedL, 0.7f);
        wrapper->setParameter(kGlitchBuffer + 1, 1.0f);
        wrapper->setParameter(kGlitchScale + 1, 0.5f);
        wrapper->setParameter(kFlangerMode + 1, 1.0f);
        wrapper->setParameter(kReverbInput, 0.0f);
        effect->ActivateMidiLearn(kVolume, true);
        effect->OnMidiCC(7, 0.5f);
        const int32_t order[7] = {6, 5, 4, 3, 2, 1, 0};
        effect->SetRawParameterBlock(10002, order);
        std::vector<uint8_t> bytes(768, 0x3C);
        effect->SetRawParameterBlock(10005, bytes.data());
        bytes.assign(256, 0x3D);
        effect->SetRawParameterBlock(10018, bytes.data());
        char path[2048] = "/presets/Bounce.mprg";
        effect->SetRawParameterBlock(10026, path);
    }

    CTempDataFolder m_folder;
    std::vector<HOST_CALL> m_hostCalls;
    CVstWrapper* m_wrapper = nullptr;
    CMorvex* m_effect = nullptr;
    std::vector<CVstWrapper*> m_others;
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

    const std::vector<uint8_t> chunk = Chunk(m_effect);
    ASSERT_EQ(chunk.size(), kHostChunkSize);
    // Magic 0x4D767851 little-endian: the bytes "QxvM"; version 1140 = 0x474.
    EXPECT_EQ(std::string(chunk.begin(), chunk.begin() + 4), "QxvM");
    EXPECT_EQ(U32(chunk, 0), 0x4D767851u);
    EXPECT_EQ(chunk[4], 0x74);
    EXPECT_EQ(chunk[5], 0x04);
    EXPECT_EQ(I32(chunk, 4), 1140);
    // Path: the text, then zeros up to 2056.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&chunk[kPathAt])), presetPath);
    for (size_t i = kPathAt + presetPath.size(); i < kMidiMapAt; ++i)
        ASSERT_EQ(chunk[i], 0) << i;
    // MIDI map: controller 74 -> parameter 4, all others -1.
    for (int controller = 0; controller < 128; ++controller)
        EXPECT_EQ(I32(chunk, kMidiMapAt + 4 * static_cast<size_t>(controller)),
                  controller == 74 ? kDryWet : -1)
            << controller;
    // Values in id order, unscaled.
    for (int id = 0; id < kNumParameters; ++id)
        ASSERT_EQ(F32(chunk, kHostValuesAt + 4 * static_cast<size_t>(id)),
                  m_effect->GetParameterInfo(id)->value)
            << id;
    EXPECT_EQ(F32(chunk, kHostValuesAt + 4 * kVolume), -12.0f);
    EXPECT_EQ(F32(chunk, kHostValuesAt + 4 * kEqMidFreq), 1650.0f);
    EXPECT_EQ(F32(chunk, kHostValuesAt + 4 * kReverbInput), 1.0f);

    // Records with the factory contents, in registration order.
    size_t at = kHostRecordsAt;
    for (const BLOCK& block : ExpectedBlocks())
    {
        ASSERT_EQ(I32(chunk, at), 1) << block.id;
        ASSERT_EQ(I32(chunk, at + 4), block.id);
        ASSERT_EQ(I32(chunk, at + 8), block.size);
        const size_t data = at + 12;
        if (block.id <= 10002)
        {
            const int32_t order[7] = {0, 1, 2, 3, 5, 4, 6};
            for (size_t i = 0; i < 7; ++i)
                EXPECT_EQ(I32(chunk, data + 4 * i), order[i]) << block.id;
        }
        else if (block.id <= 10010)
        {
            // (0, 0, 0), (0, 1, 0), (1, 0, 0), then 61 x (-1, 0, 0).
            for (size_t p = 0; p < 64; ++p)
            {
                const float position = p == 2 ? 1.0f : (p < 2 ? 0.0f : -1.0f);
                const float level = p == 1 ? 1.0f : 0.0f;
                ASSERT_EQ(F32(chunk, data + 12 * p), position) << block.id << " point " << p;
                ASSERT_EQ(F32(chunk, data + 12 * p + 4), level) << block.id << " point " << p;
                ASSERT_EQ(F32(chunk, data + 12 * p + 8), 0.0f) << block.id << " point " << p;
            }
        }
        else if (block.id <= 10018)
        {
            for (size_t j = 0; j < 32; ++j) // step j = (j + 1, 1)
            {
                ASSERT_EQ(F32(chunk, data + 8 * j), static_cast<float>(j + 1)) << block.id;
                ASSERT_EQ(F32(chunk, data + 8 * j + 4), 1.0f) << block.id;
            }
        }
        else
        {
            for (size_t i = 0; i < 2048; ++i)
                ASSERT_EQ(chunk[data + i], 0) << block.id;
        }
        at = data + static_cast<size_t>(block.size);
    }
    EXPECT_EQ(at, chunk.size());
}

TEST_F(CMorvexStateTest, PresetChunkHasNoMidiMap)
{
    m_effect->ActivateMidiLearn(kDryWet, true);
    m_effect->OnMidiCC(74, 1.0f);
    const std::vector<uint8_t> host = Chunk(m_effect, false);
    const std::vector<uint8_t> preset = Chunk(m_effect, true);
    ASSERT_EQ(preset.size(), kPresetChunkSize);
    EXPECT_EQ(U32(preset, 0), 0x4D767851u);
    EXPECT_EQ(I32(preset, 4), 1140);
    // Everything after the map is the host chunk's, 512 bytes earlier.
    EXPECT_TRUE(
        std::equal(preset.begin() + kPresetValuesAt, preset.end(), host.begin() + kHostValuesAt));
    EXPECT_EQ(I32(preset, kPresetRecordsAt + 4), 10001);
    // Null out-pointers: nothing is built.
    int size = -1;
    m_effect->GetChunk(nullptr, &size, false);
    EXPECT_EQ(size, -1);
}

TEST_F(CMorvexStateTest, HostChunkRoundTripIsByteExact)
{
    ChangeState(m_effect, m_wrapper);
    const std::vector<uint8_t> chunk = Chunk(m_effect);
    CMorvex* other = Another();
    Load(other, chunk, chunk.size());
    EXPECT_EQ(Chunk(other), chunk);
    EXPECT_EQ(other->GetMidiMapEntry(7), kVolume);
    // The speed came back in the free shape its switch implies.
    EXPECT_EQ(other->GetParameterInfo(kDelaySpeedL)->curve, kCurveOctave);
    EXPECT_EQ(other->GetParameterInfo(kDelaySpeedL)->value,
              m_effect->GetParameterInfo(kDelaySpeedL)->value);
    // Through the adapter, as a host does it.
    void* data = nullptr;
    EXPECT_EQ(m_wrapper->getChunk(&data, false), static_cast<VstInt32>(kHostChunkSize));
}

TEST_F(CMorvexStateTest, Version1090ChunkHas307ValuesAndResetsTheNewParameters)
{
    ChangeState(m_effect, m_wrapper);
    const std::vector<uint8_t> current = Chunk(m_effect);
    // A 1090 chunk: same header, path and map, values 0..306 only, then the records.
    std::vector<uint8_t> old(current.begin(), current.begin() + kHostValuesAt + 307 * 4);
    PutI32(old, 4, 1090);
    old.insert(old.end(), current.begin() + kHostRecordsAt, current.end());
    ASSERT_EQ(old.size(), kHostChunkSize - 5 * 4);

    CMorvex* other = Another();
    // Ids 307..311 away from their defaults before loading, one of them locked.
    for (int id = 307; id <= 311; ++id)
        other->SetParameterScaled(id, 1.0f - other->GetParameterScaled(id, false, false, 0));
    other->SetParameterLock(kReverbInput, true);
    Load(other, old, old.size());
    for (int id = 307; id <= 311; ++id)
        EXPECT_EQ(other->GetParameterInfo(id)->value, other->GetParameterInfo(id)->defaultValue)
            << id;
    for (int id = 0; id < 307; ++id)
        ASSERT_EQ(other->GetParameterInfo(id)->value, m_effect->GetParameterInfo(id)->value) << id;
    // Records read from 2568 + 307 x 4 = 3796.
    EXPECT_EQ(
        std::memcmp(other->GetRawParameterBlock(10002), m_effect->GetRawParameterBlock(10002), 28),
        0);
    EXPECT_EQ(std::memcmp(other->GetRawParameterBlock(10026), m_effect->GetRawParameterBlock(10026),
                          2048),
              0);
}

TEST_F(CMorvexStateTest, PresetRoundTripKeepsParametersAndBlocksButNotTheMidiMap)
{
    ChangeState(m_effect, m_wrapper);
    const std::string path = m_folder.GetPath() + "/Round.prg";
    ASSERT_TRUE(m_effect->SavePreset(path.c_str()));
    const std::vector<uint8_t> file = ReadFile(path);
    ASSERT_EQ(file.size(), kPresetChunkSize);
    // The path field holds the path current before saving (none here).
    EXPECT_EQ(file[kPathAt], 0);

    CMorvex* other = Another();
    other->ActivateMidiLearn(kPan, true);
    other->OnMidiCC(1, 0.0f);
    ASSERT_TRUE(other->LoadPreset(path.c_str()));
    for (int id = 0; id < kNumParameters; ++id)
        ASSERT_EQ(other->GetParameterInfo(id)->value, m_effect->GetParameterInfo(id)->value) << id;
    for (const BLOCK& block : ExpectedBlocks())
        EXPECT_EQ(std::memcmp(other->GetRawParameterBlock(block.id),
                              m_effect->GetRawParameterBlock(block.id),
                              static_cast<size_t>(block.size)),
                  0)
            << block.id;
    EXPECT_EQ(other->GetMidiMapEntry(1), kPan);
    EXPECT_EQ(other->GetMidiMapEntry(7), -1);
    EXPECT_EQ(other->GetCurrentProgramName(), "Round");
}

TEST_F(CMorvexStateTest, LockedParametersKeepTheirValueButTheHostHearsEveryValue)
{
    CMorvex* source = Another();
    source->SetParameterUnscaled(kVolume, 6.0f);
    source->SetParameterUnscaled(kEqBass, 3.0f);
    const std::vector<uint8_t> chunk = Chunk(source);
    const std::string path = m_folder.GetPath() + "/Locked.prg";
    ASSERT_TRUE(source->SavePreset(path.c_str()));

    m_effect->SetParameterUnscaled(kVolume, -6.0f);
    m_effect->SetParameterLock(kVolume, true);
    m_hostCalls.clear();
    const auto expectAllToldOnce = [this]()
    {
        std::vector<int> told(kNumParameters, 0);
        for (const HOST_CALL& call : m_hostCalls)
        {
            if (call.opcode == audioMasterAutomate)
            {
                ASSERT_TRUE(call.index >= 0 && call.index < kNumParameters);
                ++told[static_cast<size_t>(call.index)];
                EXPECT_FLOAT_EQ(call.value,
                                m_effect->GetParameterScaled(call.index, false, false, 0));
            }
        }
        for (int id = 0; id < kNumParameters; ++id)
            EXPECT_EQ(told[static_cast<size_t>(id)], 1) << id;
        m_hostCalls.clear();
    };

    Load(m_effect, chunk, chunk.size());
    EXPECT_EQ(m_effect->GetParameterInfo(kVolume)->value, -6.0f);
    EXPECT_EQ(m_effect->GetParameterInfo(kEqBass)->value, 3.0f);
    expectAllToldOnce();

    m_effect->SetParameterUnscaled(kEqBass, 0.0f);
    ASSERT_TRUE(m_effect->LoadPreset(path.c_str()));
    EXPECT_EQ(m_effect->GetParameterInfo(kVolume)->value, -6.0f);
    EXPECT_EQ(m_effect->GetParameterInfo(kEqBass)->value, 3.0f);
    expectAllToldOnce();

    m_effect->ResetPreset();
    EXPECT_EQ(m_effect->GetParameterInfo(kVolume)->value, -6.0f);
    EXPECT_EQ(m_effect->GetParameterInfo(kEqBass)->value, 0.0f);
    expectAllToldOnce();
    m_effect->SetParameterLock(kVolume, false);
    m_effect->ResetPreset();
    EXPECT_EQ(m_effect->GetParameterInfo(kVolume)->value, 0.0f);
}

TEST_F(CMorvexStateTest, ProgramNameFollowsTheLoadedPreset)
{
    EXPECT_EQ(ProgramName(), "Default Preset");
    const std::string path = m_folder.GetPath() + "/My Beat.prg";
    WriteFile(path, Chunk(m_effect, true));
    ASSERT_TRUE(m_effect->LoadPreset(path.c_str()));
    EXPECT_EQ(ProgramName(), "My Beat");
    // The host learns the new name.
    bool displayUpdated = false;
    for (const HOST_CALL& call : m_hostCalls)
        displayUpdated |= call.opcode == audioMasterUpdateDisplay;
    EXPECT_TRUE(displayUpdated);
    // A host chunk carries the name along; a reset clears it.
    CMorvex* other = Another();
    const std::vector<uint8_t> chunk = Chunk(m_effect);
    Load(other, chunk, chunk.size());
    EXPECT_EQ(other->GetCurrentProgramName(), "My Beat");
    m_effect->ResetPreset();
    EXPECT_EQ(ProgramName(), "Default Preset");
}

TEST_F(CMorvexStateTest, FilesThatAreNoPresetChangeNothing)
{
    const std::vector<uint8_t> before = Chunk(m_effect);
    EXPECT_FALSE(m_effect->LoadPreset((m_folder.GetPath() + "/missing.prg").c_str()));
    EXPECT_FALSE(m_effect->LoadPreset(nullptr));
    EXPECT_FALSE(m_effect->LoadPreset(""));
    const std::string text = m_folder.GetPath() + "/Notes.prg";
    WriteFile(text, std::vector<uint8_t>(100, 'x'));
    EXPECT_FALSE(m_effect->LoadPreset(text.c_str()));
    const std::string tiny = m_folder.GetPath() + "/Tiny.prg";
    WriteFile(tiny, {'Q', 'x', 'v', 'M', 0x74, 0x04}); // magic and half a version
    EXPECT_FALSE(m_effect->LoadPreset(tiny.c_str()));
    EXPECT_FALSE(m_effect->LoadPreset(m_folder.GetPath().c_str())); // a folder
    EXPECT_EQ(Chunk(m_effect), before);
    EXPECT_EQ(ProgramName(), "Default Preset");
    EXPECT_TRUE(m_hostCalls.empty());
}

TEST_F(CMorvexStateTest, ChunksWithoutMagicAndVersionAreIgnored)
{
    ChangeState(m_effect, m_wrapper);
    const std::vector<uint8_t> before = Chunk(m_effect);
    CMorvex* fresh = Another();
    std::vector<uint8_t> chunk = Chunk(fresh);
    m_hostCalls.clear();
    m_effect->SetChunk(nullptr, 100, false);
    m_effect->SetChunk(chunk.data(), 0, false);
    m_effect->SetChunk(chunk.data(), -5, false);
    for (size_t size = 0; size < 8; ++size)
        Load(m_effect, chunk, size);
    chunk[3] = 'N'; // "QxvN"
    Load(m_effect, chunk, chunk.size());
    EXPECT_EQ(Chunk(m_effect), before);
    EXPECT_TRUE(m_hostCalls.empty());
    EXPECT_EQ(m_wrapper->setChunk(chunk.data(), static_cast<VstInt32>(chunk.size()), false), 0);
}

TEST_F(CMorvexStateTest, TruncatedChunksEndWhereTheDataEnds)
{
    CMorvex* source = Another();
    ChangeState(source, m_others.back());
    m_others.back()->setParameter(kPower, 1.0f);
    const std::vector<uint8_t> full = Chunk(source);
    const std::vector<uint8_t> defaults = Chunk(m_effect);
    // (Every length at random is the chunk fuzz target's.)
    // Cut inside the path: nothing but the header is there, nothing changes but
    // the host is told (the values are those already loaded: the defaults).
    CMorvex* fresh = Another();
    Load(fresh, full, kPathAt + 2047);
    EXPECT_EQ(Chunk(fresh), defaults);

    // Cut two bytes into value 10: values 0..9 are taken, the rest keep theirs.
    fresh = Another();
    Load(fresh, full, kHostValuesAt + 10 * 4 + 2);
    for (int id = 0; id < kNumParameters; ++id)
    {
        const float expected =
            F32(id < 10 ? full : defaults, kHostValuesAt + 4 * static_cast<size_t>(id));
        ASSERT_EQ(fresh->GetParameterInfo(id)->value, expected) << id;
    }
    EXPECT_EQ(fresh->GetMidiMapEntry(7), kVolume);

    // Cut inside the record of 10005 (the 7th, after 10001 10002 10003 10011 10019 10004):
    // the blocks before it are loaded, 10005 and later keep their contents.
    size_t at = kHostRecordsAt;
    const std::vector<BLOCK> blocks = ExpectedBlocks();
    size_t cutBlock = 0;
    while (blocks[cutBlock].id != 10005)
        at += 12 + static_cast<size_t>(blocks[cutBlock++].size);
    CMorvex* factory = Another();
    fresh = Another();
    Load(fresh, full, at + 12 + 767);
    for (size_t b = 0; b < blocks.size(); ++b)
    {
        CMorvex* expected = b < cutBlock ? source : factory;
        ASSERT_EQ(std::memcmp(fresh->GetRawParameterBlock(blocks[b].id),
                              expected->GetRawParameterBlock(blocks[b].id),
                              static_cast<size_t>(blocks[b].size)),
                  0)
            << blocks[b].id;
    }
}

TEST_F(CMorvexStateTest, HostileFieldsAreMadeSafe)
{
    std::vector<uint8_t> chunk = Chunk(m_effect);
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
    size_t pathBlockAt = kHostRecordsAt + 2 * 40 + (12 + 768) + (12 + 256) + 12;
    ASSERT_EQ(I32(chunk, pathBlockAt - 8), 10019);
    std::fill(chunk.begin() + static_cast<long>(pathBlockAt),
              chunk.begin() + static_cast<long>(pathBlockAt) + 2048, 'B');
    m_effect->SetParameterUnscaled(kVolume, 5.0f);
    Load(m_effect, chunk, chunk.size());

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
    CMorvex* source = Another();
    ChangeState(source, m_others.back());
    const std::vector<uint8_t> full = Chunk(source);
    const std::vector<uint8_t> defaultOrder(factory->GetRawParameterBlock(10002),
                                            factory->GetRawParameterBlock(10002) + 28);

    // Record 2 (10002) rebuilt with 24 bytes: wrong size, skipped; the rest loads.
    std::vector<uint8_t> chunk(full.begin(), full.begin() + kHostRecordsAt + 40);
    const size_t second = chunk.size();
    chunk.insert(chunk.end(), full.begin() + second, full.begin() + second + 12 + 24);
    PutI32(chunk, second + 8, 24);
    chunk.insert(chunk.end(), full.begin() + second + 40, full.end());
    Load(m_effect, chunk, chunk.size());
    EXPECT_EQ(std::memcmp(m_effect->GetRawParameterBlock(10002), defaultOrder.data(), 28), 0);
    EXPECT_EQ(std::memcmp(m_effect->GetRawParameterBlock(10005),
                          source->GetRawParameterBlock(10005), 768),
              0);
    EXPECT_EQ(std::memcmp(m_effect->GetRawParameterBlock(10026),
                          source->GetRawParameterBlock(10026), 2048),
              0);

    // An unknown id is skipped too; a size running past the end stops reading there.
    CMorvex* other = Another();
    chunk = full;
    PutI32(chunk, kHostRecordsAt + 40 + 4, 12345);
    const size_t lastRecord = full.size() - 12 - 2048;
    ASSERT_EQ(I32(chunk, lastRecord + 4), 10026);
    PutI32(chunk, lastRecord + 8, 2049);
    Load(other, chunk, chunk.size());
    EXPECT_EQ(std::memcmp(other->GetRawParameterBlock(10002), defaultOrder.data(), 28), 0);
    EXPECT_EQ(
        std::memcmp(other->GetRawParameterBlock(10018), source->GetRawParameterBlock(10018), 256),
        0);
    EXPECT_EQ(other->GetRawParameterBlock(10026)[0], 0);
    // A negative size ends reading as well.
    other = Another();
    chunk = full;
    PutI32(chunk, kHostRecordsAt + 8, -28);
    Load(other, chunk, chunk.size());
    EXPECT_EQ(
        std::memcmp(other->GetRawParameterBlock(10005), factory->GetRawParameterBlock(10005), 768),
        0);
}

TEST_F(CMorvexStateTest, FailedSaveKeepsTheOldFileAndThePresetPath)
{
    const std::string beat = m_folder.GetPath() + "/My Beat.prg";
    ASSERT_TRUE(m_effect->SavePreset(beat.c_str()));
    const std::vector<uint8_t> oldFile = ReadFile(beat);
    ASSERT_EQ(oldFile.size(), kPresetChunkSize);
    EXPECT_TRUE(g_alerts.empty());

    // A folder that does not exist.
    m_wrapper->setParameter(kVolume, 0.1f);
    EXPECT_FALSE(m_effect->SavePreset((m_folder.GetPath() + "/none/x.prg").c_str()));
    ASSERT_EQ(g_alerts.size(), 1u);
    EXPECT_EQ(g_alerts[0], "File cannot be saved|The file has not been saved, please check if "
                           "you have sufficient permissions to create files in the specified "
                           "location");
    EXPECT_EQ(ProgramName(), "My Beat");

    // A write that fails half-way over the existing file (a full disk).
    {
        CFileSizeLimit limit(4096);
        EXPECT_FALSE(m_effect->SavePreset(beat.c_str()));
    }
    EXPECT_EQ(g_alerts.size(), 2u);
    EXPECT_EQ(ReadFile(beat), oldFile);

    // A folder without write permission (folder permissions do not stop root).
    if (geteuid() != 0)
    {
        std::filesystem::permissions(m_folder.GetPath(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        EXPECT_FALSE(m_effect->SavePreset(beat.c_str()));
        std::filesystem::permissions(m_folder.GetPath(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        EXPECT_EQ(g_alerts.size(), 3u);
        EXPECT_EQ(ReadFile(beat), oldFile);
    }
    EXPECT_EQ(ProgramName(), "My Beat");
    // No temporary file is left behind.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.GetPath()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"My Beat.prg"});
}

TEST_F(CMorvexStateTest, DefaultPresetIsLoadedAtCreationAndResetRemovesIt)
{
    const std::vector<uint8_t> factory = Chunk(m_effect);
    ASSERT_FALSE(std::filesystem::exists(m_folder.GetPresetFolder()));
    ChangeState(m_effect, m_wrapper);
    ASSERT_TRUE(m_effect->MakeDefaultPreset()); // creates "Plug-In Presets"
    EXPECT_EQ(m_effect->GetDefaultPresetPath(), m_folder.GetDefaultPresetPath());
    ASSERT_TRUE(std::filesystem::exists(m_folder.GetDefaultPresetPath()));
    const std::vector<uint8_t> user = Chunk(m_effect, true);

    // A new instance starts in the user's default, without calling the host back
    // while it is being created.
    m_hostCalls.clear();
    CMorvex* other = Another();
    for (const HOST_CALL& call : m_hostCalls)
        EXPECT_NE(call.opcode, audioMasterAutomate);
    std::vector<uint8_t> loaded = Chunk(other, true);
    // Equal but for the path field (the new instance has the default preset as
    // its current one; the saved file holds the path from before saving).
    EXPECT_TRUE(std::equal(loaded.begin() + kMidiMapAt, loaded.end(), user.begin() + kMidiMapAt));
    EXPECT_EQ(other->GetCurrentProgramName(), "Default Preset");

    // A reset ends in the user's default ...
    other->ResetPreset();
    loaded = Chunk(other, true);
    EXPECT_TRUE(std::equal(loaded.begin() + kMidiMapAt, loaded.end(), user.begin() + kMidiMapAt));
    // ... until it is reset: then the factory defaults, now and after every reset.
    other->ResetDefaultPreset();
    EXPECT_FALSE(std::filesystem::exists(m_folder.GetDefaultPresetPath()));
    loaded = Chunk(other);
    EXPECT_TRUE(
        std::equal(loaded.begin() + kHostValuesAt, loaded.end(), factory.begin() + kHostValuesAt));
    other->ResetPreset();
    loaded = Chunk(other);
    EXPECT_TRUE(
        std::equal(loaded.begin() + kHostValuesAt, loaded.end(), factory.begin() + kHostValuesAt));
    EXPECT_EQ(other->GetCurrentProgramName(), "");
}

TEST_F(CMorvexStateTest, WholeStateChangesRefreshTheEditor)
{
    CCountingEditor editor;
    m_effect->SetEditor(&editor);
    const std::vector<uint8_t> chunk = Chunk(m_effect);
    Load(m_effect, chunk, chunk.size());
    EXPECT_EQ(editor.m_updates, 1);
    m_effect->ResetPreset();
    EXPECT_EQ(editor.m_updates, 2);
    m_effect->SetEditor(nullptr);
}

TEST_F(CMorvexStateTest, PreferencesComeFromTheDataFolder)
{
    ASSERT_NE(m_effect->GetPreferences(), nullptr);
    EXPECT_EQ(m_effect->GetPreferences()->GetCompactGuiMode(), -1);
    std::filesystem::create_directories(m_folder.GetMorvexFolder());
    // Signature 0xD3364984 and compact mode 1; the rest of the file missing.
    WriteFile(m_folder.GetMorvexFolder() + "/prefs.bin", {0x84, 0x49, 0x36, 0xD3, 1, 0, 0, 0});
    EXPECT_EQ(Another()->GetPreferences()->GetCompactGuiMode(), 1);
}
