#include "ModClipboard.h"

#include "Morvex.h"

#include <cstring>

namespace
{
struct MOD_CLIP
{
    bool filled = false;
    float values[CModClipboard::kModParameterCount] = {};
    uint8_t points[kRawBlockMsegPointsSize] = {};
    uint8_t steps[kRawBlockStepsSize] = {};
    uint8_t path[kRawBlockModPresetPathSize] = {};
};

struct LAYER_CLIP
{
    bool filled = false;
    float values[CModClipboard::kLayerParameterCount] = {};
    float flangerMode = 0.0f;
    float delayInput = 0.0f;
};

// One copy per process: every editor (every plug-in instance) shares it.
MOD_CLIP sModClip;
LAYER_CLIP sLayerClip;

bool IsModulator(int modulator)
{
    return modulator >= 0 && modulator < MorvexParam::kNumModulators;
}
bool IsLayer(int layer)
{
    return layer >= 0 && layer < kNumLayers;
}
float Stored(CMorvex* effect, int id)
{
    return effect->GetParameterScaled(id, /*smooth*/ false, /*modulated*/ false, 0);
}
// Copies a raw block whose size is `size` (zeros when the effect has no such block).
void ReadBlock(CMorvex* effect, int id, uint8_t* out, int size)
{
    const uint8_t* block = effect->GetRawParameterBlock(id);
    if (block && effect->GetRawParameterBlockSize(id) == size)
        std::memcpy(out, block, static_cast<size_t>(size));
    else
        std::memset(out, 0, static_cast<size_t>(size));
}
} // namespace

void CModClipboard::CopyModulator(CMorvex* effect, int modulator)
{
    if (!effect || !IsModulator(modulator))
        return;
    for (int k = 0; k < kModParameterCount; ++k)
        sModClip.values[k] = Stored(effect, ModParameterId(modulator, k));
    ReadBlock(effect, kRawBlockMsegPoints + modulator, sModClip.points, kRawBlockMsegPointsSize);
    ReadBlock(effect, kRawBlockSteps + modulator, sModClip.steps, kRawBlockStepsSize);
    ReadBlock(effect, kRawBlockModPresetPath + modulator, sModClip.path,
              kRawBlockModPresetPathSize);
    sModClip.path[kRawBlockModPresetPathSize - 1] = 0;
    sModClip.filled = true;
}

bool CModClipboard::PasteModulator(CMorvex* effect, int modulator)
{
    if (!effect || !IsModulator(modulator) || !sModClip.filled)
        return false;
    // In id order: Sync before Speed, so the speed is read in the shape its sync gives.
    for (int k = 0; k < kModParameterCount; ++k)
        effect->UpdateParameter(ModParameterId(modulator, k), sModClip.values[k]);
    effect->SetRawParameterBlock(kRawBlockMsegPoints + modulator, sModClip.points);
    effect->SetRawParameterBlock(kRawBlockSteps + modulator, sModClip.steps);
    effect->SetRawParameterBlock(kRawBlockModPresetPath + modulator, sModClip.path);
    return true;
}

bool CModClipboard::HasModulator()
{
    return sModClip.filled;
}

void CModClipboard::CopyLayer(CMorvex* effect, int layer)
{
    if (!effect || !IsLayer(layer))
        return;
    for (int k = 0; k < kLayerParameterCount; ++k)
        sLayerClip.values[k] = Stored(effect, LayerParameterId(layer, k));
    sLayerClip.flangerMode = Stored(effect, MorvexParam::kFlangerMode + layer);
    sLayerClip.delayInput = Stored(effect, MorvexParam::kDelayInput + layer);
    sLayerClip.filled = true;
}

bool CModClipboard::PasteLayer(CMorvex* effect, int layer)
{
    if (!effect || !IsLayer(layer) || !sLayerClip.filled)
        return false;
    for (int k = 0; k < kLayerParameterCount; ++k)
        effect->UpdateParameter(LayerParameterId(layer, k), sLayerClip.values[k]);
    effect->RefreshParameter(MorvexParam::kFlangerMode + layer, sLayerClip.flangerMode);
    effect->RefreshParameter(MorvexParam::kDelayInput + layer, sLayerClip.delayInput);
    return true;
}

bool CModClipboard::HasLayer()
{
    return sLayerClip.filled;
}

void CModClipboard::Clear()
{
    sModClip = MOD_CLIP();
    sLayerClip = LAYER_CLIP();
}
