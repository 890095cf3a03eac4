// Test support: the heaviest patch of the plug-in. Both layers in series with
// every module on at audible settings, reverb and EQ on, the eight modulators
// gating and flipping the signal and routed through all 24 matrix slots.
#pragma once

#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"

namespace FullPatch
{
inline void Set(CVstWrapper* wrapper, CMorvex* effect, int id, float unscaled)
{
    wrapper->setParameter(id, effect->UnscaledValueToScaled(id, unscaled));
}

inline void Apply(CVstWrapper* w, CMorvex* e)
{
    using namespace MorvexParam;
    Set(w, e, kLayerMode, 1.0f); // serial
    Set(w, e, kLayerAOn, 1.0f);
    Set(w, e, kLayerBOn, 1.0f);
    for (int layer = 0; layer < kNumLayers; ++layer)
    {
        Set(w, e, kFilterOn + layer, 1.0f);
        Set(w, e, kFilterMode + layer, 3.0f);
        Set(w, e, kFilterCutoff + layer, 80.0f);
        Set(w, e, kFilterRes + layer, 5.0f);
        Set(w, e, kDelayOn + layer, 1.0f);
        Set(w, e, kDelayMix + layer, 40.0f);
        Set(w, e, kDelayFeedback + layer, 60.0f);
        Set(w, e, kDelayPingPong + layer, 1.0f);
        Set(w, e, kDistOn + layer, 1.0f);
        Set(w, e, kDistMix + layer, 100.0f);
        Set(w, e, kDistDrive + layer, 9.0f);
        Set(w, e, kDistMode + layer, 3.0f);
        Set(w, e, kLoFiOn + layer, 1.0f);
        Set(w, e, kLoFiMix + layer, 100.0f);
        Set(w, e, kLoFiBitDepth + layer, 40.0f);
        Set(w, e, kLoFiSampleRate + layer, 30.0f);
        Set(w, e, kLoFiNoise + layer, 20.0f);
        Set(w, e, kFlangerOn + layer, 1.0f);
        Set(w, e, kFlangerMix + layer, 60.0f);
        Set(w, e, kFlangerFeedback + layer, 50.0f);
        Set(w, e, kGlitchOn + layer, 1.0f);
        Set(w, e, kGlitchMix + layer, 100.0f);
        Set(w, e, kGlitchScale + layer, 3.0f);
    }
    Set(w, e, kReverbOn, 1.0f);
    Set(w, e, kReverbMix, 40.0f);
    Set(w, e, kReverbSize, 80.0f);
    Set(w, e, kReverbDecay, 80.0f);
    Set(w, e, kEqOn, 1.0f);
    Set(w, e, kEqBass, 6.0f);
    Set(w, e, kEqMid, -4.0f);
    for (int k = 0; k < kNumModulators; ++k)
    {
        Set(w, e, kModMode + k, static_cast<float>(k % 2)); // steps and curves
        Set(w, e, kModTremolo + k, 30.0f);
        Set(w, e, kModPanFlip + k, 20.0f);
    }
    const int targets[kNumMatrixSlots] = {
        kFilterCutoff, kFilterRes,        kDelayFeedback, kDelayMix,     kDistDrive,
        kDistColor,    kLoFiBitDepth,     kLoFiSampleRate, kFlangerDepth, kFlangerWidth,
        kGlitchMix,    kVolume,           kFilterCutoff + 1, kDelayMix + 1, kDistDrive + 1,
        kLoFiTone + 1, kFlangerMix + 1,   kReverbMix,     kEqBass,       kLayerAPan,
        kLayerBPan,    kLayerAMix,        kPan,           kDryWet};
    for (int slot = 0; slot < kNumMatrixSlots; ++slot)
    {
        Set(w, e, kMtxPower + slot, 1.0f);
        Set(w, e, kMtxSource + slot, static_cast<float>(slot % kNumModulators));
        Set(w, e, kMtxTarget + slot, static_cast<float>(targets[slot]));
        Set(w, e, kMtxDepth + slot, 40.0f);
    }
}
} // namespace FullPatch
