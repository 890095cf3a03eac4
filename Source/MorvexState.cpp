// CMorvex's persistent state: its raw parameter blocks and their factory
// contents, reading chunks of every version, and the user's default preset.
#include "Morvex.h"

#include "Common/wrappers/utilities/ByteReader.h"
#include "Common/wrappers/utilities/ByteWriter.h"
#include "Common/wrappers/utilities/FileUtils.h"
#include "Platform/Platform.h"

#include <cstring>
#include <vector>

using namespace MorvexParam;

namespace
{
// Chunks before this version stored the values of parameters 0..306 only.
constexpr int32_t kFirstVersionWithAllValues = 1100;
constexpr int kValuesBeforeVersion1100 = 307;

// Factory processing order of both layers: Filter, Dist, LoFi, Flanger, Tremolo,
// Delay, Glitch.
constexpr int32_t kDefaultLayerOrder[kModulesPerLayer] = {
    kModuleFilter,  kModuleDist,  kModuleLoFi,   kModuleFlanger,
    kModuleTremolo, kModuleDelay, kModuleGlitch,
};
constexpr int kMsegPointCount = 64;
constexpr int kStepCount = 32;

bool IsBlockOf(int id, int first)
{
    return id >= first && id < first + kNumModulators;
}
} // namespace

void CMorvex::RegisterRawParameterBlocks()
{
    for (int layer = 0; layer < kNumLayers; ++layer)
        AddRawParameterBlock(kRawBlockLayerOrder + layer, kRawBlockLayerOrderSize);
    for (int k = 0; k < kNumModulators; ++k)
    {
        AddRawParameterBlock(kRawBlockMsegPoints + k, kRawBlockMsegPointsSize);
        AddRawParameterBlock(kRawBlockSteps + k, kRawBlockStepsSize);
        AddRawParameterBlock(kRawBlockModPresetPath + k, kRawBlockModPresetPathSize);
    }
}

void CMorvex::ResetRawParameterBlock(int id)
{
    std::vector<uint8_t> bytes;
    CByteWriter writer(bytes);
    if (id == kRawBlockLayerOrder || id == kRawBlockLayerOrder + 1)
    {
        for (const int32_t code : kDefaultLayerOrder)
            writer.WriteInt32(code);
    }
    else if (IsBlockOf(id, kRawBlockMsegPoints))
    {
        // A rise from (0, 0) to (0, 1) and a fall to (1, 0); unused points at -1.
        const float points[3][3] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
        for (int i = 0; i < kMsegPointCount; ++i)
        {
            writer.WriteFloat(i < 3 ? points[i][0] : -1.0f);
            writer.WriteFloat(i < 3 ? points[i][1] : 0.0f);
            writer.WriteFloat(i < 3 ? points[i][2] : 0.0f);
        }
    }
    else if (IsBlockOf(id, kRawBlockSteps))
    {
        // Step j ends at j + 1 at full level.
        for (int j = 0; j < kStepCount; ++j)
        {
            writer.WriteFloat(static_cast<float>(j + 1));
            writer.WriteFloat(1.0f);
        }
    }
    else
    {
        // Path blocks and anything unknown: zero-filled.
        CBaseEffect::ResetRawParameterBlock(id);
        return;
    }
    CAccessLock::CScoped lock(m_accessLock);
    const int size = GetRawParameterBlockSize(id);
    if (size <= 0)
        return;
    bytes.resize(static_cast<size_t>(size), 0);
    WriteRawParameterBlock(id, bytes.data());
}

void CMorvex::TerminatePathBlocks()
{
    for (int k = 0; k < kNumModulators; ++k)
    {
        const CRawParameterBlock* block = FindRawParameterBlock(kRawBlockModPresetPath + k);
        uint8_t path[kRawBlockModPresetPathSize];
        if (!block || block->size != kRawBlockModPresetPathSize ||
            block->data[sizeof(path) - 1] == 0)
            continue;
        std::memcpy(path, block->data, sizeof(path));
        path[sizeof(path) - 1] = 0;
        WriteRawParameterBlock(block->id, path);
    }
}

int CMorvex::GetChunkValueCount(int32_t version) const
{
    return version < kFirstVersionWithAllValues ? kValuesBeforeVersion1100 : kNumParameters;
}

void CMorvex::OnChunkRead(int32_t version)
{
    // "Flanger Mode", "Delay Input" and "Reverb Input" came with version 1100.
    if (version < kFirstVersionWithAllValues)
    {
        for (int id = kValuesBeforeVersion1100; id < kNumParameters; ++id)
            ResetParameter(id);
    }
    TerminatePathBlocks();
}

void CMorvex::ResetPreset()
{
    // One state load: the audio thread goes from the old state to the default preset
    // without passing through the factory values.
    CStateLoad load(*this);
    CBaseEffect::ResetPreset();
    LoadPreset(m_defaultPresetPath.c_str());
}

bool CMorvex::MakeDefaultPreset()
{
    // The preset browsers create the library folders; the default preset must be
    // possible before any browser was ever opened.
    if (!m_defaultPresetPath.empty())
        Platform::CreateFolders(FileUtils::ExtractDirPath(m_defaultPresetPath));
    return SavePreset(m_defaultPresetPath.c_str());
}

void CMorvex::ResetDefaultPreset()
{
    if (!m_defaultPresetPath.empty())
        Platform::RemoveFile(m_defaultPresetPath);
    ResetPreset();
}
