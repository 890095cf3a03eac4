// Test support: the effect as the host creates it, and one of its modules driven on
// its own.
//
// CEffectInstance: a fresh instance from the plug-in's entry point with its own empty
// data folder; parameters set through the host path, so that switches redeclare the
// parameters they govern.
//
// CLayerModuleHarness: one layer module of such an instance, its audio run in the
// engine's 16-sample sub-blocks.
#pragma once

#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"
#include "Processing/LayerEffect.h"
#include "support/TempDataFolder.h"

#include <algorithm>
#include <memory>
#include <vector>

class CEffectInstance
{
public:
    CEffectInstance()
    {
        m_wrapper.reset(static_cast<CVstWrapper*>(createEffectInstance(nullptr)));
        m_effect = static_cast<CMorvex*>(m_wrapper->GetBaseEffect());
    }

    void SetScaled(int id, float scaled) { m_wrapper->setParameter(id, scaled); }
    // In the parameter's own units ("Filter Cutoff" in semitones, mixes in percent).
    void Set(int id, float unscaled)
    {
        SetScaled(id, m_effect->UnscaledValueToScaled(id, unscaled));
    }

    CVstWrapper* Wrapper() { return m_wrapper.get(); }
    CMorvex* Effect() { return m_effect; }
    const CTempDataFolder& DataFolder() const { return m_dataFolder; }

private:
    struct WRAPPER_DELETER
    {
        void operator()(CVstWrapper* wrapper) const { delete wrapper; }
    };

    CTempDataFolder m_dataFolder; // before the effect, which looks for its default preset
    std::unique_ptr<CVstWrapper, WRAPPER_DELETER> m_wrapper;
    CMorvex* m_effect = nullptr;
};

class CLayerModuleHarness
{
public:
    using Signal = std::vector<float>;

    CLayerModuleHarness(float rate, int code, int layer = 0) : m_rate(rate), m_layer(layer)
    {
        m_instance.Effect()->SetSampleRate(rate);
        m_instance.Effect()->SetHostTempo(120.0f);
        m_instance.Effect()->PreProcess(16);
        m_module = m_instance.Effect()->GetModule(layer, code);
    }

    // Layer-A ids; the harness adds the layer.
    void Set(int id, float scaled) { m_instance.SetScaled(id + m_layer, scaled); }
    void SetUnscaled(int id, float value) { m_instance.Set(id + m_layer, value); }
    // Lets the parameter smoothing and the ramps reach their targets on silence, then
    // clears the module's audio history.
    void Settle(float seconds = 0.5f)
    {
        Signal l(static_cast<size_t>(m_rate * seconds)), r(l.size());
        Run(l, r);
        m_module->Reset();
    }
    // In place, in calls of at most `piece` samples.
    void Run(Signal& l, Signal& r, int piece = 16)
    {
        const int total = static_cast<int>(std::min(l.size(), r.size()));
        for (int start = 0; start < total; start += piece)
            m_module->Process(l.data() + start, r.data() + start, std::min(piece, total - start));
    }

    float Rate() const { return m_rate; }
    CMorvex* Effect() { return m_instance.Effect(); }
    CLayerEffect* Module() { return m_module; }

private:
    CEffectInstance m_instance;
    float m_rate;
    int m_layer;
    CLayerEffect* m_module = nullptr;
};
