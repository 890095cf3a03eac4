#include "UndoItems.h"

#include "Common/wrappers/EffectEditor.h"
#include "Morvex.h"

#include <cstring>
#include <utility>

using namespace MorvexParam;

namespace
{
constexpr int kParamsPerModulator = 11; // Sync .. Shuffle, 8 ids apart

// First layer-A id and count of a module's parameters (layer A and B alternate,
// so they are 2 apart), and its extra parameter outside that run (-1: none).
struct FX_KIND
{
    int firstId;
    int count;
    int extraId;
};

const FX_KIND kFxKinds[] = {
    {0, 0, -1},                       // 0: none
    {kFilterMode, 6, -1},             // 1: Filter Mode .. Filter Hicut
    {kDistDrive, 6, -1},              // 2: Dist Drive .. Dist Mono
    {kDelaySync, 9, kDelayInput},     // 3: Delay Sync .. Delay PingPong, Delay Input
    {kLoFiBitDepth, 4, -1},           // 4: LoFi BitDepth .. LoFi Tone
    {kFlangerDelay, 7, kFlangerMode}, // 5: Flanger Delay .. Flanger Tone, Flanger Mode
    {kGlitchBuffer, 6, -1},           // 6: Glitch Buffer .. Glitch Mode
};

bool IsLayer(int layer)
{
    return layer == 0 || layer == 1;
}

bool IsModulator(int modulator)
{
    return modulator >= 0 && modulator < kNumModulators;
}

void CaptureScaled(CBaseEffect* effect, const std::vector<int>& ids, std::vector<float>& values)
{
    values.resize(ids.size());
    for (size_t i = 0; i < ids.size(); ++i)
        values[i] = effect->GetParameterScaled(ids[i], false, false, 0);
}

// Writes `values` and keeps the values found as the new snapshot. Ids are in
// ascending order; the effect hears of each value as it is written, the host of each
// value that changed.
void SwapScaled(CBaseEffect* effect, const std::vector<int>& ids, std::vector<float>& values)
{
    std::vector<float> current;
    CaptureScaled(effect, ids, current);
    for (size_t i = 0; i < ids.size(); ++i)
    {
        effect->SetParameterScaled(ids[i], values[i]);
        const float written = effect->GetParameterScaled(ids[i], false, false, 0);
        effect->OnSetParameter(ids[i], written);
        if (written != current[i])
            effect->HostAnnounceParameter(ids[i]);
    }
    values.swap(current);
}

std::vector<uint8_t> CaptureBlock(CBaseEffect* effect, int id)
{
    const uint8_t* data = effect->GetRawParameterBlock(id);
    const int size = effect->GetRawParameterBlockSize(id);
    if (!data || size <= 0)
        return std::vector<uint8_t>();
    return std::vector<uint8_t>(data, data + size);
}

// Writes `bytes` into the block and keeps its previous contents in `bytes`.
// Nothing when the block does not exist (or no longer has the snapshot's size).
void SwapBlock(CBaseEffect* effect, int id, std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> current = CaptureBlock(effect, id);
    if (bytes.empty() || current.size() != bytes.size())
        return;
    effect->SetRawParameterBlock(id, bytes.data());
    bytes.swap(current);
}

// The text of a path block, terminated whatever the block holds.
void ReadPathBlock(CBaseEffect* effect, int id, char (&path)[kPresetPathSize])
{
    std::memset(path, 0, sizeof(path));
    const uint8_t* data = effect->GetRawParameterBlock(id);
    const int size = effect->GetRawParameterBlockSize(id);
    if (!data || size <= 0)
        return;
    const size_t count =
        static_cast<size_t>(size) < sizeof(path) ? static_cast<size_t>(size) : sizeof(path);
    std::memcpy(path, data, count);
    path[kPresetPathSize - 1] = 0;
    // Nothing after the terminator: the block holds the text alone, zero-filled.
    const size_t length = std::strlen(path);
    std::memset(path + length, 0, sizeof(path) - length);
}

void UpdateEditor(CBaseEffect* effect)
{
    if (IEffectEditor* editor = effect->GetEditor())
        editor->UpdateAllControls();
}
} // namespace

// ---------------------------------------------------------------------------------------------

CMatrixUndoItem::CMatrixUndoItem(CBaseEffect* effect) : m_effect(effect)
{
    for (int id = kMtxPower; id < kMtxTarget + kNumMatrixSlots; ++id)
        m_ids.push_back(id);
    CaptureScaled(m_effect, m_ids, m_values);
}

void CMatrixUndoItem::Exectute()
{
    SwapScaled(m_effect, m_ids, m_values);
    UpdateEditor(m_effect);
}

// ---------------------------------------------------------------------------------------------

CFxUndoItem::CFxUndoItem(CBaseEffect* effect, int kind, int layer) : m_effect(effect)
{
    if (kind >= 1 && kind <= 6 && IsLayer(layer))
    {
        const FX_KIND& fx = kFxKinds[kind];
        for (int k = 0; k < fx.count; ++k)
            m_ids.push_back(fx.firstId + layer + 2 * k);
        if (fx.extraId >= 0)
            m_ids.push_back(fx.extraId + layer);
    }
    CaptureScaled(m_effect, m_ids, m_values);
}

void CFxUndoItem::Exectute()
{
    SwapScaled(m_effect, m_ids, m_values);
    UpdateEditor(m_effect);
}

// ---------------------------------------------------------------------------------------------

CMsegUndoItem::CMsegUndoItem(CBaseEffect* effect, int modulator)
    : m_effect(effect), m_modulator(modulator)
{
    if (!IsModulator(m_modulator))
        return;
    ReadPathBlock(m_effect, kRawBlockModPresetPath + m_modulator, m_path);
    m_steps = CaptureBlock(m_effect, kRawBlockSteps + m_modulator);
    m_points = CaptureBlock(m_effect, kRawBlockMsegPoints + m_modulator);
    // Whole numbers: both are stepped parameters.
    m_mode =
        static_cast<int>(m_effect->GetParameterUnscaled(kModMode + m_modulator, false, false, 0));
    m_numSteps = static_cast<int>(
        m_effect->GetParameterUnscaled(kModNumSteps + m_modulator, false, false, 0));
}

void CMsegUndoItem::Exectute()
{
    if (!IsModulator(m_modulator))
        return;
    // The path: the block zero-filled with the stored text.
    const int pathId = kRawBlockModPresetPath + m_modulator;
    char current[kPresetPathSize];
    ReadPathBlock(m_effect, pathId, current);
    if (m_effect->GetRawParameterBlockSize(pathId) == kPresetPathSize)
    {
        m_effect->SetRawParameterBlock(pathId, m_path);
        std::memcpy(m_path, current, sizeof(m_path));
    }
    const int modeId = kModMode + m_modulator;
    const int numStepsId = kModNumSteps + m_modulator;
    const int mode = static_cast<int>(m_effect->GetParameterUnscaled(modeId, false, false, 0));
    const int numSteps =
        static_cast<int>(m_effect->GetParameterUnscaled(numStepsId, false, false, 0));
    m_effect->SetParameterUnscaled(modeId, static_cast<float>(m_mode));
    m_effect->SetParameterUnscaled(numStepsId, static_cast<float>(m_numSteps));
    m_mode = mode;
    m_numSteps = numSteps;
    SwapBlock(m_effect, kRawBlockMsegPoints + m_modulator, m_points);
    SwapBlock(m_effect, kRawBlockSteps + m_modulator, m_steps);
    UpdateEditor(m_effect);
}

// ---------------------------------------------------------------------------------------------

CRoutingUndoItem::CRoutingUndoItem(CBaseEffect* effect, int layer)
    : m_effect(effect), m_blockId(IsLayer(layer) ? kRawBlockLayerOrder + layer : 0)
{
    if (m_blockId)
        m_order = CaptureBlock(m_effect, m_blockId);
}

void CRoutingUndoItem::Exectute()
{
    if (m_blockId)
        SwapBlock(m_effect, m_blockId, m_order);
    UpdateEditor(m_effect);
}

// ---------------------------------------------------------------------------------------------

CPasteModUndoItem::CPasteModUndoItem(CBaseEffect* effect, int modulator) : m_effect(effect)
{
    if (!IsModulator(modulator))
        return;
    m_blockIds[0] = kRawBlockMsegPoints + modulator;
    m_blockIds[1] = kRawBlockSteps + modulator;
    m_blockIds[2] = kRawBlockModPresetPath + modulator;
    for (int i = 0; i < 3; ++i)
        m_blocks[i] = CaptureBlock(m_effect, m_blockIds[i]);
    for (int k = 0; k < kParamsPerModulator; ++k)
        m_ids.push_back(kModSync + modulator + kNumModulators * k);
    CaptureScaled(m_effect, m_ids, m_values);
}

void CPasteModUndoItem::Exectute()
{
    for (int i = 0; i < 3; ++i)
    {
        if (m_blockIds[i])
            SwapBlock(m_effect, m_blockIds[i], m_blocks[i]);
    }
    SwapScaled(m_effect, m_ids, m_values);
    UpdateEditor(m_effect);
}

// ---------------------------------------------------------------------------------------------

CPasteLayerUndoItem::CPasteLayerUndoItem(CBaseEffect* effect, int layer) : m_effect(effect)
{
    if (IsLayer(layer))
    {
        for (int id = kFilterOn; id <= kFlangerMix; id += 2)
            m_ids.push_back(id + layer);
        m_ids.push_back(kFlangerMode + layer);
        m_ids.push_back(kDelayInput + layer);
    }
    CaptureScaled(m_effect, m_ids, m_values);
}

void CPasteLayerUndoItem::Exectute()
{
    SwapScaled(m_effect, m_ids, m_values);
    UpdateEditor(m_effect);
}

// ---------------------------------------------------------------------------------------------

CMainPresetUndoItem::CMainPresetUndoItem(CBaseEffect* effect) : m_effect(effect)
{
    void* data = nullptr;
    int size = 0;
    m_effect->GetChunk(&data, &size, false);
    if (data && size > 0)
        m_chunk.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

void CMainPresetUndoItem::Exectute()
{
    // The current state, copied at whatever size the effect builds it now: the
    // effect's buffer is rebuilt by the next GetChunk.
    void* data = nullptr;
    int size = 0;
    m_effect->GetChunk(&data, &size, false);
    std::vector<uint8_t> current;
    if (data && size > 0)
        current.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    if (!m_chunk.empty())
        m_effect->SetChunk(m_chunk.data(), static_cast<int>(m_chunk.size()), false);
    m_chunk.swap(current);
}
