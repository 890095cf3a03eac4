// Base of every effect module of a layer. The engine configures a module with
// the sample rate, block size, host tempo and position, resets it, and asks it
// to process blocks of at most 16 stereo samples in place. A module reads its
// own parameters (smoothed and modulated as it needs) through the owner at the
// start of each block; parameter ids are the layer-A id plus the layer index.
#pragma once

#include "Common/wrappers/dsp/MixRest.h"

class CBaseEffect;

class CLayerEffect
{
public:
    // layer: 0 for layer A, 1 for layer B.
    CLayerEffect(CBaseEffect* owner, int layer) : m_owner(owner), m_layer(layer) {}
    virtual ~CLayerEffect() = default;
    CLayerEffect(const CLayerEffect&) = delete;
    CLayerEffect& operator=(const CLayerEffect&) = delete;

    // Largest block the host will pass. UI thread.
    virtual void SetBlockSize(int blockSize) { m_blockSize = blockSize; }
    // Stores the rate; modules recompute rate-dependent coefficients and buffers. UI thread.
    virtual void SetSampleRate(float sampleRate) { m_sampleRate = sampleRate; }
    // Host tempo in beats per minute and position in samples. Audio thread.
    virtual void SetHostTempo(float tempoBpm) { m_hostTempo = tempoBpm; }
    virtual void SetHostSamplePos(float samplePos) { m_hostSamplePos = samplePos; }
    virtual void OnTransportStart() {}
    virtual void OnTransportStop() {}
    // Place of the module in its layer's chain (the engine sorts by it).
    virtual void SetProcessingOrder(int order) { m_processingOrder = order; }
    virtual int GetProcessingOrder() { return m_processingOrder; }
    // Clears the audio history (delay lines, filter states, phases); parameters stay.
    virtual void Reset() {}
    // Processes count samples of both channels in place. Audio thread.
    virtual void Process(float* /*left*/, float* /*right*/, int /*count*/) noexcept {}

    int GetLayer() const { return m_layer; }

protected:
    // True when the module's "On" switch (layer-A id onId) reads above 0.5 at sample 0.
    bool IsOn(int onId) noexcept;

    // A module whose mix has settled at exactly 0 rests (CMixRest): returns true when the
    // block can be skipped. mixTarget is the block's mix (as the module reads it), mixNow
    // where its mix ramp stands. The first block after a rest starts from a Reset.
    bool Resting(float mixTarget, float mixNow) noexcept
    {
        const CMixRest::STATE state = m_rest.Update(mixTarget, mixNow);
        if (state == CMixRest::kWake)
            Reset();
        return state == CMixRest::kRest;
    }
    bool IsResting() const noexcept { return m_rest.IsResting(); }

    CBaseEffect* m_owner;
    int m_layer;
    int m_blockSize = 0;
    float m_sampleRate = 0.0f;
    float m_hostTempo = 0.0f;
    float m_hostSamplePos = 0.0f;
    int m_processingOrder = 0;
    CMixRest m_rest;
};
