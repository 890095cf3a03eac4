// Test support: one layer module inside a freshly created effect (with its own
// empty data folder), its parameters set through the host path and its audio run
// in the engine's 16-sample sub-blocks.
#pragma once

#include "Common/wrappers/VSTwrapper/VstWrapper.h"
#include "Morvex.h"
#include "Processing/LayerEffect.h"
#include "TempDataFolder.h"

#include <algorithm>
#include <memory>
#include <vector>

class CLayerModuleHarness
{
public:
    using Signal = std::vector<float>;

    CLayerModuleHarness(float rate, int code, int layer = 0) : m_rate(rate), m_layer(layer)
    {
        m_wrapper.reset(static_cast<CVstWrapper*>(createEffectInstance(nullptr)));
        m_effect = static_cast<CMorvex*>(m_wrapper->GetBaseEffect());
        m_effect->SetSampleRate(rate);
        m_effect->SetHostTempo(120.0f);
        m_effect->PreProcess(16);
        m_module = m_effect->GetModule(layer, code);
    }

    // Layer-A id; the harness adds the layer. Through the host path, so that switches
    // redeclare the parameters they govern.
    void Set(int id, float scaled) { m_wrapper->setParameter(id + m_layer, scaled); }
    void SetUnscaled(int id, float value)
    {
        Set(id, m_effect->UnscaledValueToScaled(id + m_layer, value));
    }
    // Lets the parameter smoothing and the ramps reach their targets on silence, then
    // clears the module's audio history.
    void Settle(float seconds = 0.5f)
    {
        Signal l(static_cast<size_t>(m_rate * seconds)), r(l.size());
        Run(l, r);
        m_module->Reset();
    }
    void Run(Signal& l, Signal& r, int piece = 16)
    {
        const int total = static_cast<int>(std::min(l.size(), r.size()));
        for (int start = 0; start < total; start += piece)
            m_module->Process(l.data() + start, r.data() + start, std::min(piece, total - start));
    }

    float Rate() const { return m_rate; }
    CMorvex* Effect() { return m_effect; }
    CLayerEffect* Module() { return m_module; }

private:
    struct WRAPPER_DELETER
    {
        void operator()(CVstWrapper* wrapper) const { delete wrapper; }
    };

    CTempDataFolder m_dataFolder; // before the effect, which looks for its default preset
    float m_rate;
    int m_layer;
    std::unique_ptr<CVstWrapper, WRAPPER_DELETER> m_wrapper;
    CMorvex* m_effect = nullptr;
    CLayerEffect* m_module = nullptr;
};
